#pragma once
#include <vector>

namespace ombrel {

// How Wayland's logical space meets an output's device pixels. Single pixels
// on black are the worst case for a compositor's resampling: a surface's
// buffer must have exactly the device pixels that it covers.

// What the compositor told of a surface and of the output it covers.
struct TScaleFacts {
    // The surface's size as configured, in logical pixels.
    int Width = 0, Height = 0;
    // wp_fractional_scale_v1's preferred scale in 120ths; 0 without one.
    int Preferred120 = 0;
    // Whether wp_viewporter lets the buffer's size differ from the surface's.
    bool Viewporter = false;
    // wl_output's integer scale.
    int OutputScale = 1;
    // The output's current mode as it stands (rotation applied), and its
    // logical size from xdg-output: 0 where not told.
    int ModeWidth = 0, ModeHeight = 0;
    int LogicalWidth = 0, LogicalHeight = 0;
};

// The buffer that covers the surface: its size in device pixels, the buffer
// scale to set, and whether a viewport maps it onto the surface's logical size.
struct TBufferPlan {
    int Width = 0, Height = 0;
    int BufferScale = 1;
    bool Viewport = false;
    bool operator==(const TBufferPlan&) const = default;
};

// The fractional scale where offered (size x scale, halves away from zero, as
// that protocol says); else, with a viewport, the output's mode for a surface
// of the output's logical size (in proportion for another size); else the
// integer buffer scale, which is all a compositor without either can show unresampled.
TBufferPlan PlanBuffer(const TScaleFacts& facts);

// An output's place and size in the compositor's logical space, and its size
// in device pixels.
struct TLogicalOutput {
    int X = 0, Y = 0, Width = 0, Height = 0;
    int DeviceWidth = 0, DeviceHeight = 0;
};

struct TDeviceRect {
    int Left = 0, Top = 0, Width = 0, Height = 0;
    bool operator==(const TDeviceRect&) const = default;
};

// Lays the outputs out in one space of device pixels. Along each axis the
// logical space is cut at every output's edges; each piece gets the
// largest device-per-logical ratio of the outputs over it (ratio 1 where
// none is), so that an output begins where its logical left neighbour
// ends, whatever their scales, and gaps are only where the desk has them.
// With one scale for all, this is the logical layout times that scale.
std::vector<TDeviceRect> LayOutOutputs(const std::vector<TLogicalOutput>& outputs);

}  // namespace ombrel
