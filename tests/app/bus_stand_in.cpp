// Stand-ins for the desktop services that Ombrel and swayidle read, on the
// buses the tests start. One a process, named by the first argument:
//   upower    org.freedesktop.UPower on the system bus: OnBattery, false at
//             first; each line on standard input, "battery true|false",
//             "garbage" (OnBattery becomes a string), "gone" (the name is
//             let go) or "back" (taken again), is done and answered "done"
//   inhibit   org.freedesktop.PowerManagement on the session bus: HasInhibit,
//             false at first; "inhibit true|false" sets it and sends
//             HasInhibitChanged
//   logind    org.freedesktop.login1 on the system bus: takes Inhibit calls
//             (prints "inhibited WHAT MODE", then "released" when the caller
//             lets the lock go) and has no inhibitors of its own (its
//             BlockInhibited is empty); "sleep" sends PrepareForSleep(true)
// "ready" is printed once the name is owned. "now" prints the seconds on the
// clock the swap log stamps with.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QSocketNotifier>
#include <cstdio>
#include <ctime>
#include <functional>
#include <unistd.h>

namespace {

void Say(const char* line) {
    std::printf("%s\n", line);
    std::fflush(stdout);
}

struct TService {
    QString Name, Path, Interface;
    // Answers a method call; false for one it does not know.
    std::function<bool(const QDBusMessage&, QDBusConnection&)> Answer;
    // Does a line of standard input; false for one it does not know.
    std::function<bool(const QString&, QDBusConnection&)> Do;
};

class TObject : public QDBusVirtualObject {
public:
    explicit TObject(TService& service) : Service(service) {}
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        QDBusConnection bus = connection;
        return Service.Answer(message, bus);
    }

private:
    TService& Service;
};

bool Own(QDBusConnection& bus, const QString& name) {
    return bus.interface()->registerService(name, QDBusConnectionInterface::ReplaceExistingService,
                                            QDBusConnectionInterface::DontAllowReplacement)
                   .value() == QDBusConnectionInterface::ServiceRegistered;
}

TService UPower(QVariant& onBattery) {
    TService s{"org.freedesktop.UPower", "/org/freedesktop/UPower", "org.freedesktop.UPower", {}, {}};
    const auto changed = [s, &onBattery](QDBusConnection& bus) {
        QDBusMessage signal = QDBusMessage::createSignal(s.Path, "org.freedesktop.DBus.Properties", "PropertiesChanged");
        signal.setArguments({s.Interface, QVariantMap{{"OnBattery", onBattery}}, QStringList{}});
        bus.send(signal);
    };
    s.Answer = [s, &onBattery](const QDBusMessage& m, QDBusConnection& bus) {
        if (m.interface() != "org.freedesktop.DBus.Properties") return false;
        if (m.member() == "Get" && m.arguments().value(1).toString() == "OnBattery")
            return bus.send(m.createReply(QVariant::fromValue(QDBusVariant(onBattery))));
        if (m.member() == "GetAll") return bus.send(m.createReply(QVariantMap{{"OnBattery", onBattery}}));
        return false;
    };
    s.Do = [s, &onBattery, changed](const QString& line, QDBusConnection& bus) {
        if (line == "battery true" || line == "battery false") {
            onBattery = line.endsWith("true");
            changed(bus);
        } else if (line == "garbage") {
            onBattery = QString("yes");
            changed(bus);
        } else if (line == "gone") {
            return bus.interface()->unregisterService(s.Name).value();
        } else if (line == "back") {
            return Own(bus, s.Name);
        } else {
            return false;
        }
        return true;
    };
    return s;
}

TService Inhibit(bool& inhibited) {
    TService s{"org.freedesktop.PowerManagement", "/org/freedesktop/PowerManagement/Inhibit",
               "org.freedesktop.PowerManagement.Inhibit", {}, {}};
    s.Answer = [s, &inhibited](const QDBusMessage& m, QDBusConnection& bus) {
        if (m.interface() != s.Interface || m.member() != "HasInhibit") return false;
        return bus.send(m.createReply(inhibited));
    };
    s.Do = [s, &inhibited](const QString& line, QDBusConnection& bus) {
        if (line != "inhibit true" && line != "inhibit false") return false;
        inhibited = line.endsWith("true");
        QDBusMessage signal = QDBusMessage::createSignal(s.Path, s.Interface, "HasInhibitChanged");
        signal.setArguments({inhibited});
        return bus.send(signal);
    };
    return s;
}

TService Logind(QObject& owner) {
    TService s{"org.freedesktop.login1", "/org/freedesktop/login1", "org.freedesktop.login1.Manager", {}, {}};
    s.Answer = [s, &owner](const QDBusMessage& m, QDBusConnection& bus) {
        if (m.interface() == "org.freedesktop.DBus.Properties" && m.member() == "Get" &&
            m.arguments().value(1).toString() == "BlockInhibited")
            return bus.send(m.createReply(QVariant::fromValue(QDBusVariant(QString()))));
        if (m.interface() != s.Interface || m.member() != "Inhibit" || m.arguments().size() != 4) return false;
        int ends[2];
        if (pipe(ends) != 0) return false;
        std::printf("inhibited %s %s\n", qPrintable(m.arguments()[0].toString()), qPrintable(m.arguments()[3].toString()));
        std::fflush(stdout);
        // The caller holds the lock as long as it holds its end.
        auto* held = new QSocketNotifier(ends[0], QSocketNotifier::Read, &owner);
        QObject::connect(held, &QSocketNotifier::activated, held, [held, fd = ends[0]] {
            char byte;
            if (read(fd, &byte, 1) > 0) return;
            Say("released");
            held->setEnabled(false);
        });
        const bool sent = bus.send(m.createReply(QVariant::fromValue(QDBusUnixFileDescriptor(ends[1]))));
        close(ends[1]);
        return sent;
    };
    s.Do = [s](const QString& line, QDBusConnection& bus) {
        if (line != "sleep") return false;
        QDBusMessage signal = QDBusMessage::createSignal(s.Path, s.Interface, "PrepareForSleep");
        signal.setArguments({true});
        return bus.send(signal);
    };
    return s;
}

}  // namespace

int main(int argc, char** argv) {
    const QString role = argc > 1 ? argv[1] : "";
    if (role == "now") {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        std::printf("%lld.%09ld\n", static_cast<long long>(now.tv_sec), now.tv_nsec);
        return 0;
    }
    QCoreApplication app(argc, argv);
    QVariant onBattery = false;
    bool inhibited = false;
    TService service;
    if (role == "upower")
        service = UPower(onBattery);
    else if (role == "inhibit")
        service = Inhibit(inhibited);
    else if (role == "logind")
        service = Logind(app);
    else
        return std::fprintf(stderr, "bus_stand_in: upower, inhibit, logind or now\n"), 2;
    QDBusConnection bus = role == "inhibit" ? QDBusConnection::sessionBus() : QDBusConnection::systemBus();
    TObject object(service);
    if (!bus.isConnected() || !bus.registerVirtualObject(service.Path, &object) || !Own(bus, service.Name))
        return std::fprintf(stderr, "bus_stand_in: cannot serve %s\n", qPrintable(service.Name)), 1;
    Say("ready");
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char line[256];
        if (!std::fgets(line, sizeof line, stdin)) return QCoreApplication::quit();
        const QString command = QString(line).trimmed();
        if (!service.Do(command, bus)) std::fprintf(stderr, "bus_stand_in: cannot do '%s'\n", qPrintable(command));
        Say("done");
    });
    return QCoreApplication::exec();
}
