#include "tests/display/gl_recorder.h"

#include <algorithm>

namespace ombrel::testing {

TGLRecorder* TGLRecorder::Active = nullptr;

namespace {

void Rec(const char* name, std::vector<double> args = {}) { TGLRecorder::Active->Calls.push_back({name, std::move(args)}); }

const TGLApi RecordingApi = {
    [](GLenum m) { Rec("glBegin", {double(m)}); },
    [] { Rec("glEnd"); },
    [](GLint x, GLint y) { Rec("glVertex2i", {double(x), double(y)}); },
    [](const GLfloat* v) { Rec("glColor4fv", {v[0], v[1], v[2], v[3]}); },
    [](GLfloat w) { Rec("glLineWidth", {w}); },
    [](GLfloat s) { Rec("glPointSize", {s}); },
    [](GLenum m) { Rec("glMatrixMode", {double(m)}); },
    [] { Rec("glPushMatrix"); },
    [] { Rec("glPopMatrix"); },
    [] { Rec("glLoadIdentity"); },
    [](const GLfloat* m) { Rec("glLoadMatrixf", std::vector<double>(m, m + 16)); },
    [](const GLfloat* m) { Rec("glMultMatrixf", std::vector<double>(m, m + 16)); },
    [](GLdouble l, GLdouble r, GLdouble b, GLdouble t) { Rec("gluOrtho2D", {l, r, b, t}); },
    [](GLdouble l, GLdouble r, GLdouble b, GLdouble t, GLdouble n, GLdouble f) { Rec("glFrustum", {l, r, b, t, n, f}); },
    [](GLdouble ex, GLdouble ey, GLdouble ez, GLdouble cx, GLdouble cy, GLdouble cz, GLdouble ux, GLdouble uy,
       GLdouble uz) { Rec("gluLookAt", {ex, ey, ez, cx, cy, cz, ux, uy, uz}); },
    [](GLbitfield m) { Rec("glPushAttrib", {double(m)}); },
    [] { Rec("glPopAttrib"); },
    [](GLenum c) { Rec("glEnable", {double(c)}); },
    [](GLenum c) { Rec("glDisable", {double(c)}); },
    [](GLenum s, GLenum d) { Rec("glBlendFunc", {double(s), double(d)}); },
    [](GLenum f, GLclampf r) { Rec("glAlphaFunc", {double(f), r}); },
    [](GLenum f) { Rec("glDepthFunc", {double(f)}); },
    [](GLenum t, GLenum m) { Rec("glHint", {double(t), double(m)}); },
    [](GLenum m) { Rec("glShadeModel", {double(m)}); },
    [](GLboolean r, GLboolean g, GLboolean b, GLboolean a) { Rec("glColorMask", {double(r), double(g), double(b), double(a)}); },
    [](GLenum p, const GLfloat* v) { Rec("glLightModelfv", {double(p), v[0], v[1], v[2], v[3]}); },
    [](GLenum p, GLint v) { Rec("glLightModeli", {double(p), double(v)}); },
    [](GLenum p, GLfloat* v) {
        Rec("glGetFloatv", {double(p)});
        TGLRecorder& r = *TGLRecorder::Active;
        if (p == GL_CURRENT_COLOR) std::copy(r.CurrentColor, r.CurrentColor + 4, v);
        else if (p == GL_LINE_WIDTH) *v = r.LineWidth;
        else if (p == GL_POINT_SIZE) *v = r.PointSize;
        else std::fill(v, v + 16, 0.0f);
    },
    [](GLenum p, GLint* v) {
        Rec("glGetIntegerv", {double(p)});
        TGLRecorder& r = *TGLRecorder::Active;
        *v = p == GL_MAX_TEXTURE_SIZE         ? r.LargestTexture
             : p == GL_SAMPLE_BUFFERS         ? r.SampleBuffers
             : p == GL_READ_FRAMEBUFFER_BINDING ? r.ReadFramebuffer
                                              : 8;  // lights, bits per colour channel
    },
    [](GLenum n) -> const GLubyte* {
        Rec("glGetString", {double(n)});
        TGLRecorder& r = *TGLRecorder::Active;
        return reinterpret_cast<const GLubyte*>(n == GL_EXTENSIONS ? r.Extensions.c_str() : r.Version.c_str());
    },
    [](GLint x, GLint y, GLsizei w, GLsizei h) { Rec("glViewport", {double(x), double(y), double(w), double(h)}); },
    [](GLclampf r, GLclampf g, GLclampf b, GLclampf a) { Rec("glClearColor", {r, g, b, a}); },
    [](GLbitfield m) { Rec("glClear", {double(m)}); },
    []() -> GLenum {
        Rec("glGetError");
        TGLRecorder& r = *TGLRecorder::Active;
        if (r.Errors.empty()) return GL_NO_ERROR;
        const GLenum e = r.Errors.front();
        r.Errors.pop_front();
        return e;
    },
    [](GLenum e) -> const GLubyte* {
        Rec("gluErrorString", {double(e)});
        return reinterpret_cast<const GLubyte*>(e == GL_INVALID_ENUM ? "invalid enumerant" : "some error");
    },
    [](GLfloat x, GLfloat y) { Rec("glVertex2f", {x, y}); },
    [](GLenum a) { Rec("glEnableClientState", {double(a)}); },
    [](GLenum a) { Rec("glDisableClientState", {double(a)}); },
    [](GLint n, GLenum t, GLsizei s, const GLvoid* p) {
        Rec("glVertexPointer", {double(n), double(t), double(s)});
        TGLRecorder::Active->Vertices = static_cast<const GLfloat*>(p);
    },
    // The points drawn follow the mode, first and count: x, y of each (2 floats, packed).
    [](GLenum m, GLint f, GLsizei n) {
        std::vector<double> args{double(m), double(f), double(n)};
        const GLfloat* v = TGLRecorder::Active->Vertices;
        for (GLsizei i = 0; v && i < 2 * n; ++i) args.push_back(v[2 * f + i]);
        Rec("glDrawArrays", std::move(args));
    },
    [](GLint x, GLint y) { Rec("glRasterPos2i", {double(x), double(y)}); },
    [](GLfloat x, GLfloat y) { Rec("glPixelZoom", {x, y}); },
    [](GLsizei w, GLsizei h, GLenum f, GLenum t, const GLvoid*) {
        Rec("glDrawPixels", {double(w), double(h), double(f), double(t)});
    },
    [](GLsizei n, GLuint* t) {
        Rec("glGenTextures", {double(n)});
        for (GLsizei i = 0; i < n; ++i) t[i] = ++TGLRecorder::Active->LastTexture;
    },
    [](GLenum target, GLuint t) { Rec("glBindTexture", {double(target), double(t)}); },
    [](GLenum target, GLenum p, GLint v) { Rec("glTexParameteri", {double(target), double(p), double(v)}); },
    [](GLenum target, GLenum p, GLint v) { Rec("glTexEnvi", {double(target), double(p), double(v)}); },
    [](GLenum, GLint level, GLint i, GLsizei w, GLsizei h, GLint, GLenum f, GLenum t, const GLvoid*) {
        Rec("glTexImage2D", {double(level), double(i), double(w), double(h), double(f), double(t)});
    },
    // The image's first pixel, as four bytes, follows the place and size.
    [](GLenum, GLint level, GLint x, GLint y, GLsizei w, GLsizei h, GLenum f, GLenum t, const GLvoid* p) {
        const auto* b = static_cast<const unsigned char*>(p);
        const auto* pixels = static_cast<const uint32_t*>(p);
        TGLRecorder::Active->TexImages.emplace_back(pixels, pixels + static_cast<size_t>(w) * static_cast<size_t>(h));
        Rec("glTexSubImage2D", {double(level), double(x), double(y), double(w), double(h), double(f), double(t),
                                double(b[0]), double(b[1]), double(b[2]), double(b[3])});
    },
    [](GLfloat s, GLfloat t) { Rec("glTexCoord2f", {s, t}); },
    [](GLsizei n, GLuint* f) {
        Rec("glGenFramebuffers", {double(n)});
        for (GLsizei i = 0; i < n; ++i) f[i] = ++TGLRecorder::Active->LastFramebuffer;
    },
    [](GLenum target, GLuint f) {
        Rec("glBindFramebuffer", {double(target), double(f)});
        if (target == GL_READ_FRAMEBUFFER) TGLRecorder::Active->ReadFramebuffer = static_cast<GLint>(f);
    },
    [](GLenum target, GLenum a, GLenum textarget, GLuint t, GLint level) {
        Rec("glFramebufferTexture2D", {double(target), double(a), double(textarget), double(t), double(level)});
    },
    [](GLenum target) -> GLenum {
        Rec("glCheckFramebufferStatus", {double(target)});
        return TGLRecorder::Active->FramebufferStatus;
    },
    [](GLint sx0, GLint sy0, GLint sx1, GLint sy1, GLint dx0, GLint dy0, GLint dx1, GLint dy1, GLbitfield m, GLenum f) {
        Rec("glBlitFramebuffer", {double(sx0), double(sy0), double(sx1), double(sy1), double(dx0), double(dy0),
                                  double(dx1), double(dy1), double(m), double(f)});
    },
    [] { Rec("glFlush", {}); },
};

}  // namespace

TGLRecorder::TGLRecorder() {
    Active = this;
    SetGLApi(&RecordingApi);
}

TGLRecorder::~TGLRecorder() {
    SetGLApi(nullptr);
    Active = nullptr;
}

std::vector<std::string> TGLRecorder::Names() const {
    std::vector<std::string> n;
    for (const TGLCall& c : Calls) n.push_back(c.Name);
    return n;
}

size_t TGLRecorder::Count(const std::string& name) const {
    return static_cast<size_t>(std::count_if(Calls.begin(), Calls.end(), [&](const TGLCall& c) { return c.Name == name; }));
}

}  // namespace ombrel::testing
