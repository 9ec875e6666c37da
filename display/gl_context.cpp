#include "display/gl_context.h"

#include <QOpenGLContext>
#include <QWindow>
#include <atomic>

#include "display/gl_api.h"
#include "display/gl_errors.h"
#include "display/glx_region.h"

namespace ombrel {

namespace {

TGLContext* Current = nullptr;
std::atomic<uint64_t> Creations{0};

// Whether two formats pick the same framebuffer config; the swap interval is
// applied to the context, not to the surface.
bool SameConfig(QSurfaceFormat a, QSurfaceFormat b) {
    a.setSwapInterval(0);
    b.setSwapInterval(0);
    return a == b;
}

}  // namespace

TGLContext::~TGLContext() = default;

TGLContext* TGLContext::CurrentContext() { return Current; }

void TGLContext::CreateContext() {
    if (Created()) throw EGLContext("Context already created");
    DoCreateContext();
    CreationNumber = ++Creations;
}

void TGLContext::DestroyContext() {
    if (!Created()) return;
    if (Current == this) Current = nullptr;
    Activations = 0;
    DoDestroyContext();
}

void TGLContext::Activate() {
    if (Activations == 0) {
        if (!Created()) throw EGLContext("Context not created");
        DoActivate();
        Current = this;
    }
    ++Activations;
}

void TGLContext::Deactivate() {
    if (Activations <= 0) throw EGLContext("Unbalanced context activations");
    if (--Activations == 0) {
        DoDeactivate();
        Current = nullptr;
    }
}

void TGLContext::SwapBuffers() {
    if (Double) DoSwapBuffers();
}

TGLQtContext::TGLQtContext(QWindow* window, int swapInterval) : Window(window), SwapInterval(swapInterval) {}

TGLQtContext::~TGLQtContext() { DestroyContext(); }

QSurfaceFormat TGLQtContext::Request(int colourBits, int depthBits) const {
    QSurfaceFormat f;
    f.setRenderableType(QSurfaceFormat::OpenGL);
    // Immediate mode needs the compatibility profile.
    f.setProfile(QSurfaceFormat::CompatibilityProfile);
    f.setSwapBehavior(DoubleBuffer() ? QSurfaceFormat::DoubleBuffer : QSurfaceFormat::SingleBuffer);
    f.setStereo(Stereo());
    const int channel = colourBits >= 24 ? 8 : colourBits >= 16 ? 5 : colourBits / 3;
    f.setRedBufferSize(channel);
    f.setGreenBufferSize(colourBits >= 16 && colourBits < 24 ? 6 : channel);
    f.setBlueBufferSize(channel);
    f.setAlphaBufferSize(AlphaBits());
    f.setDepthBufferSize(depthBits);
    f.setStencilBufferSize(StencilBits());
    const bool multisample = AntiAliasing() != TGLAntiAliasing::aaDefault && AntiAliasing() != TGLAntiAliasing::aaNone;
    const int samples = AntiAliasing() == TGLAntiAliasing::aa4x || AntiAliasing() == TGLAntiAliasing::aa4xHQ ? 4 : 2;
    f.setSamples(multisample ? samples : 0);
    // The viewer's VSync: Qt's default asks for 1, no sync needs 0.
    f.setSwapInterval(SwapInterval);
    return f;
}

void TGLQtContext::DoCreateContext() {
    // The fallbacks in order: as requested, depth 24 or 16 when more was asked,
    // colour 16, then without the acceleration requirement. On X11 whether a
    // context is accelerated follows from the driver, not from the format, so
    // that last attempt is the plain request once more.
    std::vector<std::pair<int, int>> attempts{{ColorBits(), DepthBits()}};
    if (DepthBits() > 31) attempts.push_back({ColorBits(), 24});
    if (DepthBits() > 23) attempts.push_back({ColorBits(), 16});
    if (ColorBits() > 23) attempts.push_back({16, std::min(DepthBits(), 16)});
    attempts.push_back({ColorBits(), DepthBits()});
    for (auto [colour, depth] : attempts) {
        const QSurfaceFormat format = Request(colour, depth);
        FitWindow(format);
        auto context = std::make_unique<QOpenGLContext>();
        context->setFormat(format);
        if (context->create()) {
            Context = std::move(context);
            ShowPart = RegionShower(*Context, *Window);
            return;
        }
    }
    throw EOSError("no OpenGL context could be created for this window");
}

void TGLQtContext::FitWindow(const QSurfaceFormat& format) {
    if (Window->handle() && SameConfig(Window->requestedFormat(), format)) return;
    // A platform window keeps the config it was made with: make it anew.
    const bool shown = Window->isVisible();
    if (Window->handle()) Window->destroy();
    Window->setFormat(format);
    Window->create();
    if (shown) Window->setVisible(true);
}

void TGLQtContext::DoDestroyContext() {
    ShowPart = nullptr;
    if (QOpenGLContext::currentContext() == Context.get()) Context->doneCurrent();
    Context.reset();
}

void TGLQtContext::DoActivate() {
    // Qt reports no system error here: a stale errno would name a wrong reason.
    if (!Context->makeCurrent(Window)) throw EGLContext("Context activation failed: the window cannot take this context");
}

void TGLQtContext::DoDeactivate() {
    Context->doneCurrent();
    if (QOpenGLContext::currentContext() == Context.get()) throw Exception("Context deactivation failed");
}

void TGLQtContext::DoSwapBuffers() { Context->swapBuffers(Window); }

}  // namespace ombrel
