#pragma once
#include <atomic>
#include <cstdint>
#include <vector>

#include "engine/cycle.h"
#include "engine/frame_store.h"
#include "engine/glow_rasteriser.h"
#include "engine/presets.h"
#include "engine/random.h"

namespace ombrel {

// The application-wide state that the worker and the GUI thread share. The
// program's control form holds it; the export tool and the tests use it alone.
class TMorphState {
public:
    virtual ~TMorphState() = default;
    int32_t MaxPointBudget = 0;
    // In monitor order, fixed while a worker runs; display 0 also holds the
    // maps and colours of every frame.
    std::vector<TFrameStore*> Displays;
    std::atomic<bool> FirstCycle{false};
    std::atomic<bool> RequestFern{false};
    std::atomic<bool> RequestKoch{false};
    std::atomic<bool> RequestSierpinski{false};
    int32_t FrameCounter = 0;
    // How the counter runs through a cycle; the displays read it.
    TCycleTiming Timing;
    // Cycles started so far, counted on the thread that starts them: it tells
    // one cycle's frames from the next one's.
    int64_t CyclesStarted = 0;
    // Raised by whoever starts a worker, lowered (release) by the worker as its last act.
    std::atomic<bool> Generating{false};
    // Asks a running cycle to stop soon (the program is ending). A cycle cut
    // short leaves frames 2.. empty rather than half-drawn, and its requests pending.
    std::atomic<bool> Cancel{false};
    // Touched only by the worker once seeded.
    TRandom Random;
    // Threads that share a glow frame's orbits: the frames come out the same with any number.
    int GlowThreads = 2;

    // Sets MaxPointBudget to the largest budget of Displays (the first among equals).
    void UpdateMaxPointBudget() noexcept;

    void ClearFrames() noexcept;
    void CopyFrameBits(int Dest, int Src) noexcept;
    // Frame 1 takes the last frame's picture: the bits of every display and the
    // colour. A cycle's first step does it unless the thread that started the
    // cycle did already: StartGenerator does, so that no repaint sees it half done.
    void TakeOverTargetPicture() noexcept;

    // One morph cycle: PrepareCycle, RasteriseFrames, FinishCycle. False
    // when Cancel cut it short. When it throws, every frame holds the start
    // picture (HoldStartPicture) and the requests stay pending.
    bool GenerateMorph();
    // Frames 2.. become copies of frame 1, maps and colour included: the
    // last good figure stays on screen and the next cycle morphs from it.
    void HoldStartPicture() noexcept;

    // Steps before the chaos game: start and target frames, interpolation,
    // clearing frames 2... Returns the cycle's target kind. Virtual so
    // that a test can make a cycle fail.
    virtual TTargetKind PrepareCycle();
    // The chaos game of frames 2.. into every display's bitmaps; false
    // when Cancel stopped it.
    bool RasteriseFrames(TTargetKind kind);
    // Lowers the three requests.
    void FinishCycle() noexcept;

    // Frames `from`..`to` of `anew`, displays of this figure whose frames were
    // allocated while the show ran, drawn as they were drawn for the others:
    // the same maps, colours and generator states, each display's own budget
    // (a glow frame's orbits, their length and its reference those of all the
    // figure's displays, whose light stays as it is). Frames
    // never drawn (the first cycle's start, a cycle cut short) stay empty.
    // Each display's DrawingAnew is lowered at the end, however it ends;
    // false when Cancel stopped it, which leaves those frames empty.
    bool DrawAnew(const std::vector<TFrameStore*>& anew, int from, int to);

private:
    // Where a frame's points came from: the generator's state at its first
    // draw, the kind that placed them and the frame they were drawn as (a
    // glow frame's orbits are seeded with it); none for a frame never drawn.
    struct TFrameOrigin {
        bool Drawn = false;
        uint32_t State = 0;
        TTargetKind Kind = TTargetKind::Random;
        int Frame = 0;
    };
    // Grows the list as far as `frame`; where that may not throw, the list is read within its size.
    TFrameOrigin& OriginOf(int frame);

    // Runs the chaos game of one frame into `displays` (budgets up to
    // `last`) with `rng`; false when the point left the box before the last
    // iteration, so fewer draws were taken, or when Cancel stopped it.
    bool RasteriseFrame(int frame, const TPlacement& place, TRandom& rng, const std::vector<TFrameStore*>& displays,
                        int64_t last);
    // Dots: two frames at a time, the second from where the first will end.
    bool RasteriseDotsFrames(TTargetKind kind);
    // Glow: the frames one after the other, each with its orbits over GlowThreads threads.
    bool RasteriseGlowFrames(TTargetKind kind);

    bool PictureTakenOver = false;
    // Frames 1..n; index 0 unused.
    std::vector<TFrameOrigin> Origins;
    TGlowRasteriser Glow;
};

}  // namespace ombrel
