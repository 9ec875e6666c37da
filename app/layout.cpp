// The displays follow the monitors (or the host window's size) from one
// cycle to the next.
#include <malloc.h>

#include <algorithm>
#include <cstdio>
#include <new>

#include "app/control_form.h"
#include "app/error_report.h"
#include "engine/figures.h"

namespace ombrel {

namespace {

std::runtime_error NoMemoryFor(const TMonitor& m, int frames, TStyle style) {
    const int64_t megabytes = TFrameStore::FrameBytes(m.Width, m.Height, frames, style) >> 20;
    return std::runtime_error("not enough memory for the frames of a " + std::to_string(m.Width) + "x" +
                              std::to_string(m.Height) + " monitor (" + std::to_string(megabytes) + " MB)");
}

}  // namespace

void TForm1::LayoutChanged() {
    LayoutStale = true;
    // A resized host window shows the picture scaled to its new size until
    // the next cycle makes frames at it.
    if (Host->ScalesAtOnce())
        for (const TMonitor& m : Host->Monitors())
            for (auto& d : DisplayForms)
                if (d->Key == m.Key) d->SetBounds(m.Left, m.Top, m.Width, m.Height);
    if (Phase == TPhase::Starting && !Worker) StartFirstCycle();
    FollowWhileStill();
}

void TForm1::FollowWhileStill() {
    // Unseen, the clock waits for a display in sight, which may be a new one;
    // resting, a new display shows the picture the others hold.
    if (Phase != TPhase::Running || ClockRunning || !LayoutStale || Morph->Generating.load(std::memory_order_acquire)) return;
    Worker.reset();
    std::vector<TFrameStore*> anew = ApplyLayout(false);
    // Mid-cycle: the frames still to be shown, on the displays that have none.
    if (!anew.empty()) {
        try {
            Worker = StartDrawingAnew(*Morph, Figures(), std::move(anew),
                                      std::max(1, Morph->Timing.SelectFrame(Morph->FrameCounter)), ReportToGuiThread());
        } catch (const std::exception& e) {
            ReportError(e);
        }
    }
    VisibilityChanged();
}

std::unique_ptr<TForm2> TForm1::NewDisplay(const TMonitor& monitor) {
    std::unique_ptr<TForm2> display = Host->NewDisplay({*Morph, PopupMenu1, [this] { RequestClose(); }}, monitor);
    display->Surface->OnError = [](const std::exception& e) { ReportError(e); };
    // After the surface's own handler has returned: what follows may apply a
    // layout, which can destroy this very surface.
    display->Surface->OnExposeChange = [this] {
        QMetaObject::invokeMethod(this, &TForm1::VisibilityChanged, Qt::QueuedConnection);
    };
    display->SetBounds(monitor.Left, monitor.Top, monitor.Width, monitor.Height);
    display->Store.AllocateFrames(monitor.Width, monitor.Height, Morph->Timing.FrameCount, Options.Show.Style);
    return display;
}

std::vector<TFrameStore*> TForm1::ApplyLayout(bool startUp) {
    LayoutStale = false;
    std::vector<TFrameStore*> anew;
    std::vector<std::unique_ptr<TForm2>> old = std::move(DisplayForms);
    const TFrameStore* oldFirst = old.empty() ? nullptr : &old.front()->Store;
    DisplayForms.clear();
    Morph->Displays.clear();
    std::vector<TForm2*> added;
    std::vector<TDisplayRect> rects;
    bool released = false;
    for (const TMonitor& m : Host->Monitors()) {
        const TDisplayRect rect{m.Left, m.Top, m.Width, m.Height};
        // Refused before anything is allocated for it.
        std::vector<TDisplayRect> all = rects;
        all.push_back(rect);
        if (const std::string problem = FrameMemoryProblem(all, Morph->Timing.FrameCount, Options.Show.Style);
            !problem.empty()) {
            if (startUp) throw std::runtime_error(problem);
            ReportError(std::runtime_error(problem));
            continue;
        }
        // A monitor keeps its display; one of a test (no screen) takes the next one left.
        const auto same = std::find_if(old.begin(), old.end(), [&](const auto& d) { return d && d->Key == m.Key; });
        std::unique_ptr<TForm2> display;
        try {
            if (same != old.end()) {
                display = std::move(*same);
                display->SetBounds(m.Left, m.Top, m.Width, m.Height);
                if (display->Store.ScreenWidth != m.Width || display->Store.ScreenHeight != m.Height) {
                    released = true;
                    display->Store.ReleaseFrames();
                    display->Store.AllocateFrames(m.Width, m.Height, Morph->Timing.FrameCount, Options.Show.Style);
                    anew.push_back(&display->Store);
                }
            } else {
                display = NewDisplay(m);
                added.push_back(display.get());
                anew.push_back(&display->Store);
            }
        } catch (const std::bad_alloc&) {
            if (startUp) throw NoMemoryFor(m, Morph->Timing.FrameCount, Options.Show.Style);
            ReportError(NoMemoryFor(m, Morph->Timing.FrameCount, Options.Show.Style));
            continue;
        } catch (const std::exception& e) {
            // No OpenGL context for its window, its output gone meanwhile: the others go on without it.
            if (startUp) throw;
            ReportError(e);
            continue;
        }
        rects.push_back(rect);
        Morph->Displays.push_back(&display->Store);
        DisplayForms.push_back(std::move(display));
    }
    std::string note;
    const TMonitorMode mode = PlanMonitorMode(rects, Options.Show.Monitors, Options.Show.Density, note);
    // Said once for a layout, not at every cycle.
    if (!note.empty() && note != LayoutNote) std::fprintf(stderr, "ombrel: %s\n", note.c_str());
    LayoutNote = note;
    PlaceOnCanvas(Morph->Displays, rects, mode, Options.Show.Density);
    if (Options.Show.Monitors == TMonitorMode::Each) {
        FollowWithOwnFigures(OwnFigures, Morph->Displays, Seed);
    } else if (oldFirst && !Morph->Displays.empty() && Morph->Displays[0] != oldFirst) {
        // Display 0 holds the maps and colours of every frame for all displays.
        Morph->Displays[0]->CopyMorphOf(*oldFirst);
    }
    const std::vector<const TFrameStore*> colours = ColourSources(Figures());
    for (size_t i = 0; i < DisplayForms.size(); ++i) DisplayForms[i]->Colours = colours[i];
    // With every monitor gone, the figure goes too: the show starts afresh.
    if (Morph->Displays.empty()) Morph->FirstCycle = true;
    Morph->UpdateMaxPointBudget();
    PaceFrames();
    // Shown once registered: an expose delivered at once paints with the whole list.
    for (TForm2* d : added) d->Show();
    // The heap keeps the pages of freed blocks that lie between live ones,
    // and frames of another size seldom fit them again: what the old frames
    // and displays held goes back to the system now, not at the next change.
    released = released || std::any_of(old.begin(), old.end(), [](const auto& d) { return d != nullptr; });
    old.clear();
    if (released) malloc_trim(0);
    return anew;
}

}  // namespace ombrel
