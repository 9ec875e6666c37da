#pragma once
#include <atomic>
#include <cstdint>
#include <memory>

namespace ombrel {

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

// A frame of light: each pixel's light, row by row (0 black, 255 the densest
// pixel), and its shade, the palette position of the colour of the points
// that lit it. Written by the worker alone while not Complete, and shown
// only once it is.
struct TGlowFrame {
    std::unique_ptr<uint8_t[]> Light;
    // One shade for each block of 2 x 2 pixels, row by row, ShadeWidth a row:
    // the eye tells colour at half the resolution it tells light (as video's
    // 4:2:0 does), and a byte a pixel more would cost half the frames' memory
    // again. 0 where no pixel of the block is lit.
    std::unique_ptr<uint8_t[]> Shade;
    size_t Pixels = 0, Blocks = 0;
    int ShadeWidth = 0;
    TLitBox Lit;
    TCompleteFlag Complete;

    uint8_t ShadeAt(int x, int y) const noexcept {
        return Shade[static_cast<size_t>(y / 2) * static_cast<size_t>(ShadeWidth) + static_cast<size_t>(x / 2)];
    }

    // Black and complete: what an empty frame shows.
    void Allocate(int32_t width, int32_t height);
    void Release() noexcept;
    // Written whole before it is shown: only marked incomplete.
    void Clear() noexcept { Complete.Set(false); }
    void CopyFrom(const TGlowFrame& src) noexcept;
    // FNV-1a 64 of the light bytes, row by row, then of the shades.
    uint64_t Hash() const noexcept;
    // Whether it may be shown.
    bool Ready() const noexcept { return Complete.Raised(); }
    static constexpr bool DrawnInSight = false;
    static int64_t Bytes(int64_t width, int64_t height) noexcept {
        return width * height + (width + 1) / 2 * ((height + 1) / 2);
    }
};

}  // namespace ombrel
