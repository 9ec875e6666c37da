#pragma once
#include <array>
#include <atomic>
#include <cstdint>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include "engine/code_budget.h"
#include "engine/cycle.h"
#include "engine/dots_frame.h"
#include "engine/glow_frame.h"
#include "engine/relaxed.h"

namespace ombrel {

// Maps k = 1..4 are stored at index k - 1, coefficient array by array.
using TCoefs = std::array<double, 4>;

// One frame's figure: its four maps and its colour.
struct TMorphFrame {
    TCoefs CoefA{}, CoefB{}, CoefC{}, CoefD{}, CoefE{}, CoefF{};
    // Written by the worker, read by every display's repaint.
    TRelaxed<double> Hue, Saturation, Brightness;

    // Takes the maps and the colour of `other`.
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

// Items indexed 1..Count(), the designed 50 unless a morph is made longer or
// shorter. Their number changes only while no thread reads them.
template <typename TItem>
class TFrameList {
public:
    using TValue = TItem;
    TFrameList() : Items(DesignedFrameCount) {}
    TItem& operator[](int k) noexcept { return Items[static_cast<size_t>(k - 1)]; }
    const TItem& operator[](int k) const noexcept { return Items[static_cast<size_t>(k - 1)]; }
    int Count() const noexcept { return static_cast<int>(Items.size()); }
    void Resize(int count) { Items.resize(static_cast<size_t>(count)); }

private:
    std::vector<TItem> Items;
};

using TFrames = TFrameList<TMorphFrame>;

// How frames hold and show a figure: single points (the designed show), or
// the light of a density of points (each pixel's hits, tone-mapped).
enum class TStyle { Dots, Glow };

// A display's pictures, of one style: the alternatives in TStyle's order.
// A style is its frame type (allocation, clearing, copying, hashing, size,
// readiness), its rasteriser and its drawing; this list is where it joins.
using TPictures = std::variant<TFrameList<TDotsFrame>, TFrameList<TGlowFrame>>;

// Calls `use` with std::type_identity of the frame type of `style`.
template <typename TUse>
auto WithFrameType(TStyle style, TUse&& use) {
    return [&]<size_t... I>(std::index_sequence<I...>) {
        using TFirst = typename std::variant_alternative_t<0, TPictures>::TValue;
        decltype(use(std::type_identity<TFirst>{})) result{};
        (void)((static_cast<size_t>(style) == I &&
                (result = use(std::type_identity<typename std::variant_alternative_t<I, TPictures>::TValue>{}), true)) ||
               ...);
        return result;
    }(std::make_index_sequence<std::variant_size_v<TPictures>>{});
}

// w * h * density / 6.4 rounded to the nearest integer, ties to even.
// Throws std::invalid_argument for a size that is not positive or a budget
// beyond 32 bits.
int32_t ComputePointBudget(int32_t width, int32_t height, double density = 1);

// Full-size glow frames' worth of memory that a display's glow frames may
// keep while a screen shows them in step (a morph has 50). At 3840x2160 +
// 1920x1080 ten are 129 MB, and the program stays under 300 MB; the
// densest morphs wait for room in the hold and are shown slowed.
constexpr int64_t KeptGlowFrames = 10;

// The frame store of one display: its size, point budget, frames and their pictures.
class TFrameStore {
public:
    int32_t ScreenWidth = 0;
    int32_t ScreenHeight = 0;
    int32_t PointBudget = 0;
    // Each frame's maps and colour; those of a figure's first display are the figure's.
    TFrames Frames;
    // This display's own picture of each frame.
    TPictures Pictures;
    // Where the display lies in the picture the chaos game draws: the
    // display itself, or a part of a picture that spans several displays.
    int32_t CanvasLeft = 0, CanvasTop = 0, CanvasWidth = 0, CanvasHeight = 0;
    // Raised by whoever starts a worker that draws this display's frames
    // anew, lowered (release) by that worker once they are drawn.
    std::atomic<bool> DrawingAnew{false};
    // What its glow frames may keep while a screen shows them in step.
    std::shared_ptr<TCodeBudget> Budget = std::make_shared<TCodeBudget>();

    TStyle Style() const noexcept { return static_cast<TStyle>(Pictures.index()); }
    // The pictures when they are of frame type `TFrame`, else null.
    template <typename TFrame>
    TFrameList<TFrame>* PicturesOf() noexcept {
        return std::get_if<TFrameList<TFrame>>(&Pictures);
    }
    template <typename TFrame>
    const TFrameList<TFrame>* PicturesOf() const noexcept {
        return std::get_if<TFrameList<TFrame>>(&Pictures);
    }
    // Frame k's picture of a display known to be of that frame type.
    TDotsFrame& Dots(int k) noexcept { return (*PicturesOf<TDotsFrame>())[k]; }
    const TDotsFrame& Dots(int k) const noexcept { return (*PicturesOf<TDotsFrame>())[k]; }
    TGlowFrame& Glow(int k) noexcept { return (*PicturesOf<TGlowFrame>())[k]; }
    const TGlowFrame& Glow(int k) const noexcept { return (*PicturesOf<TGlowFrame>())[k]; }

    // Sets the size, the canvas (the display alone) and the budget, and
    // allocates `frames` cleared frames of the style. Throws
    // std::invalid_argument for a size that is not positive or whose area
    // does not fit 32 bits, std::bad_alloc when memory runs out.
    void AllocateFrames(int32_t width, int32_t height, int frames = DesignedFrameCount, TStyle style = TStyle::Dots);
    void ReleaseFrames() noexcept;
    // Bytes that the pictures of `frames` frames of a width x height display take.
    static int64_t FrameBytes(int64_t width, int64_t height, int64_t frames, TStyle style = TStyle::Dots) noexcept {
        return WithFrameType(style, [&](auto frame) { return decltype(frame)::type::Bytes(width, height); }) * frames;
    }
    // FNV-1a 64 of a frame's picture.
    uint64_t FrameHash(int Frame) const noexcept;
    // Whether frame k's picture may be shown.
    bool FrameReady(int Frame) const noexcept;
    // Whether a frame being drawn may be shown (and so change while it is).
    bool DrawnInSight() const noexcept {
        return std::visit([](const auto& p) { return std::decay_t<decltype(p)>::TValue::DrawnInSight; }, Pictures);
    }

    int RowWords() const noexcept { return (ScreenWidth + 31) / 32; }

    // Frames of another style have no bits: none is set, none can be.
    bool mb_getpixel(int Frame, int X, int Y) const noexcept {
        const TFrameList<TDotsFrame>* dots = PicturesOf<TDotsFrame>();
        return dots && X >= 0 && X < ScreenWidth && Y >= 0 && Y < ScreenHeight && (*dots)[Frame].FrameBits.Test(X, Y);
    }

    void SetPixel(int Frame, int X, int Y) noexcept {
        TFrameList<TDotsFrame>* dots = PicturesOf<TDotsFrame>();
        if (dots && X >= 0 && X < ScreenWidth && Y >= 0 && Y < ScreenHeight) (*dots)[Frame].FrameBits.Set(X, Y);
    }

    // Takes the maps and colours of every frame from `other`; the pictures stay.
    void CopyMorphOf(const TFrameStore& other) noexcept;

    void ClearFrame(int Frame) noexcept;
    void CopyFrame(int Dest, int Src) noexcept;
};

}  // namespace ombrel
