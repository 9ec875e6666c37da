#pragma once
#include <QPoint>
#include <QWindow>
#include <functional>

#include "display/dismiss_distance.h"
#include "display/display_surface.h"
#include "display/render_buffer.h"

class QMenu;

namespace ombrel {

// A borderless top-level window whose whole client area is an OpenGL
// surface for its life. A repaint renders synchronously and returns after the
// swap; double-clicks and right-clicks go to the owner.
//
// How the window messages map onto Qt: painting follows expose events and
// update requests; the size message is resizeEvent, in device pixels; there
// is no background erase for an OpenGL surface; the kept device context is
// the window's QSurface. The swap interval is 0 (no VSync): the clock paces
// the frames, and a swap must not hold a tick up.
class TGLSceneViewer : public QWindow, public TDisplaySurface {
    Q_OBJECT
public:
    // With a `host`, a child window of it that leaves all input to the host.
    explicit TGLSceneViewer(QScreen* screen = nullptr, QWindow* host = nullptr);
    ~TGLSceneViewer() override;

    TGLSceneBuffer Buffer;

    QMenu* PopupMenu = nullptr;
    std::function<void()> OnDblClick;
    // The window manager asked to close the window (its close button, the taskbar entry).
    std::function<void()> OnCloseRequest;

    // Makes it a screensaver's display: no cursor over it, and `told` once
    // of the user's first key, button, scroll, touch or pointer move beyond
    // DismissDistance, which goes no further.
    void DismissOnInput(std::function<void()> told);

    void Repaint() override;
    bool Exposed() const override { return isExposed(); }
    bool ScreenCurrent() const override { return Current; }
    void SetDeviceBounds(int left, int top, int width, int height) override;
    // Placed on its monitor first, then full screen: a window manager lets
    // only full-screen windows cover its panels, and without one the placement holds.
    void Show() override;
    void Hide() override { hide(); }
    TGLSceneBuffer& RenderBuffer() override { return Buffer; }
    QSize DeviceSize() const;
    int DeviceWidth() const;
    int DeviceHeight() const;

protected:
    bool event(QEvent* e) override;
    void exposeEvent(QExposeEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    void Paint();
    // Whether `e` is input that ends a screensaver's show.
    bool EndsShow(QEvent* e);

    QPoint LastPaintPosition{0, 0};
    bool MenuClosedByPress = false;
    bool Current = false;
    std::function<void()> OnUserInput;
    TPointerHysteresis Hysteresis;
};

}  // namespace ombrel
