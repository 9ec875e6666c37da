#pragma once
#include <QRect>
#include <vector>

#include "app/monitors.h"

namespace ombrel {

// The miniature of the monitor arrangement inside a frame panel of the given
// size: one rectangle per monitor, scaled alike on both axes so the whole
// arrangement spans two thirds of the panel along its tighter axis, with a
// margin of one sixth at the left and top.
std::vector<QRect> LayoutPreview(const std::vector<TMonitor>& monitors, int panelWidth, int panelHeight);

}  // namespace ombrel
