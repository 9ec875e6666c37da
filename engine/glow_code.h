#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/code_pages.h"

namespace ombrel {

// The box around a frame's lit pixels, in its columns and rows from the top;
// empty when nothing is lit.
struct TLitBox {
    int Left = 0, Top = 0, Right = -1, Bottom = -1;
    bool Empty() const noexcept { return Right < Left; }
    bool operator==(const TLitBox&) const = default;
};

// A frame of light at full size: each pixel's light, row by row (0 black,
// 255 the densest pixel), and its shade, the palette position of the colour
// of the points that lit it. What the rasteriser works in.
struct TGlowPlane {
    std::unique_ptr<uint8_t[]> Light;
    // One shade for each block of 2 x 2 pixels, row by row, ShadeWidth a row:
    // the eye tells colour at half the resolution it tells light (as video's
    // 4:2:0 does), and a byte a pixel more would cost half the frames' memory
    // again. 0 where no pixel of the block is lit.
    std::unique_ptr<uint8_t[]> Shade;
    int Width = 0, Height = 0, ShadeWidth = 0;
    // Every pixel outside it is black.
    TLitBox Lit;

    // Black.
    void Allocate(int32_t width, int32_t height);
    size_t Pixels() const noexcept { return static_cast<size_t>(Width) * static_cast<size_t>(Height); }
    size_t Blocks() const noexcept { return static_cast<size_t>(ShadeWidth) * static_cast<size_t>((Height + 1) / 2); }
    uint8_t ShadeAt(int x, int y) const noexcept {
        return Shade[static_cast<size_t>(y / 2) * static_cast<size_t>(ShadeWidth) + static_cast<size_t>(x / 2)];
    }
};

// A frame of light as it is kept: only its lit box, each row's light and
// each row of blocks' shades with runs of black counted instead of stored.
// A figure mostly lights a few percent of a large display, and its frame
// takes a tenth of its full size or less; one that fills the display takes
// nearly all of it. Never changed once made: a screen may read it while the
// worker makes the frame's next one.
class TGlowCode {
public:
    // Where a row's code starts, and its lit pixels' first and last column.
    struct TRow {
        const uint8_t* Code = nullptr;
        int32_t Left = 0, Right = -1;
    };

    // A run of a frame's rows, coded as they are made, without the frame at
    // full size: one thread's share, its code in pages that the frame then keeps.
    class TPart {
    public:
        // `rows` rows from pixel row `row` on, of `width` pixels at most, and
        // `blockRows` rows of blocks from `blockRow` on, of `blockWidth` at most.
        void Start(int row, int rows, int width, int blockRow, int blockRows, int blockWidth);
        // The next row of light, lit only within [left, right].
        void LightRow(const uint8_t* row, int left, int right);
        // The next row of blocks' shades, lit only within [left, right].
        void ShadeRow(const uint8_t* row, int left, int right);

    private:
        friend class TGlowCode;
        int FirstRow = 0, FirstBlockRow = 0;
        std::vector<TRow> Light, Shade;
        TCodePages Code;
    };

    // Black.
    TGlowCode() = default;
    // The plane's pixels, rows split over `threads` threads.
    static std::shared_ptr<const TGlowCode> Of(const TGlowPlane& plane, int threads = 1);
    // The frame of parts that follow each other, row for row; the rows of
    // blocks must cover those of the lit rows. Its box is the one around
    // the lit pixels, whatever rows the parts began and ended with.
    // Their pages go to the frame.
    static std::shared_ptr<const TGlowCode> Join(std::vector<TPart>& parts);

    TLitBox Lit() const noexcept { return Box; }
    // The box around the lit pixels of rows [top, top + rows).
    TLitBox RowsBox(int top, int rows) const noexcept;
    // Pixels [left, right] of row y's light into out, black outside what is lit.
    void LightRow(int y, int left, int right, uint8_t* out) const noexcept;
    // Blocks [left, right] of row `by` of blocks' shades into out.
    void ShadeRow(int by, int left, int right, uint8_t* out) const noexcept;
    // The whole frame, of a width x height display.
    TGlowPlane Plane(int32_t width, int32_t height) const;
    // The memory it takes.
    size_t Bytes() const noexcept;

private:
    static void Decode(const uint8_t* code, int from, int left, int right, uint8_t* out) noexcept;
    TLitBox Box;
    // Rows of the box, and rows of its blocks.
    std::vector<TRow> LightRows, ShadeRows;
    std::vector<TCodePages> Code;
};

}  // namespace ombrel
