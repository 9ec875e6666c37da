#include "desktop/bus_flag.h"

#include <QDBusArgument>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QFileInfo>
#include <cstdlib>
#include <optional>

namespace ombrel {

namespace {

const char* const Properties = "org.freedesktop.DBus.Properties";

// A boolean, also inside a variant; nothing for any other type.
std::optional<bool> Boolean(const QVariant& value) {
    if (value.metaType() == QMetaType::fromType<QDBusVariant>()) return Boolean(value.value<QDBusVariant>().variant());
    if (value.metaType() != QMetaType::fromType<bool>()) return std::nullopt;
    return value.toBool();
}

// Whether the bus may be there: its address is known, or its socket is
// where libdbus looks without one. Asking Qt for a bus that is not there
// would start its D-Bus thread for nothing, in a program that otherwise has
// no thread while it waits.
bool MayBeThere(QDBusConnection::BusType bus) {
    const bool session = bus == QDBusConnection::SessionBus;
    const char* address = std::getenv(session ? "DBUS_SESSION_BUS_ADDRESS" : "DBUS_SYSTEM_BUS_ADDRESS");
    if (address && *address) return true;
    if (!session) return QFileInfo::exists("/run/dbus/system_bus_socket") || QFileInfo::exists("/var/run/dbus/system_bus_socket");
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    return runtime && *runtime && QFileInfo::exists(QString(runtime) + "/bus");
}

}  // namespace

std::unique_ptr<TBusFlag> TBusFlag::OnBattery() {
    if (!MayBeThere(QDBusConnection::SystemBus)) return nullptr;
    return std::unique_ptr<TBusFlag>(new TBusFlag(
            QDBusConnection::systemBus(), {"org.freedesktop.UPower", "/org/freedesktop/UPower", "org.freedesktop.UPower", "OnBattery",
                        nullptr, nullptr}));
}

std::unique_ptr<TBusFlag> TBusFlag::Inhibited() {
    if (!MayBeThere(QDBusConnection::SessionBus)) return nullptr;
    return std::unique_ptr<TBusFlag>(new TBusFlag(
            QDBusConnection::sessionBus(), {"org.freedesktop.PowerManagement", "/org/freedesktop/PowerManagement/Inhibit",
                         "org.freedesktop.PowerManagement.Inhibit", nullptr, "HasInhibit", "HasInhibitChanged"}));
}

TBusFlag::TBusFlag(const QDBusConnection& bus, TSource source)
    : Bus(bus), Source(source), Owner(source.Service, bus, QDBusServiceWatcher::WatchForOwnerChange) {
    if (!Bus.isConnected()) return;
    if (Source.Property)
        Bus.connect(Source.Service, Source.Path, Properties, "PropertiesChanged", this, SLOT(Signalled(QDBusMessage)));
    else
        Bus.connect(Source.Service, Source.Path, Source.Interface, Source.Signal, this, SLOT(Signalled(QDBusMessage)));
    connect(&Owner, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString&, const QString& owner) {
                ++Asked;
                if (owner.isEmpty())
                    Set(false);
                else
                    Ask();
            });
    Ask();
}

void TBusFlag::Ask() {
    QDBusMessage ask = Source.Property
                               ? QDBusMessage::createMethodCall(Source.Service, Source.Path, Properties, "Get")
                               : QDBusMessage::createMethodCall(Source.Service, Source.Path, Source.Interface, Source.Method);
    if (Source.Property) ask.setArguments({QString(Source.Interface), QString(Source.Property)});
    // Where no such service runs, none is started for us.
    ask.setAutoStartService(false);
    const uint64_t question = ++Asked;
    auto* pending = new QDBusPendingCallWatcher(Bus.asyncCall(ask), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this, [this, question](QDBusPendingCallWatcher* call) {
        call->deleteLater();
        if (question != Asked) return;
        const QDBusMessage reply = call->reply();
        const QVariantList arguments = reply.arguments();
        if (reply.type() != QDBusMessage::ReplyMessage || arguments.isEmpty()) return Set(false);
        Set(Boolean(arguments.first()).value_or(false));
    });
}

void TBusFlag::Signalled(const QDBusMessage& message) {
    const QVariantList arguments = message.arguments();
    if (!Source.Property) {
        if (!arguments.isEmpty()) Set(Boolean(arguments.first()).value_or(false));
        return;
    }
    if (message.signature() != "sa{sv}as" || arguments[0].toString() != Source.Interface) return;
    const auto changed = qdbus_cast<QVariantMap>(arguments[1]);
    if (const auto value = changed.find(Source.Property); value != changed.end())
        return Set(Boolean(*value).value_or(false));
    if (qdbus_cast<QStringList>(arguments[2]).contains(Source.Property)) Ask();
}

void TFlag::Set(bool value) {
    if (value == Current) return;
    Current = value;
    emit Changed(value);
}

}  // namespace ombrel
