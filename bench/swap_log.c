/* Preloaded into a program (LD_PRELOAD), logs every buffer swap, and every
 * copy of part of a back buffer to the screen (glXCopySubBufferMESA): one line
 * "<seconds on CLOCK_MONOTONIC> <drawable or surface in hex>" into the file
 * named by OMBREL_SWAP_LOG, stamped when the swap has returned. It times what
 * the viewer sees, in any build of any program, without changing it.
 * With OMBREL_THREAD_LOG it also logs each thread started, in that file: a
 * count of the workers that a program started. */
#define _GNU_SOURCE
#include <EGL/egl.h>
#include <GL/glx.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

static int Open(const char* variable) {
    const char* path = getenv(variable);
    return path ? open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644) : -1;
}

static void LogTo(int fd, unsigned long long target) {
    if (fd < 0) return;
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    char line[64];
    const int n = snprintf(line, sizeof line, "%lld.%09ld %llx\n", (long long)now.tv_sec, now.tv_nsec, target);
    if (n > 0 && write(fd, line, (size_t)n) < 0) return;
}

static void Log(unsigned long long target) {
    /* Swaps come from one thread, the program's GUI thread. */
    static int fd = -2;
    if (fd == -2) fd = Open("OMBREL_SWAP_LOG");
    LogTo(fd, target);
}

typedef int (*TThreadCreate)(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*);
static TThreadCreate RealThreadCreate;
static int ThreadLog = -1;
static pthread_once_t ThreadLogOnce = PTHREAD_ONCE_INIT;

/* Threads may be started from any thread. */
static void OpenThreadLog(void) {
    RealThreadCreate = (TThreadCreate)dlsym(RTLD_NEXT, "pthread_create");
    ThreadLog = Open("OMBREL_THREAD_LOG");
}

int pthread_create(pthread_t* thread, const pthread_attr_t* attr, void* (*start)(void*), void* arg) {
    pthread_once(&ThreadLogOnce, OpenThreadLog);
    const int started = RealThreadCreate(thread, attr, start, arg);
    if (started == 0) LogTo(ThreadLog, (unsigned long long)*thread);
    return started;
}

void glXSwapBuffers(Display* display, GLXDrawable drawable) {
    static void (*real)(Display*, GLXDrawable);
    if (!real) real = (void (*)(Display*, GLXDrawable))dlsym(RTLD_NEXT, "glXSwapBuffers");
    real(display, drawable);
    Log((unsigned long long)drawable);
}

typedef void (*TCopySubBuffer)(Display*, GLXDrawable, int, int, int, int);
static TCopySubBuffer RealCopySubBuffer;

static void CopySubBuffer(Display* display, GLXDrawable drawable, int x, int y, int width, int height) {
    RealCopySubBuffer(display, drawable, x, y, width, height);
    Log((unsigned long long)drawable);
}

/* Programs reach the copy through the GLX loader, not by linking. */
static __GLXextFuncPtr Wrap(const GLubyte* name, __GLXextFuncPtr found) {
    if (!found || strcmp((const char*)name, "glXCopySubBufferMESA") != 0) return found;
    RealCopySubBuffer = (TCopySubBuffer)found;
    return (__GLXextFuncPtr)CopySubBuffer;
}

__GLXextFuncPtr glXGetProcAddressARB(const GLubyte* name) {
    static __GLXextFuncPtr (*real)(const GLubyte*);
    if (!real) real = (__GLXextFuncPtr(*)(const GLubyte*))dlsym(RTLD_NEXT, "glXGetProcAddressARB");
    return Wrap(name, real(name));
}

__GLXextFuncPtr glXGetProcAddress(const GLubyte* name) {
    static __GLXextFuncPtr (*real)(const GLubyte*);
    if (!real) real = (__GLXextFuncPtr(*)(const GLubyte*))dlsym(RTLD_NEXT, "glXGetProcAddress");
    return Wrap(name, real(name));
}

EGLBoolean eglSwapBuffers(EGLDisplay display, EGLSurface surface) {
    static EGLBoolean (*real)(EGLDisplay, EGLSurface);
    if (!real) real = (EGLBoolean(*)(EGLDisplay, EGLSurface))dlsym(RTLD_NEXT, "eglSwapBuffers");
    const EGLBoolean done = real(display, surface);
    Log((unsigned long long)(unsigned long)surface);
    return done;
}
