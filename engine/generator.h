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

// What a worker does for each figure: draw the frames of displays given
// frames anew (from `From` on), then, for a cycle, the next morph.
struct TGeneratorJob {
    std::vector<TFrameStore*> Anew;
    int From = 1;
    bool Morph = true;
};

// One generation worker: a thread that does its job for each figure in
// turn, lowers the control state's Generating however they end, then
// reports. Destroying it waits for the thread.
class TGenerator {
public:
    TGenerator(TMorphState& control, std::vector<TMorphState*> figures, TGeneratorJob job, TGenerationDone done);
    ~TGenerator();
    TGenerator(const TGenerator&) = delete;
    TGenerator& operator=(const TGenerator&) = delete;

private:
    void Execute() noexcept;

    TMorphState& Control;
    std::vector<TMorphState*> Figures;
    TGeneratorJob Job;
    TGenerationDone Done;
    std::thread Thread;
};

// Starts the next cycle of `figures` (independent figures, each with its
// own displays; usually just `control` itself). Each takes its last target's
// picture over into frame 1 (but in its first cycle) and the control
// state's preset requests; the control state raises Generating and counts
// the cycle. If the thread cannot be started, Generating is lowered again
// and the error is passed on. Displays in `anew` (their frames allocated
// since the last cycle) first get the picture that the cycle starts from.
std::unique_ptr<TGenerator> StartGenerator(TMorphState& control, std::vector<TMorphState*> figures,
                                           TGenerationDone done = {}, std::vector<TFrameStore*> anew = {});
inline std::unique_ptr<TGenerator> StartGenerator(TMorphState& state, TGenerationDone done = {}) {
    return StartGenerator(state, {&state}, std::move(done));
}

// Draws frames `from`.. of the cycle under way anew on `anew`, displays of
// `figures` whose frames were allocated during it; raises their DrawingAnew
// and Generating, and lowers them as StartGenerator does.
std::unique_ptr<TGenerator> StartDrawingAnew(TMorphState& control, std::vector<TMorphState*> figures,
                                             std::vector<TFrameStore*> anew, int from, TGenerationDone done = {});

// Runs one cycle on this thread's behalf and waits for it; rethrows what stopped it.
void GenerateAndWait(TMorphState& control, std::vector<TMorphState*> figures);
inline void GenerateAndWait(TMorphState& state) { GenerateAndWait(state, {&state}); }

}  // namespace ombrel
