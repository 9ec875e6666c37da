#pragma once
#include "display/hsv_color.h"

namespace ombrel {

// System colours are packed colours with the top bit set; the low byte is the index.
constexpr TColor SystemColor(int index) noexcept { return static_cast<TColor>(0xFF000000u | static_cast<unsigned>(index)); }
constexpr TColor clBtnFace = SystemColor(15);

// The desktop's current colour for a system colour index, as a packed RGB colour.
TColor GetSysColor(int index);

}  // namespace ombrel
