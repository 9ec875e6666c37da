// One full morph cycle per iteration, with the fast chaos game and with the
// step-by-step transcription, so the speed-up is a ratio within one run.
#include <benchmark/benchmark.h>

#include <vector>

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

}  // namespace

BENCHMARK(BM_GlowCycle)->Name("GenerateMorph/glow")->ArgsProduct({{0, 2, 3}, {1, 2}})->Unit(benchmark::kMillisecond)->MinTime(4.0)->UseRealTime();
BENCHMARK(BM_SpanCycle)->Name("GenerateMorph/span-gap")->Arg(0)->Arg(10000)->Arg(40000)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Cycle<false>)->Name("GenerateMorph/fast")->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Cycle<true>)->Name("GenerateMorph/transcription")->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->MinTime(2.0);

BENCHMARK_MAIN();
