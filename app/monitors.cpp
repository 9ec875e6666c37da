#include "app/monitors.h"

#include <qpa/qplatformscreen.h>

#include <QGuiApplication>
#include <QScreen>

namespace ombrel {

std::vector<TMonitor> SystemMonitors() {
    std::vector<TMonitor> list;
    for (QScreen* s : QGuiApplication::screens()) {
        // The platform's own rectangle, in device pixels: Qt's scaled
        // geometry rounds, and a monitor of 1024 rows at a scale of 1.5 would come back as 1025.
        const QRect g = s->handle()->geometry();
        // Qt stands in a screen of no size for none at all (every output off).
        if (g.isEmpty()) continue;
        list.push_back({g.left(), g.top(), g.width(), g.height(), s, reinterpret_cast<uintptr_t>(s)});
    }
    return list;
}

void WatchScreens(QObject* context, std::function<void()> changed) {
    const auto watch = [context, changed](QScreen* s) { QObject::connect(s, &QScreen::geometryChanged, context, changed); };
    for (QScreen* s : QGuiApplication::screens()) watch(s);
    QObject::connect(qGuiApp, &QGuiApplication::screenAdded, context, [watch, changed](QScreen* s) {
        watch(s);
        changed();
    });
    QObject::connect(qGuiApp, &QGuiApplication::screenRemoved, context, changed);
}

}  // namespace ombrel
