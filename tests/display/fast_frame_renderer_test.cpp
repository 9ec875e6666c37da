#include "display/fast_frame_renderer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

#include "display/glow_palette.h"
#include "tests/display/gl_recorder.h"

using namespace ombrel;
using ombrel::testing::TGLCall;
using ombrel::testing::TGLRecorder;

namespace {

// Whether every push is popped, in order, by the end of the call stream.
bool Balanced(const std::vector<TGLCall>& calls) {
    std::vector<std::string> stack;
    for (const TGLCall& c : calls) {
        if (c.Name == "glPushAttrib" || c.Name == "glPushMatrix") stack.push_back(c.Name);
        if (c.Name == "glPopAttrib" || c.Name == "glPopMatrix") {
            const std::string push = c.Name == "glPopAttrib" ? "glPushAttrib" : "glPushMatrix";
            if (stack.empty() || stack.back() != push) return false;
            stack.pop_back();
        }
    }
    return stack.empty();
}

}  // namespace

TEST(FastFrameRenderer, OneArrayOfPixelCentresInTheFramesColourAndEveryStateRestored) {
    TFrameStore d;
    d.AllocateFrames(1366, 4);  // not a multiple of 32
    const std::vector<std::pair<int, int>> set = {{0, 0}, {31, 0}, {32, 0}, {1365, 0}, {5, 2}, {1365, 3}};
    for (auto [x, y] : set) d.SetPixel(7, x, y);
    d.SetPixel(8, 100, 1);
    d.Frames[7].Hue = 0;
    d.Frames[7].Saturation = 1;
    d.Frames[7].Brightness = 255;

    TGLRecorder rec;
    TFastFrameRenderer renderer;
    renderer.Render(d, d, 7);
    EXPECT_TRUE(Balanced(rec.Calls));
    EXPECT_EQ(rec.Count("glEnable"), 0u);  // everything it turns off, PopAttrib turns back on
    EXPECT_EQ(rec.Count("glDrawArrays"), 1u);
    std::vector<double> points;
    for (auto [x, y] : set) points.insert(points.end(), {x + 0.5, y + 0.5});
    for (const TGLCall& c : rec.Calls) {
        if (c.Name == "glDrawArrays") {
            EXPECT_EQ(std::vector<double>(c.Args.begin() + 3, c.Args.end()), points);
        }
        if (c.Name == "glColor4fv") {
            EXPECT_EQ(c.Args, std::vector<double>({1, 0, 0, 1}));
        }
        if (c.Name == "gluOrtho2D") {
            EXPECT_EQ(c.Args, std::vector<double>({0, 1366, 4, 0}));  // y runs down
        }
    }

    // No frame (outside the cycle), or a frame with no point: the clear alone.
    for (int frame : {0, 48}) {
        TGLRecorder only;
        renderer.Render(d, d, frame);
        EXPECT_EQ(only.Names(), std::vector<std::string>({"glPushAttrib", "glClearColor", "glClear", "glPopAttrib"}))
            << frame;
    }
}

TEST(FastFrameRenderer, SaysWhereItLitInWindowPixelsUnlessTheFrameIsScaled) {
    TFrameStore d;
    d.AllocateFrames(1366, 4);
    for (auto [x, y] : std::vector<std::pair<int, int>>{{100, 1}, {7, 2}, {300, 2}}) d.SetPixel(9, x, y);
    d.SetPixel(10, 1365, 0);
    d.SetPixel(10, 0, 3);
    TGLRecorder rec;
    TFastFrameRenderer renderer;
    // Rows counted from the bottom, as OpenGL does: bitmap rows 1..2 are window rows 2..1.
    EXPECT_EQ(renderer.Render(d, d, 9, 1366, 4), (TPixelRect{7, 1, 294, 2}));
    EXPECT_EQ(renderer.Render(d, d, 10, 1366, 4), (TPixelRect{0, 0, 1366, 4}));
    EXPECT_EQ(renderer.Render(d, d, 0, 1366, 4), TPixelRect{});
    EXPECT_EQ(renderer.Render(d, d, 48, 1366, 4), TPixelRect{});
    // Drawn scaled onto another viewport, the points are not where the bits are.
    EXPECT_EQ(renderer.Render(d, d, 9, 683, 4), std::nullopt);
    EXPECT_EQ(renderer.Render(d, d, 9), std::nullopt);
}

TEST(FastFrameRenderer, ACrowdedBoxGoesOutAsAnImageThroughOneKeptTextureBlittedWhereTheContextCan) {
    TFrameStore d;
    d.AllocateFrames(64, 40);
    // Frame 3: a 10x4 block at columns 20..29, rows 34..37, without its
    // bottom left pixel, and its colour.
    for (int y = 34; y < 38; ++y)
        for (int x = 20; x < 30; ++x)
            if (x != 20 || y != 37) d.SetPixel(3, x, y);
    d.Frames[3].Hue = 0;
    d.Frames[3].Saturation = 1;
    d.Frames[3].Brightness = 255;
    // Frame 4: two points far apart, a sparse box.
    d.SetPixel(4, 1, 1);
    d.SetPixel(4, 60, 35);
    enum TContext { Blits, OpenGL2, Incomplete, Multisampled };
    for (TContext context : {Blits, OpenGL2, Incomplete, Multisampled}) {
        SCOPED_TRACE(context);
        TGLRecorder rec;
        if (context == OpenGL2) rec.Version = "2.1 Mesa";
        if (context == Incomplete) rec.FramebufferStatus = GL_FRAMEBUFFER_UNSUPPORTED;
        if (context == Multisampled) rec.SampleBuffers = 1;
        rec.ReadFramebuffer = 5;
        TFastFrameRenderer renderer;
        for (int round = 0; round < 2; ++round) {
            EXPECT_EQ(renderer.Render(d, d, 3, 64, 40), (TPixelRect{20, 2, 10, 4}));
            EXPECT_EQ(renderer.Render(d, d, 4, 64, 40), (TPixelRect{1, 4, 60, 35}));
        }
        EXPECT_TRUE(Balanced(rec.Calls));
        EXPECT_EQ(rec.Count("glDrawArrays"), 2u);
        EXPECT_EQ(rec.Count("glGenTextures"), 1u);
        EXPECT_EQ(rec.Count("glTexImage2D"), 1u);
        EXPECT_EQ(rec.Count("glDrawPixels"), 0u);
        // The box's pixels, top row first, red, opaque, as B, G, R, A.
        std::vector<std::vector<double>> uploads, corners, places, blits;
        for (const TGLCall& c : rec.Calls) {
            if (c.Name == "glTexSubImage2D") uploads.push_back(c.Args);
            if (c.Name == "glVertex2f") corners.push_back(c.Args);
            if (c.Name == "glTexCoord2f") places.push_back(c.Args);
            if (c.Name == "glBlitFramebuffer") blits.push_back(c.Args);
        }
        // First every row of the texture black, a band's room at a time
        // (256 rows), then the box at the texture's top, once a round.
        ASSERT_EQ(uploads.size(), 10u);
        for (size_t i = 0; i < 8; ++i)
            EXPECT_EQ(uploads[i], std::vector<double>({0, 0, 32.0 * i, 64, 32, GL_BGRA, GL_UNSIGNED_BYTE, 0, 0, 0, 0}));
        EXPECT_EQ(uploads[8], std::vector<double>({0, 20, 0, 10, 4, GL_BGRA, GL_UNSIGNED_BYTE, 0, 0, 255, 255}));
        EXPECT_EQ(uploads[9], uploads[8]);
        // One framebuffer for the context, its status asked once; the read binding restored.
        const bool tried = context == Blits || context == Incomplete;
        EXPECT_EQ(rec.Count("glGenFramebuffers"), tried ? 1u : 0u);
        EXPECT_EQ(rec.Count("glCheckFramebufferStatus"), tried ? 1u : 0u);
        EXPECT_EQ(rec.ReadFramebuffer, 5);
        if (context == Blits) {
            // The band turned the right way up on its own window pixels, and no quad.
            const std::vector<double> blit{20, 4, 30, 0, 20, 2, 30, 6, GL_COLOR_BUFFER_BIT, GL_NEAREST};
            EXPECT_EQ(blits, std::vector<std::vector<double>>(2, blit));
            EXPECT_TRUE(corners.empty());
            continue;
        }
        EXPECT_TRUE(blits.empty());
        // The quad on the box's window pixels, each corner on its texel turned the right way up.
        ASSERT_EQ(corners.size(), 8u);
        ASSERT_EQ(places.size(), 8u);
        EXPECT_EQ(corners[0], std::vector<double>({20, 2}));
        EXPECT_EQ(places[0], std::vector<double>({20.0f / 64, 4.0f / 256}));
        EXPECT_EQ(corners[2], std::vector<double>({30, 6}));
        EXPECT_EQ(places[2], std::vector<double>({30.0f / 64, 0.0f / 256}));
    }
}

TEST(FastFrameRenderer, ATallFrameGoesThroughTheTextureHalfByHalfNeverWritingRowsADrawStillReads) {
    // Light in every row of a 64 x 600 glow frame: 18 bands of 32 rows and one of 24.
    TFrameStore glow;
    glow.AllocateFrames(64, 600, DesignedFrameCount, TStyle::Glow);
    TGlowPlane plane;
    plane.Allocate(64, 600);
    for (int y = 0; y < 600; ++y) plane.Light[static_cast<size_t>(y) * 64 + 5] = 99;
    plane.Lit = TLitBox{5, 0, 5, 599};
    glow.Glow(3).Keep(TGlowCode::Of(plane));
    TGLRecorder rec;
    TFastFrameRenderer renderer;
    EXPECT_EQ(renderer.Render(glow, glow, 3, 64, 600), (TPixelRect{5, 0, 1, 600}));
    // After the texture's making, each band at the next rows of its half,
    // and before a half is written again, what was drawn from it flushed.
    std::vector<double> rows;
    std::vector<std::string> order;
    for (const TGLCall& c : rec.Calls) {
        if (c.Name == "glTexSubImage2D" && c.Args[3] == 1) rows.push_back(c.Args[2]);
        if (c.Name == "glTexSubImage2D" && c.Args[3] == 1) order.push_back("upload");
        if (c.Name == "glBlitFramebuffer" || c.Name == "glFlush") order.push_back(c.Name);
    }
    std::vector<double> expected;
    for (int band = 0; band < 19; ++band) expected.push_back(32 * (band % 8));
    EXPECT_EQ(rows, expected);
    std::vector<std::string> flow;
    for (int group : {4, 4, 4, 4, 3}) {
        if (!flow.empty()) flow.push_back("glFlush");
        flow.insert(flow.end(), static_cast<size_t>(group), "upload");
        flow.insert(flow.end(), static_cast<size_t>(group), "glBlitFramebuffer");
    }
    EXPECT_EQ(order, flow);
    EXPECT_TRUE(Balanced(rec.Calls));
}

TEST(FastFrameRenderer, AGlowImageIsEachPixelsShadeTimesItsLightWhereverItsUnlitRunsStartAndEnd) {
    // A box from an odd column, 58 pixels wide, its rows lit and unlit in
    // runs of every length around the eight pixels read at once, with a
    // shade of its own in every block, unlit pixels' blocks too.
    constexpr int W = 64, H = 4, Left = 3, Right = 60, Width = Right - Left + 1;
    TFrameStore glow;
    glow.AllocateFrames(W, H, DesignedFrameCount, TStyle::Glow);
    TGlowPlane plane;
    plane.Allocate(W, H);
    const int runs[] = {1, 7, 2, 8, 1, 9, 3, 16, 1, 1, 4};
    for (int y = 0; y < H; ++y) {
        bool lit = y % 2 == 0;
        for (int x = Left, r = y; x <= Right; lit = !lit) {
            const int end = std::min(Right + 1, x + runs[r++ % std::size(runs)]);
            for (; x < end; ++x)
                if (lit) plane.Light[static_cast<size_t>(y * W + x)] = static_cast<uint8_t>(1 + (x * 37 + y * 11) % 255);
        }
    }
    plane.Light[Right] = 9;
    for (size_t b = 0; b < plane.Blocks(); ++b) plane.Shade[b] = static_cast<uint8_t>(17 + b * 29);
    plane.Lit = TLitBox{Left, 0, Right, H - 1};
    glow.Glow(3).Keep(TGlowCode::Of(plane));
    glow.Frames[3].Hue = 0.3;
    glow.Frames[3].Saturation = 0.8;
    glow.Frames[3].Brightness = 255;
    TGLRecorder rec;
    TFastFrameRenderer renderer;
    EXPECT_EQ(renderer.Render(glow, glow, 3, W, H), (TPixelRect{Left, 0, Width, H}));
    // Besides the texture's making, in whole rows, one image: the box.
    std::vector<uint32_t> image;
    for (const std::vector<uint32_t>& i : rec.TexImages)
        if (i.size() == static_cast<size_t>(Width * H)) image = i;
    ASSERT_FALSE(image.empty());
    const TGlowPalette palette(0.3, 0.8, 255);
    int wrong = 0;
    for (int y = 0; y < H; ++y)
        for (int x = Left; x <= Right; ++x) {
            uint32_t red, green, blue;
            palette.Pixel(plane.Light[static_cast<size_t>(y * W + x)], plane.ShadeAt(x, y), red, green, blue);
            wrong += image[static_cast<size_t>(y * Width + x - Left)] != (blue | green << 8 | red << 16 | 0xff000000u);
        }
    EXPECT_EQ(wrong, 0);
}

TEST(FastFrameRenderer, WithoutATextureForTheFrameCrowdedPointsStayPointsAndGlowGoesOutBandByBand) {
    TFrameStore dots, glow;
    dots.AllocateFrames(64, 40);
    for (int y = 34; y < 38; ++y)
        for (int x = 20; x < 30; ++x) dots.SetPixel(3, x, y);
    glow.AllocateFrames(64, 40, DesignedFrameCount, TStyle::Glow);
    // Light in rows 5 and 33: two bands of 32 rows.
    TGlowPlane plane;
    plane.Allocate(64, 40);
    plane.Light[5 * 64 + 10] = 200;
    plane.Light[33 * 64 + 12] = 255;
    plane.Lit = TLitBox{10, 5, 12, 33};
    glow.Glow(3).Keep(TGlowCode::Of(plane));
    for (TFrameStore* d : {&dots, &glow}) {
        d->Frames[3].Hue = 0;
        d->Frames[3].Saturation = 1;
        d->Frames[3].Brightness = 255;
    }
    // An OpenGL 1.1 driver (no texture of 64 x 40), then one whose textures are too small.
    for (int round = 0; round < 2; ++round) {
        TGLRecorder rec;
        if (round == 0) rec.Version = "1.1 Mesa";
        else rec.LargestTexture = 32;
        TFastFrameRenderer renderer;
        EXPECT_EQ(renderer.Render(dots, dots, 3, 64, 40), (TPixelRect{20, 2, 10, 4}));
        EXPECT_EQ(rec.Count("glDrawArrays"), 1u);
        EXPECT_EQ(renderer.Render(glow, glow, 3, 64, 40), (TPixelRect{10, 6, 3, 29}));
        EXPECT_EQ(rec.Count("glTexImage2D") + rec.Count("glTexSubImage2D"), 0u);
        std::vector<std::vector<double>> places, sizes;
        for (const TGLCall& c : rec.Calls) {
            if (c.Name == "glRasterPos2i") places.push_back(c.Args);
            if (c.Name == "glDrawPixels") sizes.push_back(c.Args);
        }
        // Bands bottom up in window rows: row 33 is window row 6, row 5 window row 34.
        EXPECT_EQ(places, (std::vector<std::vector<double>>{{10, 34}, {12, 6}}));
        EXPECT_EQ(sizes, (std::vector<std::vector<double>>{{1, 1, GL_RGBA, GL_UNSIGNED_BYTE}, {1, 1, GL_RGBA, GL_UNSIGNED_BYTE}}));
        EXPECT_TRUE(Balanced(rec.Calls));
    }
}
