#include <algorithm>

#include "app/control_form.h"
#include "app/error_report.h"
#include "desktop/bus_flag.h"

namespace ombrel {

void TForm1::Timer1Timer() {
    if (Morph->FrameCounter < Morph->Timing.CycleLastCounter()) {
        ++Morph->FrameCounter;
    } else if (!Morph->Generating.load(std::memory_order_acquire)) {
        Worker.reset();
        // Monitors that changed are given the next morph first.
        if (RestAsked() && !LayoutStale) {
            Resting = true;
            return StopClock();
        }
        // Monitors that came, went or changed size take part from this cycle on.
        std::vector<TFrameStore*> anew;
        if (LayoutStale) anew = ApplyLayout(false);
        // With no monitor left, the counter waits at the end of the cycle for one.
        if (!Morph->Displays.empty()) {
            Morph->FrameCounter = 0;
            try {
                StartWorker(std::move(anew));
            } catch (const std::exception& e) {
                // Generating is down again; the next end of a cycle tries anew.
                ReportError(e);
            }
        }
    }
    for (auto& d : DisplayForms) d->Repaint();
}

namespace {

std::chrono::steady_clock::duration TickOf(const TCycleTiming& timing) {
    return std::chrono::duration_cast<std::chrono::steady_clock::duration>(
        std::chrono::duration<double>(timing.TickSeconds()));
}

}  // namespace

void TForm1::StartClock() {
    ClockRunning = true;
    PaceFrames();
    const auto now = std::chrono::steady_clock::now();
    Schedule.Start(now, TickOf(Morph->Timing));
    Timer1.start(Schedule.Wait(now));
}

void TForm1::StopClock() {
    ClockRunning = false;
    // A worker waiting for the screens to pass frames goes on.
    PaceFrames();
    Timer1.stop();
}

void TForm1::PaceFrames() {
    // Figures of their own are drawn one after the other: the first would
    // wait for its screen while the next one's screen waited for it.
    const bool paced = ClockRunning && OwnFigures.empty();
    for (auto& d : DisplayForms) d->Store.Budget->SetPaced(paced);
}

void TForm1::ClockTick() {
    Schedule.Tick(std::chrono::steady_clock::now());
    Timer1Timer();
    if (!ClockRunning) return;
    Timer1.start(Schedule.Wait(std::chrono::steady_clock::now()));
}

void TForm1::VisibilityChanged() {
    if (Phase != TPhase::Running) return;
    // With no display at all the clock goes on: it waits for a monitor at the end of the cycle.
    const bool seen = Host->InSight() && (DisplayForms.empty() || std::any_of(DisplayForms.begin(), DisplayForms.end(),
                                                                          [](const auto& d) {
                                                                              return d->Surface->Exposed();
                                                                          }));
    if (seen == !Unseen) return;
    Unseen = !seen;
    if (!Unseen) {
        if (!Resting) StartClock();
        return;
    }
    StopClock();
    // Gone out of sight because its monitor went: the others may be waiting.
    FollowWhileStill();
}

bool TForm1::RestAsked() const { return Options.RestWhile && Options.RestWhile->Value(); }

void TForm1::RestChanged() {
    if (!Resting || RestAsked()) return;
    Resting = false;
    if (!Unseen) StartClock();
}

}  // namespace ombrel
