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

void TDotsFrame::Clear() noexcept {
    std::atomic<uint32_t>* w = FrameBits.Row(0);
    for (size_t i = 0, n = FrameBits.WordCount(); i < n; ++i) w[i].store(0, std::memory_order_relaxed);
}

void TDotsFrame::CopyFrom(const TDotsFrame& src) noexcept {
    std::atomic<uint32_t>* d = FrameBits.Row(0);
    const std::atomic<uint32_t>* s = src.FrameBits.Row(0);
    for (size_t i = 0, n = src.FrameBits.WordCount(); i < n; ++i)
        d[i].store(s[i].load(std::memory_order_relaxed), std::memory_order_relaxed);
}

const std::shared_ptr<const TGlowCode>& TGlowFrame::BlackCode() noexcept {
    static const std::shared_ptr<const TGlowCode> black = std::make_shared<const TGlowCode>();
    return black;
}

void TGlowFrame::Allocate(int32_t width, int32_t height) {
    Width = width;
    Height = height;
    Keep(BlackCode());
    Complete.Set(true);
}

void TGlowFrame::Release() noexcept {
    Keep(BlackCode());
    Width = Height = 0;
    Complete.Set(false);
}

void TGlowFrame::CopyFrom(const TGlowFrame& src) noexcept {
    Keep(src.Picture());
    Complete = src.Complete;
}

uint64_t TGlowFrame::Hash() const noexcept {
    const std::shared_ptr<const TGlowCode> code = Picture();
    uint8_t chunk[4096];
    uint64_t h = FnvStart;
    const auto hash = [&](int width, int rows, auto rowOf) {
        for (int y = 0; y < rows; ++y)
            for (int x = 0; x < width; x += static_cast<int>(sizeof chunk)) {
                const int right = std::min(width, x + static_cast<int>(sizeof chunk)) - 1;
                rowOf(y, x, right, chunk);
                for (int i = 0; i <= right - x; ++i) h = FnvByte(h, chunk[i]);
            }
    };
    hash(Width, Height, [&](int y, int l, int r, uint8_t* out) { code->LightRow(y, l, r, out); });
    hash((Width + 1) / 2, (Height + 1) / 2, [&](int y, int l, int r, uint8_t* out) { code->ShadeRow(y, l, r, out); });
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
    CanvasLeft = CanvasTop = 0;
    CanvasWidth = width;
    CanvasHeight = height;
    Frames.Resize(frames);
    // The worker draws most of a morph in the hold, while the screens stand
    // still. A frame's code takes a tenth of a full frame or less, a quarter
    // over the densest morphs measured, whose last frames fill the display
    // and take the worker longer than a tick each: those must be made
    // ahead. At 3840x2160 on two cores room for 6 full frames lost 13
    // repaints of such a morph, 8 lost 8 in 20 s; 12 lost one morph in 20 minutes.
    Budget->SetLimit(style == TStyle::Glow ? KeptGlowFrames * TGlowFrame::Bytes(width, height) : 0);
    Pictures = WithFrameType(style, [](auto frame) { return TPictures(TFrameList<typename decltype(frame)::type>()); });
    std::visit(
        [&](auto& pictures) {
            pictures.Resize(frames);
            for (int k = 1; k <= frames; ++k) pictures[k].Allocate(width, height);
        },
        Pictures);
}

void TFrameStore::ReleaseFrames() noexcept {
    std::visit(
        [](auto& pictures) {
            for (int k = 1; k <= pictures.Count(); ++k) pictures[k].Release();
        },
        Pictures);
}

uint64_t TFrameStore::FrameHash(int Frame) const noexcept {
    return std::visit([&](const auto& pictures) { return pictures[Frame].Hash(); }, Pictures);
}

bool TFrameStore::FrameReady(int Frame) const noexcept {
    return std::visit([&](const auto& pictures) { return pictures[Frame].Ready(); }, Pictures);
}

void TFrameStore::CopyMorphOf(const TFrameStore& other) noexcept {
    for (int k = 1; k <= Frames.Count(); ++k) Frames[k].TakeMorphOf(other.Frames[k]);
}

void TFrameStore::ClearFrame(int Frame) noexcept {
    std::visit([&](auto& pictures) { pictures[Frame].Clear(); }, Pictures);
}

void TFrameStore::CopyFrame(int Dest, int Src) noexcept {
    std::visit([&](auto& pictures) { pictures[Dest].CopyFrom(pictures[Src]); }, Pictures);
}

}  // namespace ombrel
