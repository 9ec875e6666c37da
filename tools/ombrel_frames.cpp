// ombrel-frames: runs morph cycles without a screen and writes or fingerprints
// the frames, for stills of the animation and for checking the engine against
// itself across changes.
#include <QDir>
#include <QTemporaryFile>
#include <cstdio>
#include <iostream>
#include <memory>
#include <vector>

#include "ombrel_version.h"
#include "tools/frames_options.h"
#include "tools/frames_run.h"

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

}  // namespace

int main(int argc, char** argv) {
    std::string error;
    const auto options = ParseFramesOptions(std::vector<std::string>(argv + 1, argv + argc), error);
    if (!options) {
        std::cerr << "ombrel-frames: " << error << "\n";
        return 2;
    }
    if (options->Help) {
        std::cout << FramesUsage();
        return 0;
    }
    if (options->Version) {
        std::cout << "ombrel-frames " << OmbrelVersion << "\n";
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

    if (!RunFrames(*options, state, stdout, error)) {
        std::fflush(stdout);
        std::cerr << "ombrel-frames: " << error << "\n";
        return 1;
    }
    std::fflush(stdout);
    return 0;
}
