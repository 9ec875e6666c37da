// ombrel-frames: runs morph cycles without a screen and writes or fingerprints
// the frames, for stills of the animation and for checking the engine against
// itself across changes.
#include <unistd.h>

#include <QDir>
#include <QTemporaryFile>
#include <cstdio>
#include <iostream>
#include <memory>
#include <vector>

#include "display/hsv_color.h"
#include "engine/generator.h"
#include "tools/frame_output.h"
#include "tools/frames_options.h"

using namespace ombrel;

namespace {

bool PrepareOutDir(const std::string& dir, std::string& error) {
    const QString path = QString::fromStdString(dir);
    if (!QDir().mkpath(path)) {
        error = "cannot create output folder " + dir;
        return false;
    }
    QTemporaryFile probe(QDir(path).filePath(".ombrel-probe-XXXXXX"));
    if (!probe.open()) {
        error = "output folder " + dir + " is not writable";
        return false;
    }
    return true;
}

std::string FrameFileName(const std::string& dir, int cycle, size_t display, int frame, TImageFormat format) {
    char name[64];
    std::snprintf(name, sizeof name, "c%d_d%zu_f%02d.%s", cycle, display, frame,
                  format == TImageFormat::Png ? "png" : "pbm");
    return QDir(QString::fromStdString(dir)).filePath(QString::fromLatin1(name)).toStdString();
}

}  // namespace

int main(int argc, char** argv) {
    std::string error;
    const auto options = ParseFramesOptions(std::vector<std::string>(argv + 1, argv + argc), error);
    if (!options) {
        std::cerr << "ombrel-frames: " << error << "\n";
        return 2;
    }
    if (options->Help) {
        std::cout << FramesUsage;
        return 0;
    }
    if (!options->OutDir.empty() && !PrepareOutDir(options->OutDir, error)) {
        std::cerr << "ombrel-frames: " << error << "\n";
        return 2;
    }

    std::vector<std::unique_ptr<TFrameStore>> stores;
    TMorphState state;
    try {
        for (const TDisplaySize& size : options->Displays) {
            stores.push_back(std::make_unique<TFrameStore>());
            stores.back()->AllocateFrames(size.Width, size.Height);
            state.Displays.push_back(stores.back().get());
        }
    } catch (const std::bad_alloc&) {
        std::cerr << "ombrel-frames: not enough memory for the frames of these displays\n";
        return 1;
    }
    state.UpdateMaxPointBudget();
    state.FirstCycle = true;
    state.Random.Seed(options->Seed ? *options->Seed : SeedFromClock());

    const bool progress = isatty(STDERR_FILENO) && !options->OutDir.empty();
    for (int cycle = 1; cycle <= options->Cycles; ++cycle) {
        for (const TCycleRequest& r : options->Requests) {
            if (r.Cycle != cycle) continue;
            (r.Kind == TTargetKind::Fern   ? state.RequestFern
             : r.Kind == TTargetKind::Koch ? state.RequestKoch
                                           : state.RequestSierpinski) = true;
        }
        StartGenerator(state).reset();  // waits for the cycle

        const TFrames& colours = state.Displays[0]->Frames;
        for (size_t d = 0; d < state.Displays.size(); ++d) {
            const TFrameStore& display = *state.Displays[d];
            for (int f : options->Frames) {
                const double h = colours[f].Hue, s = colours[f].Saturation, v = colours[f].Brightness;
                const auto colour = static_cast<uint32_t>(HSVToColor(h, s, v));
                if (options->Hash)
                    std::printf("%d %zu %d %016llx %.17g %.17g %.17g %06x\n", cycle, d, f,
                                static_cast<unsigned long long>(FrameHash(display, f)), h, s, v, colour);
                if (options->OutDir.empty()) continue;
                const std::string path = FrameFileName(options->OutDir, cycle, d, f, options->Format);
                const bool ok = options->Format == TImageFormat::Png
                                    ? WriteFramePng(display, f, colour, path, error)
                                    : WriteFramePbm(display, f, path, error);
                if (!ok) {
                    std::cerr << "ombrel-frames: " << error << "\n";
                    return 1;
                }
                if (progress)
                    std::fprintf(stderr, "\rcycle %d/%d, display %zu, frame %02d", cycle, options->Cycles, d, f);
            }
        }
    }
    if (progress) std::fputs("\n", stderr);
    std::fflush(stdout);
    return 0;
}
