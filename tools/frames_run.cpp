#include "tools/frames_run.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "display/hsv_color.h"
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

bool RunFrames(const TFramesOptions& options, TMorphState& state, std::FILE* hashes, std::string& error) {
    const bool progress = isatty(STDERR_FILENO) && !options.OutDir.empty();
    for (int cycle = 1; cycle <= options.Cycles; ++cycle) {
        for (const TCycleRequest& r : options.Requests)
            if (r.Cycle == cycle) RequestOf(state, r.Kind) = true;
        try {
            GenerateAndWait(state);
        } catch (const std::exception& e) {
            error = "cycle " + std::to_string(cycle) + " failed: " + e.what();
            return false;
        }

        const TFrames& colours = state.Displays[0]->Frames;
        for (size_t d = 0; d < state.Displays.size(); ++d) {
            const TFrameStore& display = *state.Displays[d];
            for (int f : options.Frames) {
                const double h = colours[f].Hue, s = colours[f].Saturation, v = colours[f].Brightness;
                const auto colour = static_cast<uint32_t>(HSVToColor(h, s, v));
                if (options.Hash)
                    std::fprintf(hashes, "%d %zu %d %016llx %.17g %.17g %.17g %06x\n", cycle, d, f,
                                 static_cast<unsigned long long>(display.Frames[f].FrameBits.Hash()), h, s, v, colour);
                if (options.OutDir.empty()) continue;
                const std::string path = FrameFileName(options.OutDir, cycle, d, f, options.Format);
                const bool ok = options.Format == TImageFormat::Png ? WriteFramePng(display, f, colour, path, error)
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
