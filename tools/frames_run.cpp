#include "tools/frames_run.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "display/hsv_color.h"
#include "engine/figures.h"
#include "engine/generator.h"
#include "tools/frame_output.h"

namespace ombrel {

namespace {

std::string FrameFileName(const std::string& dir, int cycle, size_t display, int frame, TImageFormat format) {
    char name[64];
    std::snprintf(name, sizeof name, "c%d_d%zu_f%02d.%s", cycle, display, frame,
                  format == TImageFormat::Png ? "png" : "pbm");
    return dir + (dir.back() == '/' ? "" : "/") + name;
}

std::atomic<bool>& RequestOf(TMorphState& state, TTargetKind kind) {
    return kind == TTargetKind::Fern ? state.RequestFern : kind == TTargetKind::Koch ? state.RequestKoch : state.RequestSierpinski;
}

}  // namespace

TFramesShow::TFramesShow(const TFramesOptions& options, uint32_t seed) {
    const int frames = options.Show.Timing().FrameCount;
    for (const TDisplayRect& r : options.Displays) {
        Stores.push_back(std::make_unique<TFrameStore>());
        Stores.back()->AllocateFrames(r.Width, r.Height, frames, options.Show.Style);
        Control.Displays.push_back(Stores.back().get());
    }
    const TMonitorMode mode = PlanMonitorMode(options.Displays, options.Show.Monitors, options.Show.Density, Note);
    PlaceOnCanvas(Control.Displays, options.Displays, mode, options.Show.Density);
    Control.Timing = options.Show.Timing();
    if (options.Show.Monitors == TMonitorMode::Each)
        FollowWithOwnFigures(OwnFigures, Control.Displays, seed);
    else
        StartFigure(Control, seed);
    Figures = FiguresOf(Control, OwnFigures, options.Show.Monitors);
}

bool RunFrames(const TFramesOptions& options, TFramesShow& show, std::FILE* hashes, std::string& error) {
    const bool progress = isatty(STDERR_FILENO) && !options.OutDir.empty();
    const std::vector<const TFrameStore*> colourOf = ColourSources(show.Figures);
    for (int cycle = 1; cycle <= options.Cycles; ++cycle) {
        for (const TCycleRequest& r : options.Requests)
            if (r.Cycle == cycle) RequestOf(show.Control, r.Kind) = true;
        try {
            GenerateAndWait(show.Control, show.Figures);
        } catch (const std::exception& e) {
            error = "cycle " + std::to_string(cycle) + " failed: " + e.what();
            return false;
        }

        for (size_t d = 0; d < show.Stores.size(); ++d) {
            const TFrameStore& display = *show.Stores[d];
            const TFrames& colours = colourOf[d]->Frames;
            for (int f : options.Frames) {
                const double h = colours[f].Hue, s = colours[f].Saturation, v = colours[f].Brightness;
                const auto colour = static_cast<uint32_t>(HSVToColor(h, s, v));
                // As colours are written: red, green, blue.
                const uint32_t rgb = (colour & 0xFFu) << 16 | (colour & 0xFF00u) | (colour >> 16 & 0xFFu);
                if (options.Hash)
                    std::fprintf(hashes, "%d %zu %d %016llx %.17g %.17g %.17g %06x\n", cycle, d, f,
                                 static_cast<unsigned long long>(display.FrameHash(f)), h, s, v, rgb);
                if (options.OutDir.empty()) continue;
                const std::string path = FrameFileName(options.OutDir, cycle, d, f, options.Format);
                const bool ok = options.Format == TImageFormat::Png ? WriteFramePng(display, f, colours[f], path, error)
                                                                    : WriteFramePbm(display, f, path, error);
                if (!ok) return false;
                if (progress)
                    std::fprintf(stderr, "\rcycle %d/%d, display %zu, frame %02d", cycle, options.Cycles, d, f);
            }
        }
        // Once a cycle: a full disk or a closed pipe stops the run early.
        if (options.Hash && std::fflush(hashes) != 0) {
            error = std::string("cannot write the fingerprints: ") + std::strerror(errno);
            return false;
        }
    }
    if (progress) std::fputs("\n", stderr);
    return true;
}

}  // namespace ombrel
