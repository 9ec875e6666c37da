#include "display/reference/gl_canvas.h"

#include <gtest/gtest.h>

#include "display/reference/system_colors.h"
#include "tests/display/gl_recorder.h"

using namespace ombrel;
using ombrel::testing::TGLCall;
using ombrel::testing::TGLRecorder;

namespace {

std::vector<std::string> After(const TGLRecorder& r, size_t from) {
    std::vector<std::string> n = r.Names();
    return {n.begin() + static_cast<long>(from), n.end()};
}

}  // namespace

TEST(GLCanvas, ConstructionSetsUpPixelSpaceAndSavesState) {
    TGLRecorder rec;
    GLExtensions() = {};
    {
        TGLCanvas canvas(640, 480);
        const std::vector<std::string> expected = {
            "glMatrixMode", "glPushMatrix", "glLoadIdentity", "gluOrtho2D", "glMatrixMode", "glPushMatrix",
            "glLoadMatrixf", "glPushAttrib", "glDisable", "glDisable", "glDisable", "glDisable", "glDisable",
            "glDisable", "glDisable", "glDisable", "glDisable", "glEnable", "glBlendFunc", "glGetFloatv",
            "glColor4fv", "glGetFloatv", "glGetFloatv", "glLineWidth", "glPointSize"};
        EXPECT_EQ(rec.Names(), expected);
        EXPECT_EQ(rec.Calls[0], (TGLCall{"glMatrixMode", {GL_PROJECTION}}));
        EXPECT_EQ(rec.Calls[3], (TGLCall{"gluOrtho2D", {0, 640, 480, 0}}));
        EXPECT_EQ(rec.Calls[4], (TGLCall{"glMatrixMode", {GL_MODELVIEW}}));
        EXPECT_EQ(rec.Calls[6].Args, std::vector<double>({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}));
        EXPECT_EQ(rec.Calls[7], (TGLCall{"glPushAttrib", {GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT}}));
        const GLenum disabled[] = {GL_LIGHTING, GL_FOG, GL_CULL_FACE, GL_COLOR_MATERIAL, GL_DEPTH_TEST,
                                   GL_TEXTURE_1D, GL_TEXTURE_2D, GL_LINE_SMOOTH, GL_POINT_SMOOTH};
        for (size_t i = 0; i < std::size(disabled); ++i) EXPECT_EQ(rec.Calls[8 + i].Args[0], disabled[i]);
        EXPECT_EQ(rec.Calls[17], (TGLCall{"glEnable", {GL_BLEND}}));
        EXPECT_EQ(rec.Calls[18], (TGLCall{"glBlendFunc", {GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA}}));
        EXPECT_EQ(rec.Calls[20], (TGLCall{"glColor4fv", {0, 0, 0, 1}}));

        // Redundant pen settings cost nothing.
        const size_t before = rec.Calls.size();
        canvas.PenColor(0);
        canvas.PenWidth(1);
        canvas.PenWidth(0);
        canvas.PenWidth(-5);
        EXPECT_EQ(rec.Calls.size(), before);
    }
    // Destruction restores colour, widths and enable flags and both matrices.
    const size_t n = rec.Calls.size();
    const std::vector<TGLCall> tail(rec.Calls.end() - 8, rec.Calls.end());
    EXPECT_EQ(tail[0], (TGLCall{"glColor4fv", {0.25, 0.5, 0.75, 1}}));
    EXPECT_EQ(tail[1], (TGLCall{"glLineWidth", {3}}));
    EXPECT_EQ(tail[2], (TGLCall{"glPointSize", {2}}));
    EXPECT_EQ(tail[3].Name, "glPopAttrib");
    EXPECT_EQ(tail[4], (TGLCall{"glMatrixMode", {GL_PROJECTION}}));
    EXPECT_EQ(tail[5].Name, "glPopMatrix");
    EXPECT_EQ(tail[6], (TGLCall{"glMatrixMode", {GL_MODELVIEW}}));
    EXPECT_EQ(tail[7].Name, "glPopMatrix");
    EXPECT_EQ(rec.Count("glEnd"), 0u);
    EXPECT_EQ(n, 25u + 8u);
}

TEST(GLCanvas, TextureTargetsAreTouchedOnlyWithTheirExtensions) {
    TGLRecorder rec;
    GLExtensions() = {true, true};
    { TGLCanvas canvas(10, 10); }
    GLExtensions() = {};
    size_t found = 0;
    for (const TGLCall& c : rec.Calls)
        if (c.Name == "glDisable" && (c.Args[0] == GL_TEXTURE_3D || c.Args[0] == GL_TEXTURE_CUBE_MAP)) ++found;
    EXPECT_EQ(found, 2u);
    rec.Calls.clear();
    { TGLCanvas canvas(10, 10); }
    for (const TGLCall& c : rec.Calls)
        EXPECT_FALSE(c.Name == "glDisable" && (c.Args[0] == GL_TEXTURE_3D || c.Args[0] == GL_TEXTURE_CUBE_MAP));
}

TEST(GLCanvas, PointsWithColourChangesShareOneBlock) {
    TGLRecorder rec;
    size_t start;
    {
        TGLCanvas canvas(100, 100);
        start = rec.Calls.size();
        canvas.PlotPixel(1, 2);
        canvas.PenColor(0x0000ff);
        canvas.PlotPixel(3, 4);
        canvas.PenColor(0x0000ff);
        canvas.PenColor(0x00ff00);
        canvas.PlotPixel(5, 6);
        canvas.PenWidth(0);
        canvas.PlotPixel(7, 8);
    }
    const std::vector<std::string> expected = {"glBegin",    "glVertex2f", "glColor4fv", "glVertex2f",
                                               "glColor4fv", "glVertex2f", "glVertex2f", "glEnd"};
    const std::vector<std::string> got = After(rec, start);
    EXPECT_EQ(std::vector<std::string>(got.begin(), got.begin() + 8), expected);
    EXPECT_EQ(rec.Calls[start], (TGLCall{"glBegin", {GL_POINTS}}));
    EXPECT_EQ(rec.Calls[start + 2], (TGLCall{"glColor4fv", {1, 0, 0, 1}}));
    EXPECT_EQ(rec.Calls[start + 3], (TGLCall{"glVertex2f", {3.5, 4.5}}));
    EXPECT_EQ(rec.Calls[start + 4], (TGLCall{"glColor4fv", {0, 1, 0, 1}}));
}

TEST(GLCanvas, KindChangesAndWidthChangesCloseTheBlock) {
    TGLRecorder rec;
    size_t start;
    {
        TGLCanvas canvas(64, 32);
        start = rec.Calls.size();
        canvas.FillRect(64, 32, 0, 0);  // reversed corners go out as given
        canvas.FillRect(1, 1, 2, 2);
        canvas.PlotPixel(9, 9);
        canvas.PenWidth(3);
        canvas.PlotPixel(10, 10);
    }
    const std::vector<std::string> expected = {
        "glBegin", "glVertex2i", "glVertex2i", "glVertex2i", "glVertex2i", "glVertex2i", "glVertex2i",
        "glVertex2i", "glVertex2i", "glEnd", "glBegin", "glVertex2f", "glEnd", "glLineWidth", "glPointSize",
        "glBegin", "glVertex2f", "glEnd"};
    const std::vector<std::string> got = After(rec, start);
    EXPECT_EQ(std::vector<std::string>(got.begin(), got.begin() + static_cast<long>(expected.size())), expected);
    EXPECT_EQ(rec.Calls[start], (TGLCall{"glBegin", {GL_QUADS}}));
    EXPECT_EQ(rec.Calls[start + 1], (TGLCall{"glVertex2i", {64, 32}}));
    EXPECT_EQ(rec.Calls[start + 2], (TGLCall{"glVertex2i", {0, 32}}));
    EXPECT_EQ(rec.Calls[start + 3], (TGLCall{"glVertex2i", {0, 0}}));
    EXPECT_EQ(rec.Calls[start + 4], (TGLCall{"glVertex2i", {64, 0}}));
    EXPECT_EQ(rec.Calls[start + 10], (TGLCall{"glBegin", {GL_POINTS}}));
    EXPECT_EQ(rec.Calls[start + 13], (TGLCall{"glLineWidth", {3}}));
}

TEST(ColorToGLVector, ScalesChannelsAndLooksUpSystemColours) {
    const TGLVector4f v = ColorToGLVector(0x7f00ff, 0.5f);
    EXPECT_EQ(v[0], 1.0f);
    EXPECT_EQ(v[1], 0.0f);
    EXPECT_EQ(v[2], static_cast<float>(127.0L / 255));
    EXPECT_EQ(v[3], 0.5f);
    // Bits 24 to 30 are ignored.
    EXPECT_EQ(ColorToGLVector(0x7e0000ff, 1)[0], 1.0f);
    const TColor face = GetSysColor(15);
    const TGLVector4f f = ColorToGLVector(clBtnFace, 1);
    EXPECT_EQ(f[0], static_cast<float>((face & 255) / 255.0L));
    EXPECT_EQ(f[2], static_cast<float>(((face >> 16) & 255) / 255.0L));
    EXPECT_LT(clBtnFace, 0);
    EXPECT_EQ(clBtnFace & 255, 15);
}
