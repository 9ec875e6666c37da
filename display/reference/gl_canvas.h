#pragma once
#include <array>
#include <cstdint>

#include "display/gl_api.h"
#include "display/gl_colour.h"
#include "display/hsv_color.h"

namespace ombrel {

// Packed colour to four floats; system colours are looked up first.
TGLVector4f ColorToGLVector(TColor color, GLfloat alpha);

// Extension flags, read again by every scene render.
struct TGLExtensions {
    bool EXT_texture3D = false;
    bool ARB_texture_cube_map = false;
};
TGLExtensions& GLExtensions() noexcept;
// Sets the flags from the current context's extension list.
void ReadGLExtensions();

// A short-lived 2D canvas over the current OpenGL context: integer pixel
// coordinates of a width x height buffer with y running down, the scene's
// 3D state saved and overridden, and consecutive primitives of one kind in
// one glBegin/glEnd block. Destruction closes the block and restores the state.
class TGLCanvas {
public:
    TGLCanvas(int32_t bufferWidth, int32_t bufferHeight);
    TGLCanvas(int32_t bufferWidth, int32_t bufferHeight, const GLfloat (&baseTransform)[16]);
    ~TGLCanvas();
    TGLCanvas(const TGLCanvas&) = delete;
    TGLCanvas& operator=(const TGLCanvas&) = delete;

    void PenColor(TColor color);
    void PenWidth(int32_t width);
    // A point at the pixel's centre: on its corner the rasteriser may light a neighbour.
    void PlotPixel(int32_t x, int32_t y) {
        SwitchPrimitive(GL_POINTS);
        Api.Vertex2f(static_cast<GLfloat>(x) + 0.5f, static_cast<GLfloat>(y) + 0.5f);
    }
    void FillRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2);

    static constexpr int32_t NoPrimitive = 2147483647;

private:
    void SwitchPrimitive(int32_t mode) {
        if (mode == OpenPrimitive) return;
        if (OpenPrimitive != NoPrimitive) Api.End();
        if (mode != NoPrimitive) Api.Begin(static_cast<GLenum>(mode));
        OpenPrimitive = mode;
    }
    void EndPrimitive() { SwitchPrimitive(NoPrimitive); }
    void SaveGLState();
    void RestoreGLState();

    const TGLApi& Api;
    int32_t BufferWidth;
    int32_t BufferHeight;
    TGLVector4f SavedColor{};
    GLfloat SavedPointSize = 1;
    GLfloat SavedLineWidth = 1;
    int32_t OpenPrimitive = NoPrimitive;
    TColor CurrentPenColor = 0;
    int32_t CurrentPenWidth = 1;
    TGLVector4f PenColorVector{0, 0, 0, 1};
};

}  // namespace ombrel
