#include "engine/generator.h"

#include "engine/background_thread.h"

namespace ombrel {

TGenerator::TGenerator(TMorphState& state, TGenerationDone done)
    : State(state), Done(std::move(done)), Thread([this] { Execute(); }) {}

TGenerator::~TGenerator() {
    if (Thread.joinable()) Thread.join();
}

void TGenerator::Execute() noexcept {
    RunInBackground();
    std::exception_ptr error;
    try {
        State.GenerateMorph();
    } catch (...) {
        error = std::current_exception();
    }
    // The clock and shutdown must never wait forever.
    State.Generating.store(false, std::memory_order_release);
    if (Done) Done(error);
}

std::unique_ptr<TGenerator> StartGenerator(TMorphState& state, TGenerationDone done) {
    if (!state.FirstCycle) state.TakeOverTargetPicture();
    state.Generating.store(true);
    ++state.CyclesStarted;
    try {
        return std::make_unique<TGenerator>(state, std::move(done));
    } catch (...) {
        --state.CyclesStarted;
        state.Generating.store(false);
        throw;
    }
}

void GenerateAndWait(TMorphState& state) {
    std::exception_ptr error;
    StartGenerator(state, [&error](std::exception_ptr e) { error = e; }).reset();
    if (error) std::rethrow_exception(error);
}

}  // namespace ombrel
