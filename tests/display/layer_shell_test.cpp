#include "display/layer_shell.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
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
    EXPECT_EQ(TLayerShell::Connect(error), nullptr);
    EXPECT_EQ(error, "--wallpaper needs a Wayland compositor with a layer shell, and none answers at 'wayland-77'; "
                     "on X11, ombrel --root draws on the desktop's background");
    unsetenv("WAYLAND_DISPLAY");
    if (saved)
        setenv("XDG_RUNTIME_DIR", before.c_str(), 1);
    else
        unsetenv("XDG_RUNTIME_DIR");
}
