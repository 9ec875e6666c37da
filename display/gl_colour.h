#pragma once
#include <array>

#include "display/gl_api.h"
#include "display/hsv_color.h"

namespace ombrel {

using TGLVector4f = std::array<GLfloat, 4>;

// A packed RGB colour (not a system colour) as four floats: each channel / 255.
inline TGLVector4f PackedColourToGL(TColor color, GLfloat alpha) {
    const long double unit = 1.0L / 255;
    return {static_cast<GLfloat>((color & 255) * unit), static_cast<GLfloat>(((color >> 8) & 255) * unit),
            static_cast<GLfloat>(((color >> 16) & 255) * unit), alpha};
}

}  // namespace ombrel
