#include "desktop/gnome_idle.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>

namespace ombrel {

namespace {

const char* const Service = "org.gnome.Mutter.IdleMonitor";
const char* const Path = "/org/gnome/Mutter/IdleMonitor/Core";
const char* const Interface = "org.gnome.Mutter.IdleMonitor";

QDBusMessage CallMonitor(const char* method, const QVariantList& args) {
    QDBusMessage call = QDBusMessage::createMethodCall(Service, Path, Interface, method);
    call.setArguments(args);
    return call;
}

}  // namespace

bool TMutterIdleWatch::Offered(const QDBusConnection& bus) {
    return bus.isConnected() && bus.interface() && bus.interface()->isServiceRegistered(Service).value();
}

std::unique_ptr<TMutterIdleWatch> TMutterIdleWatch::Make(const QDBusConnection& bus, uint32_t milliseconds,
                                                         std::string& error) {
    std::unique_ptr<TMutterIdleWatch> watch(new TMutterIdleWatch(bus));
    TMutterIdleWatch& w = *watch;
    // Connected first: a watch may fire before its id is back.
    if (!w.Bus.connect(Service, Path, Interface, "WatchFired", &w, SLOT(Fired(uint))))
        error = "GNOME's idle monitor cannot be listened to: " + w.Bus.lastError().message().toStdString();
    else
        w.IdleId = w.Add("AddIdleWatch", {QVariant::fromValue<qulonglong>(milliseconds)}, error);
    if (!w.IdleId) return nullptr;
    return watch;
}

TMutterIdleWatch::~TMutterIdleWatch() {
    // Watches also go with the connection's name; a live connection lets them go at once.
    for (const uint32_t id : {IdleId, ActiveId})
        if (id) Bus.asyncCall(CallMonitor("RemoveWatch", {id}));
}

uint32_t TMutterIdleWatch::Add(const char* method, const QVariantList& args, std::string& error) {
    const QDBusMessage reply = Bus.call(CallMonitor(method, args));
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        error = std::string("GNOME's idle monitor refused ") + method + ": " + reply.errorMessage().toStdString();
        return 0;
    }
    return reply.arguments().first().toUInt();
}

void TMutterIdleWatch::Fired(uint id) {
    if (id == 0) return;
    if (id == IdleId) {
        // A user-active watch fires once: one for each idle. Its id is back
        // before the bus's next message is read, its firing included.
        std::string error;
        if (!ActiveId) ActiveId = Add("AddUserActiveWatch", {}, error);
        if (OnIdle) OnIdle();
    } else if (id == ActiveId) {
        ActiveId = 0;
        if (OnResumed) OnResumed();
    }
}

}  // namespace ombrel
