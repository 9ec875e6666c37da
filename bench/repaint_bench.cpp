// One repaint of a display through the whole path on the X server named by
// DISPLAY: the program's drawing, the straight path through the scene and
// the pixel canvas that it is held against, a per-pixel scan, and a repaint
// that is skipped because the picture is on screen already; and a glow
// frame's repaint.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <array>
#include <map>
#include <memory>

#include "display/display_form.h"
#include <optional>

#include "display/reference/frame_renderer.h"
#include "display/reference/gl_canvas.h"
#include "display/reference/straight_path.h"
#include "display/hsv_color.h"
#include "engine/morph_state.h"
#include "tests/engine/engine_rig.h"

using namespace ombrel;

namespace {

// The scan as first written: every pixel through mb_getpixel.
void RenderFramePerPixel(const TFrameStore& display, const TFrameStore& display0, int32_t counter) {
    TGLCanvas canvas(display.ScreenWidth, display.ScreenHeight);
    canvas.PenWidth(1);
    canvas.PenColor(0);
    canvas.FillRect(0, 0, display.ScreenWidth, display.ScreenHeight);
    const int k = counter <= 50 ? 1 : counter - 49;
    const TMorphFrame& f = display0.Frames[k];
    canvas.PenColor(HSVToColor(f.Hue, f.Saturation, f.Brightness));
    for (int y = 0; y < display.ScreenHeight; ++y)
        for (int x = 0; x < display.ScreenWidth; ++x)
            if (display.mb_getpixel(k, x, y)) canvas.PlotPixel(x, y);
}

// Until the server shows the window (ten seconds at most).
void WaitUntilShown(TForm2& form) {
    QElapsedTimer t;
    t.start();
    while (!form.GLSceneViewer1->isExposed() && t.elapsed() < 10000) QCoreApplication::processEvents();
}

// One display with three frames from fixed seeds: a sparse random figure
// (frame 1), a dense one (frame 2) and the fern (frame 3).
struct TRig {
    TMorphState Control;
    std::unique_ptr<TForm2> Form;
    std::array<int, 3> SetPixels{};

    TRig(int w, int h) {
        Form = std::make_unique<TForm2>(Control, nullptr, [] {});
        Form->Store.AllocateFrames(w, h);
        Control.Displays = {&Form->Store};
        Control.UpdateMaxPointBudget();
        TEngineRig gen({{w, h}}, 1);
        gen.S.GenerateMorph();
        const TFrameStore& scratch = *gen.Stores[0];
        // The first random target under 50000 points, the first over 100000, then the fern.
        auto keep = [&](int slot) {
            Form->Store.Frames[slot].Hue = scratch.Frames[50].Hue.load();
            Form->Store.Frames[slot].Saturation = scratch.Frames[50].Saturation.load();
            Form->Store.Frames[slot].Brightness = 255.0;
            const TFrameBits& src = scratch.Dots(50).FrameBits;
            TFrameBits& dst = Form->Store.Dots(slot).FrameBits;
            for (size_t i = 0; i < src.WordCount(); ++i) dst.Row(0)[i].store(src.Row(0)[i].load());
            SetPixels[static_cast<size_t>(slot - 1)] = gen.CountSet(0, 50);
        };
        bool sparse = false, dense = false;
        while (!(sparse && dense)) {
            gen.S.GenerateMorph();
            const int n = gen.CountSet(0, 50);
            if (!sparse && n > 1000 && n < 50000) {
                keep(1);
                sparse = true;
            } else if (!dense && n > 100000) {
                keep(2);
                dense = true;
            }
        }
        gen.S.RequestFern = true;
        gen.S.GenerateMorph();
        keep(3);
        Form->SetBounds(0, 0, w, h);
        Form->Show();
        WaitUntilShown(*Form);
        QCoreApplication::processEvents();
    }
};

// Windows live no longer than the application: main() empties this.
std::map<std::pair<int, int>, std::unique_ptr<TRig>> Rigs;

TRig& Rig(int w, int h) {
    auto& r = Rigs[{w, h}];
    if (!r) r = std::make_unique<TRig>(w, h);
    return *r;
}

// A GL table that does nothing, to weigh the scan without the rasteriser.
const TGLApi NullGL = {
    [](GLenum) {}, [] {}, [](GLint, GLint) {}, [](const GLfloat*) {}, [](GLfloat) {}, [](GLfloat) {},
    [](GLenum) {}, [] {}, [] {}, [] {}, [](const GLfloat*) {}, [](const GLfloat*) {},
    [](GLdouble, GLdouble, GLdouble, GLdouble) {}, [](GLdouble, GLdouble, GLdouble, GLdouble, GLdouble, GLdouble) {},
    [](GLdouble, GLdouble, GLdouble, GLdouble, GLdouble, GLdouble, GLdouble, GLdouble, GLdouble) {},
    [](GLbitfield) {}, [] {}, [](GLenum) {}, [](GLenum) {}, [](GLenum, GLenum) {}, [](GLenum, GLclampf) {},
    [](GLenum) {}, [](GLenum, GLenum) {}, [](GLenum) {}, [](GLboolean, GLboolean, GLboolean, GLboolean) {},
    [](GLenum, const GLfloat*) {}, [](GLenum, GLint) {}, [](GLenum p, GLfloat* v) {
        std::fill(v, v + (p == GL_CURRENT_COLOR ? 4 : p == GL_PROJECTION_MATRIX || p == GL_MODELVIEW_MATRIX ? 16 : 1), 0.0f);
    },
    [](GLenum, GLint* v) { *v = 0; }, [](GLenum) -> const GLubyte* { return reinterpret_cast<const GLubyte*>(""); },
    [](GLint, GLint, GLsizei, GLsizei) {}, [](GLclampf, GLclampf, GLclampf, GLclampf) {}, [](GLbitfield) {},
    []() -> GLenum { return GL_NO_ERROR; }, [](GLenum) -> const GLubyte* { return reinterpret_cast<const GLubyte*>(""); },
    [](GLfloat, GLfloat) {}, [](GLenum) {}, [](GLenum) {}, [](GLint, GLenum, GLsizei, const GLvoid*) {},
    [](GLenum, GLint, GLsizei) {}, [](GLint, GLint) {}, [](GLfloat, GLfloat) {},
    [](GLsizei, GLsizei, GLenum, GLenum, const GLvoid*) {}, [](GLsizei n, GLuint* t) { std::fill(t, t + n, 1u); },
    [](GLenum, GLuint) {}, [](GLenum, GLenum, GLint) {}, [](GLenum, GLenum, GLint) {},
    [](GLenum, GLint, GLint, GLsizei, GLsizei, GLint, GLenum, GLenum, const GLvoid*) {},
    [](GLenum, GLint, GLint, GLint, GLsizei, GLsizei, GLenum, GLenum, const GLvoid*) {}, [](GLfloat, GLfloat) {},
    [](GLsizei n, GLuint* f) { std::fill(f, f + n, 1u); }, [](GLenum, GLuint) {}, [](GLenum, GLenum, GLenum, GLuint, GLint) {},
    [](GLenum) -> GLenum { return GL_FRAMEBUFFER_COMPLETE; },
    [](GLint, GLint, GLint, GLint, GLint, GLint, GLint, GLint, GLbitfield, GLenum) {}, [] {},
};

template <bool PerPixel>
void BM_ScanOnly(benchmark::State& st) {
    TRig& rig = Rig(1920, 1080);
    const int k = static_cast<int>(st.range(0));
    SetGLApi(&NullGL);
    for (auto _ : st) {
        if (PerPixel)
            RenderFramePerPixel(rig.Form->Store, rig.Form->Store, 49 + k);
        else
            RenderFrame(rig.Form->Store, rig.Form->Store, 49 + k);
    }
    SetGLApi(nullptr);
    st.SetLabel(std::to_string(rig.SetPixels[static_cast<size_t>(k - 1)]) + " points, no GL");
}

const char* FrameName(int64_t k) { return k == 0 ? "black only" : k == 1 ? "sparse" : k == 2 ? "dense" : "fern"; }

enum class TPath { Straight, PerPixel, Fast, Skipped };

template <TPath Path>
void BM_Repaint(benchmark::State& st) {
    const int w = static_cast<int>(st.range(1)), h = static_cast<int>(st.range(2));
    TRig& rig = Rig(w, h);
    const int k = static_cast<int>(st.range(0));
    rig.Control.FrameCounter = k == 0 ? 100 : 49 + k;  // frame k, or none
    std::optional<TStraightPath> reference;
    if (Path == TPath::Straight || Path == TPath::PerPixel) {
        reference.emplace(*rig.Form, rig.Control);
        // Its context has a depth buffer: the window is made anew, and draws nothing until shown again.
        WaitUntilShown(*rig.Form);
    }
    if (Path == TPath::PerPixel)
        reference->GLDirectOpenGL1.OnRender = [&](TGLDirectOpenGL*, TRenderContextInfo&) {
            RenderFramePerPixel(rig.Form->Store, rig.Form->Store, rig.Control.FrameCounter);
        };
    // A skipped repaint: the clock's repaint of a picture already on screen.
    if (Path == TPath::Skipped) rig.Form->Repaint();
    for (auto _ : st) {
        if (Path == TPath::Skipped)
            rig.Form->Repaint();
        else
            rig.Form->GLSceneViewer1->Repaint();
    }
    st.SetLabel(std::string(FrameName(k)) + (k ? " " + std::to_string(rig.SetPixels[static_cast<size_t>(k - 1)]) + " points" : ""));
}

// A morph's repaint in glow: each one a new frame's light, frames 49 and 50
// of a glow cycle from seed 1 in turn.
void BM_GlowRepaint(benchmark::State& st) {
    const int w = static_cast<int>(st.range(0)), h = static_cast<int>(st.range(1));
    TMorphState control;
    TForm2 form(control, nullptr, [] {});
    form.Store.AllocateFrames(w, h, DesignedFrameCount, TStyle::Glow);
    control.Displays = {&form.Store};
    control.UpdateMaxPointBudget();
    TEngineRig gen({{w, h}}, 1, TStyle::Glow);
    gen.S.GenerateMorph();
    gen.S.GenerateMorph();
    for (int k : {2, 3}) {
        const TMorphFrame& src = gen.Stores[0]->Frames[47 + k];
        TMorphFrame& dst = form.Store.Frames[k];
        dst.Hue = src.Hue.load();
        dst.Saturation = src.Saturation.load();
        dst.Brightness = src.Brightness.load();
        form.Store.Glow(k).CopyFrom(gen.Stores[0]->Glow(47 + k));
    }
    form.SetBounds(0, 0, w, h);
    form.Show();
    WaitUntilShown(form);
    QCoreApplication::processEvents();
    int k = 2;
    for (auto _ : st) {
        control.FrameCounter = 49 + k;
        form.GLSceneViewer1->Repaint();
        k = 5 - k;
    }
}

}  // namespace

BENCHMARK(BM_GlowRepaint)->Name("Repaint/glow")->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

#define OMBREL_SIZES(b) b->ArgsProduct({{0, 1, 2, 3}, {1920}, {1080}})->ArgsProduct({{0, 1, 2, 3}, {3840}, {2160}})
BENCHMARK(BM_Repaint<TPath::Straight>)->Name("Repaint/straight")->Apply([](auto* b) { OMBREL_SIZES(b); })->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_Repaint<TPath::Fast>)->Name("Repaint/program")->Apply([](auto* b) { OMBREL_SIZES(b); })->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_Repaint<TPath::Skipped>)->Name("Repaint/skipped")->Args({2, 1920, 1080})->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Repaint<TPath::PerPixel>)->Name("Repaint/per-pixel")->ArgsProduct({{1, 2, 3}, {1920}, {1080}})->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

BENCHMARK(BM_ScanOnly<false>)->Name("ScanOnly/scan")->DenseRange(1, 3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScanOnly<true>)->Name("ScanOnly/per-pixel")->DenseRange(1, 3)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    Rigs.clear();
    return 0;
}
