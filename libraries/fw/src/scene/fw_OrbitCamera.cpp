// The track-driven orbit camera and its shake.
#include "scene/fw_OrbitCamera.h"

#include "sync/fw_Clock.h"
#include "sync/fw_Sync.h"

#include <platform/crt.h>

#include <cmath>

void fw_CameraShakePhase::advance() {
  const int r0 = crt::rand();
  s0 += ((float)r0 * 2.0f / 32767.0f - 1.0f) * 0.06f;
  const int r1 = crt::rand();
  s1 += ((float)r1 * 2.0f / 32767.0f - 1.0f) * 0.03f;
}

fw_CameraShakePhase& fw_GetCameraShakePhase() {
  static fw_CameraShakePhase phase;
  return phase;
}

fw_OrbitCameraInputs fw_ReadOrbitCameraInputs() {
  fw_OrbitCameraInputs in;
  in.lookAt.x = fw_SyncValue("cam_LookAtX", in.lookAt.x);
  in.lookAt.y = fw_SyncValue("cam_LookAtY", in.lookAt.y);
  in.lookAt.z = fw_SyncValue("cam_LookAtZ", in.lookAt.z);
  in.yaw = fw_SyncValue("cam_Yaw", in.yaw);
  in.pitch = fw_SyncValue("cam_Pitch", in.pitch);
  in.roll = fw_SyncValue("cam_Roll", in.roll);
  in.distToLookAt = fw_SyncValue("cam_DistToLookAt", in.distToLookAt);
  in.offsetX = fw_SyncValue("cam_OffsetX", in.offsetX);
  in.offsetY = fw_SyncValue("cam_OffsetY", in.offsetY);
  in.shake = fw_SyncValue("cam_Shake", in.shake);
  const fw_Clock* music = fw_GetMusicClock();
  in.musicRunning = music && !music->isPaused();
  return in;
}

void fw_ComputeOrbitCamera(const fw_OrbitCameraInputs& in, const fw_CameraShakePhase& phase, D3DXVECTOR3* eye,
                           D3DXVECTOR3* rotation) {
  const float amp = in.shake * 0.01f * 0.017453292f;
  // A unit direction that wanders with the shake phase; its components nudge the three angles.
  const D3DXVECTOR3 j(cosf(phase.s0) * cosf(phase.s1), sinf(phase.s0), -cosf(phase.s0) * sinf(phase.s1));

  const float toRadians = 3.1415927f / 180.0f;
  const float yaw = in.yaw * toRadians, pitch = in.pitch * toRadians, roll = in.roll * toRadians;
  const D3DXVECTOR3 angles(-(pitch + j.y * amp), yaw + j.x * amp, -(roll + j.z * amp));

  D3DXMATRIX rz, rx, ry;
  D3DXMatrixRotationZ(&rz, angles.z);
  D3DXMatrixRotationX(&rx, angles.x);
  D3DXMatrixRotationY(&ry, angles.y);
  const D3DXMATRIX r = rz * rx * ry;

  // The eye sits along the camera's own +z from the offset look-at point and looks down its -z.
  const D3DXVECTOR3 local(in.offsetX, in.offsetY, in.distToLookAt);
  D3DXVECTOR3 turned;
  D3DXVec3TransformNormal(&turned, &local, &r);
  *eye = in.lookAt + turned;
  *rotation = angles;
}

bool fw_UpdateOrbitCamera(fw_CameraSet* cameras, const fw_OrbitCameraInputs& inputs, fw_CameraShakePhase& phase) {
  fw_Camera* camera = cameras ? cameras->current() : nullptr;
  fw_Transform* transform = camera ? camera->transform() : nullptr;
  if (!transform) return false;

  if (inputs.musicRunning) phase.advance();
  D3DXVECTOR3 eye, rotation;
  fw_ComputeOrbitCamera(inputs, phase, &eye, &rotation);

  transform->setRotationOrder(1);  // its rotation matrix is then exactly Rz * Rx * Ry
  transform->setTranslation(eye);
  transform->setRotation(rotation);
  camera->computeViewFromTransform();
  return true;
}

bool fw_UpdateOrbitCamera(fw_CameraSet* cameras) {
  return fw_UpdateOrbitCamera(cameras, fw_ReadOrbitCameraInputs());
}
