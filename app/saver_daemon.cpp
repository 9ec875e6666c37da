#include "app/saver_daemon.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <stdexcept>

#include "app/error_report.h"
#include "desktop/bus_flag.h"

namespace ombrel {

TSaverDaemon::TSaverDaemon(TSaverHost& host, TRunOptions run, uint32_t idleMilliseconds, const TFlag* heldBack)
    : Host(host), Run(std::move(run)), IdleMilliseconds(idleMilliseconds), HeldBack(heldBack) {
    Run.Host = &Host;
    IdleAgain.setSingleShot(true);
    connect(&IdleAgain, &QTimer::timeout, this, &TSaverDaemon::Idle);
    if (HeldBack) connect(HeldBack, &TFlag::Changed, this, &TSaverDaemon::HoldChanged);
    Run.OnClosed = [this] { QMetaObject::invokeMethod(this, &TSaverDaemon::ShowClosed, Qt::QueuedConnection); };
}

TSaverDaemon::~TSaverDaemon() {
    // A show still up ends with its worker; its surfaces go before the connection.
    Show.reset();
}

std::optional<std::string> TSaverDaemon::Start() {
    Host.OnIdle = [this] { Idle(); };
    Host.OnResumed = [this] { Resumed(); };
    if (auto failed = Host.WatchIdle(IdleMilliseconds)) return failed;
    Wait();
    return std::nullopt;
}

void TSaverDaemon::Wait() {
    // Outputs that come and go meanwhile are taken as they are at the next show.
    Host.OnChanged = nullptr;
    Host.OnSightChanged = nullptr;
    Host.OnLost = [this](const std::string& reason) {
        if (reason.empty()) return;
        ReportFatalError(std::runtime_error(reason));
        End(1);
    };
}

void TSaverDaemon::Idle() {
    SeatIdle = true;
    // Idle again under a show that no input reached (a locker above it took it all).
    if (Show || Stopping || Host.Shielded() || (HeldBack && HeldBack->Value())) return;
    if (const auto failed = Host.BeginShow()) {
        ReportFatalError(std::runtime_error(*failed));
        return End(1);
    }
    try {
        Show = std::make_unique<TForm1>(SystemMonitors, MakeQtNotificationArea, Run);
    } catch (const std::exception& e) {
        ReportFatalError(e);
        Host.EndShow();
        End(1);
    }
}

void TSaverDaemon::Resumed() {
    SeatIdle = false;
    IdleAgain.stop();
    // The user is back, typing to a locker that came over the show: the show has no one to wait for.
    if (Show && Host.InputElsewhere()) Show->Close();
}

void TSaverDaemon::HoldChanged() {
    IdleAgain.stop();
    if (SeatIdle && !HeldBack->Value()) IdleAgain.start(static_cast<int>(IdleMilliseconds));
}

void TSaverDaemon::ShowClosed() {
    if (!Show) return;
    const int code = Show->ExitCode();
    Show.reset();
    Host.EndShow();
    // Ended by input, or by a locker: the next show waits for the host's next idle.
    SeatIdle = false;
    Wait();
    if (code != 0 || Stopping) End(code);
}

void TSaverDaemon::Stop() {
    Stopping = true;
    // Its close tells ShowClosed, which ends the program.
    if (Show) return Show->Close();
    End(0);
}

void TSaverDaemon::End(int code) {
    Code = code;
    QCoreApplication::exit(code);
}

}  // namespace ombrel
