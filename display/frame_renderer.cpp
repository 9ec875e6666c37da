#include "display/frame_renderer.h"

#include "display/gl_canvas.h"

namespace ombrel {

int SelectFrame(int32_t FrameCounter) noexcept {
    const auto c = static_cast<uint32_t>(FrameCounter);
    if (c <= 50) return 1;
    if (c <= 99) return static_cast<int>(c) - 49;
    return 0;
}

TColor FrameColour(const TFrameStore& display0, int k) noexcept {
    const TMorphFrame& f = display0.Frames[k];
    return HSVToColor(f.Hue, f.Saturation, f.Brightness);
}

void RenderFrame(const TFrameStore& display, const TFrameStore& display0, int32_t FrameCounter) {
    TGLCanvas canvas(display.ScreenWidth, display.ScreenHeight);
    canvas.PenWidth(1);
    canvas.PenColor(0);
    canvas.FillRect(0, 0, display.ScreenWidth, display.ScreenHeight);
    const int k = SelectFrame(FrameCounter);
    if (k == 0) return;
    canvas.PenColor(FrameColour(display0, k));
    ForEachSetBit(display.Frames[k].FrameBits, [&](int x, int y) { canvas.PlotPixel(x, y); });
}

}  // namespace ombrel
