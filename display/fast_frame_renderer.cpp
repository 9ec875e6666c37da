#include "display/fast_frame_renderer.h"

#include "display/frame_renderer.h"
#include "display/gl_canvas.h"

namespace ombrel {

void TFastFrameRenderer::Render(const TFrameStore& display, const TFrameStore& display0, int32_t FrameCounter) {
    const TGLApi& gl = GL();
    gl.PushAttrib(GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_CURRENT_BIT | GL_POINT_BIT);
    gl.ClearColor(0, 0, 0, 1);
    gl.Clear(GL_COLOR_BUFFER_BIT);
    const int k = SelectFrame(FrameCounter);
    Points.clear();
    if (k != 0)
        ForEachSetBit(display.Frames[k].FrameBits, [this](int x, int y) {
            // At the pixel's centre, exactly as the canvas puts it.
            Points.push_back(static_cast<GLfloat>(x) + 0.5f);
            Points.push_back(static_cast<GLfloat>(y) + 0.5f);
        });
    if (!Points.empty()) {
        // The canvas's pixel space: the same transform, so the same pixels also on a scaled window.
        gl.MatrixMode(GL_PROJECTION);
        gl.PushMatrix();
        gl.LoadIdentity();
        gl.Ortho2D(0, display.ScreenWidth, display.ScreenHeight, 0);
        gl.MatrixMode(GL_MODELVIEW);
        gl.PushMatrix();
        gl.LoadIdentity();
        DisableSceneCapabilities(gl);
        // Opaque points replace what is below them: blending and the alpha test change nothing.
        gl.Disable(GL_BLEND);
        gl.Disable(GL_ALPHA_TEST);
        gl.PointSize(1);
        gl.Color4fv(ColorToGLVector(FrameColour(display0, k), 1).data());
        gl.EnableClientState(GL_VERTEX_ARRAY);
        gl.VertexPointer(2, GL_FLOAT, 0, Points.data());
        gl.DrawArrays(GL_POINTS, 0, static_cast<GLsizei>(Points.size() / 2));
        gl.DisableClientState(GL_VERTEX_ARRAY);
        gl.MatrixMode(GL_PROJECTION);
        gl.PopMatrix();
        gl.MatrixMode(GL_MODELVIEW);
        gl.PopMatrix();
    }
    gl.PopAttrib();
}

}  // namespace ombrel
