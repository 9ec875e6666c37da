#include <algorithm>

#include "app/control_form.h"
#include "app/error_report.h"
#include "app/host_window.h"

namespace ombrel {

void TForm1::Timer1Timer() {
    if (FrameCounter < Timing.CycleLastCounter()) {
        ++FrameCounter;
    } else if (!Generating.load(std::memory_order_acquire)) {
        Worker.reset();
        // Monitors that came, went or changed size take part from this cycle on.
        if (LayoutStale) ApplyLayout(false);
        // With no monitor left, the counter waits at the end of the cycle for one.
        if (!Displays.empty()) {
            FrameCounter = 0;
            try {
                StartWorker();
            } catch (const std::exception& e) {
                // Generating is down again; the next end of a cycle tries anew.
                ReportError(e);
            }
        }
    }
    for (auto& d : DisplayForms) d->Repaint();
}

namespace {

using TClock = std::chrono::steady_clock;

TClock::duration TickOf(const TCycleTiming& timing) {
    return std::chrono::duration_cast<TClock::duration>(std::chrono::duration<double>(timing.TickSeconds()));
}

// Qt's timers count whole milliseconds: wait until the due time has come.
std::chrono::milliseconds Until(TClock::time_point due) {
    return std::max(std::chrono::ceil<std::chrono::milliseconds>(due - TClock::now()), std::chrono::milliseconds(0));
}

}  // namespace

void TForm1::StartClock() {
    ClockRunning = true;
    NextTick = TClock::now() + TickOf(Timing);
    Timer1.start(Until(NextTick));
}

void TForm1::StopClock() {
    ClockRunning = false;
    Timer1.stop();
}

void TForm1::ClockTick() {
    Timer1Timer();
    if (!ClockRunning) return;
    // Late by more than a tick (a stall, a stopped process): go on from now, without catching up.
    NextTick += TickOf(Timing);
    if (NextTick <= TClock::now()) NextTick = TClock::now() + TickOf(Timing);
    Timer1.start(Until(NextTick));
}

void TForm1::VisibilityChanged() {
    if (Phase != TPhase::Running) return;
    // With no display at all the clock goes on: it waits for a monitor at the end of the cycle.
    const bool hostHidden = Options.Host && !Options.Host->Mapped();
    const bool seen = !hostHidden && (DisplayForms.empty() || std::any_of(DisplayForms.begin(), DisplayForms.end(),
                                                                          [](const auto& d) {
                                                                              return d->Surface->Exposed();
                                                                          }));
    if (seen == !Unseen) return;
    Unseen = !seen;
    if (!Unseen) {
        StartClock();
        return;
    }
    StopClock();
    // Gone out of sight because its monitor went: the others may be waiting.
    FollowWhileUnseen();
}

}  // namespace ombrel
