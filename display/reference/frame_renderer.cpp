#include "display/reference/frame_renderer.h"

#include "display/fast_frame_renderer.h"
#include "display/reference/gl_canvas.h"
#include "engine/cycle.h"

namespace ombrel {

void RenderFrame(const TFrameStore& display, const TFrameStore& display0, int32_t FrameCounter) {
    TGLCanvas canvas(display.ScreenWidth, display.ScreenHeight);
    canvas.PenWidth(1);
    canvas.PenColor(0);
    canvas.FillRect(0, 0, display.ScreenWidth, display.ScreenHeight);
    const int k = DesignedTiming.SelectFrame(FrameCounter);
    if (k == 0) return;
    canvas.PenColor(FrameColour(display0, k));
    display.Dots(k).FrameBits.ForEachSet([&](int x, int y) { canvas.PlotPixel(x, y); });
}

}  // namespace ombrel
