#include "display/reference/scene_render.h"

#include <gtest/gtest.h>

#include "display/gl_errors.h"
#include "tests/display/fake_context.h"

using namespace ombrel;
using ombrel::testing::TFakeContext;
using ombrel::testing::TGLCall;
using ombrel::testing::TGLRecorder;

namespace {

struct TSceneRig {
    TGLRecorder Rec;
    TGLScene Scene;
    TGLDirectOpenGL Direct;
    TGLCamera Camera;
    TGLSceneBuffer Buffer;
    TGLSceneRender Render{Buffer};
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
        Render.CreateRC([this] {
            auto c = std::make_unique<TFakeContext>();
            Context = c.get();
            return c;
        });
        Render.Camera = &Camera;
        Rec.Calls.clear();
    }

    size_t IndexOf(const std::string& name, size_t from = 0) const {
        for (size_t i = from; i < Rec.Calls.size(); ++i)
            if (Rec.Calls[i].Name == name) return i;
        return std::string::npos;
    }
};

}  // namespace

TEST(SceneRender, RendersTheStepsInOrder) {
    TSceneRig rig;
    rig.Render.Render();
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
    rig.Render.Render();
    EXPECT_EQ(rig.Rec.Calls, first);
    EXPECT_EQ(rig.Renders, 2);
}

TEST(SceneRender, AnErrorFromTheSceneFailsTheRenderButNotTheNext) {
    TSceneRig rig;
    rig.Direct.OnRender = [&](TGLDirectOpenGL*, TRenderContextInfo&) {
        rig.Rec.Errors = {GL_INVALID_ENUM, GL_INVALID_VALUE};
    };
    try {
        rig.Render.Render();
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
    EXPECT_NO_THROW(rig.Render.Render());
    EXPECT_EQ(rig.Rec.Count("swap"), 1u);
}

TEST(SceneRender, OptionsAndCameraShapeTheRender) {
    TSceneRig rig;
    rig.Render.ContextOptions = roDoubleBuffer | roStencilBuffer;
    rig.Render.Render();
    EXPECT_EQ(rig.Rec.Calls[rig.IndexOf("glClear")].Args[0],
              GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);

    rig.Render.ContextOptions = roDoubleBuffer | roNoColorBufferClear;
    rig.Render.Camera = nullptr;
    rig.Rec.Calls.clear();
    rig.Render.Render();
    EXPECT_EQ(rig.Rec.Calls[rig.IndexOf("glClear")].Args[0], GL_DEPTH_BUFFER_BIT);
    EXPECT_EQ(rig.Rec.Count("swap"), 1u);
    EXPECT_EQ(rig.Renders, 1);  // without a camera the scene is not rendered
}

TEST(SceneRender, DefaultOptionsAskForADoubleBufferedDepth24Context) {
    TGLRecorder rec;
    TGLSceneBuffer buffer;
    TGLSceneRender render(buffer);
    TFakeContext* made = nullptr;
    render.CreateRC([&] {
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
    render.DepthPrecision = TGLDepthPrecision::dp16bits;
    render.CreateRC([&] {
        auto c = std::make_unique<TFakeContext>();
        made = c.get();
        return c;
    });
    EXPECT_EQ(made->DepthBits(), 16);
}
