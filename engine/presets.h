#pragma once
#include "engine/frame_store.h"

namespace ombrel {

enum class TTargetKind { Random, Fern, Koch, Sierpinski };

struct TPresetMaps {
    TCoefs CoefA, CoefB, CoefC, CoefD, CoefE, CoefF;
};

extern const TPresetMaps FernMaps;
extern const TPresetMaps KochMaps;
extern const TPresetMaps SierpinskiMaps;

// Where a kind puts the plane on the 800 x 600 virtual screen:
// X = ((x*Kx + Ox) / 800) * width, Y = ((Oy - y*Ky) / 600) * height.
struct TPlacement {
    double Kx, Ox, Ky, Oy;
};

const TPlacement& PlacementOf(TTargetKind kind) noexcept;
// The preset's maps; nullptr for the random kind.
const TPresetMaps* PresetMapsOf(TTargetKind kind) noexcept;

}  // namespace ombrel
