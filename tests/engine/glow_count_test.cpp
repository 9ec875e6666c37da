#include "engine/glow_count.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

using namespace ombrel;

namespace {

struct TCase {
    int Left, Top, Width, Height;
};

}  // namespace

TEST(GlowCount, APointCountsOnceWhereItRoundsToAPixelOfTheDisplayAndNowhereElse) {
    // An 800 x 600 picture whose placement is the identity: x and y are the
    // picture's coordinates, so the edges can be hit exactly. A display
    // inside it, and one that is the whole picture, whose edges are the picture's.
    const TPlacement identity{1, 0, -1, 0};
    const double inf = std::numeric_limits<double>::infinity(), nan = std::numeric_limits<double>::quiet_NaN();
    ASSERT_EQ(std::fegetround(), FE_TONEAREST);
    for (const TCase c : {TCase{100, 50, 300, 200}, TCase{0, 0, 800, 600}}) {
        TFrameStore d;
        d.ScreenWidth = c.Width;
        d.ScreenHeight = c.Height;
        d.CanvasLeft = c.Left;
        d.CanvasTop = c.Top;
        d.CanvasWidth = 800;
        d.CanvasHeight = 600;
        const size_t pixels = static_cast<size_t>(c.Width) * c.Height;
        std::vector<uint16_t> counts(pixels + 1, 0);
        const size_t blockRow = static_cast<size_t>(c.Width + 1) / 2;
        std::vector<uint32_t> shades(blockRow * static_cast<size_t>((c.Height + 1) / 2) + 1, 0);
        TCountTarget target(d, identity, counts.data(), shades.data());
        ASSERT_EQ(target.Ax, 1.0);
        ASSERT_EQ(target.Ay, 1.0);

        // Around every edge of the display and of the picture, at and beside
        // the halves where rounding turns, and what never rounds into it.
        std::vector<double> xs, ys;
        const auto around = [inf](std::vector<double>& v, double edge) {
            for (double d : {-1.5, -1.0, -0.75, -0.5, -0.25, 0.0, 0.25, 0.5, 0.75, 1.0})
                v.push_back(edge + d), v.push_back(std::nextafter(edge + d, -inf)), v.push_back(std::nextafter(edge + d, inf));
        };
        for (double e : {0.0, double(c.Left), double(c.Left + c.Width - 1), 799.0, 800.0}) around(xs, e);
        for (double e : {0.0, double(c.Top), double(c.Top + c.Height - 1), 599.0, 600.0}) around(ys, e);
        for (double odd : {nan, inf, -inf, 1e300, -1e300, 4503599627370496.0, -4503599627370496.0, -0.0})
            xs.push_back(odd), ys.push_back(odd);
        std::vector<double> px, py;
        for (double x : xs)
            for (double y : ys) px.push_back(x), py.push_back(y);
        std::mt19937_64 random(5);
        std::uniform_real_distribution<double> anyX(-50, 850), anyY(-50, 650);
        for (int i = 0; i < 20000; ++i) px.push_back(anyX(random)), py.push_back(anyY(random));

        // The straightforward way, with branches and the processor's rounding.
        std::vector<uint32_t> expected(pixels + 1, 0), expectedShades(shades.size(), 0);
        int minX = INT32_MAX, minY = INT32_MAX, maxX = -1, maxY = -1;
        for (size_t i = 0; i < px.size(); ++i) {
            const double fx = px[i] * target.Ax + target.Bx, fy = py[i] * target.Ay + target.By;
            if (!(fx > -1 && fx < 800 && fy > -1 && fy < 600)) continue;
            const double X = std::nearbyint(fx) - c.Left, Y = std::nearbyint(fy) - c.Top;
            if (X < 0 || X >= c.Width || Y < 0 || Y >= c.Height) continue;
            ++expected[static_cast<size_t>(Y) * c.Width + static_cast<size_t>(X)];
            ++expectedShades[static_cast<size_t>(Y) / 2 * blockRow + static_cast<size_t>(X) / 2];
            minX = std::min(minX, int(X)), maxX = std::max(maxX, int(X));
            minY = std::min(minY, int(Y)), maxY = std::max(maxY, int(Y));
        }

        // In batches of every size modulo four, each with room for three more.
        size_t at = 0;
        for (int size = 1; at < px.size(); size = size % 300 + 7) {
            const int n = static_cast<int>(std::min<size_t>(size, px.size() - at));
            std::vector<double> bx(px.begin() + at, px.begin() + at + n), by(py.begin() + at, py.begin() + at + n);
            bx.resize(bx.size() + 3), by.resize(by.size() + 3);
            std::vector<uint32_t> slots(static_cast<size_t>(n) + 3), blocks(static_cast<size_t>(n) + 3),
                ones(static_cast<size_t>(n), 1);
            target.Place(bx.data(), by.data(), n, slots.data(), blocks.data());
            target.Raise(slots.data(), blocks.data(), ones.data(), n);
            at += static_cast<size_t>(n);
        }
        for (size_t p = 0; p < pixels; ++p) ASSERT_EQ(counts[p], expected[p]) << "pixel " << p % c.Width << ", " << p / c.Width;
        // Each point's shade in its block of 2 x 2 pixels.
        for (size_t b = 0; b + 1 < shades.size(); ++b) ASSERT_EQ(shades[b], expectedShades[b]) << "block " << b;
        EXPECT_EQ(target.Box(), (TLitBox{minX, minY, maxX, maxY}));

        // Nothing on the display: no box.
        TCountTarget none(d, identity, counts.data(), shades.data());
        double off[5] = {-5, nan}, offY[5] = {10, 10};
        uint32_t slots[5], blocks[5];
        none.Place(off, offY, 2, slots, blocks);
        EXPECT_TRUE(none.Box().Empty());
    }
}

TEST(GlowCount, ACountStopsAtItsLargestValueWhileItsShadesWrapRound) {
    TFrameStore d;
    d.ScreenWidth = d.CanvasWidth = 4;
    d.ScreenHeight = d.CanvasHeight = 3;
    std::vector<uint16_t> counts(13, 0);
    std::vector<uint32_t> shades(13, 0);
    counts[5] = 0xFFFE;
    shades[5] = 0xFFFFFF00u;
    TCountTarget target(d, TPlacement{1, 0, -1, 0}, counts.data(), shades.data());
    const uint32_t slots[] = {5, 5, 5, 12, 0}, blocks[] = {5, 5, 5, 6, 0}, hues[] = {200, 100, 1, 7, 255};
    target.Raise(slots, blocks, hues, 5);
    EXPECT_EQ(counts[5], 0xFFFF);
    EXPECT_EQ(shades[5], 45u);
    EXPECT_EQ(counts[0], 1);
    EXPECT_EQ(shades[0], 255u);
}
