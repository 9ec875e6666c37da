/* Preloaded into a program (LD_PRELOAD), logs every buffer swap: one line
 * "<seconds on CLOCK_MONOTONIC> <drawable or surface in hex>" into the file
 * named by OMBREL_SWAP_LOG, stamped when the swap has returned. It times what
 * the viewer sees, in any build of any program, without changing it. */
#define _GNU_SOURCE
#include <EGL/egl.h>
#include <GL/glx.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

static int LogFile(void) {
    /* Swaps come from one thread, the program's GUI thread. */
    static int fd = -2;
    if (fd == -2) {
        const char* path = getenv("OMBREL_SWAP_LOG");
        fd = path ? open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644) : -1;
    }
    return fd;
}

static void Log(unsigned long long target) {
    const int fd = LogFile();
    if (fd < 0) return;
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    char line[64];
    const int n = snprintf(line, sizeof line, "%lld.%09ld %llx\n", (long long)now.tv_sec, now.tv_nsec, target);
    if (n > 0 && write(fd, line, (size_t)n) < 0) return;
}

void glXSwapBuffers(Display* display, GLXDrawable drawable) {
    static void (*real)(Display*, GLXDrawable);
    if (!real) real = (void (*)(Display*, GLXDrawable))dlsym(RTLD_NEXT, "glXSwapBuffers");
    real(display, drawable);
    Log((unsigned long long)drawable);
}

EGLBoolean eglSwapBuffers(EGLDisplay display, EGLSurface surface) {
    static EGLBoolean (*real)(EGLDisplay, EGLSurface);
    if (!real) real = (EGLBoolean(*)(EGLDisplay, EGLSurface))dlsym(RTLD_NEXT, "eglSwapBuffers");
    const EGLBoolean done = real(display, surface);
    Log((unsigned long long)(unsigned long)surface);
    return done;
}
