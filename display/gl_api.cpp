#define GL_GLEXT_PROTOTYPES
#include "display/gl_api.h"

#include <GL/glu.h>


namespace ombrel {

namespace {

const TGLApi SystemApi = {
    glBegin, glEnd, glVertex2i, glColor4fv, glLineWidth, glPointSize, glMatrixMode, glPushMatrix, glPopMatrix,
    glLoadIdentity, glLoadMatrixf, glMultMatrixf, gluOrtho2D, glFrustum, gluLookAt, glPushAttrib, glPopAttrib,
    glEnable, glDisable, glBlendFunc, glAlphaFunc, glDepthFunc, glHint, glShadeModel, glColorMask,
    glLightModelfv, glLightModeli, glGetFloatv, glGetIntegerv, glGetString, glViewport, glClearColor, glClear,
    glGetError, gluErrorString, glVertex2f, glEnableClientState, glDisableClientState, glVertexPointer,
    glDrawArrays, glRasterPos2i, glPixelZoom, glDrawPixels, glGenTextures, glBindTexture, glTexParameteri,
    glTexEnvi, glTexImage2D, glTexSubImage2D, glTexCoord2f, glGenFramebuffers, glBindFramebuffer,
    glFramebufferTexture2D, glCheckFramebufferStatus, glBlitFramebuffer, glFlush,
};

const TGLApi* Current = &SystemApi;

}  // namespace

const TGLApi& GL() noexcept { return *Current; }
const TGLApi& SystemGLApi() noexcept { return SystemApi; }
void SetGLApi(const TGLApi* api) noexcept { Current = api ? api : &SystemApi; }

}  // namespace ombrel
