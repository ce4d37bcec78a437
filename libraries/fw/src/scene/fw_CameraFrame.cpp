// Camera values for the shared effect variables.
#include "scene/fw_CameraFrame.h"

#include <cmath>

namespace {

D3DXVECTOR4 NearXYZFarZ(const fw_CameraValues& v) {
  const float h = tanf(v.vFOV / 2.0f) * v.nearz;
  return D3DXVECTOR4(v.aspect * h, h, v.nearz, v.farz);
}

void Fill(const fw_Camera& camera, const D3DXMATRIX& eye, const D3DXMATRIX& projection, fw_CameraFrameValues* out) {
  out->view = camera.view() * eye;
  out->projection = eye * projection;
  out->viewProjection = out->view * projection;
  out->previousView = camera.previousView() * eye;
  out->previousViewProjection = out->previousView * projection;
  // A view built from a rotation and a translation always inverts; a degenerate one (a scaled
  // transform gone flat) keeps the identity rather than garbage.
  if (!D3DXMatrixInverse(&out->viewInverse, nullptr, &out->view)) D3DXMatrixIdentity(&out->viewInverse);
  out->nearXYZFarZ = NearXYZFarZ(camera.values());
}

}  // namespace

bool fw_ComputeCameraFrameValues(const fw_CameraSet* cameras, fw_CameraFrameValues* out) {
  const fw_Camera* camera = cameras ? cameras->current() : nullptr;
  if (!camera) return false;
  D3DXMATRIX eye;
  D3DXMatrixIdentity(&eye);
  Fill(*camera, eye, camera->projection(), out);
  return true;
}

bool fw_ComputeEyeFrameValues(const fw_CameraSet* cameras, float worldScale, fw_CameraFrameValues* out) {
  const fw_Camera* camera = cameras ? cameras->current() : nullptr;
  if (!camera) return false;
  const float s = (worldScale != 0.0f && std::isfinite(worldScale)) ? worldScale : 1.0f;

  // One view: the eye matrix is the identity, so its scaled x offset is 0.
  D3DXMATRIX eye;
  D3DXMatrixIdentity(&eye);
  eye._41 *= 1.0f / s;
  D3DXMATRIX projection = camera->projection();
  projection._43 *= 1.0f / s;

  Fill(*camera, eye, projection, out);
  out->eyePositionWorld = D3DXVECTOR4(out->viewInverse._41, out->viewInverse._42, out->viewInverse._43, out->viewInverse._44);
  out->stereoConstants = D3DXVECTOR4(-eye._41, 1.0f, s, 1.0f / s);
  return true;
}
