#include "engine/generator.h"

#include "engine/background_thread.h"

namespace ombrel {

TGenerator::TGenerator(TMorphState& state) : State(state), Thread([this] { Execute(); }) {}

TGenerator::~TGenerator() {
    if (Thread.joinable()) Thread.join();
}

void TGenerator::Execute() noexcept {
    RunInBackground();
    try {
        State.GenerateMorph();
    } catch (...) {
        // The frames keep whatever they hold; the clock and shutdown must not wait forever.
    }
    State.Generating.store(false, std::memory_order_release);
}

std::unique_ptr<TGenerator> StartGenerator(TMorphState& state) {
    if (!state.FirstCycle) state.TakeOverTargetPicture();
    state.Generating.store(true);
    ++state.CyclesStarted;
    try {
        return std::make_unique<TGenerator>(state);
    } catch (...) {
        --state.CyclesStarted;
        state.Generating.store(false);
        throw;
    }
}

}  // namespace ombrel
