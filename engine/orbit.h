#pragma once
#include <cstdint>

#include "engine/frame_store.h"

namespace ombrel {

// The four maps of a frame as the chaos game steps with them, held in registers.
struct TOrbitMaps {
    TCoefs A, B, C, D, E, F;
    static TOrbitMaps Of(const TMorphFrame& f) noexcept { return {f.CoefA, f.CoefB, f.CoefC, f.CoefD, f.CoefE, f.CoefF}; }
};

// Whether a point is still in the box: one that left it never comes back
// (the maps' coefficients are bounded), so its orbit ends there.
inline bool InOrbitBox(double x, double y) noexcept {
    return -1000000.0 < x && x < 1000000.0 && -1000000.0 < y && y < 1000000.0;
}

// One step of the chaos game: map k applied to (x, y), in the order that fixes every bit.
inline void StepOrbit(const TOrbitMaps& m, uint32_t k, double& x, double& y) noexcept {
    const double nx = m.A[k] * x + m.B[k] * y + m.E[k];
    const double ny = m.C[k] * x + m.D[k] * y + m.F[k];
    x = nx;
    y = ny;
}

}  // namespace ombrel
