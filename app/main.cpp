// Ombrel: a full-screen fractal animation on every monitor, or a screensaver
// inside the window a screensaver daemon hands over.
#include <QApplication>
#include <QSocketNotifier>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "app/command_line.h"
#include "app/control_form.h"
#include "app/display_check.h"
#include "app/error_report.h"
#include "app/host_window.h"
#include "app/stop_signals.h"
#include "desktop/about_box.h"
#include "display/layer_shell.h"
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
    const auto host = ChooseHost(*options, std::getenv("XSCREENSAVER_WINDOW"), error);
    if (!host) {
        std::fprintf(stderr, "ombrel: %s\n", error.c_str());
        return 2;
    }
    const bool wallpaper = host->Kind == THostChoice::TKind::Wallpaper;
    const bool hosted = host->Kind == THostChoice::TKind::Window || host->Kind == THostChoice::TKind::RootWindow;
    // A daemon's window is an X11 window, also in a session that offers Wayland.
    if (hosted) qputenv("QT_QPA_PLATFORM", "xcb");
    // On the layer shell Qt keeps the clock and the signals; it shows nothing itself.
    if (wallpaper) qputenv("QT_QPA_PLATFORM", "offscreen");
    if (const auto missing = CheckDisplay()) {
        std::fprintf(stderr, "ombrel: %s\n", missing->c_str());
        return 1;
    }

    // Before Qt, which has its own words for a missing runtime folder: the
    // compositor's absence is said in one line.
    std::unique_ptr<TLayerShell> layerShell;
    if (wallpaper) {
        layerShell = TLayerShell::Connect(error);
        if (!layerShell) {
            std::fprintf(stderr, "ombrel: %s\n", error.c_str());
            return 1;
        }
    }

    QApplication app(argc, argv);
    // The connection goes before the loop that serves it, whichever way main ends.
    const struct TReleaseShell {
        std::unique_ptr<TLayerShell>& Shell;
        ~TReleaseShell() { Shell.reset(); }
    } releaseShell{layerShell};
    QApplication::setApplicationName("Ombrel");
    QApplication::setApplicationDisplayName("Ombrel");
    QApplication::setWindowIcon(ProgramIcon());
    // The control form is never shown; closing it, not the last window, ends the program.
    QApplication::setQuitOnLastWindowClosed(false);

    if (wallpaper) {
        ReportErrorsAsText();
        layerShell->Serve();
    }
    std::unique_ptr<THostWindow> hostWindow;
    if (hosted) {
        ReportErrorsAsText();
        const uint32_t id = host->Kind == THostChoice::TKind::Window ? host->Id : THostWindow::DefaultRootWindow();
        hostWindow = THostWindow::Open(id, error);
        if (!hostWindow) {
            std::fprintf(stderr, "ombrel: %s\n", error.c_str());
            return 2;
        }
    }

    // One host window has no monitors to share the show among.
    TShowOptions show = options->Show;
    if (hosted) show.Monitors = TMonitorMode::Same;
    std::unique_ptr<TForm1> form1;
    // A stop signal ends the program at every moment, a box open included.
    std::unique_ptr<QSocketNotifier> stopSignals;
    if (StopSignalPipe() >= 0) {
        stopSignals = std::make_unique<QSocketNotifier>(StopSignalPipe(), QSocketNotifier::Read);
        QObject::connect(stopSignals.get(), &QSocketNotifier::activated, [&form1] {
            if (!TakeStopSignals()) return;
            if (QWidget* box = QApplication::activeModalWidget()) box->close();
            if (form1) form1->Close();
        });
    }
    try {
        form1 = std::make_unique<TForm1>(
            SystemMonitors, MakeQtNotificationArea,
            TRunOptions{options->Seed, hostWindow.get(), show, layerShell.get(), options->Layer.value_or(0)});
    } catch (const std::exception& e) {
        // No memory for a frame store, no OpenGL context: nothing to show.
        ReportFatalError(e);
        return 1;
    }
    std::unique_ptr<TForm3> form3;
    if (!hosted && !wallpaper) {
        form3 = std::make_unique<TForm3>();
        form1->AboutBox = form3.get();
    }
    QApplication::exec();
    return form1->ExitCode();
}
