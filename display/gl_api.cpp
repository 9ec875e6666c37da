#include "display/gl_api.h"

#include <GL/glu.h>

#include <cstring>

namespace ombrel {

namespace {

const TGLApi SystemApi = {
    glBegin, glEnd, glVertex2i, glColor4fv, glLineWidth, glPointSize, glMatrixMode, glPushMatrix, glPopMatrix,
    glLoadIdentity, glLoadMatrixf, glMultMatrixf, gluOrtho2D, glFrustum, gluLookAt, glPushAttrib, glPopAttrib,
    glEnable, glDisable, glBlendFunc, glAlphaFunc, glDepthFunc, glHint, glShadeModel, glColorMask,
    glLightModelfv, glLightModeli, glGetFloatv, glGetIntegerv, glGetString, glViewport, glClearColor, glClear,
    glGetError, gluErrorString, glVertex2f, glEnableClientState, glDisableClientState, glVertexPointer,
    glDrawArrays,
};

const TGLApi* Current = &SystemApi;

bool HasExtension(const char* list, const char* name) {
    const size_t n = std::strlen(name);
    for (const char* p = list; (p = std::strstr(p, name)) != nullptr; p += n)
        if ((p == list || p[-1] == ' ') && (p[n] == ' ' || p[n] == '\0')) return true;
    return false;
}

}  // namespace

const TGLApi& GL() noexcept { return *Current; }
const TGLApi& SystemGLApi() noexcept { return SystemApi; }
void SetGLApi(const TGLApi* api) noexcept { Current = api ? api : &SystemApi; }

TGLExtensions& GLExtensions() noexcept {
    static TGLExtensions flags;
    return flags;
}

void ReadGLExtensions() {
    const auto* list = reinterpret_cast<const char*>(GL().GetString(GL_EXTENSIONS));
    if (!list) list = "";
    GLExtensions().EXT_texture3D = HasExtension(list, "GL_EXT_texture3D");
    GLExtensions().ARB_texture_cube_map = HasExtension(list, "GL_ARB_texture_cube_map");
}

}  // namespace ombrel
