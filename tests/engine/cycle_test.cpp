#include "engine/cycle.h"

#include <gtest/gtest.h>

using namespace ombrel;

TEST(Cycle, CounterSelectsTheFrame) {
    EXPECT_EQ(DesignedTiming.SelectFrame(0), 1);
    EXPECT_EQ(DesignedTiming.SelectFrame(40), 1);
    EXPECT_EQ(DesignedTiming.SelectFrame(50), 1);
    EXPECT_EQ(DesignedTiming.SelectFrame(51), 2);
    EXPECT_EQ(DesignedTiming.SelectFrame(99), 50);
    EXPECT_EQ(DesignedTiming.SelectFrame(100), 0);
    EXPECT_EQ(DesignedTiming.SelectFrame(-1), 0);
    EXPECT_EQ(DesignedTiming.SelectFrame(-2147483647 - 1), 0);
}
