#include "display/frame_renderer.h"

#include "display/gl_canvas.h"
#include "display/hsv_color.h"

namespace ombrel {

int SelectFrame(int32_t FrameCounter) noexcept {
    const auto c = static_cast<uint32_t>(FrameCounter);
    if (c <= 50) return 1;
    if (c <= 99) return static_cast<int>(c) - 49;
    return 0;
}

void RenderFrame(const TFrameStore& display, const TFrameStore& display0, int32_t FrameCounter) {
    TGLCanvas canvas(display.ScreenWidth, display.ScreenHeight);
    canvas.PenWidth(1);
    canvas.PenColor(0);
    canvas.FillRect(0, 0, display.ScreenWidth, display.ScreenHeight);
    const int k = SelectFrame(FrameCounter);
    if (k == 0) return;
    const TMorphFrame& colour = display0.Frames[k];
    canvas.PenColor(HSVToColor(colour.Hue, colour.Saturation, colour.Brightness));
    // Whole zero words are skipped; the points still go out row by row, left to right.
    const TFrameBits& bits = display.Frames[k].FrameBits;
    for (int y = 0; y < bits.Rows(); ++y) {
        const std::atomic<uint32_t>* row = bits.Row(y);
        for (int w = 0; w < bits.RowWords(); ++w) {
            uint32_t word = row[w].load(std::memory_order_relaxed);
            while (word != 0) {
                const int x = w * 32 + __builtin_ctz(word);  // never past the width: no such bit is set
                word &= word - 1;
                canvas.PlotPixel(x, y);
            }
        }
    }
}

}  // namespace ombrel
