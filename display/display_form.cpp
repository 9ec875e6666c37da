#include "display/display_form.h"

#include <QGuiApplication>
#include <QMenu>
#include <QScreen>


namespace ombrel {

TForm2::TForm2(const TMorphState& control, QMenu* popup, std::function<void()> closeOwner, QScreen* screen,
               QWindow* host)
    : TForm2(control, std::make_unique<TGLSceneViewer>(screen, host), reinterpret_cast<uintptr_t>(screen)) {
    Screen = screen;
    CloseOwner = std::move(closeOwner);
    GLSceneViewer1 = static_cast<TGLSceneViewer*>(Surface.get());
    // The taskbar shows window titles; users know the program by its name.
    GLSceneViewer1->setTitle(QGuiApplication::applicationDisplayName());
    GLSceneViewer1->PopupMenu = popup;
    GLSceneViewer1->OnDblClick = [this] { GLSceneViewer1DblClick(); };
    GLSceneViewer1->OnCloseRequest = [this] { GLSceneViewer1DblClick(); };
    // An unplugged monitor: Qt would move the window onto another one and
    // cover that display, so it goes out of sight until the owner lets it go.
    if (screen)
        QObject::connect(qGuiApp, &QGuiApplication::screenRemoved, GLSceneViewer1, [this](QScreen* gone) {
            if (gone != Screen) return;
            Screen = nullptr;
            Key = 0;
            Hide();
        });
}

TForm2::TForm2(const TMorphState& control, std::unique_ptr<TDisplaySurface> surface, uintptr_t key)
    : Surface(std::move(surface)), Key(key), Screen(nullptr), Control(control) {
    Surface->Draw = [this] { GLDirectOpenGL1Render(); };
}

void TForm2::SetBounds(int left, int top, int width, int height) { Surface->SetDeviceBounds(left, top, width, height); }

void TForm2::Show() { Surface->Show(); }

void TForm2::Hide() { Surface->Hide(); }

void TForm2::GLDirectOpenGL1Render() {
    Drawn = CurrentPicture();
    const int k = ShownFrame(Control.Timing.SelectFrame(Control.FrameCounter));
    TGLSceneBuffer& buffer = Surface->RenderBuffer();
    if (const auto lit = Renderer.Render(Store, ColourSource(), k, buffer.ViewportWidth(), buffer.ViewportHeight(),
                                         buffer.BackBufferKept()))
        buffer.DrewInside(*lit);
}

int TForm2::ShownFrame(int k) const {
    // Behind the clock, the newest frame that is ready: the screen follows
    // the worker rather than stand still until it has caught up. Every
    // frame let go of lies below it.
    for (int j = k; j >= 2; --j)
        if (Store.FrameReady(j)) return j;
    // Frame 1 is not ready only while drawn anew on a display that had no frames: black till then.
    return k != 0 && Store.FrameReady(1) ? 1 : 0;
}

std::optional<TForm2::TPicture> TForm2::CurrentPicture() const {
    const int k = ShownFrame(Control.Timing.SelectFrame(Control.FrameCounter));
    // A frame that the worker is still drawing in sight may differ from one
    // moment to the next (frame 1 only on a display whose frames are drawn anew).
    if (Store.DrawnInSight() && (k >= 2 || Store.DrawingAnew.load(std::memory_order_acquire)) &&
        Control.Generating.load(std::memory_order_acquire))
        return std::nullopt;
    const int64_t cycle = Control.CyclesStarted;
    // A cycle's start frame is the last one's target, bit for bit: the same picture.
    if (k == 1 && cycle > 1) return TPicture{cycle - 1, Store.Frames.Count(), FrameColour(ColourSource(), 1)};
    return TPicture{cycle, k, k ? FrameColour(ColourSource(), k) : 0};
}

void TForm2::LetGoOfPassedFrames() {
    TFrameList<TGlowFrame>* glow = Store.PicturesOf<TGlowFrame>();
    if (!glow) return;
    const int shown = ShownFrame(Control.Timing.SelectFrame(Control.FrameCounter));
    // Frame 1 and the last stay: the hold's picture and the next cycle's start.
    for (int k = 2; k < shown && k < glow->Count(); ++k)
        if ((*glow)[k].Ready()) (*glow)[k].LetGo();
}

void TForm2::Repaint() {
    LetGoOfPassedFrames();
    const std::optional<TPicture> picture = CurrentPicture();
    if (picture && Drawn == picture && Surface->ScreenCurrent()) return;
    Surface->Repaint();
}

void TForm2::GLSceneViewer1DblClick() {
    if (CloseOwner) CloseOwner();
}

}  // namespace ombrel
