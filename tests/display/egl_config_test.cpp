#include "display/egl_config.h"

#include <EGL/eglext.h>
#include <gtest/gtest.h>

using namespace ombrel;

// Mesa's display without a window system: it has pixel buffers and no windows.
TEST(EglConfig, NoneFoundSaysWhatWasAskedForAndOneFoundIsTaken) {
    const auto platformDisplay =
        reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
    ASSERT_NE(platformDisplay, nullptr);
    const EGLDisplay display = platformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    ASSERT_NE(display, EGL_NO_DISPLAY);
    ASSERT_TRUE(eglInitialize(display, nullptr, nullptr)) << EglErrorText();
    ASSERT_TRUE(eglBindAPI(EGL_OPENGL_API));
    EGLConfig config = nullptr;
    std::string error;
    EXPECT_FALSE(ChooseEglConfig(display, WindowConfig, config, error));
    EXPECT_EQ(error, "no EGL configuration offers a window surface, 8-bit red, 8-bit green, 8-bit blue, desktop OpenGL");

    const EGLint buffer[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RED_SIZE, 8, EGL_NONE};
    error.clear();
    EXPECT_TRUE(ChooseEglConfig(display, buffer, config, error)) << error;
    EXPECT_NE(config, nullptr);
    EXPECT_EQ(error, "");
    eglTerminate(display);
}

TEST(EglConfig, AnAttributeWithoutWordsIsNamedByNumber) {
    const EGLint want[] = {EGL_SAMPLES, 4, EGL_ALPHA_SIZE, 8, EGL_NONE};
    EXPECT_EQ(DescribeEglConfig(want), "attribute 0x3031 = 4, 8-bit alpha");
}
