#include "engine/background_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <new>
#include <stdexcept>

using namespace ombrel;

TEST(OnThreads, EveryPartRunsOnceAndAFailedPartReachesTheCallerAfterAllHaveEnded) {
    std::atomic<int> runs[4] = {};
    OnThreads(4, [&](int t) { ++runs[t]; });
    for (const auto& r : runs) EXPECT_EQ(r.load(), 1);

    // A part of a helper's (a frame too large for the memory left) and the
    // caller's own: neither may end the process, and the others finish.
    for (int failing : {2, 0}) {
        std::atomic<int> finished = 0;
        EXPECT_THROW(OnThreads(4,
                               [&](int t) {
                                   if (t == failing) throw std::bad_alloc();
                                   ++finished;
                               }),
                     std::bad_alloc)
            << "part " << failing;
        EXPECT_EQ(finished.load(), 3) << "part " << failing;
    }

    // Several failures: one of them comes back.
    EXPECT_THROW(OnThreads(3, [](int) { throw std::runtime_error("no"); }), std::runtime_error);
}
