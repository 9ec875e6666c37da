#include "engine/generator.h"

#include "engine/background_thread.h"

#include <algorithm>
#include <limits>

namespace ombrel {

TGenerator::TGenerator(TMorphState& control, std::vector<TMorphState*> figures, TGeneratorJob job,
                       TGenerationDone done)
    : Control(control),
      Figures(std::move(figures)),
      Job(std::move(job)),
      Done(std::move(done)),
      Thread([this] { Execute(); }) {}

TGenerator::~TGenerator() {
    if (Thread.joinable()) Thread.join();
}

void TGenerator::Execute() noexcept {
    RunInBackground();
    std::exception_ptr error;
    bool complete = true;
    for (TMorphState* figure : Figures) {
        try {
            std::vector<TFrameStore*> own;
            for (TFrameStore* d : figure->Displays)
                if (std::find(Job.Anew.begin(), Job.Anew.end(), d) != Job.Anew.end()) own.push_back(d);
            // A cycle draws frames 2.. itself: only the picture it starts from is missing.
            complete = figure->DrawAnew(own, Job.From, Job.Morph ? 1 : std::numeric_limits<int>::max()) && complete;
            if (Job.Morph) complete = figure->GenerateMorph() && complete;
        } catch (...) {
            complete = false;
            if (!error) error = std::current_exception();
        }
    }
    // Figures of their own took the requests over; they are met once every figure met them.
    if (Job.Morph && complete && (Figures.size() != 1 || Figures[0] != &Control)) Control.FinishCycle();
    // The clock and shutdown must never wait forever.
    Control.Generating.store(false, std::memory_order_release);
    if (Done) Done(error);
}

namespace {

std::unique_ptr<TGenerator> Start(TMorphState& control, std::vector<TMorphState*> figures, TGeneratorJob job,
                                  TGenerationDone done) {
    for (TFrameStore* d : job.Anew) d->DrawingAnew.store(true);
    control.Generating.store(true);
    // The job is moved into the worker before its thread starts: a start that fails leaves it empty.
    const std::vector<TFrameStore*> raised = job.Anew;
    try {
        return std::make_unique<TGenerator>(control, std::move(figures), std::move(job), std::move(done));
    } catch (...) {
        for (TFrameStore* d : raised) d->DrawingAnew.store(false);
        control.Generating.store(false);
        throw;
    }
}

}  // namespace

std::unique_ptr<TGenerator> StartGenerator(TMorphState& control, std::vector<TMorphState*> figures,
                                           TGenerationDone done, std::vector<TFrameStore*> anew) {
    for (TMorphState* figure : figures) {
        if (!figure->FirstCycle) figure->TakeOverTargetPicture();
        if (figure == &control) continue;
        figure->RequestFern = control.RequestFern.load();
        figure->RequestKoch = control.RequestKoch.load();
        figure->RequestSierpinski = control.RequestSierpinski.load();
    }
    ++control.CyclesStarted;
    try {
        return Start(control, std::move(figures), {std::move(anew), 1, true}, std::move(done));
    } catch (...) {
        --control.CyclesStarted;
        throw;
    }
}

std::unique_ptr<TGenerator> StartDrawingAnew(TMorphState& control, std::vector<TMorphState*> figures,
                                             std::vector<TFrameStore*> anew, int from, TGenerationDone done) {
    return Start(control, std::move(figures), {std::move(anew), from, false}, std::move(done));
}

void GenerateAndWait(TMorphState& control, std::vector<TMorphState*> figures) {
    std::exception_ptr error;
    StartGenerator(control, std::move(figures), [&error](std::exception_ptr e) { error = e; }).reset();
    if (error) std::rethrow_exception(error);
}

}  // namespace ombrel
