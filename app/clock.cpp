#include "app/control_form.h"
#include "app/error_report.h"
#include "engine/cycle.h"

namespace ombrel {

void TForm1::Timer1Timer() {
    if (FrameCounter < CycleLastCounter) {
        ++FrameCounter;
    } else if (!Generating.load(std::memory_order_acquire)) {
        FrameCounter = 0;
        Worker.reset();
        try {
            StartWorker();
        } catch (const std::exception& e) {
            // Generating is down again; the next end of a cycle tries anew.
            ReportError(e);
        }
    }
    for (auto& d : DisplayForms) d->Repaint();
}

}  // namespace ombrel
