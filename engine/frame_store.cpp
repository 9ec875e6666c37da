#include "engine/frame_store.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

namespace ombrel {

void TFrameBits::Allocate(int rows, int rowWords) {
    // C++20 value-initialises atomics: every bit starts clear.
    Data = std::make_unique<std::atomic<uint32_t>[]>(static_cast<size_t>(rows) * rowWords);
    RowCount = rows;
    Words = rowWords;
}

void TFrameBits::Release() noexcept {
    Data.reset();
    RowCount = 0;
    Words = 0;
}

namespace {

constexpr uint64_t FnvStart = 0xcbf29ce484222325ull;
inline uint64_t FnvByte(uint64_t h, uint32_t byte) noexcept { return (h ^ byte) * 0x100000001b3ull; }

}  // namespace

uint64_t TFrameBits::Hash() const noexcept {
    uint64_t h = FnvStart;
    for (size_t i = 0, n = WordCount(); i < n; ++i) {
        const uint32_t word = Data[i].load(std::memory_order_relaxed);
        for (int b = 0; b < 4; ++b) h = FnvByte(h, (word >> (8 * b)) & 0xffu);
    }
    return h;
}

uint64_t TFrameStore::FrameHash(int Frame) const noexcept {
    if (Style == TStyle::Dots) return Frames[Frame].FrameBits.Hash();
    uint64_t h = FnvStart;
    const uint8_t* light = Frames[Frame].Light.get();
    for (size_t i = 0, n = static_cast<size_t>(ScreenWidth) * ScreenHeight; i < n; ++i) h = FnvByte(h, light[i]);
    return h;
}

int32_t ComputePointBudget(int32_t width, int32_t height, double density) {
    const int64_t area = static_cast<int64_t>(width) * height;
    if (width <= 0 || height <= 0 || area > std::numeric_limits<int32_t>::max())
        throw std::invalid_argument("display size out of range");
    // Density 1 multiplies exactly: the designed budget, bit for bit.
    const double budget = std::nearbyint(static_cast<double>(area) * density / 6.4);
    if (!(budget >= 0 && budget <= std::numeric_limits<int32_t>::max()))
        throw std::invalid_argument("point budget out of range");
    return static_cast<int32_t>(budget);
}

void TFrameStore::AllocateFrames(int32_t width, int32_t height, int frames, TStyle style) {
    const int32_t budget = ComputePointBudget(width, height);
    ScreenWidth = width;
    ScreenHeight = height;
    PointBudget = budget;
    Style = style;
    CanvasLeft = CanvasTop = 0;
    CanvasWidth = width;
    CanvasHeight = height;
    Frames.Resize(frames);
    const size_t pixels = static_cast<size_t>(width) * height;
    for (int k = 1; k <= Frames.Count(); ++k) {
        if (style == TStyle::Dots) {
            Frames[k].FrameBits.Allocate(height, RowWords());
            continue;
        }
        // Black and complete: what an empty frame shows.
        Frames[k].Light = std::make_unique<uint8_t[]>(pixels);
        Frames[k].Complete.Set(true);
    }
}

void TFrameStore::ReleaseFrames() noexcept {
    for (int k = 1; k <= Frames.Count(); ++k) {
        Frames[k].FrameBits.Release();
        Frames[k].Light.reset();
        Frames[k].Complete.Set(false);
    }
}

void TFrameStore::CopyMorphOf(const TFrameStore& other) noexcept {
    for (int k = 1; k <= Frames.Count(); ++k) Frames[k].TakeMorphOf(other.Frames[k]);
}

void TFrameStore::ClearFrame(int Frame) noexcept {
    // A glow frame is written whole before it is shown.
    if (Style == TStyle::Glow) return Frames[Frame].Complete.Set(false);
    TFrameBits& bits = Frames[Frame].FrameBits;
    std::atomic<uint32_t>* w = bits.Row(0);
    for (size_t i = 0, n = bits.WordCount(); i < n; ++i) w[i].store(0, std::memory_order_relaxed);
}

void TFrameStore::CopyFrame(int Dest, int Src) noexcept {
    if (Style == TStyle::Glow) {
        std::copy_n(Frames[Src].Light.get(), static_cast<size_t>(ScreenWidth) * ScreenHeight, Frames[Dest].Light.get());
        Frames[Dest].Lit = Frames[Src].Lit;
        Frames[Dest].Complete = Frames[Src].Complete;
        return;
    }
    std::atomic<uint32_t>* d = Frames[Dest].FrameBits.Row(0);
    const std::atomic<uint32_t>* s = Frames[Src].FrameBits.Row(0);
    for (size_t i = 0, n = Frames[Src].FrameBits.WordCount(); i < n; ++i)
        d[i].store(s[i].load(std::memory_order_relaxed), std::memory_order_relaxed);
}

}  // namespace ombrel
