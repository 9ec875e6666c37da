#include "app/control_form.h"
#include "app/error_report.h"
#include "engine/cycle.h"

namespace ombrel {

void TForm1::Timer1Timer() {
    if (FrameCounter < CycleLastCounter) {
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

}  // namespace ombrel
