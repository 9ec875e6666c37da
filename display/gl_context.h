#pragma once
#include <QSurfaceFormat>
#include <cstdint>
#include <functional>
#include <memory>

#include "display/gl_errors.h"
#include "display/pixel_rect.h"

class QOpenGLContext;
class QWindow;

namespace ombrel {

enum class TGLAntiAliasing { aaDefault, aaNone, aa2x, aa2xHQ, aa4x, aa4xHQ };

// An OpenGL rendering context with the requested buffer parameters and an
// activation count; the platform part is a subclass.
class TGLContext {
public:
    virtual ~TGLContext();

    int ColorBits() const { return Colour; }
    int AlphaBits() const { return Alpha; }
    int DepthBits() const { return Depth; }
    int StencilBits() const { return Stencil; }
    int AccumBits() const { return Accum; }
    int AuxBuffers() const { return Aux; }
    bool DoubleBuffer() const { return Double; }
    bool Stereo() const { return StereoOn; }
    TGLAntiAliasing AntiAliasing() const { return AA; }
    // Each throws EGLContext "Cannot alter an active context" while active.
    void SetColorBits(int v) { Alter(Colour, v); }
    void SetAlphaBits(int v) { Alter(Alpha, v); }
    void SetDepthBits(int v) { Alter(Depth, v); }
    void SetStencilBits(int v) { Alter(Stencil, v); }
    void SetAccumBits(int v) { Alter(Accum, v); }
    void SetAuxBuffers(int v) { Alter(Aux, v); }
    void SetDoubleBuffer(bool v) { Alter(Double, v); }
    void SetStereo(bool v) { Alter(StereoOn, v); }
    void SetAntiAliasing(TGLAntiAliasing v) { Alter(AA, v); }

    void CreateContext();
    void DestroyContext();
    void Activate();
    void Deactivate();
    void SwapBuffers();
    // Whether part of the back buffer can be put on screen; ShowRegion does it.
    bool CanShowRegion() const { return Double && DoCanShowRegion(); }
    void ShowRegion(const TPixelRect& r) { DoShowRegion(r); }
    bool Active() const { return Activations > 0; }
    // A number of its own at each creation, never given twice: what was made
    // in another context, or in this one before it was made again, is not here.
    uint64_t Creation() const { return CreationNumber; }

    // The context current in this process, if any.
    static TGLContext* CurrentContext();

protected:
    virtual void DoCreateContext() = 0;
    virtual void DoDestroyContext() = 0;
    virtual void DoActivate() = 0;
    virtual void DoDeactivate() = 0;
    virtual void DoSwapBuffers() = 0;
    virtual bool Created() const = 0;
    virtual bool DoCanShowRegion() const { return false; }
    virtual void DoShowRegion(const TPixelRect&) {}

private:
    template <typename T>
    void Alter(T& field, T value) {
        if (Active()) throw EGLContext("Cannot alter an active context");
        field = value;
    }

    int Colour = 24, Alpha = 0, Depth = 24, Stencil = 0, Accum = 0, Aux = 0;
    bool Double = true, StereoOn = false;
    TGLAntiAliasing AA = TGLAntiAliasing::aaDefault;
    int Activations = 0;
    uint64_t CreationNumber = 0;
};

// The context on a window of ours, through QOpenGLContext. The window takes
// the context's format before its platform window is made: EGL (Wayland)
// makes a context current only on a surface of the same config.
class TGLQtContext : public TGLContext {
public:
    explicit TGLQtContext(QWindow* window, int swapInterval);
    ~TGLQtContext() override;

protected:
    void DoCreateContext() override;
    void DoDestroyContext() override;
    void DoActivate() override;
    void DoDeactivate() override;
    void DoSwapBuffers() override;
    bool Created() const override { return Context != nullptr; }
    bool DoCanShowRegion() const override { return static_cast<bool>(ShowPart); }
    void DoShowRegion(const TPixelRect& r) override { ShowPart(r); }

private:
    QSurfaceFormat Request(int colourBits, int depthBits) const;
    void FitWindow(const QSurfaceFormat& format);

    QWindow* Window;
    int SwapInterval;
    std::unique_ptr<QOpenGLContext> Context;
    // Where the platform offers it (see glx_region.h).
    std::function<void(const TPixelRect&)> ShowPart;
};

}  // namespace ombrel
