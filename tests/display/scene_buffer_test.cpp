#include "display/scene_buffer.h"

#include <gtest/gtest.h>

#include "display/gl_errors.h"
#include "tests/display/gl_recorder.h"

using namespace ombrel;
using ombrel::testing::TGLCall;
using ombrel::testing::TGLRecorder;

namespace {

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
    QSurfaceFormat PixelFormat() const override { return {}; }
};

struct TSceneRig {
    TGLRecorder Rec;
    TGLScene Scene;
    TGLDirectOpenGL Direct;
    TGLCamera Camera;
    TGLSceneBuffer Buffer;
    int Renders = 0;
    TFakeContext* Context = nullptr;

    TSceneRig() {
        Direct.OnRender = [this](TGLDirectOpenGL*, TRenderContextInfo&) {
            ++Renders;
            Rec.Calls.push_back({"event", {}});
        };
        Scene.Add(&Direct);
        Scene.Add(&Camera);
        Buffer.Resize(800, 600);
        Buffer.CreateRC([this] {
            auto c = std::make_unique<TFakeContext>();
            Context = c.get();
            return c;
        });
        Buffer.AttachCamera(&Camera);
        Rec.Calls.clear();
    }

    size_t IndexOf(const std::string& name, size_t from = 0) const {
        for (size_t i = from; i < Rec.Calls.size(); ++i)
            if (Rec.Calls[i].Name == name) return i;
        return std::string::npos;
    }
};

}  // namespace

TEST(SceneBuffer, RendersTheStepsInOrder) {
    TSceneRig rig;
    rig.Buffer.Render();
    const auto& calls = rig.Rec.Calls;
    ASSERT_EQ(calls.front().Name, "activate");
    EXPECT_EQ(calls.back().Name, "deactivate");
    const size_t clear = rig.IndexOf("glClear");
    EXPECT_EQ(calls[clear].Args[0], GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    EXPECT_LT(rig.IndexOf("glClearColor"), clear);
    EXPECT_LT(rig.IndexOf("glLightModelfv"), clear);
    const size_t frustum = rig.IndexOf("glFrustum"), lookAt = rig.IndexOf("gluLookAt"), event = rig.IndexOf("event"),
                 swap = rig.IndexOf("swap");
    EXPECT_LT(clear, frustum);
    EXPECT_LT(frustum, lookAt);
    EXPECT_LT(lookAt, event);
    EXPECT_LT(event, swap);
    EXPECT_EQ(rig.Renders, 1);
    // Stale errors are read first, and errors are asked for after the clear, the scene and the swap.
    EXPECT_EQ(calls[1].Name, "glGetError");
    EXPECT_NE(rig.IndexOf("glGetError", clear), std::string::npos);
    EXPECT_NE(rig.IndexOf("glGetError", event), std::string::npos);
    EXPECT_NE(rig.IndexOf("glGetError", swap), std::string::npos);

    // Every render runs under the same state, the first one too: the context
    // was made with the alpha test that a render leaves on, so no render
    // needs to set an enable flag, and the second makes the same calls.
    EXPECT_EQ(rig.Rec.Count("glEnable"), 0u);
    EXPECT_EQ(rig.Rec.Count("glDisable"), 0u);
    EXPECT_EQ(rig.Rec.Count("glAlphaFunc"), 0u);
    const std::vector<TGLCall> first = calls;
    rig.Rec.Calls.clear();
    rig.Buffer.Render();
    EXPECT_EQ(rig.Rec.Calls, first);
    EXPECT_EQ(rig.Renders, 2);
}

TEST(SceneBuffer, AnErrorFromTheSceneFailsTheRenderButNotTheNext) {
    TSceneRig rig;
    rig.Direct.OnRender = [&](TGLDirectOpenGL*, TRenderContextInfo&) {
        rig.Rec.Errors = {GL_INVALID_ENUM, GL_INVALID_VALUE};
    };
    try {
        rig.Buffer.Render();
        FAIL() << "no error raised";
    } catch (const EOpenGLError& e) {
        EXPECT_STREQ(e.what(), "invalid enumerant");
    }
    EXPECT_EQ(rig.Rec.Calls.back().Name, "deactivate");
    EXPECT_FALSE(rig.Context->Active());
    EXPECT_EQ(rig.Rec.Count("swap"), 0u);
    EXPECT_FALSE(rig.Buffer.Rendering());

    rig.Direct.OnRender = nullptr;
    rig.Rec.Calls.clear();
    EXPECT_NO_THROW(rig.Buffer.Render());
    EXPECT_EQ(rig.Rec.Count("swap"), 1u);
}

TEST(SceneBuffer, OptionsAndCameraShapeTheRender) {
    TSceneRig rig;
    rig.Buffer.SetContextOptions(roDoubleBuffer | roNoSwapBuffers | roStencilBuffer);
    rig.Buffer.Render();
    EXPECT_EQ(rig.Rec.Count("swap"), 0u);
    EXPECT_EQ(rig.Rec.Calls[rig.IndexOf("glClear")].Args[0],
              GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);

    rig.Buffer.SetContextOptions(roDoubleBuffer | roNoColorBufferClear);
    rig.Buffer.AttachCamera(nullptr);
    rig.Rec.Calls.clear();
    rig.Buffer.Render();
    EXPECT_EQ(rig.Rec.Calls[rig.IndexOf("glClear")].Args[0], GL_DEPTH_BUFFER_BIT);
    EXPECT_EQ(rig.Rec.Count("swap"), 1u);
    EXPECT_EQ(rig.Renders, 1);  // without a camera the scene is not rendered
}

TEST(SceneBuffer, RenderInsideARenderDoesNothing) {
    TSceneRig rig;
    rig.Direct.OnRender = [&](TGLDirectOpenGL*, TRenderContextInfo&) {
        ++rig.Renders;
        rig.Buffer.Render();
    };
    rig.Buffer.Render();
    EXPECT_EQ(rig.Renders, 1);
    EXPECT_EQ(rig.Rec.Count("swap"), 1u);
}

TEST(SceneBuffer, ResizeKeepsTheViewportAtLeastOnePixel) {
    TSceneRig rig;
    rig.Buffer.Resize(0, -3);
    EXPECT_EQ(rig.Buffer.ViewportWidth(), 1);
    EXPECT_EQ(rig.Buffer.ViewportHeight(), 1);
    EXPECT_EQ(rig.Rec.Calls[rig.IndexOf("glViewport")], (TGLCall{"glViewport", {0, 0, 1, 1}}));
    EXPECT_EQ(rig.Rec.Calls.back().Name, "deactivate");
}

TEST(SceneBuffer, ContextCreationFailures) {
    TGLRecorder rec;
    TGLSceneBuffer buffer;
    try {
        buffer.CreateRC([] { return std::unique_ptr<TGLContext>(); });
        FAIL();
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "Failed to create RenderingContext.");
    }
    rec.Version = "1.0";
    try {
        buffer.CreateRC([] { return std::make_unique<TFakeContext>(); });
        FAIL();
    } catch (const EOpenGLError& e) {
        EXPECT_STREQ(e.what(), "Need at least OpenGL version 1.1");
    }
    EXPECT_EQ(buffer.RenderingContext(), nullptr);
    EXPECT_FALSE(buffer.Rendering());
}

TEST(GLContext, ActivationIsCountedAndGuarded) {
    TGLRecorder rec;
    TFakeContext c;
    auto message = [](auto&& f) {
        try {
            f();
        } catch (const Exception& e) {
            return std::string(e.what());
        }
        return std::string("no error");
    };
    EXPECT_EQ(message([&] { c.Activate(); }), "Context not created");
    c.CreateContext();
    EXPECT_EQ(message([&] { c.CreateContext(); }), "Context already created");
    c.Activate();
    c.Activate();
    EXPECT_EQ(TGLContext::CurrentContext(), &c);
    EXPECT_EQ(message([&] { c.SetDepthBits(16); }), "Cannot alter an active context");
    c.Deactivate();
    EXPECT_TRUE(c.Active());
    c.Deactivate();
    EXPECT_EQ(TGLContext::CurrentContext(), nullptr);
    EXPECT_EQ(rec.Count("activate"), 1u);
    EXPECT_EQ(rec.Count("deactivate"), 1u);
    EXPECT_EQ(message([&] { c.Deactivate(); }), "Unbalanced context activations");
    EXPECT_EQ(message([&] { c.SetDepthBits(16); }), "no error");
    EXPECT_EQ(c.DepthBits(), 16);
}

TEST(SceneBuffer, DefaultsAskForADoubleBufferedDepth24Context) {
    TGLRecorder rec;
    TGLSceneBuffer buffer;
    TFakeContext* made = nullptr;
    buffer.CreateRC([&] {
        auto c = std::make_unique<TFakeContext>();
        made = c.get();
        return c;
    });
    EXPECT_TRUE(made->DoubleBuffer());
    EXPECT_EQ(made->ColorBits(), 24);
    EXPECT_EQ(made->DepthBits(), 24);
    EXPECT_EQ(made->StencilBits(), 0);
    EXPECT_EQ(made->AlphaBits(), 0);
    EXPECT_EQ(made->AccumBits(), 0);
    EXPECT_EQ(made->AntiAliasing(), TGLAntiAliasing::aaDefault);
    int structural = 0;
    buffer.OnStructuralChange = [&] { ++structural; };
    buffer.SetDepthPrecision(TGLDepthPrecision::dp16bits);
    buffer.SetDepthPrecision(TGLDepthPrecision::dp16bits);
    EXPECT_EQ(structural, 1);
}
