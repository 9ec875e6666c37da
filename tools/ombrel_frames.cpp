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

    if (!RunFrames(*options, state, stdout, error)) {
        std::cerr << "ombrel-frames: " << error << "\n";
        return 1;
    }
    return 0;
}
