#include "engine/frame_store.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "engine/morph_state.h"

using namespace ombrel;

namespace {

int CountSet(const TFrameStore& d, int frame) {
    int n = 0;
    for (int y = 0; y < d.ScreenHeight; ++y)
        for (int x = 0; x < d.ScreenWidth; ++x) n += d.mb_getpixel(frame, x, y);
    return n;
}

}  // namespace

TEST(PointBudget, RoundsAreaOverSixPointFourToEven) {
    EXPECT_EQ(ComputePointBudget(1920, 1080), 324000);
    EXPECT_EQ(ComputePointBudget(1366, 768), 163920);
    EXPECT_EQ(ComputePointBudget(1280, 1024), 204800);
    EXPECT_EQ(ComputePointBudget(1024, 768), 122880);
    EXPECT_EQ(ComputePointBudget(800, 600), 75000);
    EXPECT_EQ(ComputePointBudget(1680, 1050), 275625);
    EXPECT_EQ(ComputePointBudget(1440, 900), 202500);
    // Quotients ending in exactly one half go to the even neighbour.
    EXPECT_EQ(ComputePointBudget(4, 4), 2);
    EXPECT_EQ(ComputePointBudget(8, 6), 8);
    EXPECT_EQ(ComputePointBudget(16384, 16384), 41943040);
}

TEST(PointBudget, RejectsSizesThatCannotBeAStore) {
    EXPECT_THROW(ComputePointBudget(0, 1080), std::invalid_argument);
    EXPECT_THROW(ComputePointBudget(1920, -1), std::invalid_argument);
    EXPECT_THROW(ComputePointBudget(65536, 65536), std::invalid_argument);
    TFrameStore d;
    EXPECT_THROW(d.AllocateFrames(0, 0), std::invalid_argument);
}

TEST(FrameStore, BitAddressingAtWidthsNotAMultipleOf32) {
    TFrameStore d;
    d.AllocateFrames(1366, 3);
    EXPECT_EQ(d.RowWords(), 43);
    EXPECT_EQ(d.PointBudget, ComputePointBudget(1366, 3));
    EXPECT_EQ(CountSet(d, 7), 0);

    d.SetPixel(7, 1365, 2);
    EXPECT_TRUE(d.mb_getpixel(7, 1365, 2));
    EXPECT_EQ(d.Dots(7).FrameBits.Row(2)[42].load(), 1u << 21);
    EXPECT_EQ(CountSet(d, 7), 1);

    d.SetPixel(7, 0, 0);
    d.SetPixel(7, 31, 0);
    d.SetPixel(7, 32, 0);
    EXPECT_EQ(d.Dots(7).FrameBits.Row(0)[0].load(), 0x80000001u);
    EXPECT_EQ(d.Dots(7).FrameBits.Row(0)[1].load(), 1u);

    TFrameStore narrow;
    narrow.AllocateFrames(1365, 1);
    EXPECT_EQ(narrow.RowWords(), 43);
    narrow.SetPixel(1, 1364, 0);
    EXPECT_TRUE(narrow.mb_getpixel(1, 1364, 0));
    EXPECT_EQ(narrow.Dots(1).FrameBits.Row(0)[42].load(), 1u << 20);
}

TEST(FrameStore, OutOfBoundsIsIgnoredAndReadsFalse) {
    TFrameStore d;
    d.AllocateFrames(1366, 768);
    const int xs[] = {-1, 1366, 0, 5, -2147483647 - 1, 2147483647};
    const int ys[] = {0, 0, -1, 768, 0, 0};
    for (size_t i = 0; i < std::size(xs); ++i) {
        d.SetPixel(3, xs[i], ys[i]);
        EXPECT_FALSE(d.mb_getpixel(3, xs[i], ys[i]));
    }
    EXPECT_EQ(CountSet(d, 3), 0);
    // Setting twice leaves one bit; the neighbours stay clear.
    d.SetPixel(3, 100, 100);
    d.SetPixel(3, 100, 100);
    EXPECT_EQ(CountSet(d, 3), 1);
}

TEST(FrameStore, ClearAndCopyWorkOnEveryDisplayOfEverySize) {
    TFrameStore a, b;
    a.AllocateFrames(70, 5);
    b.AllocateFrames(33, 9);
    TMorphState s;
    s.Displays = {&a, &b};
    for (TFrameStore* d : s.Displays)
        for (int k = 1; k <= DesignedFrameCount; ++k)
            for (int y = 0; y < d->ScreenHeight; ++y) d->SetPixel(k, (k + y) % d->ScreenWidth, y);

    s.CopyFrameBits(1, 50);
    for (TFrameStore* d : s.Displays)
        for (int y = 0; y < d->ScreenHeight; ++y)
            for (int x = 0; x < d->ScreenWidth; ++x) {
                ASSERT_EQ(d->mb_getpixel(1, x, y), d->mb_getpixel(50, x, y));
                ASSERT_EQ(d->mb_getpixel(50, x, y), x == (50 + y) % d->ScreenWidth);
            }

    s.ClearFrames();
    for (TFrameStore* d : s.Displays) {
        EXPECT_EQ(CountSet(*d, 1), d->ScreenHeight);
        for (int k = 2; k <= DesignedFrameCount; ++k) EXPECT_EQ(CountSet(*d, k), 0);
    }
}

TEST(FrameStore, ReleaseEmptiesEveryFrame) {
    TFrameStore d;
    d.AllocateFrames(64, 4);
    d.ReleaseFrames();
    for (int k = 1; k <= DesignedFrameCount; ++k) {
        EXPECT_EQ(d.Dots(k).FrameBits.Rows(), 0);
        EXPECT_EQ(d.Dots(k).FrameBits.WordCount(), 0u);
    }
}

TEST(MaxPointBudget, IsTheLargestBudgetInEitherOrder) {
    TFrameStore big, small;
    big.AllocateFrames(1920, 1080);
    small.AllocateFrames(1280, 1024);
    TMorphState s;
    s.Displays = {&small, &big};
    s.UpdateMaxPointBudget();
    EXPECT_EQ(s.MaxPointBudget, 324000);
    s.Displays = {&big, &small};
    s.UpdateMaxPointBudget();
    EXPECT_EQ(s.MaxPointBudget, 324000);
}

TEST(FrameStore, HoldsThePicturesOfItsStyleOnly) {
    TFrameStore d;
    d.AllocateFrames(40, 6, 3, TStyle::Glow);
    ASSERT_EQ(d.Style(), TStyle::Glow);
    EXPECT_EQ(d.PicturesOf<TDotsFrame>(), nullptr);
    ASSERT_EQ(d.PicturesOf<TGlowFrame>()->Count(), 3);
    // No bits to set or read, and the light untouched.
    d.SetPixel(2, 1, 1);
    EXPECT_FALSE(d.mb_getpixel(2, 1, 1));
    EXPECT_EQ(d.FrameHash(2), d.FrameHash(1));
    EXPECT_TRUE(d.FrameReady(2));
    d.ClearFrame(2);
    EXPECT_FALSE(d.FrameReady(2));
    d.CopyFrame(2, 1);
    EXPECT_TRUE(d.FrameReady(2));
    EXPECT_EQ(TFrameStore::FrameBytes(40, 6, 3, TStyle::Glow), (40 * 6 + 20 * 3) * 3);
    EXPECT_EQ(TFrameStore::FrameBytes(40, 6, 3, TStyle::Dots), 2 * 4 * 6 * 3);

    // Made anew in the other style, it holds that one's.
    d.ReleaseFrames();
    d.AllocateFrames(40, 6, 3, TStyle::Dots);
    EXPECT_EQ(d.PicturesOf<TGlowFrame>(), nullptr);
    d.SetPixel(2, 1, 1);
    EXPECT_TRUE(d.mb_getpixel(2, 1, 1));
    EXPECT_TRUE(d.DrawnInSight());
}
