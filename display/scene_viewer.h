#pragma once
#include <QPoint>
#include <QWindow>
#include <functional>

#include "display/scene_buffer.h"

class QMenu;

namespace ombrel {

enum class TVSyncMode { vsmSync, vsmNoSync };

// A borderless top-level window whose whole client area is an OpenGL
// surface for its life. A repaint renders synchronously and returns after the
// swap; double-clicks and right-clicks go to the owner.
//
// How the window messages map onto Qt: painting follows expose events and
// update requests; the size message is resizeEvent, in device pixels; there
// is no background erase for an OpenGL surface; the kept device context is
// the window's QSurface; the swap interval, Qt's form of VSync, is part of the
// context's format, so it is applied when the context is made.
class TGLSceneViewer : public QWindow {
    Q_OBJECT
public:
    // With a `host`, a child window of it that leaves all input to the host.
    explicit TGLSceneViewer(QScreen* screen = nullptr, QWindow* host = nullptr);
    ~TGLSceneViewer() override;

    TGLSceneBuffer Buffer;

    TGLCamera* Camera() const { return CameraLink; }
    void SetCamera(TGLCamera* camera);
    // 2 * atan2(min(width, height) / 2, FocalLength) in degrees.
    float FieldOfView() const;
    void SetFieldOfView(float degrees);
    // Applied to the context's swap interval: Qt sets it when the context is
    // made, so a change makes the context anew.
    TVSyncMode VSync() const { return VSyncMode; }
    void SetVSync(TVSyncMode mode);

    QMenu* PopupMenu = nullptr;
    std::function<void()> OnDblClick;
    // The window manager asked to close the window (its close button, the taskbar entry).
    std::function<void()> OnCloseRequest;
    // Where render errors go; they cannot pass through Qt's event handling.
    std::function<void(const std::exception&)> OnError;

    // Renders now, if the window can be seen, and returns after the swap.
    void Repaint();
    // When set, a paint is this drawing alone instead of the scene's render.
    std::function<void()> DirectRender;
    // The last paint succeeded and nothing since (a resize, an expose, a new
    // context) can have changed what the window shows.
    bool ScreenCurrent() const { return Current; }
    // Places the window in device pixels.
    void SetDeviceBounds(int left, int top, int width, int height);
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
    void CreateContext();
    void Paint();

    TGLCamera* CameraLink = nullptr;
    TVSyncMode VSyncMode = TVSyncMode::vsmNoSync;
    QPoint LastPaintPosition{0, 0};
    bool MenuClosedByPress = false;
    bool Current = false;
};

}  // namespace ombrel
