#include "engine/figures.h"

#include <algorithm>

namespace ombrel {

std::vector<TMorphState*> FiguresOf(TMorphState& shared, const std::vector<std::unique_ptr<TMorphState>>& own,
                                    TMonitorMode mode) {
    if (mode != TMonitorMode::Each) return {&shared};
    std::vector<TMorphState*> figures;
    for (const auto& f : own) figures.push_back(f.get());
    return figures;
}

void StartFigure(TMorphState& figure, uint32_t seed) {
    figure.UpdateMaxPointBudget();
    figure.FirstCycle = true;
    figure.Random.Seed(seed);
}

void FollowWithOwnFigures(std::vector<std::unique_ptr<TMorphState>>& figures, const std::vector<TFrameStore*>& displays,
                          uint32_t seed) {
    std::vector<std::unique_ptr<TMorphState>> old = std::move(figures);
    figures.clear();
    for (size_t i = 0; i < displays.size(); ++i) {
        TFrameStore* display = displays[i];
        const auto kept = std::find_if(old.begin(), old.end(), [&](const auto& f) { return f && f->Displays[0] == display; });
        if (kept != old.end()) {
            figures.push_back(std::move(*kept));
            // Its display's size may have changed.
            figures.back()->UpdateMaxPointBudget();
        } else {
            figures.push_back(std::make_unique<TMorphState>());
            figures.back()->Displays = {display};
            StartFigure(*figures.back(), FigureSeed(seed, i));
        }
    }
}

std::vector<const TFrameStore*> ColourSources(const std::vector<TMorphState*>& figures) {
    std::vector<const TFrameStore*> sources;
    for (const TMorphState* figure : figures)
        for (size_t i = 0; i < figure->Displays.size(); ++i) sources.push_back(figure->Displays[0]);
    return sources;
}

}  // namespace ombrel
