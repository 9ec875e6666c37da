#pragma once
#include <cstdint>
#include <vector>

#include "engine/frame_store.h"

namespace ombrel {

// log2(x) for finite x >= 1 from + - * / alone, to within a few units in the
// last place: the same bits on every machine with IEEE doubles, unlike a
// library's log.
double PortableLog2(double x) noexcept;

// The least span of densities a frame's light covers below its reference:
// a narrower one flattens dense figures, a wider one for every figure dims
// the arms of sparse ones into noise (measured on many seeds against the
// same frames drawn with eight times the points).
inline constexpr double MinGlowRange = 64;

// How a frame's counts scale into light: the count from which a pixel has
// full light, and the span of densities below it that the light covers.
struct TGlowScale {
    uint32_t Reference = 1;
    double Range = MinGlowRange;
};

// The light of a pixel hit `count` times in a frame whose dense pixels have
// about `scale.Reference` hits: 0 for none, 255 from the reference on.
uint8_t ToneMap(uint32_t count, TGlowScale scale) noexcept;
// The same for a density of `sixteenths` / 16 hits a pixel, estimated from
// its neighbours where it has few hits of its own: from a hit a pixel (4
// sixteenths) on, at least the least light of a lit pixel.
uint8_t SparseLight(uint64_t sixteenths, TGlowScale scale) noexcept;

// How a frame's counts become light, for the frame's reference.
class TGlowTone {
public:
    // Room to work in, kept from row to row.
    struct TRoom {
        std::vector<uint32_t> Near, Wide;
    };
    // How far a pixel's light reaches: the widest kernel's reach.
    static constexpr int Reach = 2;

    explicit TGlowTone(TGlowScale scale);
    // The light of pixels [left, right] of a row of a display w wide, from
    // the counts of the rows from Reach above it (rows[0]) to Reach below
    // (rows[2 * Reach]); nullptr for a row off the display.
    void LightRow(const uint16_t* const* rows, int w, int left, int right, TRoom& room, uint8_t* light) const;

private:
    // Densities below this many hits go through a table of sixteenths; those
    // above, through the counts' own, a sixteenth of a hit being too fine to see there.
    static constexpr uint32_t SparseHits = 16;
    TGlowScale Scale;
    std::vector<uint8_t> Dense;        // by count, up to the reference
    uint8_t Sparse[16 * SparseHits];  // by sixteenths of a hit
};

// The reference of a frame: the count at which the densest pixels hold an
// eighth of the hits, from a histogram of the counts (index: count).
uint32_t GlowReference(const uint32_t* histogram, uint32_t size) noexcept;
// The scale of a frame from that histogram, over displays of `pixels` in all.
TGlowScale GlowScaleOf(const uint32_t* histogram, uint32_t size, uint64_t pixels) noexcept;

// The box around the pixels of a w x h light image that are not black.
TLitBox LitBoxOf(const uint8_t* light, int w, int h) noexcept;

// Orbits a glow frame draws, each as long as the dots' one (so --density
// scales them), for a figure whose largest display has `pixels`: many on
// ordinary monitors, fewer on very large ones, so that a cycle keeps its pace.
int GlowOrbits(int64_t pixels) noexcept;

// The seed of a glow frame's extra orbit `orbit`, from the generator's state
// at the frame's start.
uint32_t GlowOrbitSeed(uint32_t state, int frame, int orbit) noexcept;

}  // namespace ombrel
