#include <gtest/gtest.h>

#include <cmath>

#include "display/wayland_idle.h"
#include "display/wayland_input.h"

using namespace ombrel;

TEST(SeatInput, OnlyAMoveBeyondTheDistanceInAnyDirectionEndsTheShow) {
    // Exactly the distance is still a hand at rest.
    EXPECT_FALSE(MovedBeyondDismissDistance(100, 100, 110, 100));
    EXPECT_FALSE(MovedBeyondDismissDistance(100, 100, 100, 90));
    EXPECT_TRUE(MovedBeyondDismissDistance(100, 100, 110.01, 100));
    EXPECT_TRUE(MovedBeyondDismissDistance(100, 100, 100, 89.99));
    // Measured as a distance, not per axis: 7 and 7 is 9.9, 8 and 8 is 11.3.
    EXPECT_FALSE(MovedBeyondDismissDistance(0, 0, -7, 7));
    EXPECT_TRUE(MovedBeyondDismissDistance(0, 0, 8, -8));
    // Sub-pixel jitter around the start, as a mouse at rest reports it.
    for (int i = 0; i < 100; ++i)
        EXPECT_FALSE(MovedBeyondDismissDistance(500.5, 300.25, 500.5 + std::sin(i) * 3, 300.25 + std::cos(i) * 3));
    EXPECT_FALSE(MovedBeyondDismissDistance(0, 0, std::nan(""), 0));
}

TEST(IdleWatch, TheStandardProtocolWhereOfferedKdesOtherwise) {
    EXPECT_EQ(ChooseIdleProtocol(true, true), TIdleProtocol::IdleNotify);  // KWin 5.27 offers both
    EXPECT_EQ(ChooseIdleProtocol(true, false), TIdleProtocol::IdleNotify);
    EXPECT_EQ(ChooseIdleProtocol(false, true), TIdleProtocol::KdeIdle);  // sway 1.7
    EXPECT_EQ(ChooseIdleProtocol(false, false), TIdleProtocol::None);
}

TEST(SeatInput, DistanceCountsFromWhereThePointerCameOntoTheSurface) {
    TPointerHysteresis pointer;
    // Without an enter, the first motion stands for it.
    EXPECT_FALSE(pointer.Moved(300, 300));
    EXPECT_FALSE(pointer.Moved(309, 300));
    EXPECT_TRUE(pointer.Moved(311, 300));
    // Onto another surface: counted from there, not from the first.
    pointer.Entered(5, 5);
    EXPECT_FALSE(pointer.Moved(12, 12));
    EXPECT_TRUE(pointer.Moved(13, 13));
    // Gone and back where no enter comes: the next motion starts anew.
    pointer.Left();
    EXPECT_FALSE(pointer.Moved(900, 900));
    EXPECT_FALSE(pointer.Moved(905, 905));
}
