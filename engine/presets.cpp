#include "engine/presets.h"

namespace ombrel {

const TPresetMaps FernMaps = {
    {0, 0.197, -0.155, 0.849},  // a
    {0, -0.226, 0.283, 0.037},  // b
    {0, 0.226, 0.26, -0.037},   // c
    {0.16, 0.197, 0.237, 0.849},  // d
    {0, 0, 0, 0},               // e
    {0, 1.6, 0.44, 1.6},        // f
};

const TPresetMaps KochMaps = {
    {0.3333, 0.3333, 0.1667, -0.1667},
    {0, 0, -0.28867, 0.28867},
    {0, 0, 0.28867, 0.28867},
    {0.3333, 0.3333, 0.1667, 0.1667},
    {0, 0.6667, 0.3333, 0.667},
    {0, 0, 0, 0},
};

const TPresetMaps SierpinskiMaps = {
    {0.5, 0.5, 0.5, 0},
    {0, 0, 0, 0},
    {0, 0, 0, 0.5},
    {0.5, 0.5, 0.5, 0},
    {0, 0.5, 0, 0},
    {0, 0, 0.5, 0},
};

const TPlacement& PlacementOf(TTargetKind kind) noexcept {
    static const TPlacement random{80, 380, 80, 350};
    static const TPlacement fern{50, 380, 40, 500};
    static const TPlacement koch{750, 10, 750, 590};
    static const TPlacement sierpinski{580, 10, 580, 590};
    switch (kind) {
        case TTargetKind::Fern: return fern;
        case TTargetKind::Koch: return koch;
        case TTargetKind::Sierpinski: return sierpinski;
        case TTargetKind::Random: break;
    }
    return random;
}

const TPresetMaps* PresetMapsOf(TTargetKind kind) noexcept {
    switch (kind) {
        case TTargetKind::Fern: return &FernMaps;
        case TTargetKind::Koch: return &KochMaps;
        case TTargetKind::Sierpinski: return &SierpinskiMaps;
        case TTargetKind::Random: break;
    }
    return nullptr;
}

}  // namespace ombrel
