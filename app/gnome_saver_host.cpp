#include "app/gnome_saver_host.h"

#include <QDBusConnection>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLibraryInfo>
#include <QMetaObject>
#include <QtGlobal>

#include "desktop/gnome_idle.h"
#include "desktop/gnome_shield.h"
#include "display/display_form.h"

namespace ombrel {

TGnomeSaverHost::TGnomeSaverHost(bool showsAtOnce, std::string noLayerShell)
    : ShowsAtOnce(showsAtOnce), NoLayerShell(std::move(noLayerShell)) {}

TGnomeSaverHost::~TGnomeSaverHost() = default;

std::optional<TDisplayHost::TStartError> TGnomeSaverHost::BeforeQt() {
    // Without its plugin Qt would end the program with a page of its own.
    const QString plugin = QLibraryInfo::path(QLibraryInfo::PluginsPath) + "/platforms/libqwayland-egl.so";
    if (qEnvironmentVariableIsEmpty("QT_PLUGIN_PATH") && !QFileInfo::exists(plugin))
        return TStartError{1, NoLayerShell + ". GNOME's way would need Qt's Wayland platform plugin (qt6-wayland)"};
    qputenv("QT_QPA_PLATFORM", "wayland");
    return std::nullopt;
}

std::optional<TDisplayHost::TStartError> TGnomeSaverHost::AfterQt() {
    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (!TMutterIdleWatch::Offered(bus))
        return TStartError{1, NoLayerShell + ". Nor is this GNOME Shell: its idle monitor "
                                             "(org.gnome.Mutter.IdleMonitor) is not on the session bus"};
    Shield = std::make_unique<TGnomeShield>(bus);
    Shield->OnChanged = [this] {
        if (Shield->Active()) EndTheShow();
    };
    WatchScreens(this, [this] {
        if (OnChanged) OnChanged();
    });
    return std::nullopt;
}

std::vector<TMonitor> TGnomeSaverHost::Monitors() { return SystemMonitors(); }

std::unique_ptr<TForm2> TGnomeSaverHost::NewDisplay(const TDisplayParts& parts, const TMonitor& monitor) {
    auto display = std::make_unique<TForm2>(parts.Control, nullptr, parts.CloseOwner, monitor.Screen);
    // From inside the window's own event: its end comes later.
    display->GLSceneViewer1->DismissOnInput([this] { QMetaObject::invokeMethod(this, [this] { EndTheShow(); }, Qt::QueuedConnection); });
    return display;
}

std::optional<std::string> TGnomeSaverHost::WatchIdle(uint32_t milliseconds) {
    std::string error;
    Watch = TMutterIdleWatch::Make(QDBusConnection::sessionBus(), milliseconds, error);
    if (!Watch) return error;
    Watch->OnIdle = [this] {
        if (OnIdle) OnIdle();
    };
    Watch->OnResumed = [this] {
        if (OnResumed) OnResumed();
    };
    return std::nullopt;
}

bool TGnomeSaverHost::InputElsewhere() const { return QGuiApplication::focusWindow() == nullptr; }

bool TGnomeSaverHost::Shielded() const { return Shield && Shield->Active(); }

void TGnomeSaverHost::EndTheShow() {
    if (OnLost) OnLost("");
}

}  // namespace ombrel
