// ombrel-frames: runs morph cycles without a screen and writes or fingerprints
// the frames, for stills of the animation and for checking the engine against
// itself across changes.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>
#include <vector>

#include "engine/standard_descriptors.h"
#include "ombrel_version.h"
#include "tools/frame_output.h"
#include "tools/frames_options.h"
#include "tools/frames_run.h"

using namespace ombrel;

int main(int argc, char** argv) {
    OpenMissingStandardDescriptors();
    std::string error;
    const auto options = ParseFramesOptions(std::vector<std::string>(argv + 1, argv + argc), error);
    if (!options) {
        std::cerr << "ombrel-frames: " << error << "\n";
        return 2;
    }
    if (options->Help || options->Version) {
        const std::string text = options->Help ? FramesUsage() : "ombrel-frames " + std::string(OmbrelVersion) + "\n";
        if (std::fputs(text.c_str(), stdout) < 0 || std::fflush(stdout) != 0) {
            std::cerr << "ombrel-frames: cannot write to standard output: " << std::strerror(errno) << "\n";
            return 1;
        }
        return 0;
    }
    if (!options->OutDir.empty() && !PrepareOutputFolder(options->OutDir, error)) {
        std::cerr << "ombrel-frames: " << error << "\n";
        return 2;
    }

    std::unique_ptr<TFramesShow> show;
    try {
        show = std::make_unique<TFramesShow>(*options, options->Seed ? *options->Seed : SeedFromClock());
    } catch (const std::bad_alloc&) {
        std::cerr << "ombrel-frames: not enough memory for the frames of these displays\n";
        return 1;
    } catch (const std::invalid_argument&) {
        std::cerr << "ombrel-frames: these displays are too large to draw in\n";
        return 2;
    }
    if (!show->Note.empty()) std::cerr << "ombrel-frames: " << show->Note << "\n";

    if (!RunFrames(*options, *show, stdout, error)) {
        std::cerr << "ombrel-frames: " << error << "\n";
        return 1;
    }
    return 0;
}
