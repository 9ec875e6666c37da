#pragma once
#include <GL/gl.h>
#include <GL/glext.h>

namespace ombrel {

// Every OpenGL and GLU call of the display code goes through this table, so
// tests can put a recorder in place of the system's libGL/libGLU. Calls past
// OpenGL 1.1 are made only where the context's version has them.
struct TGLApi {
    void (*Begin)(GLenum mode);
    void (*End)();
    void (*Vertex2i)(GLint x, GLint y);
    void (*Color4fv)(const GLfloat* v);
    void (*LineWidth)(GLfloat width);
    void (*PointSize)(GLfloat size);
    void (*MatrixMode)(GLenum mode);
    void (*PushMatrix)();
    void (*PopMatrix)();
    void (*LoadIdentity)();
    void (*LoadMatrixf)(const GLfloat* m);
    void (*MultMatrixf)(const GLfloat* m);
    void (*Ortho2D)(GLdouble left, GLdouble right, GLdouble bottom, GLdouble top);
    void (*Frustum)(GLdouble left, GLdouble right, GLdouble bottom, GLdouble top, GLdouble zNear, GLdouble zFar);
    void (*LookAt)(GLdouble eyeX, GLdouble eyeY, GLdouble eyeZ, GLdouble centerX, GLdouble centerY,
                   GLdouble centerZ, GLdouble upX, GLdouble upY, GLdouble upZ);
    void (*PushAttrib)(GLbitfield mask);
    void (*PopAttrib)();
    void (*Enable)(GLenum cap);
    void (*Disable)(GLenum cap);
    void (*BlendFunc)(GLenum sfactor, GLenum dfactor);
    void (*AlphaFunc)(GLenum func, GLclampf ref);
    void (*DepthFunc)(GLenum func);
    void (*Hint)(GLenum target, GLenum mode);
    void (*ShadeModel)(GLenum mode);
    void (*ColorMask)(GLboolean r, GLboolean g, GLboolean b, GLboolean a);
    void (*LightModelfv)(GLenum pname, const GLfloat* params);
    void (*LightModeli)(GLenum pname, GLint param);
    void (*GetFloatv)(GLenum pname, GLfloat* params);
    void (*GetIntegerv)(GLenum pname, GLint* params);
    const GLubyte* (*GetString)(GLenum name);
    void (*Viewport)(GLint x, GLint y, GLsizei width, GLsizei height);
    void (*ClearColor)(GLclampf r, GLclampf g, GLclampf b, GLclampf a);
    void (*Clear)(GLbitfield mask);
    GLenum (*GetError)();
    const GLubyte* (*ErrorString)(GLenum error);
    void (*Vertex2f)(GLfloat x, GLfloat y);
    void (*EnableClientState)(GLenum array);
    void (*DisableClientState)(GLenum array);
    void (*VertexPointer)(GLint size, GLenum type, GLsizei stride, const GLvoid* pointer);
    void (*DrawArrays)(GLenum mode, GLint first, GLsizei count);
    void (*RasterPos2i)(GLint x, GLint y);
    void (*PixelZoom)(GLfloat x, GLfloat y);
    void (*DrawPixels)(GLsizei width, GLsizei height, GLenum format, GLenum type, const GLvoid* pixels);
    void (*GenTextures)(GLsizei n, GLuint* textures);
    void (*BindTexture)(GLenum target, GLuint texture);
    void (*TexParameteri)(GLenum target, GLenum pname, GLint param);
    void (*TexEnvi)(GLenum target, GLenum pname, GLint param);
    void (*TexImage2D)(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height, GLint border,
                       GLenum format, GLenum type, const GLvoid* pixels);
    void (*TexSubImage2D)(GLenum target, GLint level, GLint x, GLint y, GLsizei width, GLsizei height, GLenum format,
                          GLenum type, const GLvoid* pixels);
    void (*TexCoord2f)(GLfloat s, GLfloat t);
    // OpenGL 3.0
    void (*GenFramebuffers)(GLsizei n, GLuint* framebuffers);
    void (*BindFramebuffer)(GLenum target, GLuint framebuffer);
    void (*FramebufferTexture2D)(GLenum target, GLenum attachment, GLenum textarget, GLuint texture, GLint level);
    GLenum (*CheckFramebufferStatus)(GLenum target);
    void (*BlitFramebuffer)(GLint srcX0, GLint srcY0, GLint srcX1, GLint srcY1, GLint dstX0, GLint dstY0, GLint dstX1,
                            GLint dstY1, GLbitfield mask, GLenum filter);
    void (*Flush)();
};

// The table in use; the system's libGL/libGLU unless a test has put another in place.
const TGLApi& GL() noexcept;
const TGLApi& SystemGLApi() noexcept;
// Puts `api` in place (nullptr: the system's again).
void SetGLApi(const TGLApi* api) noexcept;

}  // namespace ombrel
