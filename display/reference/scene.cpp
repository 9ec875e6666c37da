#include "display/reference/scene.h"

#include "display/gl_api.h"

namespace ombrel {

void TGLCamera::ApplyPerspective(int viewportWidth, int viewportHeight, int dpi) const {
    // A frustum whose near plane sits one unit away and spans the viewport as
    // seen through the focal length (in pixels at 96 dpi).
    const double scale = 96.0 / dpi;
    const double nearPlane = 1.0;
    const double focal = FocalLength > 0 ? FocalLength : 1.0;
    const double halfWidth = nearPlane * viewportWidth * scale / (2 * focal);
    const double halfHeight = nearPlane * viewportHeight * scale / (2 * focal);
    if (CameraStyle == TGLCameraStyle::csPerspective)
        GL().Frustum(-halfWidth, halfWidth, -halfHeight, halfHeight, nearPlane, nearPlane + DepthOfView);
}

void TGLCamera::ApplyView() const { GL().LookAt(0, 0, 0, 0, 0, -1, 0, 1, 0); }

void TGLScene::Add(TGLBaseSceneObject* object) {
    Objects.push_back(object);
    if (auto* camera = dynamic_cast<TGLCamera*>(object)) camera->Scene = this;
}

}  // namespace ombrel
