#include "display/scene_buffer.h"

#include <cstdlib>

#include "display/gl_errors.h"

namespace ombrel {

void TGLStateCache::Reset() {
    // OpenGL's defaults: everything off but dithering.
    Enabled.clear();
    Enabled[GL_DITHER] = true;
    AlphaFunc = GL_ALWAYS;
    AlphaRef = 0;
}

void TGLStateCache::SetEnabled(GLenum cap, bool on) {
    const auto it = Enabled.find(cap);
    const bool now = it != Enabled.end() && it->second;
    if (now == on) return;
    Enabled[cap] = on;
    if (on)
        GL().Enable(cap);
    else
        GL().Disable(cap);
}

void TGLStateCache::SetAlphaFunction(GLenum func, GLclampf ref) {
    if (func == AlphaFunc && ref == AlphaRef) return;
    AlphaFunc = func;
    AlphaRef = ref;
    GL().AlphaFunc(func, ref);
}

TGLSceneBuffer::TGLSceneBuffer() { Cache.Reset(); }

TGLSceneBuffer::~TGLSceneBuffer() { DestroyRC(); }

void TGLSceneBuffer::Resize(int width, int height) {
    Width = width > 0 ? width : 1;
    Height = height > 0 ? height : 1;
    if (!Context) return;
    Context->Activate();
    GL().Viewport(0, 0, Width, Height);
    Context->Deactivate();
}

void TGLSceneBuffer::ApplyOptions(TGLContext& c) const {
    static constexpr int DepthOf[] = {24, 16, 24, 32};
    static constexpr int ColourOf[] = {24, 8, 16, 24, 64, 128};
    c.SetDoubleBuffer(Options & roDoubleBuffer);
    c.SetStereo(Options & roStereo);
    c.SetColorBits((Options & roNoColorBuffer) ? 0 : ColourOf[static_cast<int>(ColourBits)]);
    c.SetDepthBits(DepthOf[static_cast<int>(DepthBits)]);
    c.SetStencilBits((Options & roStencilBuffer) ? 8 : 0);
    c.SetAlphaBits((Options & roDestinationAlpha) ? 8 : 0);
    c.SetAccumBits(Accum);
    c.SetAuxBuffers(0);
    c.SetAntiAliasing(AA);
}

void TGLSceneBuffer::CreateRC(const TContextFactory& factory) {
    DestroyRC();
    RenderingNow = true;
    struct TDone {
        bool& Flag;
        ~TDone() { Flag = false; }
    } done{RenderingNow};

    std::unique_ptr<TGLContext> context = factory ? factory() : nullptr;
    if (!context) throw Exception("Failed to create RenderingContext.");
    ApplyOptions(*context);
    context->CreateContext();
    context->Activate();
    try {
        const auto* version = reinterpret_cast<const char*>(GL().GetString(GL_VERSION));
        const double v = version ? std::atof(version) : 0;
        if (v < 1.1 - 1e-9) throw EOpenGLError("Need at least OpenGL version 1.1");
        GL().Viewport(0, 0, Width, Height);
        GL().GetIntegerv(GL_MAX_LIGHTS, &MaxLights);
        Cache.Reset();
        SetupGLState();
        const TGLVector4f bg = ColorToGLVector(Background, BackgroundAlpha);
        GL().ClearColor(bg[0], bg[1], bg[2], bg[3]);
    } catch (...) {
        context->Deactivate();
        throw;
    }
    context->Deactivate();
    Context = std::move(context);
}

void TGLSceneBuffer::DestroyRC() {
    if (!Context) return;
    Context.reset();
    if (Camera && Camera->Scene && Camera->Scene->CurrentBuffer == this) Camera->Scene->CurrentBuffer = nullptr;
}

void TGLSceneBuffer::SetupGLState() {
    const TGLApi& gl = GL();
    gl.LightModelfv(GL_LIGHT_MODEL_AMBIENT, AmbientColor.data());
    gl.LightModeli(GL_LIGHT_MODEL_TWO_SIDE, (Options & roTwoSideLighting) ? 1 : 0);
    Cache.SetEnabled(GL_NORMALIZE, true);
    Cache.SetEnabled(GL_DEPTH_TEST, DepthTestOn);
    Cache.SetEnabled(GL_CULL_FACE, FaceCullingOn);
    Cache.SetEnabled(GL_LIGHTING, LightingOn);
    Cache.SetEnabled(GL_FOG, FogOn);
    GLint blueBits = 8;
    gl.GetIntegerv(GL_BLUE_BITS, &blueBits);
    Cache.SetEnabled(GL_DITHER, blueBits < 8);
    // What every render leaves behind, so that the first one runs under it too.
    Cache.SetEnabled(GL_ALPHA_TEST, true);
    Cache.SetAlphaFunction(GL_GREATER, 0);
    gl.DepthFunc(GL_LESS);
    gl.Hint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    gl.ShadeModel(Shade == TGLShadeModel::smFlat ? GL_FLAT : GL_SMOOTH);
}

void TGLSceneBuffer::ClearBuffers() {
    GLbitfield mask = GL_DEPTH_BUFFER_BIT;
    if (!(Options & (roNoColorBuffer | roNoColorBufferClear))) mask |= GL_COLOR_BUFFER_BIT;
    if (Options & roStencilBuffer) mask |= GL_STENCIL_BUFFER_BIT;
    GL().Clear(mask);
}

namespace {

// Reads OpenGL's error flags until none is left, at most `times` reads.
void DiscardErrors(int times) {
    for (int i = 0; i < times; ++i)
        if (GL().GetError() == GL_NO_ERROR) return;
}

}  // namespace

void TGLSceneBuffer::QueryErrors() {
    const GLenum first = GL().GetError();
    if (first == GL_NO_ERROR) return;
    DiscardErrors(7);
    const auto* text = reinterpret_cast<const char*>(GL().ErrorString(first));
    throw EOpenGLError(text ? text : "unknown OpenGL error");
}

void TGLSceneBuffer::Render() {
    if (RenderingNow || !Context) return;
    const TGLVector4f bg = ColorToGLVector(Background, BackgroundAlpha);
    if (Camera && Camera->Scene) Camera->Scene->CurrentBuffer = this;
    RenderWith([&] {
        SetupGLState();
        GL().ClearColor(bg[0], bg[1], bg[2], bg[3]);
        ClearBuffers();
        QueryErrors();
        BaseRender();
    });
}

void TGLSceneBuffer::RenderDirect(const std::function<void()>& draw) {
    if (RenderingNow || !Context) return;
    RenderWith(draw);
}

void TGLSceneBuffer::RenderWith(const std::function<void()>& draw) {
    RenderingNow = true;
    bool activated = false;
    try {
        Context->Activate();
        activated = true;
        DiscardErrors(7);
        draw();
        QueryErrors();
        if (!(Options & roNoSwapBuffers)) Context->SwapBuffers();
        QueryErrors();
    } catch (...) {
        RenderingNow = false;
        if (activated) Context->Deactivate();
        throw;
    }
    RenderingNow = false;
    Context->Deactivate();
}

void TGLSceneBuffer::BaseRender() {
    const TGLApi& gl = GL();
    constexpr int RenderDpi = 96;
    gl.MatrixMode(GL_PROJECTION);
    gl.LoadIdentity();
    if (Camera) {
        Camera->ApplyPerspective(Width, Height, RenderDpi);
        gl.GetFloatv(GL_PROJECTION_MATRIX, ProjectionMatrix.data());
    }
    gl.MatrixMode(GL_MODELVIEW);
    gl.LoadIdentity();
    if (Camera) {
        if (Camera->Scene) Camera->Scene->CurrentCamera = Camera;
        Camera->ApplyView();
        gl.GetFloatv(GL_MODELVIEW_MATRIX, ModelViewMatrix.data());
    }
    if (Camera && Camera->Scene) {
        // The scenes here have no light sources.
        for (GLint i = 0; i < MaxLights; ++i) Cache.SetEnabled(static_cast<GLenum>(GL_LIGHT0 + i), false);
        Cache.SetEnabled(GL_FOG, FogOn);
        RenderScene(*Camera->Scene);
    }
}

void TGLSceneBuffer::RenderScene(TGLScene& scene) {
    const TGLApi& gl = GL();
    scene.CurrentBuffer = this;
    const GLboolean colour = (Options & roNoColorBuffer) ? GL_FALSE : GL_TRUE;
    gl.ColorMask(colour, colour, colour, colour);
    TRenderContextInfo rci{&scene, this, Width, Height};
    static constexpr GLfloat Identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    // Objects that are not blended first, in list order; the blended ones after them.
    for (bool blendedPass : {false, true})
        for (TGLBaseSceneObject* object : scene.Objects) {
            if (object->Blend != blendedPass) continue;
            gl.PushMatrix();
            gl.MultMatrixf(Identity);
            object->DoRender(rci);
            gl.PopMatrix();
        }
    gl.ColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    Cache.SetEnabled(GL_BLEND, false);
    Cache.SetEnabled(GL_TEXTURE_2D, false);
    Cache.SetEnabled(GL_TEXTURE_RECTANGLE, false);
    Cache.SetEnabled(GL_ALPHA_TEST, true);
    Cache.SetAlphaFunction(GL_GREATER, 0);
}

}  // namespace ombrel
