#include "app/monitors.h"

#include <QGuiApplication>
#include <QScreen>
#include <cmath>

namespace ombrel {

std::vector<TMonitor> SystemMonitors() {
    std::vector<TMonitor> list;
    for (QScreen* s : QGuiApplication::screens()) {
        // Qt gives geometry in device-independent pixels; the frames are physical pixels.
        const QRect g = s->geometry();
        const qreal r = s->devicePixelRatio();
        auto px = [r](int v) { return static_cast<int>(std::lround(v * r)); };
        list.push_back({px(g.left()), px(g.top()), px(g.width()), px(g.height()), s});
    }
    return list;
}

}  // namespace ombrel
