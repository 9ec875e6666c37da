#include "display/wayland_scale.h"

#include <algorithm>
#include <cstdint>
#include <optional>

namespace ombrel {

namespace {

// size x num / den, halves away from zero, for sizes of either sign.
int Scaled(int64_t size, int64_t num, int64_t den) {
    const int64_t twice = 2 * size * num;
    return static_cast<int>(twice >= 0 ? (twice + den) / (2 * den) : -((-twice + den) / (2 * den)));
}

struct TRatio {
    int64_t Device = 1, Logical = 1;
    bool operator<(const TRatio& o) const { return Device * o.Logical < o.Device * Logical; }
};

struct TSpan {
    int Start, Length, DeviceLength;
};

// Where each span starts in device pixels, along one axis.
std::vector<int> LayOutAxis(const std::vector<TSpan>& spans) {
    std::vector<int> cuts;
    for (const TSpan& s : spans) {
        cuts.push_back(s.Start);
        cuts.push_back(s.Start + s.Length);
    }
    std::sort(cuts.begin(), cuts.end());
    cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
    std::vector<int> device(cuts.size(), 0);
    for (size_t k = 0; k + 1 < cuts.size(); ++k) {
        std::optional<TRatio> most;
        for (const TSpan& s : spans)
            if (s.Start <= cuts[k] && s.Start + s.Length >= cuts[k + 1]) {
                const TRatio r{s.DeviceLength, s.Length};
                if (!most || *most < r) most = r;
            }
        const TRatio r = most.value_or(TRatio{});
        // The first cut keeps the scale of what begins there, so one scale for all is a plain multiple.
        if (k == 0) device[0] = Scaled(cuts[0], r.Device, r.Logical);
        device[k + 1] = device[k] + Scaled(cuts[k + 1] - cuts[k], r.Device, r.Logical);
    }
    std::vector<int> starts;
    for (const TSpan& s : spans)
        starts.push_back(device[std::lower_bound(cuts.begin(), cuts.end(), s.Start) - cuts.begin()]);
    return starts;
}

}  // namespace

TBufferPlan PlanBuffer(const TScaleFacts& f) {
    TBufferPlan plan;
    if (f.Viewporter && f.Preferred120 > 0) {
        plan = {Scaled(f.Width, f.Preferred120, 120), Scaled(f.Height, f.Preferred120, 120), 1, true};
    } else if (f.Viewporter && f.ModeWidth > 0 && f.ModeHeight > 0 && f.LogicalWidth > 0 && f.LogicalHeight > 0) {
        const auto along = [](int size, int mode, int logical) {
            return size == logical ? mode : Scaled(size, mode, logical);
        };
        plan = {along(f.Width, f.ModeWidth, f.LogicalWidth), along(f.Height, f.ModeHeight, f.LogicalHeight), 1, true};
    } else {
        const int scale = std::max(f.OutputScale, 1);
        plan = {f.Width * scale, f.Height * scale, scale, false};
    }
    plan.Width = std::max(plan.Width, 1);
    plan.Height = std::max(plan.Height, 1);
    return plan;
}

std::vector<TDeviceRect> LayOutOutputs(const std::vector<TLogicalOutput>& outputs) {
    std::vector<TSpan> across, down;
    for (const TLogicalOutput& o : outputs) {
        // An output of no logical size spans nothing; it keeps its device size.
        across.push_back({o.X, std::max(o.Width, 1), o.Width > 0 ? o.DeviceWidth : 1});
        down.push_back({o.Y, std::max(o.Height, 1), o.Height > 0 ? o.DeviceHeight : 1});
    }
    const std::vector<int> lefts = LayOutAxis(across), tops = LayOutAxis(down);
    std::vector<TDeviceRect> rects;
    for (size_t i = 0; i < outputs.size(); ++i)
        rects.push_back({lefts[i], tops[i], outputs[i].DeviceWidth, outputs[i].DeviceHeight});
    return rects;
}

}  // namespace ombrel
