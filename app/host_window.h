#pragma once
#include <QAbstractNativeEventFilter>
#include <QSize>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class QWindow;

namespace ombrel {

// A window of another program that Ombrel draws in: a screensaver daemon's
// (one per monitor, or its settings' preview), or the root window. Qt (xcb)
// wraps it as a foreign QWindow but reports neither its size nor its resizes
// nor its end, so they are asked of the X server and watched for here. Only
// structure events are selected on it: X lets one client alone select button
// presses there, and that is the daemon.
class THostWindow : public QAbstractNativeEventFilter {
public:
    ~THostWindow() override;
    THostWindow(const THostWindow&) = delete;
    THostWindow& operator=(const THostWindow&) = delete;

    // The window `id` on the X server Qt uses; nullptr, with `error`, when
    // there is no such window or Qt does not run on X11.
    static std::unique_ptr<THostWindow> Open(uint32_t id, std::string& error);
    // The root window of the default screen; 0 when Qt does not run on X11.
    static uint32_t DefaultRootWindow();

    QWindow* Window() const { return Foreign; }
    QSize Size() const { return Current; }
    bool Destroyed() const { return Gone; }
    // Whether the host is mapped: an unmapped host hides what is drawn in it,
    // and X tells the windows inside nothing of that.
    bool Mapped() const { return IsMapped; }
    std::function<void(QSize)> OnResize;
    std::function<void()> OnDestroy;
    std::function<void()> OnMapChange;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    THostWindow(uint32_t id, QSize size, bool mapped);

    uint32_t Id;
    QSize Current;
    QWindow* Foreign;
    bool Gone = false;
    bool IsMapped;
};

}  // namespace ombrel
