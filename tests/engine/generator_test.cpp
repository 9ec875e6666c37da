#include "engine/generator.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

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
