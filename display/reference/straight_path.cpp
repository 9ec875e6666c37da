#include "display/reference/straight_path.h"

#include "display/reference/frame_renderer.h"

namespace ombrel {

TStraightPath::TStraightPath(TForm2& form, const TMorphState& control)
    : SceneRender(form.GLSceneViewer1->Buffer), Form(form), Control(control) {
    GLDirectOpenGL1.OnRender = [this](TGLDirectOpenGL* sender, TRenderContextInfo& rci) {
        GLDirectOpenGL1Render(sender, rci);
    };
    GLCamera1.DepthOfView = 100.0;
    GLCamera1.FocalLength = 50.0;
    GLScene1.Add(&GLDirectOpenGL1);
    GLScene1.Add(&GLCamera1);
    SceneRender.Camera = &GLCamera1;
    TGLSceneViewer* viewer = form.GLSceneViewer1;
    SceneRender.CreateRC([viewer] { return std::make_unique<TGLQtContext>(viewer, 0); });
    ProgramDraw = std::exchange(viewer->Draw, nullptr);
    // The scene render makes the whole frame itself, inside the buffer's render.
    viewer->Draw = [this] { SceneRender.RenderInside(); };
}

TStraightPath::~TStraightPath() { Form.GLSceneViewer1->Draw = ProgramDraw; }

void TStraightPath::GLDirectOpenGL1Render(TGLDirectOpenGL*, TRenderContextInfo&) {
    RenderFrame(Form.Store, *Control.Displays[0], Control.FrameCounter);
}

}  // namespace ombrel
