#pragma once
#include <atomic>
#include <cstdint>
#include <memory>

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

// A frame of single points: a bit a pixel. Always ready: the renderer may
// show one that the worker is still drawing.
struct TDotsFrame {
    TFrameBits FrameBits;

    void Allocate(int32_t width, int32_t height) { FrameBits.Allocate(height, (width + 31) / 32); }
    void Release() noexcept { FrameBits.Release(); }
    void Clear() noexcept;
    void CopyFrom(const TDotsFrame& src) noexcept;
    uint64_t Hash() const noexcept { return FrameBits.Hash(); }
    bool Ready() const noexcept { return true; }
    // Drawn where the screens may show it: a picture that may change from one moment to the next.
    static constexpr bool DrawnInSight = true;
    static int64_t Bytes(int64_t width, int64_t height) noexcept { return (width + 31) / 32 * 4 * height; }
};

}  // namespace ombrel
