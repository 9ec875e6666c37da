// One full morph cycle per iteration, with the fast chaos game and with the
// step-by-step transcription, so the speed-up is a ratio within one run.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "engine/glow.h"
#include "engine/reference/chaos_game_reference.h"
#include "engine/show_layout.h"
#include "tests/engine/engine_rig.h"

using namespace ombrel;

namespace {

const std::vector<std::vector<std::pair<int, int>>> Layouts = {
    {{1920, 1080}}, {{2560, 1440}}, {{3840, 2160}}, {{1920, 1080}, {1280, 1024}}};

template <bool Reference>
void BM_Cycle(benchmark::State& st) {
    TEngineRig layout(Layouts[static_cast<size_t>(st.range(0))], 0x5eed);
    layout.S.GenerateMorph();  // past the first cycle's empty start
    for (auto _ : st) {
        if constexpr (Reference)
            ReferenceGenerateMorph(layout.S);
        else
            layout.S.GenerateMorph();
    }
    const double iterations = (static_cast<double>(layout.S.MaxPointBudget) + 1) * 49;
    st.counters["iterations/s"] = benchmark::Counter(iterations, benchmark::Counter::kIsIterationInvariantRate);
    st.SetLabel(st.range(0) == 0 ? "1920x1080" : st.range(0) == 1 ? "2560x1440" : st.range(0) == 2 ? "3840x2160" : "1920x1080+1280x1024");
}

// --monitors span over two 1280x720 outputs, Arg pixels apart, planned as
// the programs plan it: far apart must cost about what side by side does.
void BM_SpanCycle(benchmark::State& st) {
    const std::vector<TDisplayRect> rects{{0, 0, 1280, 720}, {static_cast<int32_t>(1280 + st.range(0)), 0, 1280, 720}};
    TEngineRig layout({{1280, 720}, {1280, 720}}, 0x5eed);
    std::string note;
    const TMonitorMode mode = PlanMonitorMode(rects, TMonitorMode::Span, 1, note);
    PlaceOnCanvas(layout.S.Displays, rects, mode, 1);
    layout.S.UpdateMaxPointBudget();
    layout.S.GenerateMorph();
    for (auto _ : st) layout.S.GenerateMorph();
    st.SetLabel(mode == TMonitorMode::Span ? "span" : "same");
}

// One glow morph on Arg(0)'s layout with Arg(1) threads: the orbits counted
// and every frame tone-mapped.
void BM_GlowCycle(benchmark::State& st) {
    TEngineRig layout(Layouts[static_cast<size_t>(st.range(0))], 0x5eed, TStyle::Glow);
    layout.S.GlowThreads = static_cast<int>(st.range(1));
    layout.S.GenerateMorph();
    for (auto _ : st) layout.S.GenerateMorph();
    st.SetLabel(st.range(0) == 0 ? "1920x1080" : st.range(0) == 2 ? "3840x2160" : "1920x1080+1280x1024");
}

// Glow against its converged picture: frame 50 of the first cycle on one
// Arg(0) x Arg(1) display, seed Arg(2), at the default density and at
// --density 8. Counters: the relative L1 difference of their light (the
// colour is the same in both), and the points that a lit pixel gets.
void BM_GlowQuality(benchmark::State& st) {
    const int w = static_cast<int>(st.range(0)), h = static_cast<int>(st.range(1));
    const auto seed = static_cast<uint32_t>(st.range(2));
    const auto frame50 = [&](double density, double& pointsPerLit) {
        TEngineRig rig({{w, h}}, seed, TStyle::Glow);
        rig.Stores[0]->PointBudget = ComputePointBudget(w, h, density);
        rig.S.UpdateMaxPointBudget();
        rig.S.GenerateMorph();
        const TGlowPlane plane = rig.GlowPlane(0, DesignedFrameCount);
        const uint8_t* light = plane.Light.get();
        std::vector<uint8_t> frame(light, light + static_cast<size_t>(w) * h);
        const auto lit = static_cast<double>(std::count_if(frame.begin(), frame.end(), [](uint8_t l) { return l != 0; }));
        pointsPerLit = GlowOrbits(int64_t{w} * h) * (static_cast<double>(rig.S.MaxPointBudget) + 1) / lit;
        return frame;
    };
    for (auto _ : st) {
        double perLit = 0, converged = 0;
        const std::vector<uint8_t> a = frame50(1, perLit), b = frame50(8, converged);
        double difference = 0, total = 0;
        for (size_t i = 0; i < a.size(); ++i) {
            difference += std::abs(a[i] - b[i]);
            total += b[i];
        }
        st.counters["L1"] = difference / total;
        st.counters["points_per_lit_pixel"] = perLit;
    }
}

// How glow's light spreads over a figure: frame 50 of cycle Arg(2) on a
// 1920x1080 display, seed Arg(0), the fern asked for in that cycle when
// Arg(1). Counters: the share of the lit pixels that reach a light of 32
// (a thin dense part must not leave the rest near black), and the share at
// full light (a dense heart must not flatten into a plateau).
void BM_GlowTone(benchmark::State& st) {
    for (auto _ : st) {
        TEngineRig rig({{1920, 1080}}, static_cast<uint32_t>(st.range(0)), TStyle::Glow);
        for (int cycle = 1; cycle <= st.range(2); ++cycle) {
            if (cycle == st.range(2) && st.range(1)) rig.S.RequestFern = true;
            rig.S.GenerateMorph();
        }
        const TGlowPlane plane = rig.GlowPlane(0, DesignedFrameCount);
        const uint8_t* light = plane.Light.get();
        double lit = 0, bright = 0, full = 0;
        for (size_t i = 0; i < size_t{1920} * 1080; ++i) {
            lit += light[i] != 0;
            bright += light[i] >= 32;
            full += light[i] == 255;
        }
        st.counters["lit_reaching_32"] = bright / lit;
        st.counters["lit_at_255"] = full / lit;
    }
}

}  // namespace

BENCHMARK(BM_GlowTone)
    ->Name("GlowQuality/tone")
    ->ArgNames({"seed", "fern", "cycle"})
    ->Args({31, 1, 3})->Args({43, 0, 1})->Args({1, 0, 1})->Args({20261207, 0, 1})->Args({0x5eed, 0, 2})
    ->Iterations(1)
    ->Unit(benchmark::kSecond);
BENCHMARK(BM_GlowQuality)
    ->Name("GlowQuality")
    ->ArgNames({"w", "h", "seed"})
    ->Args({1920, 1080, 1})->Args({1920, 1080, 2})->Args({1920, 1080, 3})->Args({1920, 1080, 43})
    ->Args({1920, 1080, 0x5eed})->Args({1920, 1080, 20261207})
    ->Args({1280, 1024, 3})->Args({1280, 1024, 43})->Args({1280, 1024, 20261207})
    ->Args({3840, 2160, 43})->Args({3840, 2160, 20261207})
    ->Iterations(1)
    ->Unit(benchmark::kSecond);
BENCHMARK(BM_GlowCycle)->Name("GenerateMorph/glow")->ArgsProduct({{0, 2, 3}, {1, 2}})->Unit(benchmark::kMillisecond)->MinTime(4.0)->UseRealTime();
BENCHMARK(BM_SpanCycle)->Name("GenerateMorph/span-gap")->Arg(0)->Arg(10000)->Arg(40000)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Cycle<false>)->Name("GenerateMorph/fast")->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Cycle<true>)->Name("GenerateMorph/transcription")->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->MinTime(2.0);

BENCHMARK_MAIN();
