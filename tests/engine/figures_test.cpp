#include "engine/figures.h"

#include <gtest/gtest.h>

using namespace ombrel;

TEST(Figures, EachDisplayKeepsItsFigureAcrossLayoutsAndANewOneStartsFromItsPlacesSeed) {
    std::vector<std::unique_ptr<TFrameStore>> stores;
    for (int i = 0; i < 3; ++i) {
        stores.push_back(std::make_unique<TFrameStore>());
        stores.back()->AllocateFrames(40 + 8 * i, 30, 3);
    }
    TFrameStore *a = stores[0].get(), *b = stores[1].get(), *c = stores[2].get();
    std::vector<std::unique_ptr<TMorphState>> figures;
    FollowWithOwnFigures(figures, {a, b}, 77);
    ASSERT_EQ(figures.size(), 2u);
    TMorphState* ofB = figures[1].get();
    EXPECT_EQ(ofB->Displays, std::vector<TFrameStore*>{b});
    EXPECT_TRUE(ofB->FirstCycle);
    EXPECT_EQ(ofB->MaxPointBudget, b->PointBudget);
    TRandom expected;
    expected.Seed(FigureSeed(77, 1));
    EXPECT_EQ(ofB->Random.GetState(), expected.GetState());
    // B's figure has gone on; A went, C came first: B keeps its own, C's starts from its place.
    ofB->FirstCycle = false;
    ofB->Random.Skip(5);
    const uint32_t wentOn = ofB->Random.GetState();
    FollowWithOwnFigures(figures, {c, b}, 77);
    ASSERT_EQ(figures.size(), 2u);
    EXPECT_EQ(figures[1].get(), ofB);
    EXPECT_FALSE(ofB->FirstCycle);
    EXPECT_EQ(ofB->Random.GetState(), wentOn);
    expected.Seed(FigureSeed(77, 0));
    EXPECT_EQ(figures[0]->Random.GetState(), expected.GetState());
    EXPECT_EQ(figures[0]->Displays, std::vector<TFrameStore*>{c});

    // Each display's colours are its figure's first display's.
    const auto own = FiguresOf(*figures[0], figures, TMonitorMode::Each);
    EXPECT_EQ(ColourSources(own), (std::vector<const TFrameStore*>{c, b}));
    TMorphState shared;
    shared.Displays = {a, b, c};
    EXPECT_EQ(ColourSources(FiguresOf(shared, figures, TMonitorMode::Span)), (std::vector<const TFrameStore*>{a, a, a}));
}
