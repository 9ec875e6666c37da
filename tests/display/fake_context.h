#pragma once
#include "display/gl_context.h"
#include "tests/display/gl_recorder.h"

namespace ombrel::testing {

// A context that records what the platform would be asked to do.
class TFakeContext : public TGLContext {
public:
    bool IsCreated = false;

protected:
    void DoCreateContext() override { IsCreated = true; }
    void DoDestroyContext() override { IsCreated = false; }
    void DoActivate() override { TGLRecorder::Active->Calls.push_back({"activate", {}}); }
    void DoDeactivate() override { TGLRecorder::Active->Calls.push_back({"deactivate", {}}); }
    void DoSwapBuffers() override { TGLRecorder::Active->Calls.push_back({"swap", {}}); }
    bool Created() const override { return IsCreated; }
};

}  // namespace ombrel::testing
