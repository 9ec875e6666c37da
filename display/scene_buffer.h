#pragma once
#include <array>
#include <functional>
#include <memory>
#include <unordered_map>

#include "display/gl_api.h"
#include "display/gl_canvas.h"
#include "display/gl_context.h"
#include "display/scene.h"
#include "display/system_colors.h"

class QSurface;

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

// The render buffer of a viewer: options, rendering context and one
// complete render of the scene per paint.
class TGLSceneBuffer {
public:
    using TContextFactory = std::function<std::unique_ptr<TGLContext>()>;

    TGLSceneBuffer();
    ~TGLSceneBuffer();

    // Picture properties (a change only asks for a new picture).
    TColor BackgroundColor() const { return Background; }
    void SetBackgroundColor(TColor c) { ChangePicture(Background, c); }
    bool DepthTest() const { return DepthTestOn; }
    void SetDepthTest(bool v) { ChangePicture(DepthTestOn, v); }
    bool FaceCulling() const { return FaceCullingOn; }
    void SetFaceCulling(bool v) { ChangePicture(FaceCullingOn, v); }
    bool Lighting() const { return LightingOn; }
    void SetLighting(bool v) { ChangePicture(LightingOn, v); }
    bool FogEnable() const { return FogOn; }
    void SetFogEnable(bool v) { ChangePicture(FogOn, v); }
    TGLShadeModel ShadeModel() const { return Shade; }
    void SetShadeModel(TGLShadeModel v) { ChangePicture(Shade, v); }
    // Context properties (a change needs a new context).
    TContextOptions ContextOptions() const { return Options; }
    void SetContextOptions(TContextOptions v) { ChangeContext(Options, v); }
    int AccumBufferBits() const { return Accum; }
    void SetAccumBufferBits(int v) { ChangeContext(Accum, v); }
    TGLAntiAliasing AntiAliasing() const { return AA; }
    void SetAntiAliasing(TGLAntiAliasing v) { ChangeContext(AA, v); }
    TGLDepthPrecision DepthPrecision() const { return DepthBits; }
    void SetDepthPrecision(TGLDepthPrecision v) { ChangeContext(DepthBits, v); }
    TGLColorDepth ColorDepth() const { return ColourBits; }
    void SetColorDepth(TGLColorDepth v) { ChangeContext(ColourBits, v); }

    TGLVector4f AmbientColor{0.2f, 0.2f, 0.2f, 1.0f};
    GLfloat BackgroundAlpha = 1.0f;

    void Resize(int width, int height);
    int ViewportWidth() const { return Width; }
    int ViewportHeight() const { return Height; }
    // Creates the rendering context that `factory` makes (nullptr: "Failed to create RenderingContext.").
    void CreateRC(const TContextFactory& factory);
    void DestroyRC();
    TGLContext* RenderingContext() const { return Context.get(); }
    bool Rendering() const { return RenderingNow; }
    void Render();
    // A frame that `draw` makes alone in the current context, without the
    // scene, its state or the clear; activation, error checks and swap as in Render.
    void RenderDirect(const std::function<void()>& draw);

    void AttachCamera(TGLCamera* camera) { ChangePicture(Camera, camera); }
    TGLCamera* AttachedCamera() const { return Camera; }

    // A change that needs a new picture; one that needs a new context.
    std::function<void()> OnChange, OnStructuralChange;

    // What the last render loaded.
    std::array<GLfloat, 16> ProjectionMatrix{}, ModelViewMatrix{};

private:
    template <typename T>
    void ChangePicture(T& field, T value) {
        if (field == value) return;
        field = value;
        if (OnChange && !RenderingNow) OnChange();
    }
    template <typename T>
    void ChangeContext(T& field, T value) {
        if (field == value) return;
        field = value;
        if (OnStructuralChange) OnStructuralChange();
    }
    void ApplyOptions(TGLContext& context) const;
    void SetupGLState();
    void ClearBuffers();
    void QueryErrors();
    void RenderWith(const std::function<void()>& draw);
    void BaseRender();
    void RenderScene(TGLScene& scene);

    TColor Background = clBtnFace;
    bool DepthTestOn = true, FaceCullingOn = true, LightingOn = true, FogOn = false;
    TGLShadeModel Shade = TGLShadeModel::smDefault;
    TContextOptions Options = roDoubleBuffer | roRenderToWindow;
    int Accum = 0;
    TGLAntiAliasing AA = TGLAntiAliasing::aaDefault;
    TGLDepthPrecision DepthBits = TGLDepthPrecision::dpDefault;
    TGLColorDepth ColourBits = TGLColorDepth::cdDefault;

    int Width = 1, Height = 1;
    std::unique_ptr<TGLContext> Context;
    TGLCamera* Camera = nullptr;
    bool RenderingNow = false;
    TGLStateCache Cache;
    GLint MaxLights = 8;
};

}  // namespace ombrel
