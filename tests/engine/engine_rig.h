#pragma once
#include <memory>
#include <utility>
#include <vector>

#include "engine/morph_state.h"

namespace ombrel {

// A morph state over displays of the given sizes, as start-up builds it.
struct TEngineRig {
    std::vector<std::unique_ptr<TFrameStore>> Stores;
    TMorphState S;

    TEngineRig(std::vector<std::pair<int, int>> sizes, uint32_t seed, TStyle style = TStyle::Dots) {
        for (auto [w, h] : sizes) {
            Stores.push_back(std::make_unique<TFrameStore>());
            Stores.back()->AllocateFrames(w, h, DesignedFrameCount, style);
            S.Displays.push_back(Stores.back().get());
        }
        S.UpdateMaxPointBudget();
        S.FirstCycle = true;
        S.Random.Seed(seed);
    }

    TFrames& Frames() { return S.Displays[0]->Frames; }

    // A glow frame at full size.
    TGlowPlane GlowPlane(size_t display, int frame) const {
        const TFrameStore& s = *Stores[display];
        return s.Glow(frame).Picture()->Plane(s.ScreenWidth, s.ScreenHeight);
    }

    bool SameBits(const TEngineRig& other) const {
        for (size_t d = 0; d < Stores.size(); ++d)
            for (int k = 1; k <= DesignedFrameCount; ++k) {
                const TFrameBits& a = Stores[d]->Dots(k).FrameBits;
                const TFrameBits& b = other.Stores[d]->Dots(k).FrameBits;
                for (size_t i = 0; i < a.WordCount(); ++i)
                    if (a.Row(0)[i].load() != b.Row(0)[i].load()) return false;
            }
        return true;
    }

    int CountSet(size_t display, int frame) const {
        const TFrameBits& b = Stores[display]->Dots(frame).FrameBits;
        int n = 0;
        for (size_t i = 0; i < b.WordCount(); ++i) n += __builtin_popcount(b.Row(0)[i].load());
        return n;
    }
};

}  // namespace ombrel
