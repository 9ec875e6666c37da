#include "desktop/bus_flag.h"

#include <QDBusArgument>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
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

}  // namespace

std::unique_ptr<TBusFlag> TBusFlag::OnBattery(const QDBusConnection& systemBus) {
    return std::unique_ptr<TBusFlag>(new TBusFlag(
            systemBus, {"org.freedesktop.UPower", "/org/freedesktop/UPower", "org.freedesktop.UPower", "OnBattery",
                        nullptr, nullptr}));
}

std::unique_ptr<TBusFlag> TBusFlag::Inhibited(const QDBusConnection& sessionBus) {
    return std::unique_ptr<TBusFlag>(new TBusFlag(
            sessionBus, {"org.freedesktop.PowerManagement", "/org/freedesktop/PowerManagement/Inhibit",
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
