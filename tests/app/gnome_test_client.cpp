// What the GNOME tests do to a headless GNOME Shell over its session bus:
//   screenshot FILE      the whole stage into FILE (a PNG)
//   overview on|off      opens or closes the Activities overview
//   input                a virtual keyboard and pointer for as long as it
//                        runs (a seat without one drops what comes before its
//                        clients have bound it): each line on standard input,
//                        "key CODE" (an evdev key pressed and released),
//                        "move DX DY" or "click" (the left button), is done,
//                        then answered with "done" on standard output
//   shield               stands in for GNOME's own screensaver: owns its name
//                        and answers GetActive; each line "true" or "false"
//                        on standard input sets it and sends ActiveChanged
//   idle                 prints the seat's idle time in ms
//   now                  prints the seconds on the clock the swap log uses
// Exit code 0 when the shell did it, 1 with its error otherwise.
#include <QCoreApplication>
#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QDBusVariant>
#include <QSocketNotifier>
#include <cstdio>
#include <ctime>
#include <unistd.h>

namespace {

int Failed(const QString& what) {
    std::fprintf(stderr, "gnome_test_client: %s\n", qPrintable(what));
    return 1;
}

int Call(QDBusInterface& to, const QString& method, const QList<QVariant>& args = {}) {
    const QDBusMessage reply = to.callWithArgumentList(QDBus::Block, method, args);
    return reply.type() == QDBusMessage::ErrorMessage ? Failed(method + ": " + reply.errorMessage()) : 0;
}

int Screenshot(const QString& file) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    // The shell answers only callers that own a name on its allow list.
    if (!bus.registerService("org.gnome.Screenshot")) return Failed("cannot own org.gnome.Screenshot");
    QDBusInterface shot("org.gnome.Shell.Screenshot", "/org/gnome/Shell/Screenshot", "org.gnome.Shell.Screenshot", bus);
    const QDBusMessage reply = shot.call("Screenshot", false, false, file);
    if (reply.type() == QDBusMessage::ErrorMessage) return Failed(reply.errorMessage());
    return reply.arguments().value(0).toBool() ? 0 : Failed("no screenshot");
}

int Overview(bool on) {
    QDBusInterface props("org.gnome.Shell", "/org/gnome/Shell", "org.freedesktop.DBus.Properties",
                         QDBusConnection::sessionBus());
    return Call(props, "Set", {"org.gnome.Shell", "OverviewActive", QVariant::fromValue(QDBusVariant(on))});
}

int Input(QCoreApplication& app) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    QDBusInterface desktop("org.gnome.Mutter.RemoteDesktop", "/org/gnome/Mutter/RemoteDesktop",
                           "org.gnome.Mutter.RemoteDesktop", bus);
    const QDBusReply<QDBusObjectPath> path = desktop.call("CreateSession");
    if (!path.isValid()) return Failed("CreateSession: " + path.error().message());
    QDBusInterface session("org.gnome.Mutter.RemoteDesktop", path.value().path(),
                           "org.gnome.Mutter.RemoteDesktop.Session", bus);
    if (const int code = Call(session, "Start")) return code;
    const auto act = [&session](const QStringList& w) -> int {
        if (w.value(0) == "key" && w.size() == 2) {
            const uint code = w[1].toUInt();
            return Call(session, "NotifyKeyboardKeycode", {code, true}) ||
                   Call(session, "NotifyKeyboardKeycode", {code, false});
        }
        if (w.value(0) == "move" && w.size() == 3)
            return Call(session, "NotifyPointerMotionRelative", {w[1].toDouble(), w[2].toDouble()});
        if (w.value(0) == "click" && w.size() == 1)
            return Call(session, "NotifyPointerButton", {272, true}) || Call(session, "NotifyPointerButton", {272, false});
        return Failed("unknown input: " + w.join(' '));
    };
    // The session's devices come with their first events: a shift and a
    // move of nothing make them, so no later input is lost on the way.
    if (const int code = act({"key", "42"}) || act({"move", "0", "0"})) return code;
    std::puts("ready");
    std::fflush(stdout);
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    int code = 0;
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char line[128];
        if (!std::fgets(line, sizeof line, stdin)) return app.quit();
        code = act(QString::fromUtf8(line).trimmed().split(' ', Qt::SkipEmptyParts));
        std::puts(code ? "failed" : "done");
        std::fflush(stdout);
        if (code) app.quit();
    });
    app.exec();
    Call(session, "Stop");
    return code;
}

// GNOME's screensaver as far as the program sees it.
class TShield : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.gnome.ScreenSaver")
public:
    explicit TShield(QObject* parent) : QDBusAbstractAdaptor(parent) {}
    bool Active = false;
public slots:
    bool GetActive() const { return Active; }
signals:
    void ActiveChanged(bool active);
};

int Shield(QCoreApplication& app) {
    QObject root;
    auto* shield = new TShield(&root);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerObject("/org/gnome/ScreenSaver", &root) || !bus.registerService("org.gnome.ScreenSaver"))
        return Failed("cannot own org.gnome.ScreenSaver");
    std::puts("ready");
    std::fflush(stdout);
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char line[64];
        if (!std::fgets(line, sizeof line, stdin)) return app.quit();
        shield->Active = QByteArray(line).trimmed() == "true";
        emit shield->ActiveChanged(shield->Active);
        std::puts(shield->Active ? "active" : "inactive");
        std::fflush(stdout);
    });
    return app.exec();
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList a = app.arguments().mid(1);
    const QString command = a.value(0);
    if (command == "screenshot" && a.size() == 2) return Screenshot(a[1]);
    if (command == "overview" && a.size() == 2) return Overview(a[1] == "on");
    if (command == "input" && a.size() == 1) return Input(app);
    if (command == "shield" && a.size() == 1) return Shield(app);
    if (command == "now" && a.size() == 1) {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        std::printf("%lld.%09ld\n", static_cast<long long>(now.tv_sec), now.tv_nsec);
        return 0;
    }
    if (command == "idle" && a.size() == 1) {
        QDBusInterface monitor("org.gnome.Mutter.IdleMonitor", "/org/gnome/Mutter/IdleMonitor/Core",
                               "org.gnome.Mutter.IdleMonitor", QDBusConnection::sessionBus());
        const QDBusReply<qulonglong> idle = monitor.call("GetIdletime");
        if (!idle.isValid()) return Failed(idle.error().message());
        std::printf("%llu\n", idle.value());
        return 0;
    }
    return Failed("usage: screenshot FILE | overview on|off | input | shield | idle | now");
}

#include "gnome_test_client.moc"
