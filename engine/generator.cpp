#include "engine/generator.h"

#include "engine/background_thread.h"

namespace ombrel {

TGenerator::TGenerator(TMorphState& control, std::vector<TMorphState*> figures, TGenerationDone done)
    : Control(control), Figures(std::move(figures)), Done(std::move(done)), Thread([this] { Execute(); }) {}

TGenerator::~TGenerator() {
    if (Thread.joinable()) Thread.join();
}

void TGenerator::Execute() noexcept {
    RunInBackground();
    std::exception_ptr error;
    bool complete = true;
    for (TMorphState* figure : Figures) {
        try {
            complete = figure->GenerateMorph() && complete;
        } catch (...) {
            complete = false;
            if (!error) error = std::current_exception();
        }
    }
    // Figures of their own took the requests over; they are met once every figure met them.
    if (complete && (Figures.size() != 1 || Figures[0] != &Control)) Control.FinishCycle();
    // The clock and shutdown must never wait forever.
    Control.Generating.store(false, std::memory_order_release);
    if (Done) Done(error);
}

std::unique_ptr<TGenerator> StartGenerator(TMorphState& control, std::vector<TMorphState*> figures,
                                           TGenerationDone done) {
    for (TMorphState* figure : figures) {
        if (!figure->FirstCycle) figure->TakeOverTargetPicture();
        if (figure == &control) continue;
        figure->RequestFern = control.RequestFern.load();
        figure->RequestKoch = control.RequestKoch.load();
        figure->RequestSierpinski = control.RequestSierpinski.load();
    }
    control.Generating.store(true);
    ++control.CyclesStarted;
    try {
        return std::make_unique<TGenerator>(control, std::move(figures), std::move(done));
    } catch (...) {
        --control.CyclesStarted;
        control.Generating.store(false);
        throw;
    }
}

void GenerateAndWait(TMorphState& control, std::vector<TMorphState*> figures) {
    std::exception_ptr error;
    StartGenerator(control, std::move(figures), [&error](std::exception_ptr e) { error = e; }).reset();
    if (error) std::rethrow_exception(error);
}

}  // namespace ombrel
