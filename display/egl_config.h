#pragma once
// Choosing the EGL configuration that a display's surfaces draw with, and
// saying what was asked for where none offers it.
#include <EGL/egl.h>

#include <string>

namespace ombrel {

// What the layer shell's surfaces draw with: a window, 8 bits for each of
// red, green and blue, desktop OpenGL; in a context of the compatibility
// profile, for immediate mode and the fixed pipeline.
extern const EGLint WindowConfig[];
extern const EGLint CompatibilityContext[];

// The first configuration of `display` that has every attribute of `want`
// (EGL_NONE-terminated), into `config`; false with `error` saying what
// failed or what none of them has.
bool ChooseEglConfig(EGLDisplay display, const EGLint* want, EGLConfig& config, std::string& error);

// `want` in words: "a window surface, 8-bit red, ..., desktop OpenGL".
std::string DescribeEglConfig(const EGLint* want);

// "EGL error 0x300c": the calling thread's last EGL error.
std::string EglErrorText();

}  // namespace ombrel
