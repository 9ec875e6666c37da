#include "tools/frame_output.h"
#include "tools/frames_run.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <cstdio>
#include <memory>
#include <stdexcept>

using namespace ombrel;

namespace {

// An engine whose cycle `FailingCycle` stops with an error halfway through its preparation.
class TFailingState : public TMorphState {
public:
    int FailingCycle = 0;
    int Cycle = 0;

    TTargetKind PrepareCycle() override {
        const TTargetKind kind = TMorphState::PrepareCycle();
        if (++Cycle == FailingCycle) throw std::runtime_error("no memory left for the chaos game");
        return kind;
    }
};

std::string Read(std::FILE* f) {
    std::string text;
    std::rewind(f);
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, n);
    return text;
}

}  // namespace

TEST(FramesRun, AFailedCycleStopsTheRunWithOneLineAndLeavesNothingOfIt) {
    QTemporaryDir dir;
    TFramesOptions options;
    options.Cycles = 3;
    options.Frames = {1, 50};
    options.Hash = true;
    options.OutDir = dir.path().toStdString();
    options.Format = TImageFormat::Pbm;

    options.Displays = {{0, 0, 64, 48}};
    TFramesShow show(options, 3);
    TFailingState state;
    state.FailingCycle = 2;
    state.Displays = show.Control.Displays;
    state.UpdateMaxPointBudget();
    state.FirstCycle = true;
    state.Random.Seed(3);
    show.Figures = {&state};
    const TFrameStore& store = *show.Stores[0];

    std::unique_ptr<std::FILE, int (*)(std::FILE*)> hashes(std::tmpfile(), std::fclose);
    std::string error;
    EXPECT_FALSE(RunFrames(options, show, hashes.get(), error));
    EXPECT_EQ(error, "cycle 2 failed: no memory left for the chaos game");
    EXPECT_EQ(state.Cycle, 2);
    const std::string lines = Read(hashes.get());
    EXPECT_EQ(lines.substr(0, 4), "1 0 ");
    EXPECT_EQ(lines.find("\n2 "), std::string::npos);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({"c1_d0_f01.pbm", "c1_d0_f50.pbm"}));
    // The failed cycle holds its start picture throughout: the last good figure.
    for (int k = 2; k <= DesignedFrameCount; ++k) EXPECT_EQ(store.Dots(k).FrameBits.Hash(), store.Dots(1).FrameBits.Hash());
    EXPECT_EQ(store.Frames[50].CoefA, store.Frames[1].CoefA);
    EXPECT_FALSE(show.Control.Generating);
}

TEST(FrameOutput, AGlowFrameIsNoBitmap) {
    QTemporaryDir dir;
    TFrameStore glow;
    glow.AllocateFrames(16, 8, 2, TStyle::Glow);
    const std::string path = dir.filePath("frame.pbm").toStdString();
    std::string error;
    EXPECT_FALSE(WriteFramePbm(glow, 1, path, error));
    EXPECT_EQ(error, "a PBM image holds only frames of dots");
    EXPECT_TRUE(QDir(dir.path()).isEmpty());
}
