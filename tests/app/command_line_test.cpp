#include "app/command_line.h"

#include <gtest/gtest.h>

using namespace ombrel;

namespace {

std::optional<TCommandLine> Parse(std::vector<std::string> args, std::string* error = nullptr) {
    std::string e;
    auto o = ParseCommandLine(args, e);
    if (error) *error = e;
    return o;
}

}  // namespace

TEST(CommandLine, ScreensaverFormsAndTheirValues) {
    EXPECT_FALSE(Parse({})->Root);
    EXPECT_TRUE(Parse({"--root"})->Root);
    EXPECT_TRUE(Parse({"-root"})->Root);
    EXPECT_EQ(Parse({"--window-id", "0x2a00007"})->WindowId, 0x2a00007u);
    EXPECT_EQ(Parse({"-window-id", "44040199"})->WindowId, 44040199u);
    EXPECT_EQ(Parse({"--window-id=0x10"})->WindowId, 0x10u);
    EXPECT_EQ(Parse({"--seed", "0x5eed"})->Seed, 0x5eedu);
    EXPECT_EQ(Parse({"--seed=4294967295"})->Seed, 4294967295u);
    const auto all = Parse({"--root", "--seed", "1", "--help", "--version"});
    EXPECT_TRUE(all->Root && all->Help && all->Version && all->Seed == 1u);
}

TEST(CommandLine, ShowOptionsAndTheTimingTheyMake) {
    // The designed show: 25 ticks a second, a hold of counters 0..50, 50 frames, 100 ticks.
    const TCycleTiming designed = Parse({})->Show.Timing();
    EXPECT_EQ(designed.Fps, 25);
    EXPECT_EQ(designed.FrameCount, 50);
    EXPECT_EQ(designed.HoldLastCounter, 50);
    EXPECT_EQ(designed.StartCounter(), 40);
    EXPECT_EQ(designed.CycleTicks(), 100);

    const auto o = Parse({"--hold", "10", "--morph=0.5", "--fps", "120", "--density", "0.1", "--monitors", "span"});
    ASSERT_TRUE(o);
    EXPECT_EQ(o->Show.Density, 0.1);
    EXPECT_EQ(o->Show.Monitors, TMonitorMode::Span);
    const TCycleTiming t = o->Show.Timing();
    EXPECT_EQ(t.FrameCount, 60);         // 0.5 s at 120
    EXPECT_EQ(t.HoldLastCounter, 1200);  // 10 s at 120, then the morph's first frame
    EXPECT_EQ(t.CycleTicks(), 1260);     // 10.5 s
    EXPECT_EQ(t.SelectFrame(1200), 1);
    EXPECT_EQ(t.SelectFrame(1201), 2);
    EXPECT_EQ(t.SelectFrame(1259), 60);
    EXPECT_EQ(t.SelectFrame(1260), 0);

    // No hold: the last frame stays one tick, and the next cycle starts at once.
    const TCycleTiming none = Parse({"--hold", "0", "--morph", "0.5", "--fps", "5"})->Show.Timing();
    EXPECT_EQ(none.FrameCount, 3);  // 2.5 rounds up
    EXPECT_EQ(none.StartCounter(), 0);
    EXPECT_EQ(none.CycleTicks(), 3);
    EXPECT_EQ(Parse({"--hold", "0.1", "--fps", "5"})->Show.Timing().HoldLastCounter, 1);  // 0.5 rounds up
}

TEST(CommandLine, EachBadInputIsNamedInOneLine) {
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"--bogus"}, "unknown option '--bogus'"},
        {{"root"}, "unknown option 'root'"},
        {{"-window-id"}, "option -window-id needs a value"},
        {{"--seed"}, "option --seed needs a value"},
        {{"--window-id", "0"}, "--window-id needs a window id, decimal or 0x-hex: '0'"},
        {{"--window-id", "0xzz"}, "--window-id needs a window id, decimal or 0x-hex: '0xzz'"},
        {{"--window-id", ""}, "--window-id needs a window id, decimal or 0x-hex: ''"},
        {{"--seed", "-1"}, "--seed needs a 32-bit number, decimal or 0x-hex: '-1'"},
        {{"--seed", "4294967296"}, "--seed needs a 32-bit number, decimal or 0x-hex: '4294967296'"},
        {{"--root=yes"}, "option --root takes no value"},
        {{"--root", "--frobnicate"}, "unknown option '--frobnicate'"},
        {{"--hold", "601"}, "--hold needs a number from 0 to 600: '601'"},
        {{"--hold", "-1"}, "--hold needs a number from 0 to 600: '-1'"},
        {{"--morph", "0.4"}, "--morph needs a number from 0.5 to 60: '0.4'"},
        {{"--morph", "1e1"}, "--morph needs a number from 0.5 to 60: '1e1'"},
        {{"--fps", "4"}, "--fps needs a whole number from 5 to 120: '4'"},
        {{"--fps", "30.5"}, "--fps needs a whole number from 5 to 120: '30.5'"},
        {{"--density", "8.01"}, "--density needs a number from 0.1 to 8: '8.01'"},
        {{"--density", ".5"}, "--density needs a number from 0.1 to 8: '.5'"},
        {{"--monitors", "all"}, "--monitors needs same, span or each: 'all'"},
        {{"--monitors"}, "option --monitors needs a value"},
        {{"--idle", "0.5"}, "--idle needs a number of seconds from 1 to 86400: '0.5'"},
        {{"--idle", "86401"}, "--idle needs a number of seconds from 1 to 86400: '86401'"},
        {{"--idle", "nan"}, "--idle needs a number of seconds from 1 to 86400: 'nan'"},
        {{"--screensaver=1"}, "option --screensaver takes no value"},
        {{"--battery", "pause"}, "--battery needs hold or run: 'pause'"},
        {{"--battery"}, "option --battery needs a value"},
    };
    for (const auto& [args, message] : cases) {
        std::string error;
        EXPECT_FALSE(Parse(args, &error)) << message;
        EXPECT_EQ(error, message);
        EXPECT_EQ(error.find('\n'), std::string::npos);
    }
}

TEST(CommandLine, TheWallpaperOnALayerOfItsChoiceAndOnlyThere) {
    std::string error;
    using K = THostChoice::TKind;
    const auto plain = Parse({"--wallpaper"});
    EXPECT_EQ(plain->Layer, std::nullopt);
    EXPECT_EQ(ChooseHost(*plain, "0x123", error)->Kind, K::Wallpaper);
    EXPECT_EQ(Parse({"--wallpaper", "--layer", "overlay"})->Layer, 3u);
    EXPECT_EQ(Parse({"--wallpaper", "--layer=bottom"})->Layer, 1u);
    EXPECT_FALSE(Parse({"--layer", "sky"}, &error));
    EXPECT_EQ(error, "--layer needs background, bottom, top or overlay: 'sky'");
    EXPECT_FALSE(ChooseHost(*Parse({"--wallpaper", "--root"}), nullptr, error));
    EXPECT_EQ(error, "--wallpaper draws on the compositor's outputs, not in a window: leave out --root and --window-id");
    for (const char* layer : {"top", "background"}) {
        error.clear();
        EXPECT_FALSE(ChooseHost(*Parse({"--layer", layer}), nullptr, error)) << layer;
        EXPECT_EQ(error, "--layer goes with --wallpaper");
    }
}

TEST(CommandLine, TheScreensaverShowsAtOnceOrAfterItsIdleTimeAndOnlyOnTheCompositor) {
    std::string error;
    using K = THostChoice::TKind;
    const auto atOnce = ChooseHost(*Parse({"--screensaver"}), "0x123", error);
    EXPECT_EQ(atOnce->Kind, K::Screensaver);
    EXPECT_EQ(atOnce->IdleMilliseconds, std::nullopt);
    EXPECT_EQ(ChooseHost(*Parse({"--screensaver", "--idle", "300"}), nullptr, error)->IdleMilliseconds, 300000u);
    // Milliseconds are what the compositor takes: a fraction rounds to the nearest.
    EXPECT_EQ(ChooseHost(*Parse({"--screensaver", "--idle=1.0005"}), nullptr, error)->IdleMilliseconds, 1001u);
    EXPECT_EQ(ChooseHost(*Parse({"--screensaver", "--idle", "86400"}), nullptr, error)->IdleMilliseconds, 86400000u);
    const std::pair<std::vector<std::string>, std::string> refused[] = {
        {{"--idle", "60"}, "--idle goes with --screensaver"},
        {{"--wallpaper", "--idle", "60"}, "--idle goes with --screensaver"},
        {{"--screensaver", "--layer", "top"}, "--layer goes with --wallpaper: the screensaver is always above everything"},
        {{"--screensaver", "--wallpaper"}, "--wallpaper shows behind the windows, --screensaver above them: choose one"},
        {{"--screensaver", "--root"},
         "--screensaver draws on the compositor's outputs, not in a window: leave out --root and --window-id"},
        {{"--screensaver", "--window-id", "7"},
         "--screensaver draws on the compositor's outputs, not in a window: leave out --root and --window-id"},
    };
    for (const auto& [args, message] : refused) {
        error.clear();
        EXPECT_FALSE(ChooseHost(*Parse(args), nullptr, error)) << message;
        EXPECT_EQ(error, message);
    }
}

TEST(CommandLine, OnBatteryOnlyTheBackgroundHoldsUnlessTold) {
    std::string error;
    const auto rests = [&error](std::vector<std::string> args, const char* window = nullptr) {
        return ChooseHost(*Parse(std::move(args)), window, error)->RestOnBattery;
    };
    EXPECT_TRUE(rests({"--wallpaper"}));
    EXPECT_FALSE(rests({"--wallpaper", "--battery", "run"}));
    for (const auto& mode : std::vector<std::vector<std::string>>{{}, {"--screensaver"}, {"--screensaver", "--idle", "60"},
                                                                  {"--root"}, {"--window-id", "7"}}) {
        EXPECT_FALSE(rests(mode));
        std::vector<std::string> held = mode;
        held.insert(held.end(), {"--battery=hold"});
        EXPECT_TRUE(rests(held));
    }
    EXPECT_TRUE(rests({"--root", "--battery", "hold"}, "0x123"));
}

TEST(CommandLine, TheHostComesFromTheWindowIdOrTheDaemonsVariable) {
    std::string error;
    using K = THostChoice::TKind;
    EXPECT_EQ(ChooseHost(*Parse({}), "0x123", error)->Kind, K::Monitors);  // the variable alone does nothing
    EXPECT_EQ(ChooseHost(*Parse({"--root"}), nullptr, error)->Kind, K::RootWindow);
    EXPECT_EQ(ChooseHost(*Parse({"--root"}), "", error)->Kind, K::RootWindow);
    const auto daemon = ChooseHost(*Parse({"--root"}), "0x1e00003", error);
    EXPECT_EQ(daemon->Kind, K::Window);
    EXPECT_EQ(daemon->Id, 0x1e00003u);
    // The preview's own window wins over the daemon's.
    EXPECT_EQ(ChooseHost(*Parse({"--root", "--window-id", "77"}), "0x1e00003", error)->Id, 77u);
    // xfce4-screensaver on Wayland passes a token, not a window id.
    EXPECT_FALSE(ChooseHost(*Parse({"--root"}), "wl-token-1", error));
    EXPECT_EQ(error, "XSCREENSAVER_WINDOW is not a window id: 'wl-token-1'");
}
