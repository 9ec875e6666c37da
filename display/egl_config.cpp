#include "display/egl_config.h"

#include <cstdio>

namespace ombrel {

const EGLint WindowConfig[] = {EGL_SURFACE_TYPE, EGL_WINDOW_BIT, EGL_RED_SIZE,        8, EGL_GREEN_SIZE, 8,
                               EGL_BLUE_SIZE,    8,              EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_NONE};

const EGLint CompatibilityContext[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT,
                                       EGL_NONE};

std::string EglErrorText() {
    char code[32];
    std::snprintf(code, sizeof code, "EGL error 0x%x", static_cast<unsigned>(eglGetError()));
    return code;
}

std::string DescribeEglConfig(const EGLint* want) {
    std::string text;
    const auto add = [&text](const std::string& item) { text += (text.empty() ? "" : ", ") + item; };
    for (const EGLint* a = want; *a != EGL_NONE; a += 2) {
        const EGLint value = a[1];
        switch (a[0]) {
            case EGL_SURFACE_TYPE:
                if (value & EGL_WINDOW_BIT) add("a window surface");
                if (value & EGL_PBUFFER_BIT) add("a pixel buffer surface");
                break;
            case EGL_RED_SIZE: add(std::to_string(value) + "-bit red"); break;
            case EGL_GREEN_SIZE: add(std::to_string(value) + "-bit green"); break;
            case EGL_BLUE_SIZE: add(std::to_string(value) + "-bit blue"); break;
            case EGL_ALPHA_SIZE: add(std::to_string(value) + "-bit alpha"); break;
            case EGL_RENDERABLE_TYPE:
                if (value & EGL_OPENGL_BIT) add("desktop OpenGL");
                if (value & EGL_OPENGL_ES2_BIT) add("OpenGL ES 2");
                break;
            default: {
                char item[48];
                std::snprintf(item, sizeof item, "attribute 0x%x = %d", static_cast<unsigned>(a[0]), value);
                add(item);
            }
        }
    }
    return text;
}

bool ChooseEglConfig(EGLDisplay display, const EGLint* want, EGLConfig& config, std::string& error) {
    EGLint found = 0;
    if (!eglChooseConfig(display, want, &config, 1, &found)) {
        error = "the choice of an EGL configuration failed (" + EglErrorText() + ")";
        return false;
    }
    // Not an error to EGL: its error state still says EGL_SUCCESS.
    if (found < 1) {
        error = "no EGL configuration offers " + DescribeEglConfig(want);
        return false;
    }
    return true;
}

}  // namespace ombrel
