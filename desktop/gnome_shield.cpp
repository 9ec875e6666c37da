#include "desktop/gnome_shield.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace ombrel {

namespace {
const char* const Service = "org.gnome.ScreenSaver";
const char* const Path = "/org/gnome/ScreenSaver";
}  // namespace

TGnomeShield::TGnomeShield(const QDBusConnection& bus)
    : Bus(bus), Owner(Service, bus, QDBusServiceWatcher::WatchForUnregistration) {
    Bus.connect(Service, Path, Service, "ActiveChanged", this, SLOT(ActiveChanged(bool)));
    // A shield whose owner went cannot cover anything any more.
    connect(&Owner, &QDBusServiceWatcher::serviceUnregistered, this, [this] { Set(false); });
    // Up already when we came: asked without waiting, and without starting
    // a service of that name where none runs.
    QDBusMessage ask = QDBusMessage::createMethodCall(Service, Path, Service, "GetActive");
    ask.setAutoStartService(false);
    auto* pending = new QDBusPendingCallWatcher(Bus.asyncCall(ask), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* call) {
        const QDBusPendingReply<bool> reply = *call;
        if (reply.isValid() && reply.value()) Set(true);
        call->deleteLater();
    });
}

void TGnomeShield::ActiveChanged(bool active) { Set(active); }

void TGnomeShield::Set(bool active) {
    if (active == IsActive) return;
    IsActive = active;
    if (OnChanged) OnChanged();
}

}  // namespace ombrel
