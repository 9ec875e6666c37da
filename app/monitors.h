#pragma once
#include <cstdint>
#include <functional>
#include <vector>

class QObject;
class QScreen;

namespace ombrel {

// A monitor's full rectangle in device pixels of the virtual desktop, taskbar included.
struct TMonitor {
    int Left = 0, Top = 0, Width = 0, Height = 0;
    QScreen* Screen = nullptr;  // none for a monitor made up by a test
    // What tells it from the others across changes: its screen's address, or
    // a Wayland output's registry name; 0 for none.
    uintptr_t Key = 0;
};

using TMonitorList = std::function<std::vector<TMonitor>()>;

// The desktop's monitors in Qt's screen order.
std::vector<TMonitor> SystemMonitors();
// Tells `changed` of every screen that comes, goes or changes, while `context` lives.
void WatchScreens(QObject* context, std::function<void()> changed);

}  // namespace ombrel
