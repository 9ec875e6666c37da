#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "display/fast_frame_renderer.h"
#include "display/hsv_color.h"
#include "display/display_surface.h"
#include "display/scene_viewer.h"
#include "engine/frame_store.h"
#include "engine/morph_state.h"

class QMenu;
class QScreen;
class QWindow;

namespace ombrel {

// One monitor's display: its frame store and a viewer that covers the
// monitor and draws the current frame on every repaint. On Qt the form's
// client area and the viewer's window are one and the same window.
class TForm2 {
public:
    // `control` is the shared state (display list, counter); `popup` the
    // owner's menu; `closeOwner` closes the control form. With a `host` (a
    // window of another program) the display is a child window inside it.
    TForm2(const TMorphState& control, QMenu* popup, std::function<void()> closeOwner, QScreen* screen = nullptr,
           QWindow* host = nullptr);
    // A display on a surface that is not a window of ours.
    TForm2(const TMorphState& control, std::unique_ptr<TDisplaySurface> surface, uintptr_t key);

    // Its size, budget and frames; the engine's display.
    TFrameStore Store;
    // Where it draws; GLSceneViewer1 when that is a window of ours.
    std::unique_ptr<TDisplaySurface> Surface;
    TGLSceneViewer* GLSceneViewer1 = nullptr;
    // What tells its monitor from the others: its screen, its output.
    uintptr_t Key;
    // The monitor it covers; none inside a host, for a test's made-up
    // monitor, and once its monitor has gone.
    QScreen* Screen;
    // The display that holds its frames' colours: the first display of its
    // figure; the control's first display when not set.
    const TFrameStore* Colours = nullptr;

    // Left, top, width and height in device pixels; the viewer fills it.
    void SetBounds(int left, int top, int width, int height);
    void Show();
    void Hide();

    // The clock's repaint: skipped when the window already shows the picture
    // that the current frame would draw.
    void Repaint();
    // Lets go of the glow frames below the one shown: they will not be
    // shown again this cycle.
    void LetGoOfPassedFrames();
    // The viewer's paint: the frame that the counter selects.
    void GLDirectOpenGL1Render();
    void GLSceneViewer1DblClick();

private:
    // What a repaint draws: equal pictures have equal keys. None while the
    // frame is still being drawn.
    struct TPicture {
        int64_t Cycle;
        int Frame;
        TColor Colour;
        bool operator==(const TPicture&) const = default;
    };
    std::optional<TPicture> CurrentPicture() const;
    // The frame that shows frame `k`: itself once ready; until then the
    // newest ready one before it.
    int ShownFrame(int k) const;
    const TFrameStore& ColourSource() const { return Colours ? *Colours : *Control.Displays[0]; }

    const TMorphState& Control;
    std::function<void()> CloseOwner;
    TFastFrameRenderer Renderer;
    std::optional<TPicture> Drawn;  // by the last render
};

}  // namespace ombrel
