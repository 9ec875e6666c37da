// The displays follow the monitors (or the host window's size) from one
// cycle to the next.
#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <new>

#include "app/control_form.h"
#include "app/error_report.h"
#include "app/host_window.h"

namespace ombrel {

namespace {

std::runtime_error NoMemoryFor(const TMonitor& m) {
    const int64_t megabytes = (static_cast<int64_t>(m.Width + 31) / 32 * 4 * m.Height * FrameCount) >> 20;
    return std::runtime_error("not enough memory for the frames of a " + std::to_string(m.Width) + "x" +
                              std::to_string(m.Height) + " monitor (" + std::to_string(megabytes) + " MB)");
}

}  // namespace

void TForm1::WatchMonitors() {
    const auto watch = [this](QScreen* s) { connect(s, &QScreen::geometryChanged, this, &TForm1::LayoutChanged); };
    for (QScreen* s : QGuiApplication::screens()) watch(s);
    connect(qGuiApp, &QGuiApplication::screenAdded, this, [this, watch](QScreen* s) {
        watch(s);
        LayoutChanged();
    });
    connect(qGuiApp, &QGuiApplication::screenRemoved, this, &TForm1::LayoutChanged);
}

void TForm1::LayoutChanged() {
    LayoutStale = true;
    if (Phase == TPhase::Starting && !Worker) StartFirstCycle();
}

std::unique_ptr<TForm2> TForm1::NewDisplay(const TMonitor& monitor) {
    auto display = Options.Host
                       ? std::make_unique<TForm2>(*this, nullptr, nullptr, nullptr, Options.Host->Window())
                       : std::make_unique<TForm2>(*this, PopupMenu1, [this] { RequestClose(); }, monitor.Screen);
    display->GLSceneViewer1->OnError = [](const std::exception& e) { ReportError(e); };
    display->SetBounds(monitor.Left, monitor.Top, monitor.Width, monitor.Height);
    display->AllocateFrames(monitor.Width, monitor.Height);  // size, budget and 50 clear frames
    return display;
}

void TForm1::ApplyLayout(bool startUp) {
    LayoutStale = false;
    std::vector<std::unique_ptr<TForm2>> old = std::move(DisplayForms);
    const TForm2* oldFirst = old.empty() ? nullptr : old.front().get();
    DisplayForms.clear();
    Displays.clear();
    std::vector<TForm2*> added;
    for (const TMonitor& m : Monitors()) {
        // A monitor keeps its display; one of a test (no screen) takes the next one left.
        const auto same = std::find_if(old.begin(), old.end(), [&](const auto& d) { return d && d->Screen == m.Screen; });
        std::unique_ptr<TForm2> display;
        try {
            if (same != old.end()) {
                display = std::move(*same);
                display->SetBounds(m.Left, m.Top, m.Width, m.Height);
                if (display->ScreenWidth != m.Width || display->ScreenHeight != m.Height) {
                    display->ReleaseFrames();
                    display->AllocateFrames(m.Width, m.Height);
                }
            } else {
                display = NewDisplay(m);
                added.push_back(display.get());
            }
        } catch (const std::bad_alloc&) {
            if (startUp) throw NoMemoryFor(m);
            ReportError(NoMemoryFor(m));
            continue;
        }
        Displays.push_back(display.get());
        DisplayForms.push_back(std::move(display));
    }
    // Display 0 holds the maps and colours of every frame for all displays.
    if (oldFirst && !Displays.empty() && Displays[0] != oldFirst) Displays[0]->CopyMorphOf(*oldFirst);
    // With every monitor gone, the figure goes too: the show starts afresh.
    if (Displays.empty()) FirstCycle = true;
    UpdateMaxPointBudget();
    // Shown once registered: an expose delivered at once paints with the whole list.
    for (TForm2* d : added) d->Show();
}

}  // namespace ombrel
