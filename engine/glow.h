#pragma once
#include <cstdint>

#include "engine/frame_store.h"

namespace ombrel {

// log2(x) for finite x >= 1 from + - * / alone, to within a few units in the
// last place: the same bits on every machine with IEEE doubles, unlike a
// library's log.
double PortableLog2(double x) noexcept;

// The light of a pixel hit `count` times in a frame whose dense pixels have
// about `reference` hits: 0 for none, 255 from the reference on.
uint8_t ToneMap(uint32_t count, uint32_t reference) noexcept;

// The reference of a frame: the count that all but its densest 1/200 of
// lit pixels stay below, from a histogram of the counts (index: count).
uint32_t GlowReference(const uint32_t* histogram, uint32_t size) noexcept;

// The box around the pixels of a w x h light image that are not black.
TLitBox LitBoxOf(const uint8_t* light, int w, int h) noexcept;

// A pixel's channel: the frame colour's channel dimmed by the light, rounded.
inline uint8_t GlowChannel(uint32_t channel, uint32_t light) noexcept {
    return static_cast<uint8_t>((channel * light + 127) / 255);
}

// Orbits a glow frame draws, each as long as the dots' one (so --density
// scales them), for a figure whose largest display has `pixels`: many on
// ordinary monitors, fewer on very large ones, so that a cycle keeps its pace.
int GlowOrbits(int64_t pixels) noexcept;

// The seed of a glow frame's extra orbit `orbit`, from the generator's state
// at the frame's start.
uint32_t GlowOrbitSeed(uint32_t state, int frame, int orbit) noexcept;

}  // namespace ombrel
