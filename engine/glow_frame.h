#pragma once
#include <atomic>
#include <cstdint>
#include <memory>

#include "engine/glow_code.h"

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

// A frame of light, kept as its code (see TGlowCode). The worker makes a
// new code for it while it is not Complete; a screen shows it only once it
// is, and holds the code it took for as long as it reads it.
struct TGlowFrame {
    int Width = 0, Height = 0;
    TCompleteFlag Complete;

    TGlowFrame() = default;
    TGlowFrame(const TGlowFrame& other) : Width(other.Width), Height(other.Height), Complete(other.Complete) {
        Code.store(other.Code.load());
    }

    // Black and complete: what an empty frame shows.
    void Allocate(int32_t width, int32_t height);
    void Release() noexcept;
    // Made anew before it is shown: marked incomplete, its old code let go.
    void Clear() noexcept {
        Complete.Set(false);
        LetGo();
    }
    // Shares the other's code: it never changes.
    void CopyFrom(const TGlowFrame& src) noexcept;
    void Keep(std::shared_ptr<const TGlowCode> code) noexcept { Code.store(std::move(code)); }
    // Black from now on, its memory let go: a frame that will not be shown again.
    void LetGo() noexcept {
        if (Picture() != BlackCode()) Keep(BlackCode());
    }
    std::shared_ptr<const TGlowCode> Picture() const noexcept { return Code.load(); }
    TLitBox Lit() const noexcept { return Picture()->Lit(); }
    // FNV-1a 64 of the light bytes of every pixel, row by row, then of every block's shade.
    uint64_t Hash() const noexcept;
    // Whether it may be shown.
    bool Ready() const noexcept { return Complete.Raised(); }
    static constexpr bool DrawnInSight = false;
    // At most: every pixel lit.
    static int64_t Bytes(int64_t width, int64_t height) noexcept {
        return width * height + (width + 1) / 2 * ((height + 1) / 2);
    }

private:
    // The code of every black frame.
    static const std::shared_ptr<const TGlowCode>& BlackCode() noexcept;
    std::atomic<std::shared_ptr<const TGlowCode>> Code{BlackCode()};
};

}  // namespace ombrel
