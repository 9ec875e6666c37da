#include "app/control_form.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <chrono>
#include <thread>

#include "engine/cycle.h"

#include "app/error_report.h"
#include "app/screens_host.h"
#include "desktop/bus_flag.h"
#include "desktop/about_box.h"
#include "display/gl_errors.h"
#include "tests/app/fake_notification_area.h"
#include "tests/qt_test_support.h"

using namespace ombrel;
using ombrel::testing::FakeAreaFactory;
using ombrel::testing::TFakeArea;
using ombrel::testing::WaitFor;

namespace {

TMonitorList Fake(std::vector<TMonitor> monitors) {
    return [monitors] { return monitors; };
}

class ControlForm : public ombrel::testing::XServerTest {
protected:
    std::shared_ptr<TFakeArea::TLog> Tray = std::make_shared<TFakeArea::TLog>();

    // A control form whose first cycle is done.
    std::unique_ptr<TForm1> Start(std::vector<TMonitor> monitors, TRunOptions options = {}) {
        auto form = std::make_unique<TForm1>(Fake(std::move(monitors)), FakeAreaFactory(Tray), options);
        EXPECT_TRUE(WaitFor([&] { return form->Started(); }, 60000));
        return form;
    }
};

// Closes every message box as soon as it is open, counting them, and keeps the last one's text.
struct TBoxCloser {
    int Boxes = 0;
    QString Text;
    QTimer Timer;
    TBoxCloser() {
        Timer.setInterval(20);
        QObject::connect(&Timer, &QTimer::timeout, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                ++Boxes;
                Text = box->text();
                box->close();
            }
        });
        Timer.start();
    }
};

// Runs `action` as soon as a modal box is open and returns the box's caption and text.
void WhenModal(const std::function<void(QWidget*)>& action) {
    QTimer::singleShot(0, [action] {
        QWidget* box = nullptr;
        WaitFor([&] { return (box = QApplication::activeModalWidget()) != nullptr; });
        action(box);
    });
}

}  // namespace

TEST_F(ControlForm, StartUpCoversEveryMonitorAndFinishesTheFirstCycle) {
    auto form = Start({{0, 0, 1920, 1080}, {1920, 0, 1280, 1024}, {-1280, -200, 1366, 768}});
    ASSERT_EQ(form->Morph->Displays.size(), 3u);
    const int budgets[] = {324000, 204800, 163920};
    const QRect places[] = {{0, 0, 1920, 1080}, {1920, 0, 1280, 1024}, {-1280, -200, 1366, 768}};
    for (size_t i = 0; i < 3; ++i) {
        TForm2& d = *form->DisplayForms[i];
        EXPECT_EQ(form->Morph->Displays[i], &d.Store);
        EXPECT_EQ(d.Store.PointBudget, budgets[i]);
        EXPECT_EQ(QRect(0, 0, d.Store.ScreenWidth, d.Store.ScreenHeight).size(), places[i].size());
        EXPECT_EQ(d.GLSceneViewer1->geometry(), places[i]);
        EXPECT_TRUE(d.GLSceneViewer1->isVisible());
    }
    EXPECT_EQ(form->Morph->MaxPointBudget, 324000);
    EXPECT_FALSE(form->Morph->FirstCycle);
    EXPECT_FALSE(form->Morph->Generating);
    EXPECT_EQ(form->Morph->FrameCounter, 40);
    EXPECT_TRUE(form->Timer1.isActive());
    EXPECT_EQ(form->Morph->Timing.TickSeconds(), 0.04);
    // The first cycle is done: its target is drawn on every display.
    for (auto& d : form->DisplayForms) {
        bool any = false;
        for (int y = 0; y < d->Store.ScreenHeight && !any; ++y)
            for (int x = 0; x < d->Store.ScreenWidth && !any; ++x) any = d->Store.mb_getpixel(50, x, y);
        EXPECT_TRUE(any);
    }
    EXPECT_FALSE(form->isVisible());
    EXPECT_FALSE(form->TrayIcon1->Active());
    EXPECT_TRUE(Tray->Calls.empty());

    auto reversed = Start({{0, 0, 1280, 1024}, {1280, 0, 1920, 1080}});
    EXPECT_EQ(reversed->Morph->MaxPointBudget, 324000);
}

TEST_F(ControlForm, ClockHoldsMorphsAndStartsOneWorkerPerCycle) {
    auto form = Start({{0, 0, 320, 200}});
    form->Timer1.stop();
    form->Timer1Timer();
    EXPECT_EQ(form->Morph->FrameCounter, 41);

    form->Morph->FrameCounter = 98;
    TGenerator* before = form->Worker.get();
    form->Timer1Timer();
    EXPECT_EQ(form->Morph->FrameCounter, 99);
    EXPECT_EQ(form->Worker.get(), before);

    // Still generating at the end of a cycle: hold frame 50.
    form->Morph->Generating = true;
    for (int i = 0; i < 3; ++i) form->Timer1Timer();
    EXPECT_EQ(form->Morph->FrameCounter, 99);
    EXPECT_EQ(form->Worker.get(), before);
    form->Morph->Generating = false;

    form->Timer1Timer();
    EXPECT_EQ(form->Morph->FrameCounter, 0);
    EXPECT_NE(form->Worker.get(), nullptr);
    TGenerator* started = form->Worker.get();

    // A fast cycle is exactly 100 ticks from reset to reset, with no other worker started.
    int ticks = 0;
    do {
        if (form->Morph->FrameCounter == 99) WaitFor([&] { return !form->Morph->Generating.load(); });
        if (form->Morph->FrameCounter != 99) {
            EXPECT_EQ(form->Worker.get(), started);
        }
        form->Timer1Timer();
        ++ticks;
    } while (form->Morph->FrameCounter != 0 && ticks < 1000);
    EXPECT_EQ(ticks, 100);
}

TEST_F(ControlForm, CloseTearsEverythingDownOnce) {
    auto form = Start({{0, 0, 320, 200}, {320, 0, 200, 100}});
    form->TrayIcon1->SetActive(true);
    Tray->Calls.clear();
    form->Morph->FrameCounter = 99;
    form->Timer1.stop();
    form->Timer1Timer();  // a generation is under way as the close comes
    form->RequestClose();
    form->RequestClose();
    form->FormDblClick();
    ASSERT_TRUE(WaitFor([&] { return form->Closed(); }));
    QCoreApplication::processEvents();
    EXPECT_FALSE(form->Timer1.isActive());
    EXPECT_FALSE(form->Morph->Generating);
    EXPECT_EQ(form->Worker, nullptr);
    EXPECT_TRUE(form->Morph->Displays.empty());
    EXPECT_TRUE(form->DisplayForms.empty());
    EXPECT_FALSE(form->TrayIcon1->Active());
    EXPECT_EQ(Tray->Calls, std::vector<std::string>({"delete"}));
    const int counter = form->Morph->FrameCounter;
    form->Close();
    EXPECT_EQ(form->Morph->FrameCounter, counter);
}

TEST_F(ControlForm, CloseDuringStartUpEndsAtOnce) {
    bool asked = false;
    auto monitors = [&] {
        // A double-click on a display while the first generation runs.
        QTimer::singleShot(0, [&] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* f = qobject_cast<TForm1*>(w)) {
                    f->FormDblClick();
                    asked = true;
                }
        });
        return std::vector<TMonitor>{{0, 0, 1920, 1080}};
    };
    TForm1 form(monitors, FakeAreaFactory(Tray));
    ASSERT_TRUE(WaitFor([&] { return form.Closed(); }));
    EXPECT_TRUE(asked);
    EXPECT_FALSE(form.Started());
    EXPECT_TRUE(form.Morph->Displays.empty());
    EXPECT_FALSE(form.Worker);
    EXPECT_FALSE(form.Morph->Generating);
}

TEST_F(ControlForm, DisplaysFollowTheMonitorsFromTheNextCycleOn) {
    std::vector<TMonitor> monitors = {{0, 0, 320, 200}, {320, 0, 200, 100}};
    TForm1 form([&monitors] { return monitors; }, FakeAreaFactory(Tray));
    ASSERT_TRUE(WaitFor([&] { return form.Started(); }));
    form.Timer1.stop();
    TForm2* first = form.Morph->Displays.empty() ? nullptr : form.DisplayForms[0].get();
    const auto endCycle = [&] {
        WaitFor([&] { return !form.Morph->Generating.load(); });
        form.Morph->FrameCounter = DesignedTiming.CycleLastCounter();
        form.Timer1Timer();
    };

    // One resized, one added: nothing changes before the cycle ends.
    monitors = {{0, 0, 320, 200}, {320, 0, 240, 100}, {560, 0, 160, 100}};
    form.LayoutChanged();
    EXPECT_EQ(form.Morph->Displays.size(), 2u);
    endCycle();
    ASSERT_EQ(form.Morph->Displays.size(), 3u);
    EXPECT_EQ(form.Morph->Displays[0], &first->Store);
    EXPECT_EQ(form.Morph->Displays[1]->ScreenWidth, 240);
    EXPECT_EQ(form.DisplayForms[2]->GLSceneViewer1->geometry(), QRect(560, 0, 160, 100));
    EXPECT_TRUE(form.DisplayForms[2]->GLSceneViewer1->isVisible());
    EXPECT_EQ(form.Morph->MaxPointBudget, 10000);
    EXPECT_EQ(form.Morph->FrameCounter, 0);
    ASSERT_TRUE(WaitFor([&] { return !form.Morph->Generating.load(); }));
    // The resized and the added one hold from the start what the cycle starts from, as the first one does.
    for (TFrameStore* d : form.Morph->Displays)
        for (int k : {1, 50}) {
            int points = 0;
            d->Dots(k).FrameBits.ForEachSet([&](int, int) { ++points; });
            EXPECT_GT(points, 0) << d->ScreenWidth << "x" << d->ScreenHeight << " frame " << k;
        }

    // Every monitor gone: no display, no cycle, the counter waits for one.
    monitors.clear();
    form.LayoutChanged();
    endCycle();
    EXPECT_TRUE(form.Morph->Displays.empty());
    EXPECT_FALSE(form.Morph->Generating);
    form.Timer1Timer();
    EXPECT_EQ(form.Morph->FrameCounter, DesignedTiming.CycleLastCounter());

    // One back: the show starts afresh on it.
    monitors = {{0, 0, 200, 120}};
    form.LayoutChanged();
    form.Timer1Timer();
    ASSERT_EQ(form.Morph->Displays.size(), 1u);
    EXPECT_EQ(form.Morph->FrameCounter, 0);
    ASSERT_TRUE(WaitFor([&] { return !form.Morph->Generating.load(); }));
    EXPECT_FALSE(form.Morph->FirstCycle);
    EXPECT_EQ(form.Morph->Displays[0]->Frames[1].Brightness, 255);  // the empty white start
}

TEST_F(ControlForm, HoldMorphAndFrameRateMakeTheCycle) {
    TShowOptions show;
    show.Hold = 0.2;
    show.Morph = 0.6;
    show.Fps = 10;
    auto form = Start({{0, 0, 160, 100}}, TRunOptions{1, nullptr, show});
    form->Timer1.stop();
    EXPECT_EQ(form->Morph->Displays[0]->Frames.Count(), 6);
    EXPECT_EQ(form->Morph->FrameCounter, 0);  // a hold of three ticks is too short to shorten
    int ticks = 0, resets = 0;
    std::vector<int32_t> counters;
    while (resets < 2 && ticks < 100) {
        WaitFor([&] { return !form->Morph->Generating.load(); });
        form->Timer1Timer();
        ++ticks;
        counters.push_back(form->Morph->FrameCounter);
        if (form->Morph->FrameCounter == 0) ++resets;
    }
    // Three ticks of hold (0..2), then frames 2..6: 8 ticks a cycle.
    EXPECT_EQ(counters, std::vector<int32_t>({1, 2, 3, 4, 5, 6, 7, 0, 1, 2, 3, 4, 5, 6, 7, 0}));
    EXPECT_EQ(form->Morph->Timing.TickSeconds(), 0.1);
}

TEST_F(ControlForm, NothingInSightNothingDrawnNoCycleStarted) {
    auto form = Start({{0, 0, 160, 100}, {160, 0, 120, 90}});
    ASSERT_TRUE(WaitFor([&] { return form->DisplayForms[1]->GLSceneViewer1->isExposed(); }));
    for (auto& d : form->DisplayForms) d->Hide();
    ASSERT_TRUE(WaitFor([&] { return !form->Timer1.isActive(); }));
    const int32_t counter = form->Morph->FrameCounter;
    const int64_t cycles = form->Morph->CyclesStarted;
    WaitFor([] { return false; }, 300);
    EXPECT_EQ(form->Morph->FrameCounter, counter);
    EXPECT_EQ(form->Morph->CyclesStarted, cycles);
    // One in sight again: it goes on from where it stood.
    form->DisplayForms[1]->Show();
    ASSERT_TRUE(WaitFor([&] { return form->Timer1.isActive() && form->Morph->FrameCounter != counter; }));
    EXPECT_TRUE(form->DisplayForms[1]->GLSceneViewer1->ScreenCurrent());
}

struct TSettableFlag : TFlag {
    using TFlag::Set;
};

TEST_F(ControlForm, RestingTheMorphUnderWayEndsThenThePictureStaysWithNoClockNoWorkerUntilTheFlagDrops) {
    std::vector<TMonitor> monitors = {{0, 0, 160, 100}};
    TSettableFlag battery;
    TRunOptions options;
    options.RestWhile = &battery;
    TForm1 form([&monitors] { return monitors; }, FakeAreaFactory(Tray), options);
    ASSERT_TRUE(WaitFor([&] { return form.Started(); }, 60000));
    ASSERT_TRUE(WaitFor([&] { return form.DisplayForms[0]->GLSceneViewer1->isExposed(); }));
    const int64_t cycles = form.Morph->CyclesStarted;
    battery.Set(true);
    ASSERT_TRUE(WaitFor([&] { return !form.Timer1.isActive(); }, 30000));
    // At the end of the first morph: its last frame, with nothing left to run.
    EXPECT_EQ(form.Morph->FrameCounter, form.Morph->Timing.CycleLastCounter());
    EXPECT_EQ(form.Morph->CyclesStarted, cycles);
    EXPECT_FALSE(form.Worker);

    // Coming into sight again does not wake it.
    form.DisplayForms[0]->Hide();
    ASSERT_TRUE(WaitFor([&] { return !form.DisplayForms[0]->GLSceneViewer1->isExposed(); }));
    form.DisplayForms[0]->Show();
    ASSERT_TRUE(WaitFor([&] { return form.DisplayForms[0]->GLSceneViewer1->isExposed(); }));
    WaitFor([] { return false; }, 200);
    EXPECT_FALSE(form.Timer1.isActive());

    // A monitor that comes meanwhile shows the same picture at once, and the rest goes on.
    monitors.push_back({160, 0, 120, 90});
    form.LayoutChanged();
    ASSERT_EQ(form.Morph->Displays.size(), 2u);
    ASSERT_TRUE(WaitFor([&] { return !form.Morph->Generating.load(); }));
    int points = 0;
    form.Morph->Displays[1]->Dots(DesignedFrameCount).FrameBits.ForEachSet([&](int, int) { ++points; });
    EXPECT_GT(points, 0);
    EXPECT_FALSE(form.Timer1.isActive());
    EXPECT_EQ(form.Morph->CyclesStarted, cycles);

    // Mains: the next morph, from where it stood.
    battery.Set(false);
    EXPECT_TRUE(form.Timer1.isActive());
    EXPECT_TRUE(WaitFor([&] { return form.Morph->CyclesStarted > cycles; }, 30000));
}

TEST_F(ControlForm, AMonitorResizedWhileNothingIsInSightHasItsFramesDrawnAtOnce) {
    std::vector<TMonitor> monitors = {{0, 0, 160, 100}, {160, 0, 120, 90}};
    TForm1 form([&monitors] { return monitors; }, FakeAreaFactory(Tray));
    ASSERT_TRUE(WaitFor([&] { return form.Started() && !form.Morph->Generating.load(); }));
    for (auto& d : form.DisplayForms) d->Hide();
    ASSERT_TRUE(WaitFor([&] { return !form.Timer1.isActive(); }));
    const int64_t cycles = form.Morph->CyclesStarted;
    const int shown = std::max(1, form.Morph->Timing.SelectFrame(form.Morph->FrameCounter));
    // Its picture to come, from the frame it stood at: not black until the next cycle.
    monitors[1].Width = 150;
    form.LayoutChanged();
    ASSERT_EQ(form.Morph->Displays[1]->ScreenWidth, 150);
    ASSERT_TRUE(WaitFor([&] { return !form.Morph->Generating.load(); }));
    EXPECT_EQ(form.Morph->CyclesStarted, cycles);
    EXPECT_FALSE(form.Morph->Displays[1]->DrawingAnew);
    for (int k = std::max(2, shown); k <= DesignedFrameCount; ++k) {
        int points = 0;
        form.Morph->Displays[1]->Dots(k).FrameBits.ForEachSet([&](int, int) { ++points; });
        ASSERT_GT(points, 0) << "frame " << k;
    }
    form.DisplayForms[1]->Show();
    EXPECT_TRUE(WaitFor([&] { return form.Timer1.isActive(); }));
}

TEST_F(ControlForm, ALayoutThatASurfacesOwnHandlerBringsWaitsUntilTheHandlerHasReturned) {
    std::vector<TMonitor> monitors = {{0, 0, 160, 100}, {160, 0, 120, 90}};
    TForm1 form([&monitors] { return monitors; }, FakeAreaFactory(Tray));
    ASSERT_TRUE(WaitFor([&] { return form.Started() && !form.Morph->Generating.load(); }));
    form.DisplayForms[0]->Hide();
    ASSERT_TRUE(WaitFor([&] { return !form.DisplayForms[0]->GLSceneViewer1->isExposed(); }));
    // The second monitor goes; hiding its display takes the last one out of
    // sight, and the layout follows: not inside that display's own handler.
    monitors.pop_back();
    form.LayoutChanged();
    struct TSeen {
        bool Called = false, GoneInside = false;
    } seen;
    TForm2* second = form.DisplayForms[1].get();
    second->Surface->OnExposeChange = [&form, second, &seen, handler = second->Surface->OnExposeChange] {
        // Copies: this closure goes with the surface if the surface goes.
        TSeen* out = &seen;
        TForm1* owner = &form;
        const TForm2* self = second;
        const auto run = handler;
        run();
        out->Called = true;
        out->GoneInside = std::none_of(owner->DisplayForms.begin(), owner->DisplayForms.end(),
                                       [self](const auto& d) { return d.get() == self; });
    };
    second->Hide();
    ASSERT_TRUE(WaitFor([&] { return seen.Called; }));
    EXPECT_FALSE(seen.GoneInside);
    EXPECT_TRUE(WaitFor([&] { return form.DisplayForms.size() == 1; }));
}

// A host with windows of ours that can hide everything at once and end.
class TFakeHost : public TScreensHost {
public:
    using TScreensHost::TScreensHost;
    bool InSight() const override { return Seen; }
    bool ScalesAtOnce() const override { return true; }
    bool Seen = true;
};

TEST_F(ControlForm, TheHostTellsWhatIsInSightWhatChangedAndWhenItEnds) {
    ReportErrorsAsText();
    std::vector<TMonitor> monitors = {{0, 0, 160, 100}};
    TFakeHost host([&monitors] { return monitors; });
    host.AfterQt();
    auto form = Start({}, TRunOptions{1, &host, {}});
    host.Seen = false;
    host.OnSightChanged();
    ASSERT_TRUE(WaitFor([&] { return !form->Timer1.isActive(); }));
    host.Seen = true;
    host.OnSightChanged();
    ASSERT_TRUE(WaitFor([&] { return form->Timer1.isActive(); }));
    // The window takes its new size at once, the frames at the next cycle.
    monitors[0].Width = 200;
    host.OnChanged();
    EXPECT_EQ(form->DisplayForms[0]->GLSceneViewer1->geometry(), QRect(0, 0, 200, 100));
    EXPECT_EQ(form->DisplayForms[0]->Store.ScreenWidth, 160);
    ASSERT_TRUE(WaitFor([&] { return form->DisplayForms[0]->Store.ScreenWidth == 200; }, 30000));
    // Ended as its way of ending the show: exit code 0.
    host.OnLost("");
    ASSERT_TRUE(WaitFor([&] { return form->Closed(); }));
    EXPECT_EQ(form->ExitCode(), 0);

    // Lost, with the reason: exit code 1.
    TFakeHost lost(Fake({{0, 0, 160, 100}}));
    lost.AfterQt();
    auto failed = Start({}, TRunOptions{1, &lost, {}});
    lost.OnLost("the compositor went away");
    EXPECT_TRUE(failed->Closed());
    EXPECT_EQ(failed->ExitCode(), 1);
}

// A host whose new displays cannot be made, as when a monitor's OpenGL context fails.
class TRefusingHost : public TFakeHost {
public:
    using TFakeHost::TFakeHost;
    std::unique_ptr<TForm2> NewDisplay(const TDisplayParts& parts, const TMonitor& monitor) override {
        if (monitor.Left >= Refuse) throw Exception("Failed to create RenderingContext.");
        return TFakeHost::NewDisplay(parts, monitor);
    }
    int Refuse = 1 << 30;
};

TEST_F(ControlForm, AMonitorWhoseDisplayCannotBeMadeIsReportedOnceAndLeftOutWhileTheOthersGoOn) {
    std::vector<TMonitor> monitors = {{0, 0, 160, 100}};
    TRefusingHost host([&monitors] { return monitors; });
    host.AfterQt();
    TShowOptions quick;
    quick.Hold = 0;
    quick.Morph = 0.5;
    auto form = Start({}, TRunOptions{1, &host, quick});
    host.Refuse = 160;
    TBoxCloser closer;
    // Plugged in mid-show: the layout follows at the next cycle's start.
    monitors.push_back({160, 0, 120, 90});
    host.OnChanged();
    const int64_t cycle = form->Morph->CyclesStarted;
    ASSERT_TRUE(WaitFor([&] { return form->Morph->CyclesStarted >= cycle + 2 && closer.Boxes == 1; }, 30000));
    EXPECT_EQ(closer.Text, "Failed to create RenderingContext.");
    EXPECT_FALSE(form->Closed());
    ASSERT_EQ(form->Morph->Displays.size(), 1u);
    EXPECT_TRUE(form->Timer1.isActive());
    // One more cycle, and no second box: the monitor is left out until the monitors change again.
    const int64_t later = form->Morph->CyclesStarted;
    ASSERT_TRUE(WaitFor([&] { return form->Morph->CyclesStarted > later; }, 30000));
    EXPECT_EQ(closer.Boxes, 1);
    form->Close();
}

TEST_F(ControlForm, SpanGivesEachMonitorItsPartAndEachAFigureOfItsOwn) {
    TShowOptions show;
    show.Monitors = TMonitorMode::Span;
    auto span = Start({{0, 0, 320, 200}, {320, 40, 160, 100}}, TRunOptions{9, nullptr, show});
    const TFrameStore& right = *span->Morph->Displays[1];
    EXPECT_EQ(right.CanvasLeft, 320);
    EXPECT_EQ(right.CanvasTop, 40);
    EXPECT_EQ(right.CanvasWidth, 480);
    EXPECT_EQ(right.CanvasHeight, 200);
    EXPECT_EQ(span->Morph->MaxPointBudget, 15000);  // 480 x 200 / 6.4
    span->Close();

    // Far apart, the box would cost a hundred times the monitors: each shows the same figure.
    auto apart = Start({{0, 0, 320, 200}, {40320, 0, 320, 200}}, TRunOptions{9, nullptr, show});
    EXPECT_EQ(apart->Morph->Displays[1]->CanvasLeft, 0);
    EXPECT_EQ(apart->Morph->Displays[1]->CanvasWidth, 320);
    EXPECT_EQ(apart->Morph->MaxPointBudget, 10000);
    apart->Close();

    show.Monitors = TMonitorMode::Each;
    auto each = Start({{0, 0, 320, 200}, {320, 0, 320, 200}}, TRunOptions{9, nullptr, show});
    ASSERT_TRUE(WaitFor([&] { return !each->Morph->Generating.load(); }));
    const TFrameStore &first = *each->Morph->Displays[0], &second = *each->Morph->Displays[1];
    EXPECT_EQ(each->DisplayForms[1]->Colours, &second);
    EXPECT_NE(first.Frames[50].CoefA, second.Frames[50].CoefA);
    EXPECT_NE(first.Dots(50).FrameBits.Hash(), second.Dots(50).FrameBits.Hash());
    // The first monitor shows what one monitor alone would.
    auto alone = Start({{0, 0, 320, 200}}, TRunOptions{9, nullptr, {}});
    EXPECT_EQ(alone->Morph->Displays[0]->Dots(50).FrameBits.Hash(), first.Dots(50).FrameBits.Hash());
}

namespace {

// A morph state whose next cycle fails when asked to.
class TFailingState : public TMorphState {
public:
    std::atomic<bool> FailNext{false};

    TTargetKind PrepareCycle() override {
        const TTargetKind kind = TMorphState::PrepareCycle();
        if (FailNext.exchange(false)) throw std::runtime_error("the chaos game ran out of memory");
        return kind;
    }
};

}  // namespace

TEST_F(ControlForm, AFailedCycleIsReportedOnceAndTheLastFigureStaysOnScreen) {
    TRunOptions options;
    options.NewMorphState = [] { return std::make_unique<TFailingState>(); };
    auto form = Start({{0, 0, 160, 100}, {160, 0, 120, 90}}, options);
    auto& state = static_cast<TFailingState&>(*form->Morph);
    form->Timer1.stop();
    form->Morph->FrameCounter = 99;
    form->Timer1Timer();  // the second cycle, which goes well
    ASSERT_TRUE(WaitFor([&] { return !form->Morph->Generating.load(); }));
    form->Morph->FrameCounter = 99;

    TBoxCloser closer;
    state.FailNext = true;
    form->Timer1Timer();
    ASSERT_TRUE(WaitFor([&] { return closer.Boxes == 1; }));
    EXPECT_EQ(closer.Text, "the chaos game ran out of memory");
    for (TFrameStore* d : form->Morph->Displays)
        for (int k = 2; k <= DesignedFrameCount; ++k) ASSERT_EQ(d->Dots(k).FrameBits.Hash(), d->Dots(1).FrameBits.Hash()) << k;
    // The clock goes on, the failure is not said again, and the next cycle works.
    for (int tick = 0; tick < DesignedTiming.CycleTicks(); ++tick) form->Timer1Timer();
    ASSERT_TRUE(WaitFor([&] { return !form->Morph->Generating.load(); }));
    WaitFor([] { return false; }, 200);
    EXPECT_EQ(closer.Boxes, 1);
    EXPECT_NE(form->Morph->Displays[0]->Dots(2).FrameBits.Hash(), form->Morph->Displays[0]->Dots(1).FrameBits.Hash());
}

TEST_F(ControlForm, AfterAStallTheClockGoesOnAtItsPaceWithoutCatchingUp) {
    // A process stopped by SIGSTOP, or a thread held up, finds its clock's time run on.
    auto form = Start({{0, 0, 160, 100}});
    std::this_thread::sleep_for(std::chrono::milliseconds(800));
    const int32_t before = form->Morph->FrameCounter;
    // Twenty missed ticks must not come in a burst: one pass over the events holds one.
    QCoreApplication::processEvents();
    EXPECT_LE(form->Morph->FrameCounter - before, 1);
    EXPECT_TRUE(WaitFor([&] { return form->Morph->FrameCounter >= before + 3; }));
}

TEST_F(ControlForm, ASeedGivesTheFiguresThatTheEngineDrawsFromIt) {
    auto form = Start({{0, 0, 200, 120}}, TRunOptions{0x5eed, nullptr, {}});
    // What ombrel-frames --seed 0x5eed --display 200x120 computes.
    TFrameStore store;
    store.AllocateFrames(200, 120);
    TMorphState engine;
    engine.Displays = {&store};
    engine.UpdateMaxPointBudget();
    engine.FirstCycle = true;
    engine.Random.Seed(0x5eed);
    engine.GenerateMorph();
    const TFrameStore& shown = *form->Morph->Displays[0];
    for (int k : {2, 25, 50}) {
        EXPECT_EQ(shown.Frames[k].Hue, store.Frames[k].Hue);
        for (int y = 0; y < 120; ++y)
            for (int x = 0; x < 200; ++x) ASSERT_EQ(shown.mb_getpixel(k, x, y), store.mb_getpixel(k, x, y));
    }
}

TEST_F(ControlForm, KeysRequestPresetsQuitAndTest) {
    auto form = Start({{0, 0, 160, 100}});
    for (QChar c : {QChar('F'), QChar('Q'), QChar('K'), QChar('x'), QChar(' ')}) form->FormKeyPress(c);
    QCoreApplication::processEvents();
    EXPECT_FALSE(form->Morph->RequestFern || form->Morph->RequestKoch || form->Morph->RequestSierpinski);
    EXPECT_FALSE(form->Closed());

    form->FormKeyPress('f');
    form->FormKeyPress('k');
    EXPECT_TRUE(form->Morph->RequestFern && form->Morph->RequestKoch);
    form->FormKeyPress('s');
    EXPECT_TRUE(form->Morph->RequestSierpinski);

    // With no generation running, the next cycle targets the fern and lowers all three.
    form->Timer1.stop();
    form->Morph->FrameCounter = 99;
    form->Timer1Timer();
    WaitFor([&] { return !form->Morph->Generating.load(); });
    EXPECT_EQ(form->Morph->Displays[0]->Frames[50].CoefD, FernMaps.CoefD);
    EXPECT_FALSE(form->Morph->RequestFern || form->Morph->RequestKoch || form->Morph->RequestSierpinski);

    QString caption, text;
    WhenModal([&](QWidget* box) {
        caption = box->windowTitle();
        if (auto* mb = qobject_cast<QMessageBox*>(box)) text = mb->text();
        box->close();
    });
    form->FormKeyPress('t');
    EXPECT_EQ(caption, "Ombrel");
    EXPECT_EQ(text, "Test");

    form->FormKeyPress('q');
    EXPECT_TRUE(WaitFor([&] { return form->Closed(); }));
}

TEST_F(ControlForm, MenuShowsAboutAndExitWithThePresetsHidden) {
    auto form = Start({{0, 0, 160, 100}});
    QStringList shown, all;
    for (QAction* a : form->PopupMenu1->actions()) {
        all << (a->isSeparator() ? "-" : a->text());
        if (a->isVisible()) shown << (a->isSeparator() ? "-" : a->text());
    }
    EXPECT_EQ(all, QStringList({"About Ombrel", "-", "Show Fern Fractal", "Show Sierpinski Fractal", "Show Koch Fractal",
                                "-", "Exit"}));
    EXPECT_EQ(shown, QStringList({"About Ombrel", "-", "Exit"}));
    EXPECT_EQ(form->DisplayForms[0]->GLSceneViewer1->PopupMenu, form->PopupMenu1);
    EXPECT_EQ(form->TrayIcon1->PopupMenu, form->PopupMenu1);
    EXPECT_EQ(form->TrayIcon1->ToolTip(), "Ombrel 1.3");

    form->Showfernfractal1->trigger();
    form->ShowKochFractal1->trigger();
    form->ShowSierpinskifractal1->trigger();
    EXPECT_TRUE(form->Morph->RequestFern && form->Morph->RequestKoch && form->Morph->RequestSierpinski);

    // "About Ombrel" opens the box modally; the clock goes on meanwhile.
    TForm3 about;
    form->AboutBox = &about;
    const int counter = form->Morph->FrameCounter;
    bool modal = false;
    int counterInside = counter;
    WhenModal([&](QWidget* box) {
        modal = box == &about;
        WaitFor([&] { return form->Morph->FrameCounter >= counter + 3; }, 2000);
        counterInside = form->Morph->FrameCounter;
        about.Button2->click();
    });
    form->AboutOmbrel1->trigger();
    EXPECT_TRUE(modal);
    EXPECT_GE(counterInside, counter + 3);
    EXPECT_FALSE(about.isVisible());

    form->Exit1->trigger();
    EXPECT_TRUE(WaitFor([&] { return form->Closed(); }));
}

TEST_F(ControlForm, LayoutPreviewGivesEveryMonitorAPanel) {
    std::vector<TMonitor> seven;
    for (int i = 0; i < 7; ++i) seven.push_back({i * 200, 0, 200, 150});
    auto form = Start(seven);
    EXPECT_EQ(form->MonitorPanels.size(), 6u);
    for (QFrame* p : form->MonitorPanels) EXPECT_FALSE(p->isVisibleTo(form.get()));
    form->Button1Click();
    ASSERT_EQ(form->MonitorPanels.size(), 7u);
    EXPECT_EQ(form->MonitorPanels[6]->objectName(), "Panel8");
    // 7 monitors of 200 side by side: scale 642 / 4200.
    const double scale = 642.0 / 4200;
    for (int i = 0; i < 7; ++i) {
        EXPECT_TRUE(form->MonitorPanels[static_cast<size_t>(i)]->isVisibleTo(form.get()));
        EXPECT_EQ(form->MonitorPanels[static_cast<size_t>(i)]->geometry(),
                  QRect(qRound(i * 200 * scale + 53.5), qRound(217 / 6.0), 31, 23))
            << i;
    }
}
