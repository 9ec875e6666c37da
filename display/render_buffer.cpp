#include "display/render_buffer.h"

#include <cstdlib>

#include "display/gl_api.h"
#include "display/gl_errors.h"

namespace ombrel {

namespace {

// Reads OpenGL's error flags until none is left, at most `times` reads.
void DiscardErrors(int times) {
    for (int i = 0; i < times; ++i)
        if (GL().GetError() == GL_NO_ERROR) return;
}

}  // namespace

TGLSceneBuffer::~TGLSceneBuffer() { DestroyRC(); }

void TGLSceneBuffer::Resize(int width, int height) {
    Width = width > 0 ? width : 1;
    Height = height > 0 ? height : 1;
    Forget();
    if (!Context) return;
    Context->Activate();
    GL().Viewport(0, 0, Width, Height);
    Context->Deactivate();
}

void TGLSceneBuffer::CreateRC(const TContextFactory& factory) {
    DestroyRC();
    Forget();
    std::unique_ptr<TGLContext> context = factory ? factory() : nullptr;
    if (!context) throw Exception("Failed to create RenderingContext.");
    context->CreateContext();
    context->Activate();
    try {
        const auto* version = reinterpret_cast<const char*>(GL().GetString(GL_VERSION));
        const double v = version ? std::atof(version) : 0;
        if (v < 1.1 - 1e-9) throw EOpenGLError("Need at least OpenGL version 1.1");
        GL().Viewport(0, 0, Width, Height);
        // Frames have exact 8-bit colours: dithering would change nothing and
        // costs a software rasteriser time on every point.
        GL().Disable(GL_DITHER);
    } catch (...) {
        context->Deactivate();
        throw;
    }
    context->Deactivate();
    Context = std::move(context);
}

void TGLSceneBuffer::DestroyRC() { Context.reset(); }

void TGLSceneBuffer::Show() {
    // What differs from the screen: what the last frame lit and this one lit;
    // everywhere else both are black.
    if (Context->CanShowRegion() && DrawnLit && ScreenLit) {
        const TPixelRect changed = ScreenLit->United(*DrawnLit);
        if (!changed.Empty()) Context->ShowRegion(changed);
        BackKept = true;
    } else {
        // Whole frames swap: a driver learns of a new window size at a swap.
        // What the back buffer holds after a swap is undefined.
        Context->SwapBuffers();
        BackKept = false;
    }
    ScreenLit = DrawnLit;
}

void TGLSceneBuffer::CheckErrors() {
    const GLenum first = GL().GetError();
    if (first == GL_NO_ERROR) return;
    DiscardErrors(7);
    const auto* text = reinterpret_cast<const char*>(GL().ErrorString(first));
    throw EOpenGLError(text ? text : "unknown OpenGL error");
}

void TGLSceneBuffer::Render(const std::function<void()>& draw) {
    if (RenderingNow || !Context) return;
    RenderingNow = true;
    bool activated = false;
    try {
        Context->Activate();
        activated = true;
        DiscardErrors(7);
        DrawnLit.reset();
        draw();
        CheckErrors();
        Show();
        CheckErrors();
    } catch (...) {
        // The screen may show anything now.
        Forget();
        RenderingNow = false;
        if (activated) Context->Deactivate();
        throw;
    }
    RenderingNow = false;
    Context->Deactivate();
}

}  // namespace ombrel
