#pragma once
#include <exception>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "engine/morph_state.h"

namespace ombrel {

// Told on the worker's thread, after Generating is lowered, how the cycle
// ended: null, or the first exception that stopped a figure's cycle.
using TGenerationDone = std::function<void(std::exception_ptr)>;

// One generation worker: a thread that runs one GenerateMorph of each
// figure in turn, lowers the control state's Generating however they end,
// then reports. Destroying it waits for the thread.
class TGenerator {
public:
    TGenerator(TMorphState& control, std::vector<TMorphState*> figures, TGenerationDone done);
    ~TGenerator();
    TGenerator(const TGenerator&) = delete;
    TGenerator& operator=(const TGenerator&) = delete;

private:
    void Execute() noexcept;

    TMorphState& Control;
    std::vector<TMorphState*> Figures;
    TGenerationDone Done;
    std::thread Thread;
};

// Starts the next cycle of `figures` (independent figures, each with its
// own displays; usually just `control` itself). Each takes its last target's
// picture over into frame 1 (but in its first cycle) and the control
// state's preset requests; the control state raises Generating and counts
// the cycle. If the thread cannot be started, Generating is lowered again
// and the error is passed on.
std::unique_ptr<TGenerator> StartGenerator(TMorphState& control, std::vector<TMorphState*> figures,
                                           TGenerationDone done = {});
inline std::unique_ptr<TGenerator> StartGenerator(TMorphState& state, TGenerationDone done = {}) {
    return StartGenerator(state, {&state}, std::move(done));
}

// Runs one cycle on this thread's behalf and waits for it; rethrows what stopped it.
void GenerateAndWait(TMorphState& control, std::vector<TMorphState*> figures);
inline void GenerateAndWait(TMorphState& state) { GenerateAndWait(state, {&state}); }

}  // namespace ombrel
