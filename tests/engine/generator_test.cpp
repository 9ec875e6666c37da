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
// exits 0 when the start failed and Generating is down again.
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
        auto worker = StartGenerator(rig.S);
        std::_Exit(3);
    } catch (const std::system_error&) {
        std::_Exit(rig.S.Generating ? 2 : 0);
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
        const TFrameBits& b = store->Frames[50].FrameBits;
        target.emplace_back();
        for (size_t i = 0; i < b.WordCount(); ++i) target.back().push_back(b.Row(0)[i].load());
    }
    const double hue = rig.Frames()[50].Hue;
    auto same = [&] {
        for (size_t d = 0; d < target.size(); ++d)
            for (size_t i = 0; i < target[d].size(); ++i)
                if (rig.Stores[d]->Frames[1].FrameBits.Row(0)[i].load() != target[d][i]) return false;
        return rig.Frames()[1].Hue == hue;
    };
    auto worker = StartGenerator(rig.S);
    EXPECT_TRUE(same());
    worker.reset();
    EXPECT_TRUE(same());
}
