// Ombrel: a full-screen fractal animation on every monitor, or a screensaver
// inside the window a screensaver daemon hands over, or the background of a
// Wayland compositor's outputs, or a screensaver above them.
#include <QApplication>
#include <QSocketNotifier>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "app/command_line.h"
#include "app/control_form.h"
#include "app/display_check.h"
#include "app/display_host.h"
#include "app/error_report.h"
#include "app/saver_daemon.h"
#include "app/saver_host.h"
#include "app/stop_signals.h"
#include "desktop/about_box.h"
#include "desktop/bus_flag.h"
#include "desktop/program_icon.h"
#include "engine/standard_descriptors.h"
#include "ombrel_version.h"

using namespace ombrel;

int main(int argc, char** argv) {
    OpenMissingStandardDescriptors();
    CatchStopSignals();
    std::string error;
    const auto options = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc), error);
    if (!options) {
        std::fprintf(stderr, "ombrel: %s\n", error.c_str());
        return 2;
    }
    if (options->Help) {
        std::fputs(Usage().c_str(), stdout);
        return 0;
    }
    if (options->Version) {
        std::printf("ombrel %s\n", OmbrelVersion);
        return 0;
    }
    const auto choice = ChooseHost(*options, std::getenv("XSCREENSAVER_WINDOW"), error);
    if (!choice) {
        std::fprintf(stderr, "ombrel: %s\n", error.c_str());
        return 2;
    }
    std::optional<TDisplayHost::TStartError> failed;
    std::unique_ptr<TDisplayHost> host = StartHost(*choice, options->Layer.value_or(0), failed);
    if (failed) {
        std::fprintf(stderr, "ombrel: %s\n", failed->Text.c_str());
        return failed->ExitCode;
    }
    if (const auto missing = CheckDisplay()) {
        std::fprintf(stderr, "ombrel: %s\n", missing->c_str());
        return 1;
    }

    // The options are ours alone: Qt would take --style for a widget style.
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    // The host (a connection served from Qt's loop) goes before the loop, whichever way main ends.
    const struct TReleaseHost {
        std::unique_ptr<TDisplayHost>& Host;
        ~TReleaseHost() { Host.reset(); }
    } releaseHost{host};
    QApplication::setApplicationName("Ombrel");
    QApplication::setApplicationDisplayName("Ombrel");
    QApplication::setWindowIcon(ProgramIcon());
    // The control form is never shown; closing it, not the last window, ends the program.
    QApplication::setQuitOnLastWindowClosed(false);

    if (!host->Interactive()) ReportErrorsAsText();
    if (const auto late = host->AfterQt()) {
        std::fprintf(stderr, "ombrel: %s\n", late->Text.c_str());
        return late->ExitCode;
    }

    // Without UPower, or without a system bus, the show runs as on mains.
    std::unique_ptr<TBusFlag> battery;
    if (choice->RestOnBattery) battery = TBusFlag::OnBattery();
    TRunOptions run{options->Seed, host.get(), host->Adjust(options->Show)};
    run.RestWhile = battery.get();
    std::unique_ptr<TForm1> form1;
    std::unique_ptr<TBusFlag> heldBack;
    std::unique_ptr<TSaverDaemon> daemon;
    // A stop signal ends the program at every moment, a box open included.
    std::unique_ptr<QSocketNotifier> stopSignals;
    if (StopSignalPipe() >= 0) {
        stopSignals = std::make_unique<QSocketNotifier>(StopSignalPipe(), QSocketNotifier::Read);
        QObject::connect(stopSignals.get(), &QSocketNotifier::activated, [&form1, &daemon] {
            if (!TakeStopSignals()) return;
            if (QWidget* box = QApplication::activeModalWidget()) box->close();
            if (form1) form1->Close();
            if (daemon) daemon->Stop();
        });
    }
    if (choice->IdleMilliseconds) {
        heldBack = TBusFlag::Inhibited();
        daemon = std::make_unique<TSaverDaemon>(dynamic_cast<TSaverHost&>(*host), run, *choice->IdleMilliseconds,
                                                heldBack.get());
        if (const auto failed = daemon->Start()) {
            std::fprintf(stderr, "ombrel: %s\n", failed->c_str());
            return 1;
        }
        QApplication::exec();
        return daemon->ExitCode();
    }
    try {
        form1 = std::make_unique<TForm1>(SystemMonitors, MakeQtNotificationArea, run);
    } catch (const std::exception& e) {
        // No memory for a frame store, no OpenGL context: nothing to show.
        ReportFatalError(e);
        return 1;
    }
    std::unique_ptr<TForm3> form3;
    if (host->Interactive()) {
        form3 = std::make_unique<TForm3>();
        form1->AboutBox = form3.get();
    }
    QApplication::exec();
    return form1->ExitCode();
}
