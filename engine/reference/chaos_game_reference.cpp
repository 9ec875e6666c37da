#include "engine/reference/chaos_game_reference.h"

#include <cmath>

namespace ombrel {

namespace {

bool FitsInt32(double v) { return v >= -2147483648.0 && v <= 2147483647.0; }

}  // namespace

void ReferenceRasteriseFrames(TMorphState& S, TTargetKind kind) {
    const TPlacement& P = PlacementOf(kind);
    for (int i = 2; i <= S.Displays[0]->Frames.Count(); ++i) {
        double x = 0, y = 0;
        for (int64_t j = 0; j <= S.MaxPointBudget; ++j) {
            if (!(-1000000.0 < x && x < 1000000.0 && -1000000.0 < y && y < 1000000.0)) continue;
            const size_t k = 1 + S.Random.Integer(4);
            const TMorphFrame& M = S.Displays[0]->Frames[i];
            const double nx = M.CoefA[k - 1] * x + M.CoefB[k - 1] * y + M.CoefE[k - 1];
            const double ny = M.CoefC[k - 1] * x + M.CoefD[k - 1] * y + M.CoefF[k - 1];
            x = nx;
            y = ny;
            for (size_t d = 0; d < S.Displays.size(); ++d) {
                const TFrameStore& D = *S.Displays[d];
                if (j > D.PointBudget) continue;
                const double X = std::nearbyint(((x * P.Kx + P.Ox) / 800) * D.ScreenWidth);
                const double Y = std::nearbyint(((P.Oy - y * P.Ky) / 600) * D.ScreenHeight);
                if (FitsInt32(X) && FitsInt32(Y))
                    S.Displays[d]->SetPixel(i, static_cast<int>(X), static_cast<int>(Y));
            }
        }
    }
}

void ReferenceGenerateMorph(TMorphState& S) {
    const TTargetKind kind = S.PrepareCycle();
    ReferenceRasteriseFrames(S, kind);
    S.FinishCycle();
}

}  // namespace ombrel
