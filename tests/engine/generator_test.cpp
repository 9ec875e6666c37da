#include "engine/generator.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <system_error>
#include <thread>

#include "tests/engine/engine_rig.h"

using namespace ombrel;

namespace {

volatile uint64_t Sink;

}  // namespace

TEST(Generator, LowersGeneratingAfterACycle) {
    TEngineRig rig({{320, 200}}, 1);
    auto worker = StartGenerator(rig.S);
    worker.reset();
    EXPECT_FALSE(rig.S.Generating);
    EXPECT_FALSE(rig.S.FirstCycle);
    EXPECT_GT(rig.CountSet(0, 50), 0);
}

TEST(Generator, LowersGeneratingWhenTheCycleFails) {
    TMorphState empty;  // no display: the cycle throws
    auto worker = StartGenerator(empty);
    worker.reset();
    EXPECT_FALSE(empty.Generating);
}

TEST(Generator, ReadersRunSafelyBesideTheWorker) {
    // Repaints read words and colours while the worker writes them (checked under ThreadSanitizer).
    TEngineRig rig({{640, 480}, {300, 200}}, 77);
    for (int cycle = 0; cycle < 2; ++cycle) {
        auto worker = StartGenerator(rig.S);
        uint64_t seen = 0;
        while (rig.S.Generating.load(std::memory_order_acquire)) {
            for (const TFrameStore* d : rig.S.Displays)
                for (int k : {1, 2, 25, 50}) {
                    seen += static_cast<uint64_t>(rig.Frames()[k].Hue * 1000);
                    for (int y = 0; y < d->ScreenHeight; y += 7)
                        for (int x = 0; x < d->ScreenWidth; x += 3) seen += d->mb_getpixel(k, x, y);
                }
            std::this_thread::yield();
        }
        worker.reset();
        Sink = seen;  // keeps the reads from being optimised away
    }
    EXPECT_GT(rig.CountSet(1, 50), 0);
}

#if !defined(__SANITIZE_THREAD__) && !defined(__SANITIZE_ADDRESS__)
namespace {

// In a process whose address space has no room left for a thread's stack:
// exits 0 when the start failed and Generating is down again, and the
// DrawingAnew of the display that was to be drawn anew with it.
[[noreturn]] void StartWithoutRoomForAThread() {
    TEngineRig rig({{64, 48}}, 1);
    long pages = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld", &pages) != 1) pages = 0;
        std::fclose(f);
    }
    const rlim_t limit = static_cast<rlim_t>(pages) * static_cast<rlim_t>(sysconf(_SC_PAGESIZE)) + (1 << 20);
    const rlimit cap{limit, limit};
    setrlimit(RLIMIT_AS, &cap);
    try {
        auto worker = StartGenerator(rig.S, {&rig.S}, {}, {rig.S.Displays[0]});
        std::_Exit(3);
    } catch (const std::system_error&) {
        std::_Exit(rig.S.Generating ? 2 : rig.S.Displays[0]->DrawingAnew ? 4 : 0);
    }
}

}  // namespace

TEST(GeneratorDeathTest, AThreadThatCannotStartLowersGeneratingAgain) {
    EXPECT_EXIT(StartWithoutRoomForAThread(), ::testing::ExitedWithCode(0), "");
}
#endif

TEST(Generator, ACancelledCycleEndsSoonWithNothingHalfDrawn) {
    // Asked before it starts and in the middle: either way no frame of the
    // morph holds part of a figure, the request waits for the next cycle,
    // and the worker lowers Generating.
    for (int delayMs : {0, 15}) {
        TEngineRig rig({{1920, 1080}, {1280, 1024}}, 9);
        rig.S.GenerateMorph();
        rig.S.RequestKoch = true;
        if (delayMs == 0) rig.S.Cancel = true;
        auto worker = StartGenerator(rig.S);
        std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
        rig.S.Cancel = true;
        worker.reset();
        EXPECT_FALSE(rig.S.Generating);
        EXPECT_TRUE(rig.S.RequestKoch);
        for (size_t d = 0; d < 2; ++d)
            for (int k = 2; k <= DesignedFrameCount; ++k) ASSERT_EQ(rig.CountSet(d, k), 0) << "display " << d << " frame " << k;
        EXPECT_GT(rig.CountSet(0, 1), 0);  // the start frame is whole
    }
}

TEST(Generator, TheStartFrameShowsTheLastTargetBeforeTheWorkerRuns) {
    // The displays go on showing frame 1 as the next cycle starts: it must
    // hold the last target's picture already, not fill in under a repaint.
    TEngineRig rig({{1920, 1080}, {640, 480}}, 31);
    rig.S.GenerateMorph();
    rig.S.GenerateMorph();
    std::vector<std::vector<uint32_t>> target;
    for (const auto& store : rig.Stores) {
        const TFrameBits& b = store->Dots(50).FrameBits;
        target.emplace_back();
        for (size_t i = 0; i < b.WordCount(); ++i) target.back().push_back(b.Row(0)[i].load());
    }
    const double hue = rig.Frames()[50].Hue;
    auto same = [&] {
        for (size_t d = 0; d < target.size(); ++d)
            for (size_t i = 0; i < target[d].size(); ++i)
                if (rig.Stores[d]->Dots(1).FrameBits.Row(0)[i].load() != target[d][i]) return false;
        return rig.Frames()[1].Hue == hue;
    };
    auto worker = StartGenerator(rig.S);
    EXPECT_TRUE(same());
    worker.reset();
    EXPECT_TRUE(same());
}

namespace {

// A display's frames allocated anew in the figure's place `d`, as a
// changed layout gives it (a first display takes the maps over): the old
// store stays for comparison.
TFrameStore* Replace(TEngineRig& rig, size_t d, std::vector<std::unique_ptr<TFrameStore>>& kept) {
    const TFrameStore& old = *rig.S.Displays[d];
    kept.push_back(std::make_unique<TFrameStore>());
    kept.back()->AllocateFrames(old.ScreenWidth, old.ScreenHeight, old.Frames.Count(), old.Style());
    kept.back()->CopyMorphOf(old);
    rig.S.Displays[d] = kept.back().get();
    return kept.back().get();
}

}  // namespace

TEST(Generator, DisplaysGivenFramesMidShowGetTheFiguresPicturesExactly) {
    for (const TStyle style : {TStyle::Dots, TStyle::Glow}) {
        SCOPED_TRACE(style == TStyle::Glow ? "glow" : "dots");
        // The smaller display drawn anew: glow's orbits, their length and its light are the whole figure's.
        TEngineRig rig({{320, 200}, {200, 150}}, 5, style);
        const size_t d = rig.Stores.size() - 1;
        std::vector<std::unique_ptr<TFrameStore>> kept;
        TFrameStore empty;
        empty.AllocateFrames(rig.Stores[d]->ScreenWidth, rig.Stores[d]->ScreenHeight, 1, style);

        // In the first cycle: its empty start stays empty, its morph is drawn.
        GenerateAndWait(rig.S);
        TFrameStore* fresh = Replace(rig, d, kept);
        StartDrawingAnew(rig.S, {&rig.S}, {fresh}, 1).reset();
        EXPECT_FALSE(rig.S.Generating);
        EXPECT_FALSE(fresh->DrawingAnew);
        EXPECT_EQ(fresh->FrameHash(1), rig.Stores[d]->FrameHash(1));
        for (int k = 2; k <= DesignedFrameCount; ++k) ASSERT_EQ(fresh->FrameHash(k), rig.Stores[d]->FrameHash(k)) << k;

        // Later: the start picture (the last target) too, and only the frames still to be shown.
        GenerateAndWait(rig.S);
        const TFrameStore* before = fresh;
        fresh = Replace(rig, d, kept);
        StartDrawingAnew(rig.S, {&rig.S}, {fresh}, 30).reset();
        EXPECT_EQ(fresh->FrameHash(29), empty.FrameHash(1));
        for (int k = 30; k <= DesignedFrameCount; ++k) ASSERT_EQ(fresh->FrameHash(k), before->FrameHash(k)) << k;
        EXPECT_TRUE(fresh->FrameReady(50));

        // At a cycle's start the worker first draws the picture that the cycle starts from.
        const TFrameStore* last = fresh;
        fresh = Replace(rig, d, kept);
        StartGenerator(rig.S, {&rig.S}, {}, {fresh}).reset();
        EXPECT_FALSE(fresh->DrawingAnew);
        EXPECT_EQ(fresh->FrameHash(1), last->FrameHash(50));
        EXPECT_NE(fresh->FrameHash(1), fresh->FrameHash(2));

        // Asked to stop: nothing half drawn (a glow frame not shown), and the flag is down.
        fresh = Replace(rig, d, kept);
        rig.S.Cancel = true;
        StartDrawingAnew(rig.S, {&rig.S}, {fresh}, 1).reset();
        rig.S.Cancel = false;
        EXPECT_FALSE(fresh->DrawingAnew);
        for (int k = 1; k <= DesignedFrameCount; ++k) {
            ASSERT_EQ(fresh->FrameHash(k), empty.FrameHash(1)) << k;
            ASSERT_TRUE(style == TStyle::Dots || !fresh->FrameReady(k)) << k;
        }
    }
}
