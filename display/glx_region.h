#pragma once
#include <functional>

#include "display/pixel_rect.h"

class QOpenGLContext;
class QWindow;

namespace ombrel {

// Puts a rectangle of `window`'s back buffer on screen, for `context` made
// current on it: GLX_MESA_copy_sub_buffer, which Mesa's drivers offer on
// X11, the software one included. A frame that changes a small part of a
// large window then costs the X server that part only. Empty where the
// platform has no such call (EGL, Wayland, other GLX vendors): those swap
// the whole buffer.
std::function<void(const TPixelRect&)> RegionShower(QOpenGLContext& context, QWindow& window);

}  // namespace ombrel
