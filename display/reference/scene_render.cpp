#include "display/reference/scene_render.h"

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

void TGLSceneRender::ApplyOptions(TGLContext& c) const {
    static constexpr int DepthOf[] = {24, 16, 24, 32};
    static constexpr int ColourOf[] = {24, 8, 16, 24, 64, 128};
    c.SetDoubleBuffer(ContextOptions & roDoubleBuffer);
    c.SetStereo(ContextOptions & roStereo);
    c.SetColorBits((ContextOptions & roNoColorBuffer) ? 0 : ColourOf[static_cast<int>(ColorDepth)]);
    c.SetDepthBits(DepthOf[static_cast<int>(DepthPrecision)]);
    c.SetStencilBits((ContextOptions & roStencilBuffer) ? 8 : 0);
    c.SetAlphaBits((ContextOptions & roDestinationAlpha) ? 8 : 0);
    c.SetAccumBits(AccumBufferBits);
    c.SetAuxBuffers(0);
    c.SetAntiAliasing(AntiAliasing);
}

void TGLSceneRender::CreateRC(const TGLSceneBuffer::TContextFactory& factory) {
    Buffer.CreateRC([&]() -> std::unique_ptr<TGLContext> {
        std::unique_ptr<TGLContext> context = factory ? factory() : nullptr;
        if (context) ApplyOptions(*context);
        return context;
    });
    TGLContext& context = *Buffer.RenderingContext();
    context.Activate();
    GL().GetIntegerv(GL_MAX_LIGHTS, &MaxLights);
    Cache.Reset();
    SetupGLState();
    const TGLVector4f bg = ColorToGLVector(BackgroundColor, BackgroundAlpha);
    GL().ClearColor(bg[0], bg[1], bg[2], bg[3]);
    context.Deactivate();
}

void TGLSceneRender::SetupGLState() {
    const TGLApi& gl = GL();
    gl.LightModelfv(GL_LIGHT_MODEL_AMBIENT, AmbientColor.data());
    gl.LightModeli(GL_LIGHT_MODEL_TWO_SIDE, (ContextOptions & roTwoSideLighting) ? 1 : 0);
    Cache.SetEnabled(GL_NORMALIZE, true);
    Cache.SetEnabled(GL_DEPTH_TEST, DepthTest);
    Cache.SetEnabled(GL_CULL_FACE, FaceCulling);
    Cache.SetEnabled(GL_LIGHTING, Lighting);
    Cache.SetEnabled(GL_FOG, FogEnable);
    GLint blueBits = 8;
    gl.GetIntegerv(GL_BLUE_BITS, &blueBits);
    Cache.SetEnabled(GL_DITHER, blueBits < 8);
    // What every render leaves behind, so that the first one runs under it too.
    Cache.SetEnabled(GL_ALPHA_TEST, true);
    Cache.SetAlphaFunction(GL_GREATER, 0);
    gl.DepthFunc(GL_LESS);
    gl.Hint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    gl.ShadeModel(ShadeModel == TGLShadeModel::smFlat ? GL_FLAT : GL_SMOOTH);
}

void TGLSceneRender::ClearBuffers() {
    GLbitfield mask = GL_DEPTH_BUFFER_BIT;
    if (!(ContextOptions & (roNoColorBuffer | roNoColorBufferClear))) mask |= GL_COLOR_BUFFER_BIT;
    if (ContextOptions & roStencilBuffer) mask |= GL_STENCIL_BUFFER_BIT;
    GL().Clear(mask);
}

void TGLSceneRender::Render() {
    Buffer.Render([this] { RenderInside(); });
}

void TGLSceneRender::RenderInside() {
    if (Camera && Camera->Scene) Camera->Scene->CurrentBuffer = &Buffer;
    ReadGLExtensions();
    SetupGLState();
    const TGLVector4f bg = ColorToGLVector(BackgroundColor, BackgroundAlpha);
    GL().ClearColor(bg[0], bg[1], bg[2], bg[3]);
    ClearBuffers();
    Buffer.CheckErrors();
    BaseRender();
}

void TGLSceneRender::BaseRender() {
    const TGLApi& gl = GL();
    constexpr int RenderDpi = 96;
    gl.MatrixMode(GL_PROJECTION);
    gl.LoadIdentity();
    if (Camera) {
        Camera->ApplyPerspective(Buffer.ViewportWidth(), Buffer.ViewportHeight(), RenderDpi);
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
        Cache.SetEnabled(GL_FOG, FogEnable);
        RenderScene(*Camera->Scene);
    }
}

void TGLSceneRender::RenderScene(TGLScene& scene) {
    const TGLApi& gl = GL();
    scene.CurrentBuffer = &Buffer;
    const GLboolean colour = (ContextOptions & roNoColorBuffer) ? GL_FALSE : GL_TRUE;
    gl.ColorMask(colour, colour, colour, colour);
    TRenderContextInfo rci{&scene, &Buffer, Buffer.ViewportWidth(), Buffer.ViewportHeight()};
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
