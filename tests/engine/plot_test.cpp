#include "engine/plot.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>

using namespace ombrel;

namespace {

uint64_t BitsOf(double v) {
    uint64_t b;
    std::memcpy(&b, &v, sizeof b);
    return b;
}

bool SameBits(double a, double b) { return (std::isnan(a) && std::isnan(b)) || BitsOf(a) == BitsOf(b); }

}  // namespace

TEST(Plot, BothSharesAtOnceHaveTheBitsOfTheFormulaOneAtATime) {
    const double inf = std::numeric_limits<double>::infinity();
    std::vector<double> values{0.0, -0.0, 1e-310, -1e-310, 1e300, -1e300, inf, -inf, std::nan(""), 999999.9999, 1.0 / 3};
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> any(-20, 20);
    for (int i = 0; i < 2000; ++i) values.push_back(any(random));
    for (TTargetKind kind : {TTargetKind::Random, TTargetKind::Fern, TTargetKind::Koch, TTargetKind::Sierpinski}) {
        const TPlacement& p = PlacementOf(kind);
        for (size_t i = 0; i < values.size(); ++i) {
            const double x = values[i], y = values[values.size() - 1 - i];
            const TCanvasView::TPair s = TCanvasView::Shares(p, TCanvasView::TPair{x, y});
            EXPECT_TRUE(SameBits(s[0], (x * p.Kx + p.Ox) / 800)) << x;
            EXPECT_TRUE(SameBits(s[1], (p.Oy - y * p.Ky) / 600)) << y;
        }
    }
}

TEST(Plot, APointLightsTheBitOfItsRoundedPixelAndNothingOffTheDisplay) {
    // A 100 x 50 display at (30, 10) of a 200 x 80 picture, 4 words a row.
    const TCanvasView view{200, 80, 30, 10, 100, 50};
    const size_t rowWords = 4;
    const auto at = [&](double fx, double fy, size_t& word, uint32_t& bits) {
        view.WordOf(TCanvasView::TPair{fx / 200, fy / 80}, rowWords, word, bits);
    };
    // The straightforward way, with branches and the processor's rounding.
    ASSERT_EQ(std::fegetround(), FE_TONEAREST);
    const auto expected = [&](double fx, double fy, size_t& word, uint32_t& bits) {
        word = 0;
        bits = 0;
        fx = fx / 200 * 200;
        fy = fy / 80 * 80;
        if (!(fx > -1 && fx < 200 && fy > -1 && fy < 80)) return;
        const double X = std::nearbyint(fx) - 30, Y = std::nearbyint(fy) - 10;
        if (X < 0 || X >= 100 || Y < 0 || Y >= 50) return;
        word = static_cast<size_t>(Y) * rowWords + static_cast<size_t>(X) / 32;
        bits = 1u << (static_cast<int>(X) % 32);
    };
    const double inf = std::numeric_limits<double>::infinity(), nan = std::nan("");
    // Ties to even at the display's edges, the picture's edges, and what no integer holds.
    const std::vector<double> xs{29.5, 30.5, 29.49, 129.4, 129.5, 130.5, -0.5, -0.99, -1, 199.4, 199.6, 1e300, -inf, inf, nan, 62.5, 61.5};
    const std::vector<double> ys{9.5, 10.5, 9.49, 59.4, 59.5, 60.5, -0.5, 79.6, -inf, nan, 30};
    std::mt19937_64 random(11);
    std::uniform_real_distribution<double> any(-40, 240);
    std::vector<std::pair<double, double>> points;
    for (double x : xs)
        for (double y : ys) points.emplace_back(x, y);
    for (int i = 0; i < 20000; ++i) points.emplace_back(any(random), any(random) / 2.5);
    int lit = 0;
    for (auto [x, y] : points) {
        size_t word, wantWord;
        uint32_t bits, wantBits;
        at(x, y, word, bits);
        expected(x, y, wantWord, wantBits);
        EXPECT_EQ(word, wantWord) << x << ", " << y;
        EXPECT_EQ(bits, wantBits) << x << ", " << y;
        lit += bits != 0;
    }
    EXPECT_GT(lit, 2500);  // about one in six lands on the display
    // The display's corners: pixel (0, 0) is bit 0 of word 0, pixel (99, 49) bit 3 of the last word of row 49.
    size_t word;
    uint32_t bits;
    at(30.4, 10.4, word, bits);
    EXPECT_EQ(word, 0u);
    EXPECT_EQ(bits, 1u);
    at(129.4, 59.4, word, bits);
    EXPECT_EQ(word, 49 * rowWords + 3);
    EXPECT_EQ(bits, 1u << 3);
}
