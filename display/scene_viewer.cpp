#include "display/scene_viewer.h"

#include <qpa/qplatformwindow.h>

#include <QCoreApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QResizeEvent>
#include <QScreen>
#include <cmath>
#include <memory>
#include <utility>

namespace ombrel {

TGLSceneViewer::TGLSceneViewer(QScreen* screen, QWindow* host) : QWindow(screen) {
    setSurfaceType(QWindow::OpenGLSurface);
    if (host) {
        setParent(host);
        // Kept from the window manager when the host is the root window.
        setFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowTransparentForInput | Qt::BypassWindowManagerHint);
    } else {
        setFlags(Qt::Window | Qt::FramelessWindowHint);
    }
    // A monitor's window has its monitor's size from the start. A software
    // driver sizes its next buffer at a swap, so the first picture after
    // a resize goes out at the old size; GNOME's compositor centres that
    // buffer on a full-screen window and keeps the offset for the bigger
    // buffers after it.
    if (screen && !host)
        setGeometry(screen->geometry());
    else
        resize(425, 265);
    // The window and its context exist before anybody moves or sizes it; the
    // context makes the platform window, in its own format.
    Buffer.Resize(DeviceWidth(), DeviceHeight());
    Buffer.CreateRC([this] {
        auto context = std::make_unique<TGLQtContext>(this, 0);
        // Frames are flat and drawn with the depth test off: a depth buffer
        // would hold nothing, and takes four bytes a pixel (33 MB at 3840x2160).
        context->SetDepthBits(0);
        return context;
    });
}

TGLSceneViewer::~TGLSceneViewer() { Buffer.DestroyRC(); }

QSize TGLSceneViewer::DeviceSize() const {
    // The platform window's own size: Qt's scaled size rounds, one row too many or too few.
    if (const QPlatformWindow* native = handle()) return native->geometry().size();
    return (QSizeF(size()) * devicePixelRatio()).toSize();
}
int TGLSceneViewer::DeviceWidth() const { return DeviceSize().width(); }
int TGLSceneViewer::DeviceHeight() const { return DeviceSize().height(); }

void TGLSceneViewer::SetDeviceBounds(int left, int top, int width, int height) {
    // Qt places windows in device-independent pixels, which cannot name
    // every device rectangle on a fractionally scaled screen: the nearest
    // one first, then the platform window exactly.
    const qreal ratio = devicePixelRatio();
    setGeometry(QRect(static_cast<int>(std::lround(left / ratio)), static_cast<int>(std::lround(top / ratio)),
                      static_cast<int>(std::lround(width / ratio)), static_cast<int>(std::lround(height / ratio))));
    if (QPlatformWindow* native = handle(); native && !parent()) native->setGeometry(QRect(left, top, width, height));
}

void TGLSceneViewer::Show() {
    if (parent())
        show();
    else
        showFullScreen();
}

void TGLSceneViewer::Repaint() {
    if (isExposed()) Paint();
}

void TGLSceneViewer::Paint() {
    // A move also needs the viewport again: the first paint at a new place sends itself a size event.
    const QPoint position = mapToGlobal(QPoint(0, 0));
    if (position != LastPaintPosition) {
        if (Buffer.RenderingContext())
            QCoreApplication::postEvent(this, new QResizeEvent(size(), size()));
        LastPaintPosition = position;
    }
    // The screen may not show the last frame (an expose, a resize, a failed paint): all of it goes anew.
    if (!Current) Buffer.Forget();
    Current = false;
    if (width() <= 0 || height() <= 0 || !Draw) return;
    try {
        Buffer.Render(Draw);
        Current = Buffer.RenderingContext() != nullptr;
    } catch (const std::exception& e) {
        if (OnError) OnError(e);
    }
}

void TGLSceneViewer::DismissOnInput(std::function<void()> told) {
    OnUserInput = std::move(told);
    setCursor(Qt::BlankCursor);
}

bool TGLSceneViewer::EndsShow(QEvent* e) {
    switch (e->type()) {
        case QEvent::KeyPress:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::TouchBegin:
            return true;
        case QEvent::Enter: {
            const QPointF at = static_cast<QEnterEvent*>(e)->position();
            Hysteresis.Entered(at.x(), at.y());
            return false;
        }
        case QEvent::Leave:
            Hysteresis.Left();
            return false;
        case QEvent::MouseMove: {
            const QPointF at = static_cast<QMouseEvent*>(e)->position();
            return Hysteresis.Moved(at.x(), at.y());
        }
        default:
            return false;
    }
}

bool TGLSceneViewer::event(QEvent* e) {
    if (OnUserInput && EndsShow(e)) {
        std::exchange(OnUserInput, nullptr)();
        return true;
    }
    switch (e->type()) {
        case QEvent::UpdateRequest:
            Repaint();
            return true;
        case QEvent::Close:
            e->ignore();
            if (OnCloseRequest) OnCloseRequest();
            return true;
        default:
            return QWindow::event(e);
    }
}

void TGLSceneViewer::exposeEvent(QExposeEvent*) {
    Current = false;
    Repaint();
    if (OnExposeChange) OnExposeChange();
}

void TGLSceneViewer::resizeEvent(QResizeEvent*) {
    Current = false;
    try {
        Buffer.Resize(DeviceWidth(), DeviceHeight());
    } catch (const std::exception& e) {
        if (OnError) OnError(e);
    }
}

void TGLSceneViewer::mouseDoubleClickEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton && OnDblClick) OnDblClick();
}

void TGLSceneViewer::mousePressEvent(QMouseEvent*) {
    // Without a pointer grab (Wayland) a click outside the open menu reaches
    // the display: it closes the menu, as it does elsewhere, and no more.
    MenuClosedByPress = PopupMenu && PopupMenu->isVisible();
    if (MenuClosedByPress) PopupMenu->hide();
}

void TGLSceneViewer::mouseReleaseEvent(QMouseEvent* e) {
    if (std::exchange(MenuClosedByPress, false)) return;
    if (e->button() != Qt::RightButton || !PopupMenu) return;
    // One menu serves every display. Wayland places a popup relative to its
    // parent window and tells no cursor position: anchor it to this window,
    // at the click.
    PopupMenu->hide();
    PopupMenu->winId();
    PopupMenu->windowHandle()->setTransientParent(this);
    PopupMenu->popup(e->globalPosition().toPoint());
}

}  // namespace ombrel
