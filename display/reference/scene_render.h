#pragma once
#include <array>
#include <unordered_map>

#include "display/gl_api.h"
#include "display/reference/gl_canvas.h"
#include "display/reference/scene.h"
#include "display/reference/system_colors.h"
#include "display/render_buffer.h"

namespace ombrel {

enum TContextOption : unsigned {
    roDoubleBuffer = 1u << 0,
    roStencilBuffer = 1u << 1,
    roRenderToWindow = 1u << 2,
    roTwoSideLighting = 1u << 3,
    roStereo = 1u << 4,
    roDestinationAlpha = 1u << 5,
    roNoColorBuffer = 1u << 6,
    roNoColorBufferClear = 1u << 7,
    roNoSwapBuffers = 1u << 8,
};
using TContextOptions = unsigned;

enum class TGLDepthPrecision { dpDefault, dp16bits, dp24bits, dp32bits };
enum class TGLColorDepth { cdDefault, cd8bits, cd16bits, cd24bits, cdFloat64bits, cdFloat128bits };
enum class TGLShadeModel { smDefault, smSmooth, smFlat };

// Mirrors OpenGL's enable flags so that setting one to the value it has costs no call.
class TGLStateCache {
public:
    void Reset();
    void SetEnabled(GLenum cap, bool on);
    void SetAlphaFunction(GLenum func, GLclampf ref);

private:
    std::unordered_map<GLenum, bool> Enabled;
    GLenum AlphaFunc = GL_ALWAYS;
    GLclampf AlphaRef = 0;
};

// The designed scene rendering of a render buffer, kept as the yardstick for
// the program's drawing: the buffer's options shape its context, and each
// render sets the scene's state, clears, applies the camera and renders the
// scene's objects, all inside one of the buffer's renders.
class TGLSceneRender {
public:
    explicit TGLSceneRender(TGLSceneBuffer& buffer) : Buffer(buffer) { Cache.Reset(); }

    TColor BackgroundColor = clBtnFace;
    GLfloat BackgroundAlpha = 1.0f;
    bool DepthTest = true, FaceCulling = true, Lighting = true, FogEnable = false;
    TGLShadeModel ShadeModel = TGLShadeModel::smDefault;
    TGLVector4f AmbientColor{0.2f, 0.2f, 0.2f, 1.0f};
    TContextOptions ContextOptions = roDoubleBuffer | roRenderToWindow;
    int AccumBufferBits = 0;
    TGLAntiAliasing AntiAliasing = TGLAntiAliasing::aaDefault;
    TGLDepthPrecision DepthPrecision = TGLDepthPrecision::dpDefault;
    TGLColorDepth ColorDepth = TGLColorDepth::cdDefault;
    TGLCamera* Camera = nullptr;

    // Makes the buffer's context anew with these options, then the state every render starts from.
    void CreateRC(const TGLSceneBuffer::TContextFactory& factory);
    // One of the buffer's renders of the scene.
    void Render();
    // The scene's part of a render, for a buffer render already under way.
    void RenderInside();

    // What the last render loaded.
    std::array<GLfloat, 16> ProjectionMatrix{}, ModelViewMatrix{};

private:
    void ApplyOptions(TGLContext& context) const;
    void SetupGLState();
    void ClearBuffers();
    void BaseRender();
    void RenderScene(TGLScene& scene);

    TGLSceneBuffer& Buffer;
    TGLStateCache Cache;
    GLint MaxLights = 8;
};

}  // namespace ombrel
