#include "display/glx_region.h"

#include <QGuiApplication>
#include <QOpenGLContext>
#include <QWindow>
#include <cstdlib>
#include <cstring>

// After Qt: Xlib's macros (None, Bool, Status...) would break its headers.
#include <GL/glx.h>

namespace ombrel {

std::function<void(const TPixelRect&)> RegionShower(QOpenGLContext& context, QWindow& window) {
    // OMBREL_WHOLE_SWAP=1 swaps whole buffers, as on platforms without the call.
    if (const char* whole = std::getenv("OMBREL_WHOLE_SWAP"); whole && std::strcmp(whole, "1") == 0) return {};
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !context.nativeInterface<QNativeInterface::QGLXContext>()) return {};
    Display* display = x11->display();
    const char* extensions = glXQueryExtensionsString(display, DefaultScreen(display));
    if (!extensions || !std::strstr(extensions, "GLX_MESA_copy_sub_buffer")) return {};
    using TCopySubBuffer = void (*)(Display*, GLXDrawable, int, int, int, int);
    const auto copy = reinterpret_cast<TCopySubBuffer>(
        glXGetProcAddressARB(reinterpret_cast<const GLubyte*>("glXCopySubBufferMESA")));
    if (!copy) return {};
    // Qt's GLX contexts draw on the X window itself.
    QWindow* target = &window;
    return [copy, display, target](const TPixelRect& r) {
        copy(display, static_cast<GLXDrawable>(target->winId()), r.X, r.Y, r.Width, r.Height);
    };
}

}  // namespace ombrel
