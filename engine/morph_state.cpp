#include "engine/morph_state.h"

#include "engine/background_thread.h"
#include "engine/dots_rasteriser.h"
#include "engine/interpolation.h"
#include "engine/overloaded.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <stdexcept>
#include <system_error>
#include <thread>

namespace ombrel {

namespace {

void CopyMaps(TMorphFrame& dest, const TCoefs& a, const TCoefs& b, const TCoefs& c,
              const TCoefs& d, const TCoefs& e, const TCoefs& f) noexcept {
    dest.CoefA = a;
    dest.CoefB = b;
    dest.CoefC = c;
    dest.CoefD = d;
    dest.CoefE = e;
    dest.CoefF = f;
}

TCoefs LerpCoefs(int i, int n, const TCoefs& v1, const TCoefs& vn) noexcept {
    TCoefs r;
    for (size_t k = 0; k < 4; ++k) r[k] = Interpolate(i, n, v1[k], vn[k]);
    return r;
}

}  // namespace

void TMorphState::UpdateMaxPointBudget() noexcept {
    MaxPointBudget = 0;
    for (const TFrameStore* d : Displays)
        if (d->PointBudget > MaxPointBudget) MaxPointBudget = d->PointBudget;
}

void TMorphState::ClearFrames() noexcept {
    for (TFrameStore* d : Displays)
        for (int k = 2; k <= d->Frames.Count(); ++k) d->ClearFrame(k);
    for (size_t k = 2; k < Origins.size(); ++k) Origins[k] = {};
}

TMorphState::TFrameOrigin& TMorphState::OriginOf(int frame) {
    if (Origins.size() <= static_cast<size_t>(frame)) Origins.resize(static_cast<size_t>(frame) + 1);
    return Origins[static_cast<size_t>(frame)];
}

void TMorphState::CopyFrameBits(int Dest, int Src) noexcept {
    for (TFrameStore* d : Displays) d->CopyFrame(Dest, Src);
}

void TMorphState::TakeOverTargetPicture() noexcept {
    if (Displays.empty()) return;
    TFrames& F = Displays[0]->Frames;
    const int n = F.Count();
    // The maps too, so that the picture can be drawn anew before the cycle begins.
    F[1].TakeMorphOf(F[n]);
    CopyFrameBits(1, n);
    if (Origins.size() > static_cast<size_t>(n)) Origins[1] = Origins[static_cast<size_t>(n)];
    PictureTakenOver = true;
}

bool TMorphState::GenerateMorph() {
    try {
        const TTargetKind kind = PrepareCycle();
        if (!RasteriseFrames(kind)) {
            ClearFrames();
            return false;
        }
    } catch (...) {
        HoldStartPicture();
        throw;
    }
    FinishCycle();
    return true;
}

void TMorphState::HoldStartPicture() noexcept {
    if (Displays.empty()) return;
    TFrames& F = Displays[0]->Frames;
    for (int k = 2; k <= F.Count(); ++k) {
        F[k].TakeMorphOf(F[1]);
        CopyFrameBits(k, 1);
        if (Origins.size() > static_cast<size_t>(k)) Origins[static_cast<size_t>(k)] = Origins[1];
    }
}

TTargetKind TMorphState::PrepareCycle() {
    if (Displays.empty()) throw std::logic_error("a morph cycle needs at least one display");
    TFrames& F = Displays[0]->Frames;

    if (FirstCycle.load()) {
        const TCoefs zero{};
        CopyMaps(F[1], zero, zero, zero, zero, zero, zero);
        F[1].Hue = 0;
        F[1].Saturation = 0;
        F[1].Brightness = 255;
        OriginOf(1) = {};
        FirstCycle = false;
    } else {
        const TMorphFrame& last = F[F.Count()];
        CopyMaps(F[1], last.CoefA, last.CoefB, last.CoefC, last.CoefD, last.CoefE, last.CoefF);
        if (!PictureTakenOver) TakeOverTargetPicture();
    }
    PictureTakenOver = false;

    const TTargetKind kind = RequestFern         ? TTargetKind::Fern
                             : RequestKoch       ? TTargetKind::Koch
                             : RequestSierpinski ? TTargetKind::Sierpinski
                                                 : TTargetKind::Random;

    const int n = F.Count();
    TMorphFrame& target = F[n];
    if (const TPresetMaps* preset = PresetMapsOf(kind)) {
        CopyMaps(target, preset->CoefA, preset->CoefB, preset->CoefC, preset->CoefD, preset->CoefE,
                 preset->CoefF);
        target.Hue = 0;
        target.Saturation = 0;
    } else {
        for (size_t k = 0; k < 4; ++k) {
            for (TCoefs* c : {&target.CoefA, &target.CoefB, &target.CoefC, &target.CoefD, &target.CoefE,
                              &target.CoefF})
                (*c)[k] = Random.Real() * 2 - 1;
            target.Hue = Random.Real();
            target.Saturation = Random.Real();
        }
    }
    target.Brightness = 255;

    const TMorphFrame& start = F[1];
    for (int i = 2; i <= n - 1; ++i) {
        CopyMaps(F[i], LerpCoefs(i, n, start.CoefA, target.CoefA), LerpCoefs(i, n, start.CoefB, target.CoefB),
                 LerpCoefs(i, n, start.CoefC, target.CoefC), LerpCoefs(i, n, start.CoefD, target.CoefD),
                 LerpCoefs(i, n, start.CoefE, target.CoefE), LerpCoefs(i, n, start.CoefF, target.CoefF));
        F[i].Hue = InterpolateHue(i, n, start.Hue, target.Hue);
        F[i].Saturation = Interpolate(i, n, start.Saturation, target.Saturation);
        F[i].Brightness = Interpolate(i, n, start.Brightness, target.Brightness);
    }

    ClearFrames();
    return kind;
}

bool TMorphState::RasteriseFrames(TTargetKind kind) {
    return std::visit(TOverloaded{[&](TFrameList<TDotsFrame>&) { return RasteriseDotsFrames(kind); },
                                  [&](TFrameList<TGlowFrame>&) { return RasteriseGlowFrames(kind); }},
                      Displays[0]->Pictures);
}

bool TMorphState::RasteriseDotsFrames(TTargetKind kind) {
    const TPlacement& place = PlacementOf(kind);
    // Frames are independent but for the generator state they start from.
    // A frame that runs to its end takes exactly MaxPointBudget + 1 draws, so
    // the next frame's start is known in advance and the two can be drawn at
    // once on two cores; in the rare case that the first one diverges, the
    // second is cleared and drawn again from the true state.
    const uint64_t draws = MaxPointBudget < 0 ? 0 : static_cast<uint64_t>(MaxPointBudget) + 1;
    const int n = Displays[0]->Frames.Count();
    int i = 2;
    for (; i + 1 <= n; i += 2) {
        TRandom ahead = Random;
        ahead.Skip(draws);
        OriginOf(i) = {true, Random.GetState(), kind, i};
        OriginOf(i + 1) = {true, ahead.GetState(), kind, i + 1};
        bool aheadDone = false;
        std::thread helper;
        try {
            helper = std::thread([&, i] {
                RunInBackground();
                try {
                    RasteriseFrame(i + 1, place, ahead, Displays, MaxPointBudget);
                    aheadDone = true;
                } catch (...) {
                    // Drawn again below.
                }
            });
        } catch (const std::system_error&) {
            // No second thread: one frame after the other.
        }
        struct TJoin {
            std::thread& Thread;
            ~TJoin() {
                if (Thread.joinable()) Thread.join();
            }
        } join{helper};
        const bool helped = helper.joinable();
        const bool complete = RasteriseFrame(i, place, Random, Displays, MaxPointBudget);
        if (helped) helper.join();
        if (Cancel.load(std::memory_order_relaxed)) return false;
        if (complete && aheadDone) {
            Random = ahead;
        } else {
            if (helped)
                for (TFrameStore* d : Displays) d->ClearFrame(i + 1);
            OriginOf(i + 1).State = Random.GetState();
            RasteriseFrame(i + 1, place, Random, Displays, MaxPointBudget);
        }
    }
    if (i == n) {
        OriginOf(i) = {true, Random.GetState(), kind, i};
        RasteriseFrame(i, place, Random, Displays, MaxPointBudget);
    }
    return !Cancel.load(std::memory_order_relaxed);
}

bool TMorphState::RasteriseGlowFrames(TTargetKind kind) {
    const TPlacement& place = PlacementOf(kind);
    Glow.Prepare(Displays, GlowThreads);
    const int n = Displays[0]->Frames.Count();
    for (int i = 2; i <= n; ++i) {
        OriginOf(i) = {true, Random.GetState(), kind, i};
        if (!Glow.Draw(i, i, TOrbitMaps::Of(Displays[0]->Frames[i]), place, Random, MaxPointBudget, {}, Cancel))
            return false;
    }
    return true;
}

bool TMorphState::RasteriseFrame(int frame, const TPlacement& place, TRandom& random,
                                 const std::vector<TFrameStore*>& displays, int64_t last) {
    return RasteriseDotsFrame(frame, TOrbitMaps::Of(Displays[0]->Frames[frame]), place, random, displays, last, Cancel);
}

bool TMorphState::DrawAnew(const std::vector<TFrameStore*>& anew, int from, int to) {
    struct TLower {
        const std::vector<TFrameStore*>& Anew;
        ~TLower() {
            for (TFrameStore* d : Anew) d->DrawingAnew.store(false, std::memory_order_release);
        }
    } lower{anew};
    if (anew.empty() || Displays.empty() || FirstCycle.load()) return true;
    to = std::min(to, Displays[0]->Frames.Count());
    from = std::max(from, 1);
    int64_t last = 0;
    for (const TFrameStore* d : anew) last = std::max<int64_t>(last, d->PointBudget);
    const auto clear = [&] {
        for (TFrameStore* d : anew)
            for (int k = from; k <= to; ++k) d->ClearFrame(k);
    };
    // A glow frame is shown complete: none of these is until it is drawn.
    clear();
    try {
        using TDraw = std::function<void(int, const TFrameOrigin&, TRandom&)>;
        const TDraw draw = std::visit(
            TOverloaded{[&](TFrameList<TDotsFrame>&) -> TDraw {
                            return [&](int k, const TFrameOrigin& origin, TRandom& rng) {
                                RasteriseFrame(k, PlacementOf(origin.Kind), rng, anew, last);
                            };
                        },
                        [&](TFrameList<TGlowFrame>&) -> TDraw {
                            // Glow counts every point on every display of the figure, for the light
                            // that its siblings have.
                            Glow.Prepare(Displays, GlowThreads);
                            return [&](int k, const TFrameOrigin& origin, TRandom& rng) {
                                Glow.Draw(k, origin.Frame, TOrbitMaps::Of(Displays[0]->Frames[k]),
                                          PlacementOf(origin.Kind), rng, MaxPointBudget, anew, Cancel);
                            };
                        }},
            Displays[0]->Pictures);
        for (int k = from; k <= to; ++k) {
            const TFrameOrigin origin = OriginOf(k);
            if (!origin.Drawn) continue;
            TRandom rng(origin.State);
            draw(k, origin, rng);
            if (Cancel.load(std::memory_order_relaxed)) {
                clear();
                return false;
            }
        }
    } catch (...) {
        clear();
        throw;
    }
    return true;
}

void TMorphState::FinishCycle() noexcept {
    RequestFern = false;
    RequestKoch = false;
    RequestSierpinski = false;
}

}  // namespace ombrel
