#pragma once
#include <functional>
#include <vector>

namespace ombrel {

class TGLSceneBuffer;
class TGLScene;

struct TRenderContextInfo {
    TGLScene* Scene;
    TGLSceneBuffer* Buffer;
    int ViewportWidth, ViewportHeight;
};

// The slice of the scene graph this program uses: objects with an identity
// local matrix, a camera, and a direct-OpenGL object whose event draws.
class TGLBaseSceneObject {
public:
    virtual ~TGLBaseSceneObject() = default;
    virtual void DoRender(TRenderContextInfo& rci) = 0;
    bool Blend = false;
};

class TGLDirectOpenGL;
using TDirectRenderEvent = std::function<void(TGLDirectOpenGL* Sender, TRenderContextInfo& rci)>;

class TGLDirectOpenGL : public TGLBaseSceneObject {
public:
    TDirectRenderEvent OnRender;
    void DoRender(TRenderContextInfo& rci) override {
        if (OnRender) OnRender(this, rci);
    }
};

enum class TGLCameraStyle { csPerspective, csOrthogonal };

class TGLCamera : public TGLBaseSceneObject {
public:
    double DepthOfView = 100.0;
    double FocalLength = 50.0;
    TGLCameraStyle CameraStyle = TGLCameraStyle::csPerspective;
    TGLScene* Scene = nullptr;
    // Called when the camera goes, so that whoever shows through it lets go.
    std::function<void()> OnDestroy;

    ~TGLCamera() override {
        if (OnDestroy) OnDestroy();
    }
    void DoRender(TRenderContextInfo&) override {}
    void ApplyPerspective(int viewportWidth, int viewportHeight, int dpi) const;
    void ApplyView() const;
};

class TGLScene {
public:
    // Objects in list order; the scene never owns them.
    std::vector<TGLBaseSceneObject*> Objects;
    TGLSceneBuffer* CurrentBuffer = nullptr;
    TGLCamera* CurrentCamera = nullptr;

    void Add(TGLBaseSceneObject* object);
};

}  // namespace ombrel
