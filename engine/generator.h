#pragma once
#include <exception>
#include <functional>
#include <memory>
#include <thread>

#include "engine/morph_state.h"

namespace ombrel {

// Told on the worker's thread, after Generating is lowered, how the cycle
// ended: null, or the exception that stopped it.
using TGenerationDone = std::function<void(std::exception_ptr)>;

// One generation worker: a thread that runs one GenerateMorph, lowers
// Generating however it ends, then reports. Destroying it waits for the thread.
class TGenerator {
public:
    TGenerator(TMorphState& state, TGenerationDone done);
    ~TGenerator();
    TGenerator(const TGenerator&) = delete;
    TGenerator& operator=(const TGenerator&) = delete;

private:
    void Execute() noexcept;

    TMorphState& State;
    TGenerationDone Done;
    std::thread Thread;
};

// Takes the last target's picture over into frame 1 (but in the first
// cycle), raises Generating, counts the cycle and starts a worker. If the
// thread cannot be started, Generating is lowered again and the error is
// passed on.
std::unique_ptr<TGenerator> StartGenerator(TMorphState& state, TGenerationDone done = {});

// Runs one cycle on this thread's behalf and waits for it; rethrows what stopped it.
void GenerateAndWait(TMorphState& state);

}  // namespace ombrel
