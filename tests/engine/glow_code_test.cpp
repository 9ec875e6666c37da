#include "engine/glow_code.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <stdexcept>

#include "engine/glow.h"
#include "engine/random.h"

namespace ombrel {
namespace {

// A plane of light painted by `paint`, with shades where blocks are lit
// and its lit box, as the rasteriser leaves one.
template <typename TPaint>
TGlowPlane PlaneOf(int w, int h, TPaint&& paint) {
    TGlowPlane p;
    p.Allocate(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) p.Light[static_cast<size_t>(y) * w + x] = paint(x, y);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (p.Light[static_cast<size_t>(y) * w + x])
                p.Shade[static_cast<size_t>(y / 2) * p.ShadeWidth + x / 2] = static_cast<uint8_t>(1 + (x * 7 + y) % 250);
    p.Lit = LitBoxOf(p.Light.get(), w, h);
    return p;
}

void ExpectSame(const TGlowPlane& a, const TGlowPlane& b) {
    ASSERT_EQ(a.Pixels(), b.Pixels());
    for (size_t i = 0; i < a.Pixels(); ++i) ASSERT_EQ(a.Light[i], b.Light[i]) << i;
    for (size_t i = 0; i < a.Blocks(); ++i) ASSERT_EQ(a.Shade[i], b.Shade[i]) << i;
    EXPECT_EQ(a.Lit, b.Lit);
}

TEST(GlowCode, EveryFrameComesBackAsItWasWhateverItsRunsAndThreads) {
    // Runs of black of 1, 2, 127..129 and more, lit runs as long, rows with
    // nothing lit inside the box, widths around the eight-byte steps, odd sizes.
    const auto runs = [](int x, int y) -> uint8_t {
        const int period = 1 + y % 7 * 43, lit = 1 + y % 5 * 64;
        return (x + y) % (period + lit) < lit && y % 9 != 4 ? static_cast<uint8_t>(1 + (x ^ y) % 255) : 0;
    };
    TRandom random(5);
    const auto sparse = [&](int, int) -> uint8_t { return random.Real() < 0.03 ? static_cast<uint8_t>(255) : 0; };
    const auto one = [](int x, int y) -> uint8_t { return x == 8 && y == 3 ? 9 : 0; };
    const auto full = [](int x, int y) -> uint8_t { return static_cast<uint8_t>(1 + (x + y) % 255); };
    const auto black = [](int, int) -> uint8_t { return 0; };
    for (auto [w, h] : {std::pair{1, 1}, std::pair{7, 3}, std::pair{9, 17}, std::pair{300, 41}, std::pair{517, 64}}) {
        for (int kind = 0; kind < 5; ++kind) {
            const TGlowPlane plane = kind == 0   ? PlaneOf(w, h, runs)
                                     : kind == 1 ? PlaneOf(w, h, sparse)
                                     : kind == 2 ? PlaneOf(w, h, one)
                                     : kind == 3 ? PlaneOf(w, h, full)
                                                 : PlaneOf(w, h, black);
            for (int threads : {1, 2, 3}) {
                SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h) + " kind " + std::to_string(kind) + " threads " +
                             std::to_string(threads));
                const auto code = TGlowCode::Of(plane, threads);
                ExpectSame(code->Plane(w, h), plane);
                // Each thread's share of the code takes whole pages.
                const auto pages = static_cast<size_t>(threads * sysconf(_SC_PAGESIZE));
                EXPECT_LE(code->Bytes(), sizeof(TGlowCode) + plane.Pixels() * 102 / 100 + plane.Blocks() * 102 / 100 +
                                             static_cast<size_t>(h) * 32 + 64 + pages);
            }
        }
    }
}

TEST(GlowCode, RowsAndPartsOfRowsReadOutBlackBeyondTheLitPixels) {
    // Lit at columns 10..12 of row 5 and at column 40 of row 6.
    const TGlowPlane plane = PlaneOf(64, 12, [](int x, int y) -> uint8_t {
        return (y == 5 && x >= 10 && x <= 12) || (y == 6 && x == 40) ? static_cast<uint8_t>(100 + x) : 0;
    });
    const auto code = TGlowCode::Of(plane);
    EXPECT_EQ(code->Lit(), (TLitBox{10, 5, 40, 6}));
    EXPECT_EQ(code->RowsBox(0, 6), (TLitBox{10, 5, 12, 5}));
    EXPECT_EQ(code->RowsBox(6, 32), (TLitBox{40, 6, 40, 6}));
    EXPECT_TRUE(code->RowsBox(7, 5).Empty());
    uint8_t row[8];
    std::fill(std::begin(row), std::end(row), uint8_t{7});
    code->LightRow(5, 8, 11, row);
    EXPECT_EQ(std::vector<uint8_t>(row, row + 5), (std::vector<uint8_t>{0, 0, 110, 111, 7}));
    code->LightRow(5, 12, 19, row);
    EXPECT_EQ(std::vector<uint8_t>(row, row + 8), (std::vector<uint8_t>{112, 0, 0, 0, 0, 0, 0, 0}));
    code->LightRow(0, 0, 7, row);
    EXPECT_EQ(std::vector<uint8_t>(row, row + 8), std::vector<uint8_t>(8, 0));
    code->ShadeRow(3, 19, 21, row);
    EXPECT_EQ(row[0], 0);
    EXPECT_EQ(row[1], plane.Shade[3 * 32 + 20]);
    EXPECT_NE(row[1], 0);
    EXPECT_EQ(row[2], 0);
    // A black frame's code reads out black.
    const TGlowCode none;
    EXPECT_TRUE(none.Lit().Empty());
    none.LightRow(3, 0, 7, row);
    EXPECT_EQ(std::vector<uint8_t>(row, row + 8), std::vector<uint8_t>(8, 0));
}

TEST(GlowCode, PartsCodedOverWiderRowsJoinIntoTheBoxOfTheirLitPixels) {
    // Two threads' shares of rows 2..9 of a 4K display, as the rasteriser
    // codes them: lit only at a few pixels of rows 6 and 7.
    constexpr int W = 3840;
    std::vector<uint8_t> light(W), shade(W / 2);
    std::vector<TGlowCode::TPart> parts(2);
    const auto code = [&](TGlowCode::TPart& part, int top, int bottom) {
        part.Start(top, bottom - top, W, top / 2, (bottom - top) / 2, W / 2);
        for (int y = top; y < bottom; ++y) {
            std::fill(light.begin(), light.end(), uint8_t{0});
            if (y == 6) light[1000] = light[1001] = 50;
            if (y == 7) light[2001] = 60;
            part.LightRow(light.data(), 0, W - 1);
            if (y % 2 == 1) {
                std::fill(shade.begin(), shade.end(), uint8_t{0});
                if (y == 7) shade[500] = shade[1000] = 9;
                part.ShadeRow(shade.data(), 0, W / 2 - 1);
            }
        }
    };
    code(parts[0], 2, 6);
    code(parts[1], 6, 10);
    const auto joined = TGlowCode::Join(parts);
    EXPECT_EQ(joined->Lit(), (TLitBox{1000, 6, 2001, 7}));
    uint8_t row[4];
    joined->LightRow(6, 999, 1002, row);
    EXPECT_EQ(std::vector<uint8_t>(row, row + 4), (std::vector<uint8_t>{0, 50, 50, 0}));
    joined->LightRow(7, 2000, 2002, row);
    EXPECT_EQ(std::vector<uint8_t>(row, row + 3), (std::vector<uint8_t>{0, 60, 0}));
    joined->LightRow(5, 999, 1002, row);
    EXPECT_EQ(std::vector<uint8_t>(row, row + 4), std::vector<uint8_t>(4, 0));
    joined->ShadeRow(3, 999, 1001, row);
    EXPECT_EQ(std::vector<uint8_t>(row, row + 3), (std::vector<uint8_t>{0, 9, 0}));
    // Room was there for every row at full width; only the written page stays.
    EXPECT_LE(joined->Bytes(), sizeof(TGlowCode) + static_cast<size_t>(sysconf(_SC_PAGESIZE)) + 256);
}

TEST(CodePages, HoldWhatIsWrittenAndRefuseMoreThanTheirRoom) {
    const auto page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    TCodePages pages(3 * page);
    std::memset(pages.Room(page + 5), 0xAB, page + 5);
    pages.Wrote(page + 5);
    EXPECT_THROW(pages.Room(2 * page), std::length_error);
    pages.Trim();
    EXPECT_EQ(pages.Bytes(), 2 * page);
    EXPECT_THROW(pages.Room(page), std::length_error);
    const TCodePages moved = std::move(pages);
    EXPECT_EQ(moved.Used(), page + 5);
    EXPECT_EQ(moved.Data()[page + 4], 0xAB);
    EXPECT_EQ(pages.Data(), nullptr);
}

}  // namespace
}  // namespace ombrel
