#include "display/reference/gl_canvas.h"

#include <cstring>

#include "display/fast_frame_renderer.h"
#include "display/reference/system_colors.h"

namespace ombrel {

TGLVector4f ColorToGLVector(TColor color, GLfloat alpha) {
    if (color < 0) color = GetSysColor(color & 255);
    return PackedColourToGL(color, alpha);
}

namespace {

bool HasExtension(const char* list, const char* name) {
    const size_t n = std::strlen(name);
    for (const char* p = list; (p = std::strstr(p, name)) != nullptr; p += n)
        if ((p == list || p[-1] == ' ') && (p[n] == ' ' || p[n] == '\0')) return true;
    return false;
}

}  // namespace

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

namespace {

constexpr GLfloat Identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

}  // namespace

TGLCanvas::TGLCanvas(int32_t bufferWidth, int32_t bufferHeight) : TGLCanvas(bufferWidth, bufferHeight, Identity) {}

TGLCanvas::TGLCanvas(int32_t bufferWidth, int32_t bufferHeight, const GLfloat (&baseTransform)[16])
    : Api(GL()), BufferWidth(bufferWidth), BufferHeight(bufferHeight) {
    Api.MatrixMode(GL_PROJECTION);
    Api.PushMatrix();
    Api.LoadIdentity();
    Api.Ortho2D(0, BufferWidth, BufferHeight, 0);
    Api.MatrixMode(GL_MODELVIEW);
    Api.PushMatrix();
    Api.LoadMatrixf(baseTransform);
    SaveGLState();
}

TGLCanvas::~TGLCanvas() {
    EndPrimitive();
    RestoreGLState();
    Api.MatrixMode(GL_PROJECTION);
    Api.PopMatrix();
    Api.MatrixMode(GL_MODELVIEW);
    Api.PopMatrix();
}

void TGLCanvas::SaveGLState() {
    // The colour-buffer group holds the blend function set below.
    Api.PushAttrib(GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT);
    DisableSceneCapabilities(Api);
    if (GLExtensions().EXT_texture3D) Api.Disable(GL_TEXTURE_3D);
    if (GLExtensions().ARB_texture_cube_map) Api.Disable(GL_TEXTURE_CUBE_MAP);
    Api.Enable(GL_BLEND);
    Api.BlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    Api.GetFloatv(GL_CURRENT_COLOR, SavedColor.data());
    CurrentPenColor = 0;
    PenColorVector = {0, 0, 0, 1};
    Api.Color4fv(PenColorVector.data());
    Api.GetFloatv(GL_LINE_WIDTH, &SavedLineWidth);
    Api.GetFloatv(GL_POINT_SIZE, &SavedPointSize);
    CurrentPenWidth = 1;
    Api.LineWidth(1.0f);
    Api.PointSize(1.0f);
}

void TGLCanvas::RestoreGLState() {
    Api.Color4fv(SavedColor.data());
    Api.LineWidth(SavedLineWidth);
    Api.PointSize(SavedPointSize);
    Api.PopAttrib();
}

void TGLCanvas::PenColor(TColor color) {
    if (color == CurrentPenColor) return;
    PenColorVector = ColorToGLVector(color, PenColorVector[3]);
    CurrentPenColor = color;
    Api.Color4fv(PenColorVector.data());
}

void TGLCanvas::PenWidth(int32_t width) {
    if (width < 1 || width == CurrentPenWidth) return;
    CurrentPenWidth = width;
    EndPrimitive();
    Api.LineWidth(static_cast<GLfloat>(width));
    Api.PointSize(static_cast<GLfloat>(width));
}

void TGLCanvas::FillRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    SwitchPrimitive(GL_QUADS);
    Api.Vertex2i(x1, y1);
    Api.Vertex2i(x2, y1);
    Api.Vertex2i(x2, y2);
    Api.Vertex2i(x1, y2);
}

}  // namespace ombrel
