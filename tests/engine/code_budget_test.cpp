#include "engine/code_budget.h"

#include <gtest/gtest.h>

#include <future>
#include <thread>

#include "engine/generator.h"
#include "tests/engine/engine_rig.h"

namespace ombrel {
namespace {

std::shared_ptr<const TGlowCode> CodeOfOnePixel() {
    TGlowPlane plane;
    plane.Allocate(8, 8);
    plane.Light[9] = 1;
    plane.Lit = {1, 1, 1, 1};
    return TGlowCode::Of(plane);
}

TEST(CodeBudget, AWorkerWaitsForRoomOnlyWhileAScreenLetsGoOfFrames) {
    const std::atomic<bool> go{false};
    auto budget = std::make_shared<TCodeBudget>(1);
    auto first = TCodeBudget::Counted(budget, CodeOfOnePixel());
    const int64_t one = budget->Held();
    EXPECT_EQ(one, static_cast<int64_t>(first->Bytes()));
    // Over the limit but not paced: no wait.
    EXPECT_TRUE(budget->WaitForRoom(go));
    // Paced: the wait ends when the last copy of the code is gone.
    budget->SetPaced(true);
    auto copy = first;
    auto waiting = std::async(std::launch::async, [&] { return budget->WaitForRoom(go); });
    EXPECT_NE(waiting.wait_for(std::chrono::seconds(0)), std::future_status::ready);
    first.reset();
    EXPECT_NE(waiting.wait_for(std::chrono::seconds(0)), std::future_status::ready);
    copy.reset();
    EXPECT_TRUE(waiting.get());
    EXPECT_EQ(budget->Held(), 0);
    // Paced and full again: the clock stopping lets it go on; a cancelled wait says so.
    auto held = TCodeBudget::Counted(budget, CodeOfOnePixel());
    auto stopped = std::async(std::launch::async, [&] { return budget->WaitForRoom(go); });
    budget->SetPaced(false);
    EXPECT_TRUE(stopped.get());
    const std::atomic<bool> cancel{true};
    budget->SetPaced(true);
    EXPECT_FALSE(budget->WaitForRoom(cancel));
}

TEST(CodeBudget, APacedMorphKeepsItsFramesWithinTheRoomAndDrawsThemAsAnUnpacedOne) {
    const std::vector<std::pair<int, int>> sizes{{160, 100}, {97, 61}};
    TEngineRig free(sizes, 0x5eed, TStyle::Glow), paced(sizes, 0x5eed, TStyle::Glow);
    ASSERT_TRUE(free.S.GenerateMorph());
    ASSERT_TRUE(paced.S.GenerateMorph());
    ASSERT_TRUE(free.S.GenerateMorph());
    // Room for a little more than two of each display's densest frames (the
    // one on screen and the start picture): the worker must wait for the screen.
    std::vector<int64_t> densest(sizes.size());
    for (size_t d = 0; d < sizes.size(); ++d) {
        for (int k = 1; k <= DesignedFrameCount; ++k)
            densest[d] = std::max<int64_t>(densest[d], static_cast<int64_t>(free.Stores[d]->Glow(k).Picture()->Bytes()));
        paced.Stores[d]->Budget->SetLimit(2 * densest[d] + 1);
        paced.Stores[d]->Budget->SetPaced(true);
    }
    // As a screen sees them in the hold: frames 2.. of the last cycle are
    // passed and let go, and the last one is taken over into frame 1.
    for (int k = 2; k < DesignedFrameCount; ++k)
        for (TFrameStore* s : paced.S.Displays) s->ClearFrame(k);
    auto worker = StartGenerator(paced.S);
    // A screen: each frame as it comes, checked, then the ones before it let go.
    for (int k = 2; k <= DesignedFrameCount; ++k)
        for (size_t d = 0; d < sizes.size(); ++d) {
            TFrameStore& s = *paced.Stores[d];
            while (!s.FrameReady(k)) std::this_thread::yield();
            EXPECT_EQ(s.FrameHash(k), free.Stores[d]->FrameHash(k)) << d << " " << k;
            // At most one frame over the limit.
            EXPECT_LE(s.Budget->Held(), 3 * densest[d] + 1);
            for (int j = 2; j < k; ++j) s.Glow(j).LetGo();
        }
    worker.reset();
    for (size_t d = 0; d < sizes.size(); ++d) {
        EXPECT_EQ(paced.Stores[d]->FrameHash(1), free.Stores[d]->FrameHash(1));
        EXPECT_EQ(paced.Stores[d]->FrameHash(DesignedFrameCount), free.Stores[d]->FrameHash(DesignedFrameCount));
    }
}

}  // namespace
}  // namespace ombrel
