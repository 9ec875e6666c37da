#include "display/layer_shell.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdlib>

using namespace ombrel;

TEST(LayerShell, WithoutACompositorOneLineSaysWhatToUseInstead) {
    // A runtime folder with no compositor's socket in it.
    QTemporaryDir runtime;
    const char* saved = std::getenv("XDG_RUNTIME_DIR");
    const std::string before = saved ? saved : "";
    setenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit().constData(), 1);
    setenv("WAYLAND_DISPLAY", "wayland-77", 1);
    std::string error;
    EXPECT_EQ(TLayerShell::Connect({"--wallpaper", "ombrel --root draws on the desktop's background"}, error), nullptr);
    EXPECT_EQ(error, "--wallpaper needs a Wayland compositor with a layer shell, and none answers at 'wayland-77'; "
                     "on X11, ombrel --root draws on the desktop's background");
    unsetenv("WAYLAND_DISPLAY");
    if (saved)
        setenv("XDG_RUNTIME_DIR", before.c_str(), 1);
    else
        unsetenv("XDG_RUNTIME_DIR");
}

// Under a compositor: layer_shell_test.sh runs these inside a sway of their own.
class LayerShellUnderACompositor : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::getenv("SWAYSOCK")) GTEST_SKIP() << "needs sway (layer_shell_test.sh starts one)";
        Shell = TLayerShell::Connect({"--wallpaper", ""}, Error);
        ASSERT_NE(Shell, nullptr) << Error;
        ASSERT_TRUE(Shell->StartDrawing(Error)) << Error;
        Shell->Serve();
        Shell->OnLost = [this](const std::string& reason) {
            Reason = reason;
            Loop.quit();
        };
    }
    static int Argc;
    QCoreApplication App{Argc, nullptr};
    QEventLoop Loop;
    std::string Error, Reason;
    std::unique_ptr<TLayerShell> Shell;
};
int LayerShellUnderACompositor::Argc = 0;

namespace {

// Handles events until `done` holds, for up to 20 s, waiting for them as the
// program's loop does: the shell sends its requests before the loop waits.
bool Until(const std::function<bool()>& done) {
    QTimer tick;
    tick.start(20);
    QElapsedTimer waited;
    waited.start();
    while (!done()) {
        if (waited.elapsed() > 20000) return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

}  // namespace

TEST_F(LayerShellUnderACompositor, OutputsAreNamedByRegistryAndPlacedInDevicePixels) {
    const auto outputs = Shell->Outputs();
    ASSERT_FALSE(outputs.empty());
    for (const auto& o : outputs) {
        const TLayerShell::TOutput* described = Shell->Output(o.Name);
        ASSERT_NE(described, nullptr);
        EXPECT_EQ(o.Rect.Width, described->ModeWidth);
        EXPECT_EQ(o.Rect.Height, described->ModeHeight);
    }
    EXPECT_EQ(Shell->MakeSurface(0xfffffff0u, {}), nullptr);
}

TEST_F(LayerShellUnderACompositor, AProtocolErrorNamesTheInterfaceAndTheCode) {
    // No layer 7: the compositor ends the connection over it.
    const auto surface = Shell->MakeSurface(Shell->Outputs().front().Name, {.Layer = 7});
    // Ends when the connection is lost; a hang is the failure.
    Loop.exec();
    EXPECT_EQ(Reason.rfind("the Wayland compositor refused a request of ours: zwlr_layer_shell_v1 error 1", 0), 0u)
        << Reason;
}

TEST_F(LayerShellUnderACompositor, ASurfaceWhoseContextFailedTriesAgainAtTheNextChange) {
    const auto real = Shell->MakeContext;
    bool failing = true;
    int made = 0;
    Shell->MakeContext = [&](wl_egl_window* window) -> std::unique_ptr<TGLContext> {
        if (failing) return nullptr;
        ++made;
        return real(window);
    };
    const auto surface = Shell->MakeSurface(Shell->Outputs().front().Name, {});
    std::vector<std::string> errors;
    int exposeChanges = 0;
    surface->OnError = [&](const std::exception& e) { errors.push_back(e.what()); };
    surface->OnExposeChange = [&] { ++exposeChanges; };
    ASSERT_TRUE(Until([&] { return !errors.empty(); }));
    EXPECT_FALSE(surface->Exposed());
    // The outputs' scale changes, and with it the surface's buffer.
    failing = false;
    ASSERT_EQ(std::system("swaymsg -q 'output * scale 2'"), 0);
    const bool exposed = Until([&] { return surface->Exposed(); });
    ASSERT_EQ(std::system("swaymsg -q 'output * scale 1'"), 0);
    ASSERT_TRUE(exposed) << "never tried again";
    EXPECT_GE(made, 1);
    for (const std::string& e : errors) EXPECT_EQ(e, "Failed to create RenderingContext.");
    EXPECT_EQ(exposeChanges, 1);
    surface->Repaint();
    EXPECT_TRUE(surface->ScreenCurrent());
}
