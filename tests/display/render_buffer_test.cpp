#include "display/render_buffer.h"

#include <gtest/gtest.h>

#include "display/gl_errors.h"
#include "tests/display/fake_context.h"

using namespace ombrel;
using ombrel::testing::TFakeContext;
using ombrel::testing::TGLCall;
using ombrel::testing::TGLRecorder;

namespace {

struct TBufferRig {
    TGLRecorder Rec;
    TGLSceneBuffer Buffer;

    TBufferRig() {
        Buffer.Resize(800, 600);
        Buffer.CreateRC([] { return std::make_unique<TFakeContext>(); });
        Rec.Calls.clear();
    }
};

}  // namespace

TEST(RenderBuffer, ARenderDrawsBetweenActivationAndSwapAndRaisesItsErrors) {
    TBufferRig rig;
    rig.Rec.Errors = {GL_OUT_OF_MEMORY};  // left by somebody else: not ours
    int draws = 0;
    rig.Buffer.Render([&] {
        ++draws;
        rig.Rec.Calls.push_back({"draw", {}});
    });
    std::vector<std::string> names = rig.Rec.Names();
    EXPECT_EQ(names, std::vector<std::string>({"activate", "glGetError", "glGetError", "draw", "glGetError", "swap",
                                               "glGetError", "deactivate"}));
    try {
        rig.Buffer.Render([&] { rig.Rec.Errors = {GL_INVALID_ENUM, GL_INVALID_VALUE}; });
        FAIL() << "no error raised";
    } catch (const EOpenGLError& e) {
        EXPECT_STREQ(e.what(), "invalid enumerant");
    }
    EXPECT_EQ(rig.Rec.Calls.back().Name, "deactivate");
    EXPECT_FALSE(rig.Buffer.RenderingContext()->Active());
    EXPECT_FALSE(rig.Buffer.Rendering());
    rig.Rec.Calls.clear();
    rig.Buffer.Render([&] { ++draws; });
    EXPECT_EQ(draws, 2);
    EXPECT_EQ(rig.Rec.Count("swap"), 1u);
}

TEST(RenderBuffer, RenderInsideARenderDoesNothing) {
    TBufferRig rig;
    int draws = 0;
    rig.Buffer.Render([&] {
        ++draws;
        rig.Buffer.Render([&] { ++draws; });
    });
    EXPECT_EQ(draws, 1);
    EXPECT_EQ(rig.Rec.Count("swap"), 1u);
}

TEST(RenderBuffer, ResizeKeepsTheViewportAtLeastOnePixel) {
    TBufferRig rig;
    rig.Buffer.Resize(0, -3);
    EXPECT_EQ(rig.Buffer.ViewportWidth(), 1);
    EXPECT_EQ(rig.Buffer.ViewportHeight(), 1);
    EXPECT_EQ(rig.Rec.Calls[rig.Rec.Calls.size() - 2], (TGLCall{"glViewport", {0, 0, 1, 1}}));
    EXPECT_EQ(rig.Rec.Calls.back().Name, "deactivate");
}

TEST(RenderBuffer, ContextCreationFailures) {
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

