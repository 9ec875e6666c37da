#pragma once
#include <QAction>
#include <QFrame>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "app/display_host.h"
#include "app/monitors.h"
#include "desktop/tray_icon.h"
#include "display/display_form.h"
#include "engine/generator.h"
#include "engine/morph_state.h"
#include "engine/show_options.h"
#include "engine/tick_schedule.h"

namespace ombrel {

class TFlag;
class TForm3;

// How this run was asked for.
struct TRunOptions {
    // The figures of this seed instead of the clock's.
    std::optional<uint32_t> Seed;
    // Where the show is drawn, started (AfterQt); the monitors given to the form when none.
    TDisplayHost* Host = nullptr;
    // Hold, morph, frame rate, density and how the monitors share the show.
    TShowOptions Show;
    // What the form's close leads to, from inside it: the program's end when not set.
    std::function<void()> OnClosed = nullptr;
    // While this flag is up (on battery), the show rests at the end of each
    // morph: its picture stays, with no clock, no worker and no repaint.
    const TFlag* RestWhile = nullptr;
    // Makes the morph state that the form drives: a plain one when not set.
    std::function<std::unique_ptr<TMorphState>()> NewMorphState = nullptr;
};

// The hidden control form: home of the application-wide state (the morph
// state that it and the worker share), the displays, the clock, the menu
// and the commands. It is never shown.
class TForm1 : public QWidget {
    Q_OBJECT
public:
    // Builds the running system on the options' host, or on `monitors`
    // covered by windows of ours (FormCreate runs inside).
    explicit TForm1(TMonitorList monitors = SystemMonitors,
                    const TTrayIcon::TAreaFactory& notificationArea = MakeQtNotificationArea,
                    TRunOptions options = {});
    ~TForm1() override;

    // The state of the show: displays, counter, requests, figure. Outlives
    // the displays and the worker, which refer to it.
    std::unique_ptr<TMorphState> Morph;

    // Components.
    QTimer Timer1;
    TTrayIcon* TrayIcon1;
    QMenu* PopupMenu1;
    QAction* AboutOmbrel1;
    QAction* N1;
    QAction* Showfernfractal1;
    QAction* ShowSierpinskifractal1;
    QAction* ShowKochFractal1;
    QAction* N2;
    QAction* Exit1;
    QFrame* Panel1;
    // The miniature's inner panels, one per monitor: Panel2 to Panel7 as designed, more when needed.
    std::vector<QFrame*> MonitorPanels;
    QPushButton* Button1;

    // The owning list behind Displays.
    std::vector<std::unique_ptr<TForm2>> DisplayForms;
    std::unique_ptr<TGenerator> Worker;
    // Opened by "About Ombrel"; created by the program entry after this form.
    TForm3* AboutBox = nullptr;

    // Closing the control form ends the program, at any moment: a
    // generation under way is cancelled. Absorbed once shutdown has begun.
    void Close();
    // Close from inside a handler of a window that the close destroys.
    void RequestClose();
    // The first cycle is done and the clock runs.
    bool Started() const { return Phase == TPhase::Running; }
    bool Closed() const { return Phase == TPhase::Ended; }
    // The program's exit code: 1 when start-up failed.
    int ExitCode() const { return Failed ? 1 : 0; }

    // Builds the displays and starts the first cycle; the clock starts when
    // the cycle's end is reported (GenerationDone).
    void FormCreate();
    void FormClose();
    void Timer1Timer();
    void FormKeyPress(QChar Key);
    void FormDblClick();
    void AboutOmbrel1Click();
    void Showfernfractal1Click();
    void ShowSierpinskifractal1Click();
    void ShowKochFractal1Click();
    void Exit1Click();
    void Button1Click();
    // The monitors (or the host window's size) changed: the displays follow
    // at the start of the next cycle, or at once while none has started.
    void LayoutChanged();

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    void CreateComponents(const TTrayIcon::TAreaFactory& notificationArea);
    void AttachHost();
    // Makes the displays match the monitors: a display for each new one,
    // frames anew for one whose size changed, none for one that went. Only
    // while no worker runs. At start-up a display that cannot be made is
    // fatal; later it is reported and left out. Returns the displays whose
    // frames are new: empty until a worker draws them.
    std::vector<TFrameStore*> ApplyLayout(bool startUp);
    std::unique_ptr<TForm2> NewDisplay(const TMonitor& monitor);
    // While the clock stands (nothing in sight, or resting), no cycle's end
    // applies a layout change: it is applied as soon as no worker runs.
    void FollowWhileStill();
    void StartFirstCycle();
    // Says why the program cannot go on and ends it with exit code 1.
    void Fail(const std::exception& e);
    // Starts a worker that reports its end back to the GUI thread, drawing
    // first the start picture of `anew`. Throws when no thread could be
    // started (Generating is lowered again).
    void StartWorker(std::vector<TFrameStore*> anew = {});
    // A worker's end, told on its thread, handled on the GUI thread (GenerationDone).
    TGenerationDone ReportToGuiThread();
    // The figures a cycle draws: this form's own, or one a display.
    std::vector<TMorphState*> Figures();
    // Ticks at the timing's rate, each at its due time; one that falls due
    // while the last is handled is not delivered twice.
    void StartClock();
    void StopClock();
    // Whether the worker keeps the displays' glow frames within their room:
    // while the clock runs and the screens let go of the frames they pass.
    void PaceFrames();
    void ClockTick();
    // With no display in sight the clock stops: nothing is drawn and no
    // cycle starts until one is in sight again.
    void VisibilityChanged();
    // Whether the show is to rest at the end of its morph.
    bool RestAsked() const;
    // The flag to rest went down: the show goes on from its picture.
    void RestChanged();
    // On the GUI thread once a worker has ended.
    void GenerationDone(std::exception_ptr error);

    enum class TPhase { Starting, Running, Closing, Ended };
    TPhase Phase = TPhase::Starting;
    bool Failed = false;
    bool LayoutStale = false;
    // What the layout's plan said last (a span shown as same), so that it is said once.
    std::string LayoutNote;
    bool ClockRunning = false;
    bool Unseen = false;
    // The clock stopped at the end of a morph for RestWhile.
    bool Resting = false;
    TTickSchedule Schedule;
    uint32_t Seed = 0;
    // --monitors each: a figure of its own for each display, in display order.
    std::vector<std::unique_ptr<TMorphState>> OwnFigures;
    TRunOptions Options;
    // The host of the desktop's monitors, when the options name none.
    std::unique_ptr<TDisplayHost> OwnHost;
    TDisplayHost* Host;
};

}  // namespace ombrel
