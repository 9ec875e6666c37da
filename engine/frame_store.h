#pragma once
#include <array>
#include <atomic>
#include <cstdint>
#include <memory>

#include "engine/relaxed.h"

namespace ombrel {

constexpr int FrameCount = 50;

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

private:
    std::unique_ptr<std::atomic<uint32_t>[]> Data;
    int RowCount = 0;
    int Words = 0;
};

// Maps k = 1..4 are stored at index k - 1, coefficient array by array.
using TCoefs = std::array<double, 4>;

struct TMorphFrame {
    TCoefs CoefA{}, CoefB{}, CoefC{}, CoefD{}, CoefE{}, CoefF{};
    // Written by the worker, read by every display's repaint.
    TRelaxed<double> Hue, Saturation, Brightness;
    TFrameBits FrameBits;
};

// Frames indexed 1..50.
class TFrames {
public:
    TMorphFrame& operator[](int k) noexcept { return Items[static_cast<size_t>(k - 1)]; }
    const TMorphFrame& operator[](int k) const noexcept { return Items[static_cast<size_t>(k - 1)]; }

private:
    std::array<TMorphFrame, FrameCount> Items;
};

// w * h / 6.4 rounded to the nearest integer, ties to even.
int32_t ComputePointBudget(int32_t width, int32_t height);

// The frame store of one display: its size, point budget and 50 frames.
class TFrameStore {
public:
    int32_t ScreenWidth = 0;
    int32_t ScreenHeight = 0;
    int32_t PointBudget = 0;
    TFrames Frames;

    // Sets the size and budget and allocates 50 cleared bitmaps. Throws
    // std::invalid_argument for a size that is not positive or whose area
    // does not fit 32 bits, std::bad_alloc when memory runs out.
    void AllocateFrames(int32_t width, int32_t height);
    void ReleaseFrames() noexcept;

    int RowWords() const noexcept { return (ScreenWidth + 31) / 32; }

    bool mb_getpixel(int Frame, int X, int Y) const noexcept {
        if (X < 0 || X >= ScreenWidth || Y < 0 || Y >= ScreenHeight) return false;
        const uint32_t w = Frames[Frame].FrameBits.Row(Y)[X / 32].load(std::memory_order_relaxed);
        return (w >> (X % 32)) & 1u;
    }

    // Only the worker writes, so a plain load-or-store of the whole word is enough.
    void SetPixel(int Frame, int X, int Y) noexcept {
        if (X < 0 || X >= ScreenWidth || Y < 0 || Y >= ScreenHeight) return;
        std::atomic<uint32_t>& w = Frames[Frame].FrameBits.Row(Y)[X / 32];
        w.store(w.load(std::memory_order_relaxed) | (1u << (X % 32)), std::memory_order_relaxed);
    }

    void ClearFrame(int Frame) noexcept;
    void CopyFrame(int Dest, int Src) noexcept;
};

}  // namespace ombrel
