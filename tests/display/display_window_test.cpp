// Real windows on the X server named by DISPLAY (scripts/test starts a
// virtual one), drawn by Mesa's software renderer.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMenu>
#include <QScreen>
#include <QTest>
#include <QWheelEvent>
#include <QWindow>
#include <cerrno>

#include <optional>

#include "display/display_form.h"
#include "display/glow_palette.h"
#include "display/gl_errors.h"
#include "display/reference/straight_path.h"
#include "engine/cycle.h"
#include "engine/glow.h"
#include "display/hsv_color.h"
#include "engine/morph_state.h"
#include "tests/qt_test_support.h"

using namespace ombrel;

namespace {

QImage Grab(TForm2& form) {
    QCoreApplication::processEvents();
    return QGuiApplication::primaryScreen()->grabWindow(form.GLSceneViewer1->winId()).toImage().convertToFormat(QImage::Format_RGB32);
}

QRgb ColourOf(const TMorphFrame& f) {
    const TColor c = HSVToColor(f.Hue, f.Saturation, f.Brightness);
    return qRgb(c & 255, (c >> 8) & 255, (c >> 16) & 255);
}

// What the screen should hold: bitmap row r, column c lights screen row r,
// column c (as ombrel-frames writes its PNG), on black.
int CountMismatches(const QImage& shot, const TFrameStore& display, int frame, QRgb ink) {
    int bad = 0;
    for (int y = 0; y < display.ScreenHeight; ++y)
        for (int x = 0; x < display.ScreenWidth; ++x) {
            const bool set = frame != 0 && display.mb_getpixel(frame, x, y);
            bad += shot.pixel(x, y) != (set ? ink : qRgb(0, 0, 0));
        }
    return bad;
}

using DisplayWindow = ombrel::testing::XServerTest;
using ombrel::testing::WaitFor;

// Makes `form` the only display of `control`, with cleared frames, placed at
// `place` and shown; says whether the window could be seen in time.
bool ShowAlone(TForm2& form, TMorphState& control, const QRect& place) {
    form.Store.AllocateFrames(place.width(), place.height());
    control.Displays = {&form.Store};
    form.SetBounds(place.x(), place.y(), place.width(), place.height());
    form.Show();
    return WaitFor([&] { return form.GLSceneViewer1->isExposed(); });
}

// The straight path's context has a depth buffer: the first one on a window
// makes the window anew, which draws nothing until the server shows it
// again. Says whether it was shown in time.
bool UseStraightPath(std::optional<TStraightPath>& reference, TForm2& form, const TMorphState& control) {
    reference.emplace(form, control);
    return WaitFor([&] { return form.GLSceneViewer1->isExposed(); });
}

}  // namespace

TEST_F(DisplayWindow, DrawsTheSelectedFrameInItsColourAtItsPlace) {
    TMorphState control;
    int closes = 0;
    TForm2 first(control, nullptr, [&] { ++closes; });
    TForm2 second(control, nullptr, [&] { ++closes; });
    // Sized as designed until start-up places it, with its context already made.
    ASSERT_NE(first.GLSceneViewer1->Buffer.RenderingContext(), nullptr);
    const double ratio = first.GLSceneViewer1->devicePixelRatio();
    EXPECT_EQ(first.GLSceneViewer1->Buffer.ViewportWidth(), qRound(425 * ratio));
    EXPECT_EQ(first.GLSceneViewer1->Buffer.ViewportHeight(), qRound(265 * ratio));

    first.Store.AllocateFrames(230, 140);
    second.Store.AllocateFrames(162, 98);  // even, so that it also fits a screen scaled by 2
    control.Displays = {&first.Store, &second.Store};
    control.UpdateMaxPointBudget();
    control.FirstCycle = true;
    control.Random.Seed(0x5eed);
    control.GenerateMorph();
    control.GenerateMorph();  // frame 1 now holds a figure too

    first.SetBounds(0, 0, 230, 140);
    second.SetBounds(300, 50, 162, 98);
    first.Show();
    second.Show();
    ASSERT_TRUE(WaitFor([&] { return first.GLSceneViewer1->isExposed() && second.GLSceneViewer1->isExposed(); }));
    ASSERT_TRUE(WaitFor([&] { return first.GLSceneViewer1->Buffer.ViewportWidth() == 230; }));
    EXPECT_EQ(first.GLSceneViewer1->Buffer.ViewportHeight(), 140);

    // The program's drawing first, on contexts that nothing else has drawn with.
    for (bool straight : {false, true})
        for (int32_t counter : {0, 50, 51, 99, 100, -1}) {
            control.FrameCounter = counter;
            const int k = counter < 0 || counter > 99 ? 0 : counter <= 50 ? 1 : counter - 49;
            const QRgb ink = k ? ColourOf(first.Store.Frames[k]) : 0;
            for (TForm2* form : {&first, &second}) {
                std::optional<TStraightPath> reference;
                if (straight) {
                    ASSERT_TRUE(UseStraightPath(reference, *form, control));
                }
                form->GLSceneViewer1->Repaint();
                const QImage shot = Grab(*form);
                ASSERT_EQ(shot.width(), form->Store.ScreenWidth);
                EXPECT_EQ(CountMismatches(shot, form->Store, k, ink), 0)
                    << (straight ? "straight" : "program's") << " path, counter " << counter << " display "
                    << (form == &first ? 0 : 1);
            }
        }
    EXPECT_EQ(closes, 0);
}

TEST_F(DisplayWindow, TheProgramsDrawingMatchesTheStraightPathPixelForPixel) {
    for (QSize size : {QSize(1920, 1080), QSize(1280, 1024)}) {
        TMorphState control;
        TForm2 form(control, nullptr, [] {});
        ASSERT_TRUE(ShowAlone(form, control, QRect(QPoint(0, 0), size)));
        control.UpdateMaxPointBudget();
        control.FirstCycle = true;
        control.Random.Seed(24);
        // A cycle that passes through a dense figure, then one that morphs into the fern.
        auto densest = [&] {
            int most = 0;
            for (int k = 1; k <= DesignedFrameCount; ++k) {
                int n = 0;
                form.Store.Dots(k).FrameBits.ForEachSet([&](int, int) { ++n; });
                most = std::max(most, n);
            }
            return most;
        };
        for (int cycle = 0; cycle < 12 && densest() < 150000; ++cycle) control.GenerateMorph();
        ASSERT_GE(densest(), 150000);
        for (bool fern : {false, true}) {
            if (fern) {
                control.RequestFern = true;
                control.GenerateMorph();
            }
            for (int32_t counter : {0, 50, 51, 60, 75, 98, 99, 100, -1}) {
                control.FrameCounter = counter;
                std::optional<TStraightPath> reference;
                ASSERT_TRUE(UseStraightPath(reference, form, control));
                form.GLSceneViewer1->Repaint();
                const QImage straight = Grab(form);
                reference.reset();
                form.GLSceneViewer1->Repaint();
                const QImage program = Grab(form);
                const int k = DesignedTiming.SelectFrame(counter);
                ASSERT_EQ(program, straight) << size.width() << "x" << size.height() << " counter " << counter;
                ASSERT_EQ(CountMismatches(program, form.Store, k, k ? ColourOf(form.Store.Frames[k]) : 0), 0);
            }
        }
    }
}

TEST_F(DisplayWindow, TheClocksRepaintDrawsOnlyWhatCanDiffer) {
    TMorphState control;
    TForm2 form(control, nullptr, [] {});
    ASSERT_TRUE(ShowAlone(form, control, QRect(0, 0, 96, 64)));
    int renders = 0;
    auto draw = form.GLSceneViewer1->Draw;
    form.GLSceneViewer1->Draw = [&] {
        ++renders;
        draw();
    };
    auto repaintsAt = [&](int32_t counter) {
        control.FrameCounter = counter;
        const int before = renders;
        form.Repaint();
        return renders - before;
    };
    control.CyclesStarted = 1;
    form.Store.SetPixel(1, 3, 3);
    control.FrameCounter = 0;
    form.Repaint();
    EXPECT_EQ(repaintsAt(0), 0);
    EXPECT_EQ(repaintsAt(50), 0);   // the hold shows frame 1 throughout
    EXPECT_EQ(repaintsAt(51), 1);   // the morph: a new frame every tick
    EXPECT_EQ(repaintsAt(52), 1);
    EXPECT_EQ(repaintsAt(52), 0);
    EXPECT_EQ(repaintsAt(100), 1);  // none: black only
    EXPECT_EQ(repaintsAt(-1), 0);
    EXPECT_EQ(repaintsAt(99), 1);
    // The next cycle starts from this target, bit for bit: nothing to draw.
    ++control.CyclesStarted;
    EXPECT_EQ(repaintsAt(0), 0);
    // A new colour, a frame the worker is still drawing, a resize.
    form.Store.Frames[1].Hue = 0.5;
    form.Store.Frames[1].Saturation = 1;
    form.Store.Frames[1].Brightness = 255;
    EXPECT_EQ(repaintsAt(0), 1);
    control.Generating = true;
    EXPECT_EQ(repaintsAt(0), 0);
    EXPECT_EQ(repaintsAt(60), 1);
    EXPECT_EQ(repaintsAt(60), 1);
    control.Generating = false;
    EXPECT_EQ(repaintsAt(60), 1);  // what was drawn meanwhile may lack points
    EXPECT_EQ(repaintsAt(60), 0);
    const int beforeResize = renders;
    form.SetBounds(0, 0, 80, 60);
    ASSERT_TRUE(WaitFor([&] { return form.GLSceneViewer1->Buffer.ViewportWidth() == 80; }));
    repaintsAt(60);
    EXPECT_GE(renders - beforeResize, 1);  // by the expose or by this tick
    EXPECT_EQ(repaintsAt(60), 0);
}

TEST_F(DisplayWindow, FramesShownByRegionLeaveNothingStaleAndMissNothing) {
    TMorphState control;
    TForm2 form(control, nullptr, [] {});
    ASSERT_TRUE(ShowAlone(form, control, QRect(0, 0, 320, 200)));
    // Mesa on X11 shows regions: this is the path under test.
    ASSERT_TRUE(form.GLSceneViewer1->Buffer.RenderingContext()->CanShowRegion());
    // Frames whose points lie far apart: a stale rectangle or a wrong one leaves or loses some.
    std::vector<std::vector<std::pair<int, int>>> figures = {
        {{10, 5}, {20, 15}, {14, 9}},  // frame 1: the top left
        {{310, 190}},                  // frame 2: the bottom right
        {{0, 0}, {319, 199}},          // frame 3: both corners
        {{160, 100}},                  // frame 4: the middle
    };
    // Crowded boxes go out as images: a checkerboard at the bottom right
    // (frame 5), a solid block at the top left with one stray point (frame 6).
    figures.emplace_back();
    for (int y = 150; y < 196; ++y)
        for (int x = 250 + y % 2; x < 317; x += 2) figures.back().emplace_back(x, y);
    figures.emplace_back(std::vector<std::pair<int, int>>{{100, 120}});
    for (int y = 3; y < 40; ++y)
        for (int x = 2; x < 61; ++x) figures.back().emplace_back(x, y);
    // Over the block: sparse points whose boxes hold its boxes (frame 7),
    // and a block of its own that holds them in part (frame 8). A box painted
    // over by an image needs no black; one drawn as points does.
    figures.push_back({{0, 1}, {80, 31}, {0, 33}, {80, 45}});
    figures.emplace_back();
    for (int y = 10; y < 51; ++y)
        for (int x = 30; x < 91; ++x) figures.back().emplace_back(x, y);
    for (size_t i = 0; i < figures.size(); ++i) {
        const int k = static_cast<int>(i) + 1;
        for (auto [x, y] : figures[i]) form.Store.SetPixel(k, x, y);
        form.Store.Frames[k].Hue = 0.2 * k;
        form.Store.Frames[k].Saturation = 1;
        form.Store.Frames[k].Brightness = 255;
    }
    auto check = [&](int32_t counter, const char* what) {
        control.FrameCounter = counter;
        form.GLSceneViewer1->Repaint();
        const int k = DesignedTiming.SelectFrame(counter);
        EXPECT_EQ(CountMismatches(Grab(form), form.Store, k, k ? ColourOf(form.Store.Frames[k]) : 0), 0)
            << what << ", counter " << counter;
    };
    for (int32_t counter : {0, 51, 52, 53, 100, 53, 51, 0, 52, 100, 100, 53, 54, 55, 52, 55, 54, 0, 54, 51, 55, 56,
                            55, 57, 55, 57, 56, 57, 54, 57, 0})
        check(counter, "in turn");
    // Out of sight and back: the screen lost the picture, the back buffer did not.
    form.Hide();
    ASSERT_TRUE(WaitFor([&] { return !form.GLSceneViewer1->isExposed(); }));
    form.Show();
    ASSERT_TRUE(WaitFor([&] { return form.GLSceneViewer1->isExposed(); }));
    check(52, "after an expose");
    check(51, "after an expose");
    // Another drawing in between (the straight path swaps whole frames).
    {
        std::optional<TStraightPath> reference;
        ASSERT_TRUE(UseStraightPath(reference, form, control));
        check(53, "straight path");
    }
    check(52, "after the straight path");
    check(0, "after the straight path");
}

TEST_F(DisplayWindow, ARenderErrorIsReportedAndTheNextRenderWorks) {
    TMorphState control;
    TForm2 form(control, nullptr, [] {});
    ASSERT_TRUE(ShowAlone(form, control, QRect(10, 10, 64, 48)));

    std::vector<std::string> errors;
    form.GLSceneViewer1->OnError = [&](const std::exception& e) {
        errors.push_back(e.what());
        EXPECT_NE(dynamic_cast<const EOpenGLError*>(&e), nullptr);
    };
    auto normal = form.GLSceneViewer1->Draw;
    form.GLSceneViewer1->Draw = [&] {
        normal();
        GL().Enable(0x7fff);  // no such capability
    };
    form.GLSceneViewer1->Repaint();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], "invalid enumerant");
    EXPECT_EQ(TGLContext::CurrentContext(), nullptr);

    form.GLSceneViewer1->Draw = normal;
    form.GLSceneViewer1->Repaint();
    EXPECT_EQ(errors.size(), 1u);
}

TEST_F(DisplayWindow, DoubleClickClosesTheOwnerAndRightClickOpensItsMenu) {
    TMorphState control;
    QMenu menu;
    menu.addAction("About Ombrel");
    int closes = 0;
    TForm2 form(control, &menu, [&] { ++closes; });
    ASSERT_TRUE(ShowAlone(form, control, QRect(0, 0, 120, 80)));

    QTest::mouseClick(form.GLSceneViewer1, Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_EQ(closes, 0);
    QTest::mouseDClick(form.GLSceneViewer1, Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_EQ(closes, 1);

    QTest::mouseClick(form.GLSceneViewer1, Qt::RightButton, {}, QPoint(25, 25));
    EXPECT_TRUE(WaitFor([&] { return menu.isVisible(); }));
    // At the click, and anchored to the clicked window (Wayland places popups relative to it).
    EXPECT_EQ(menu.windowHandle()->transientParent(), form.GLSceneViewer1);
    EXPECT_EQ(menu.pos(), form.GLSceneViewer1->mapToGlobal(QPoint(25, 25)));
    // A click that reaches the display while the menu is open only closes the menu.
    QTest::mouseClick(form.GLSceneViewer1, Qt::RightButton, {}, QPoint(60, 40));
    EXPECT_TRUE(WaitFor([&] { return !menu.isVisible(); }));
    WaitFor([] { return false; }, 100);
    EXPECT_FALSE(menu.isVisible());

    // The window manager's close (title bar, taskbar) closes the owner too.
    form.GLSceneViewer1->close();
    EXPECT_EQ(closes, 2);
    EXPECT_TRUE(form.GLSceneViewer1->isVisible());
}

TEST_F(DisplayWindow, TheWindowTakesTheFormatOfEachNewContext) {
    TMorphState control;
    TForm2 form(control, nullptr, [] {});
    TGLSceneViewer& viewer = *form.GLSceneViewer1;
    // Flat frames: no depth buffer, four bytes a pixel saved.
    EXPECT_EQ(viewer.requestedFormat().depthBufferSize(), 0);
    EXPECT_EQ(viewer.requestedFormat().profile(), QSurfaceFormat::CompatibilityProfile);
    ASSERT_TRUE(ShowAlone(form, control, QRect(0, 0, 64, 48)));

    // A new context with another format remakes the shown window in that format; it still draws.
    viewer.Buffer.CreateRC([&] {
        auto context = std::make_unique<TGLQtContext>(&viewer, 0);
        context->SetDepthBits(16);
        return context;
    });
    EXPECT_EQ(viewer.requestedFormat().depthBufferSize(), 16);
    ASSERT_TRUE(WaitFor([&] { return viewer.isExposed(); }));
    std::vector<std::string> errors;
    viewer.OnError = [&](const std::exception& e) { errors.push_back(e.what()); };
    form.Store.SetPixel(1, 5, 6);
    control.FrameCounter = 0;
    viewer.Repaint();
    EXPECT_TRUE(errors.empty()) << errors.front();
    EXPECT_EQ(CountMismatches(Grab(form), form.Store, 1, ColourOf(form.Store.Frames[1])), 0);
}

TEST_F(DisplayWindow, AFailedActivationNamesNoStaleSystemError) {
    QWindow window;
    TGLQtContext context(&window, 0);
    context.CreateContext();
    window.destroy();  // nothing left to draw on
    errno = ENOMEM;
    try {
        context.Activate();
        FAIL() << "activated without a window";
    } catch (const EGLContext& e) {
        EXPECT_STREQ(e.what(), "Context activation failed: the window cannot take this context");
    }
    EXPECT_FALSE(context.Active());
}

namespace {

struct TResizeCounter : QObject {
    int Count = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Resize) ++Count;
        return false;
    }
};

}  // namespace

TEST_F(DisplayWindow, TheFirstPaintAfterAMoveSendsItselfOneSizeEvent) {
    TMorphState control;
    TForm2 form(control, nullptr, [] {});
    ASSERT_TRUE(ShowAlone(form, control, QRect(0, 0, 64, 48)));
    TResizeCounter counter;
    form.GLSceneViewer1->installEventFilter(&counter);
    WaitFor([] { return false; }, 100);
    counter.Count = 0;

    form.GLSceneViewer1->Repaint();
    QCoreApplication::processEvents();
    EXPECT_EQ(counter.Count, 0);  // still where the last paint was

    form.SetBounds(200, 100, 64, 48);
    const double ratio = form.GLSceneViewer1->devicePixelRatio();
    ASSERT_TRUE(WaitFor([&] { return form.GLSceneViewer1->mapToGlobal(QPoint(0, 0)) * ratio == QPoint(200, 100); }));
    WaitFor([] { return false; }, 100);
    const int before = counter.Count;
    form.GLSceneViewer1->Repaint();
    form.GLSceneViewer1->Repaint();
    QCoreApplication::processEvents();
    EXPECT_EQ(counter.Count - before, 1);  // two paints, one size event
    EXPECT_EQ(form.GLSceneViewer1->Buffer.ViewportWidth(), 64);
}

TEST_F(DisplayWindow, AGlowFrameIsShownOnlyCompleteAsItsLightTimesItsColour) {
    TMorphState control;
    TForm2 form(control, nullptr, [] {});
    // Tall enough for the images to pass through the texture more than once.
    const QRect place(0, 0, 120, 900);
    form.Store.AllocateFrames(place.width(), place.height(), DesignedFrameCount, TStyle::Glow);
    control.Displays = {&form.Store};
    control.UpdateMaxPointBudget();
    control.FirstCycle = true;
    control.Random.Seed(0x5eed);
    ASSERT_TRUE(control.GenerateMorph());
    control.CyclesStarted = 1;
    form.SetBounds(place.x(), place.y(), place.width(), place.height());
    form.Show();
    ASSERT_TRUE(WaitFor([&] { return form.GLSceneViewer1->isExposed(); }));
    // Each pixel: its shade's colour in the frame's palette times its light, rounded.
    const auto mismatches = [&](int frame) {
        const QImage shot = Grab(form);
        const TMorphFrame& f = form.Store.Frames[frame];
        const TGlowPalette palette(f.Hue, f.Saturation, f.Brightness);
        const TGlowPlane picture = form.Store.Glow(frame).Picture()->Plane(place.width(), place.height());
        int bad = 0;
        for (int y = 0; y < place.height(); ++y)
            for (int x = 0; x < place.width(); ++x) {
                uint32_t r, g, b;
                palette.Pixel(picture.Light[static_cast<size_t>(y) * place.width() + x], picture.ShadeAt(x, y), r, g, b);
                bad += shot.pixel(x, y) != qRgb(r, g, b);
            }
        return bad;
    };
    const auto show = [&](int32_t counter) {
        control.FrameCounter = counter;
        form.Repaint();
        return DesignedTiming.SelectFrame(counter);
    };
    const int k = show(60);
    ASSERT_GE(k, 3);
    EXPECT_EQ(mismatches(k), 0);
    // The next frame still being drawn: the last complete one stays, also through an expose.
    form.Store.Glow(k + 1).Complete.Set(false);
    show(61);
    EXPECT_EQ(mismatches(k), 0);
    // Qt reports the window exposed until it has handled the unmap: the hide
    // must be seen first, or the grab comes before the expose's repaint.
    form.Hide();
    ASSERT_TRUE(WaitFor([&] { return !form.GLSceneViewer1->isExposed(); }));
    form.Show();
    ASSERT_TRUE(WaitFor([&] { return form.GLSceneViewer1->isExposed(); }));
    EXPECT_EQ(mismatches(k), 0);
    form.Store.Glow(k + 1).Complete.Set(true);
    show(61);
    EXPECT_EQ(mismatches(k + 1), 0);
    // The worker behind the clock: the screen follows it, the newest ready
    // frame shown; those before it let go of, the one it shows kept.
    for (int j = k + 2; j <= k + 4; ++j) form.Store.Glow(j).Complete.Set(false);
    form.Store.Glow(k + 2).Complete.Set(true);
    const auto kept = [&](int frame) { return !form.Store.Glow(frame).Lit().Empty(); };
    ASSERT_TRUE(kept(k + 1) && kept(k + 2));
    show(64);
    EXPECT_EQ(mismatches(k + 2), 0);
    EXPECT_FALSE(kept(k + 1));
    EXPECT_TRUE(kept(k + 2));
    form.Store.Glow(k + 3).Complete.Set(true);
    show(64);
    EXPECT_EQ(mismatches(k + 3), 0);
    EXPECT_FALSE(kept(k + 2));
    // A new cycle, its frames cleared as it starts, whose frame is not yet
    // drawn: its start picture, frame 1.
    ++control.CyclesStarted;
    for (int j = 2; j <= form.Store.Frames.Count(); ++j) form.Store.Glow(j).Complete.Set(false);
    show(61);
    EXPECT_EQ(mismatches(1), 0);
}

TEST_F(DisplayWindow, AScreensaversDisplayTellsOfTheFirstInputThatEndsTheShowOnce) {
    TMorphState control;
    TForm2 form(control, nullptr, [] {});
    ASSERT_TRUE(ShowAlone(form, control, QRect(0, 0, 200, 120)));
    TGLSceneViewer& viewer = *form.GLSceneViewer1;
    int told = 0;
    const auto watch = [&] { viewer.DismissOnInput([&] { ++told; }); };
    watch();
    EXPECT_EQ(viewer.cursor().shape(), Qt::BlankCursor);

    // The pointer comes on at (50, 50) and wanders within the distance: a hand at rest.
    QTest::mouseMove(&viewer, QPoint(50, 50));
    QTest::mouseMove(&viewer, QPoint(57, 57));
    QTest::mouseMove(&viewer, QPoint(43, 50));
    QCoreApplication::processEvents();
    EXPECT_EQ(told, 0);
    QTest::mouseMove(&viewer, QPoint(50, 61));
    QCoreApplication::processEvents();
    EXPECT_EQ(told, 1);
    // Told once: what follows is no second word.
    QTest::keyClick(&viewer, Qt::Key_A);
    EXPECT_EQ(told, 1);

    // Each of a key, a button and a scroll ends a show by itself.
    watch();
    QTest::keyClick(&viewer, Qt::Key_Shift);
    EXPECT_EQ(told, 2);
    watch();
    QTest::mousePress(&viewer, Qt::RightButton, {}, QPoint(10, 10));
    QTest::mouseRelease(&viewer, Qt::RightButton, {}, QPoint(10, 10));
    EXPECT_EQ(told, 3);
    watch();
    QWheelEvent wheel(QPointF(10, 10), QPointF(10, 10), {}, QPoint(0, 120), Qt::NoButton, {}, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(&viewer, &wheel);
    EXPECT_EQ(told, 4);
}

TEST_F(DisplayWindow, AMonitorsDisplayHasItsMonitorsSizeBeforeItIsShown) {
    // Its first picture must not go out at another size: a compositor may
    // centre a smaller one on a full-screen window, and keep it there.
    TMorphState control;
    QScreen* screen = QGuiApplication::primaryScreen();
    TForm2 form(control, nullptr, [] {}, screen);
    EXPECT_EQ(form.GLSceneViewer1->geometry(), screen->geometry());
    EXPECT_EQ(form.GLSceneViewer1->Buffer.ViewportWidth(), form.GLSceneViewer1->DeviceWidth());
    EXPECT_EQ(form.GLSceneViewer1->Buffer.ViewportHeight(), form.GLSceneViewer1->DeviceHeight());
}
