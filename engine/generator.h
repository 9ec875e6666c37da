#pragma once
#include <memory>
#include <thread>

#include "engine/morph_state.h"

namespace ombrel {

// One generation worker: a thread that runs one GenerateMorph and lowers
// Generating however it ends. Destroying it waits for the thread.
class TGenerator {
public:
    explicit TGenerator(TMorphState& state);
    ~TGenerator();
    TGenerator(const TGenerator&) = delete;
    TGenerator& operator=(const TGenerator&) = delete;

private:
    void Execute() noexcept;

    TMorphState& State;
    std::thread Thread;
};

// Takes the last target's picture over into frame 1 (but in the first
// cycle), raises Generating, counts the cycle and starts a worker. If the
// thread cannot be started, Generating is lowered again and the error is
// passed on.
std::unique_ptr<TGenerator> StartGenerator(TMorphState& state);

}  // namespace ombrel
