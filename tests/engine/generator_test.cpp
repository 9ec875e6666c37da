#include "engine/generator.h"

#include <gtest/gtest.h>

#include <thread>

#include "tests/engine/engine_rig.h"

using namespace ombrel;

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
        EXPECT_GE(seen, 0u);
    }
    EXPECT_GT(rig.CountSet(1, 50), 0);
}
