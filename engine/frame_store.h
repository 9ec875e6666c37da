#pragma once
#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/cycle.h"
#include "engine/relaxed.h"

namespace ombrel {

// Where the bit of pixel (x, y) lives: word y * rowWords + x / 32, bit x % 32.
// The chaos game holds this view of a frame in registers.
struct TBitsView {
    std::atomic<uint32_t>* Words;
    size_t RowWords;

    void Set(uint32_t x, uint32_t y) const noexcept { OrWord(y * RowWords + (x >> 5), 1u << (x & 31)); }
    // Ors `bits` into word `index` (row by row from the top left). Only the
    // worker writes, so a plain load-or-store of the whole word is enough.
    void OrWord(size_t index, uint32_t bits) const noexcept {
        std::atomic<uint32_t>& w = Words[index];
        w.store(w.load(std::memory_order_relaxed) | bits, std::memory_order_relaxed);
    }
};

// One frame's one-bit bitmap: ScreenHeight rows of RowWords words, held as one
// block. Every word is read and written whole (relaxed atomics), so the
// renderer may read a frame while the worker writes it.
class TFrameBits {
public:
    void Allocate(int rows, int rowWords);
    void Release() noexcept;

    int Rows() const noexcept { return RowCount; }
    int RowWords() const noexcept { return Words; }
    std::atomic<uint32_t>* Row(int y) noexcept { return Data.get() + static_cast<size_t>(y) * Words; }
    const std::atomic<uint32_t>* Row(int y) const noexcept {
        return Data.get() + static_cast<size_t>(y) * Words;
    }
    size_t WordCount() const noexcept { return static_cast<size_t>(RowCount) * Words; }
    TBitsView View() noexcept { return {Data.get(), static_cast<size_t>(Words)}; }

    // Within the bitmap, unchecked.
    void Set(int x, int y) noexcept { View().Set(static_cast<uint32_t>(x), static_cast<uint32_t>(y)); }
    bool Test(int x, int y) const noexcept { return (Row(y)[x >> 5].load(std::memory_order_relaxed) >> (x & 31)) & 1u; }

    // Calls `visit(x, y)` for every set bit, row by row, left to right;
    // whole zero words cost one test.
    template <typename TVisit>
    void ForEachSet(TVisit&& visit) const {
        for (int y = 0; y < RowCount; ++y) {
            const std::atomic<uint32_t>* row = Row(y);
            for (int w = 0; w < Words; ++w) {
                uint32_t word = row[w].load(std::memory_order_relaxed);
                while (word != 0) {
                    visit(w * 32 + __builtin_ctz(word), y);  // never past the width: no such bit is set
                    word &= word - 1;
                }
            }
        }
    }

    // FNV-1a 64 over the words in row order, each word as 4 little-endian bytes.
    uint64_t Hash() const noexcept;

private:
    std::unique_ptr<std::atomic<uint32_t>[]> Data;
    int RowCount = 0;
    int Words = 0;
};

// Maps k = 1..4 are stored at index k - 1, coefficient array by array.
using TCoefs = std::array<double, 4>;

// How frames hold and show a figure: single points (the designed show), or
// the light of a density of points (each pixel's hits, tone-mapped).
enum class TStyle { Dots, Glow };

// Whether a glow frame is complete: raised (release) once its last byte is
// written, read (acquire) before any byte of it is.
class TCompleteFlag {
public:
    TCompleteFlag() noexcept = default;
    TCompleteFlag(const TCompleteFlag& other) noexcept : Value(other.Raised()) {}
    TCompleteFlag& operator=(const TCompleteFlag& other) noexcept {
        Set(other.Raised());
        return *this;
    }
    bool Raised() const noexcept { return Value.load(std::memory_order_acquire); }
    void Set(bool raised) noexcept { Value.store(raised, std::memory_order_release); }

private:
    std::atomic<bool> Value{false};
};

// The box around a frame's lit pixels, in its columns and rows from the top;
// empty when nothing is lit.
struct TLitBox {
    int Left = 0, Top = 0, Right = -1, Bottom = -1;
    bool Empty() const noexcept { return Right < Left; }
    bool operator==(const TLitBox&) const = default;
};

struct TMorphFrame {
    TCoefs CoefA{}, CoefB{}, CoefC{}, CoefD{}, CoefE{}, CoefF{};
    // Written by the worker, read by every display's repaint.
    TRelaxed<double> Hue, Saturation, Brightness;
    TFrameBits FrameBits;
    // Glow: each pixel's light, row by row (0 black, 255 the densest pixel).
    // Written by the worker alone before Complete is raised.
    std::unique_ptr<uint8_t[]> Light;
    TLitBox Lit;
    TCompleteFlag Complete;

    // Takes the maps and the colour of `other`; the bitmap stays.
    void TakeMorphOf(const TMorphFrame& other) noexcept {
        CoefA = other.CoefA;
        CoefB = other.CoefB;
        CoefC = other.CoefC;
        CoefD = other.CoefD;
        CoefE = other.CoefE;
        CoefF = other.CoefF;
        Hue = other.Hue;
        Saturation = other.Saturation;
        Brightness = other.Brightness;
    }
};

// Frames indexed 1..Count(), the designed 50 unless a morph is made longer
// or shorter. Their number changes only while no thread reads them.
class TFrames {
public:
    TFrames() : Items(DesignedFrameCount) {}
    TMorphFrame& operator[](int k) noexcept { return Items[static_cast<size_t>(k - 1)]; }
    const TMorphFrame& operator[](int k) const noexcept { return Items[static_cast<size_t>(k - 1)]; }
    int Count() const noexcept { return static_cast<int>(Items.size()); }
    void Resize(int count) { Items.resize(static_cast<size_t>(count)); }

private:
    std::vector<TMorphFrame> Items;
};

// w * h * density / 6.4 rounded to the nearest integer, ties to even.
// Throws std::invalid_argument for a size that is not positive or a budget
// beyond 32 bits.
int32_t ComputePointBudget(int32_t width, int32_t height, double density = 1);

// The frame store of one display: its size, point budget and frames.
class TFrameStore {
public:
    int32_t ScreenWidth = 0;
    int32_t ScreenHeight = 0;
    int32_t PointBudget = 0;
    TStyle Style = TStyle::Dots;
    TFrames Frames;
    // Where the display lies in the picture the chaos game draws: the
    // display itself, or a part of a picture that spans several displays.
    int32_t CanvasLeft = 0, CanvasTop = 0, CanvasWidth = 0, CanvasHeight = 0;
    // Raised by whoever starts a worker that draws this display's frames
    // anew, lowered (release) by that worker once they are drawn.
    std::atomic<bool> DrawingAnew{false};

    // Sets the size, the canvas (the display alone) and the budget, and
    // allocates `frames` cleared frames of the style. Throws
    // std::invalid_argument for a size that is not positive or whose area
    // does not fit 32 bits, std::bad_alloc when memory runs out.
    void AllocateFrames(int32_t width, int32_t height, int frames = DesignedFrameCount, TStyle style = TStyle::Dots);
    void ReleaseFrames() noexcept;
    // Bytes that `frames` frames of a width x height display take: a bit a
    // pixel for dots, a byte for glow.
    static int64_t FrameBytes(int64_t width, int64_t height, int64_t frames, TStyle style = TStyle::Dots) noexcept {
        return (style == TStyle::Glow ? width : (width + 31) / 32 * 4) * height * frames;
    }
    // FNV-1a 64 of a frame: its bitmap's words, or its light bytes row by row.
    uint64_t FrameHash(int Frame) const noexcept;

    int RowWords() const noexcept { return (ScreenWidth + 31) / 32; }

    bool mb_getpixel(int Frame, int X, int Y) const noexcept {
        return X >= 0 && X < ScreenWidth && Y >= 0 && Y < ScreenHeight && Frames[Frame].FrameBits.Test(X, Y);
    }

    void SetPixel(int Frame, int X, int Y) noexcept {
        if (X >= 0 && X < ScreenWidth && Y >= 0 && Y < ScreenHeight) Frames[Frame].FrameBits.Set(X, Y);
    }

    // Takes the maps and colours of every frame from `other`; the bitmaps stay.
    void CopyMorphOf(const TFrameStore& other) noexcept;

    // Clears a frame's bits; a glow frame is only marked incomplete.
    void ClearFrame(int Frame) noexcept;
    void CopyFrame(int Dest, int Src) noexcept;
};

}  // namespace ombrel
