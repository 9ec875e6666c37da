#pragma once
#include <functional>

#include "display/display_form.h"
#include "display/reference/scene.h"
#include "display/reference/scene_render.h"

namespace ombrel {

// The designed drawing of a display, in place of the program's while it
// lives: the viewer's buffer renders a scene of a direct-OpenGL object and a
// camera, whose render event draws the frame through the pixel canvas. Its
// pictures are the yardstick of the program's own drawing.
class TStraightPath {
public:
    TStraightPath(TForm2& form, const TMorphState& control);
    ~TStraightPath();
    TStraightPath(const TStraightPath&) = delete;
    TStraightPath& operator=(const TStraightPath&) = delete;

    TGLScene GLScene1;
    TGLDirectOpenGL GLDirectOpenGL1;
    TGLCamera GLCamera1;
    TGLSceneRender SceneRender;

    void GLDirectOpenGL1Render(TGLDirectOpenGL* Sender, TRenderContextInfo& rci);

private:
    TForm2& Form;
    const TMorphState& Control;
    std::function<void()> ProgramDraw;
};

}  // namespace ombrel
