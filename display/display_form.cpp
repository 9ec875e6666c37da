#include "display/display_form.h"

#include <QGuiApplication>
#include <QMenu>
#include <QScreen>


namespace ombrel {

TForm2::TForm2(const TMorphState& control, QMenu* popup, std::function<void()> closeOwner, QScreen* screen,
               QWindow* host)
    : Screen(screen), Control(control), CloseOwner(std::move(closeOwner)) {
    GLSceneViewer1 = std::make_unique<TGLSceneViewer>(screen, host);
    // The taskbar shows window titles; users know the program by its name.
    GLSceneViewer1->setTitle(QGuiApplication::applicationDisplayName());
    GLSceneViewer1->PopupMenu = popup;
    GLSceneViewer1->OnDblClick = [this] { GLSceneViewer1DblClick(); };
    GLSceneViewer1->OnCloseRequest = [this] { GLSceneViewer1DblClick(); };
    GLSceneViewer1->Draw = [this] { GLDirectOpenGL1Render(); };
    // An unplugged monitor: Qt would move the window onto another one and
    // cover that display, so it goes out of sight until the owner lets it go.
    if (screen)
        QObject::connect(qGuiApp, &QGuiApplication::screenRemoved, GLSceneViewer1.get(), [this](QScreen* gone) {
            if (gone != Screen) return;
            Screen = nullptr;
            Hide();
        });
}

void TForm2::SetBounds(int left, int top, int width, int height) { GLSceneViewer1->SetDeviceBounds(left, top, width, height); }

// Placed on its monitor first, then full screen: a window manager lets only
// full-screen windows cover its panels, and without one the placement holds.
void TForm2::Show() {
    if (GLSceneViewer1->parent())
        GLSceneViewer1->show();
    else
        GLSceneViewer1->showFullScreen();
}

void TForm2::Hide() { GLSceneViewer1->hide(); }

void TForm2::GLDirectOpenGL1Render() {
    Drawn = CurrentPicture();
    Renderer.Render(*this, ColourSource(), Control.Timing.SelectFrame(Control.FrameCounter));
}

std::optional<TForm2::TPicture> TForm2::CurrentPicture() const {
    const int k = Control.Timing.SelectFrame(Control.FrameCounter);
    // A frame that the worker is still drawing may differ from one moment to the next.
    if (k >= 2 && Control.Generating.load(std::memory_order_acquire)) return std::nullopt;
    const int64_t cycle = Control.CyclesStarted;
    // A cycle's start frame is the last one's target, bit for bit: the same picture.
    if (k == 1 && cycle > 1) return TPicture{cycle - 1, Frames.Count(), FrameColour(ColourSource(), 1)};
    return TPicture{cycle, k, k ? FrameColour(ColourSource(), k) : 0};
}

void TForm2::Repaint() {
    const std::optional<TPicture> picture = CurrentPicture();
    if (picture && Drawn == picture && GLSceneViewer1->ScreenCurrent()) return;
    GLSceneViewer1->Repaint();
}

void TForm2::GLSceneViewer1DblClick() {
    if (CloseOwner) CloseOwner();
}

}  // namespace ombrel
