// The track-driven orbit camera: each frame the demo steers the current camera of a camera set
// from ten sync tracks (look-at point, yaw, pitch, roll, distance, offsets, shake), with a shake
// that wanders by the runtime's shared rand() while the music plays. The inputs can be read from
// the framework's sync device and music clock, or given directly.
#pragma once

#include "scene/fw_Camera.h"

#include <platform/d3dx10math.h>

// The track values of one call, with the defaults that apply when a track has no keys.
struct fw_OrbitCameraInputs {
  D3DXVECTOR3 lookAt{0, 0, 0};  // "cam_LookAtX", "cam_LookAtY", "cam_LookAtZ"
  float yaw = 0.0f;             // "cam_Yaw", degrees
  float pitch = 0.0f;           // "cam_Pitch", degrees
  float roll = 0.0f;            // "cam_Roll", degrees
  float distToLookAt = 20.0f;   // "cam_DistToLookAt"
  float offsetX = 0.0f;         // "cam_OffsetX", camera space
  float offsetY = 0.0f;         // "cam_OffsetY", camera space
  float shake = 0.0f;           // "cam_Shake", hundredths of a degree
  bool musicRunning = false;    // the shake phase only moves while the music clock runs
};

// The two wandering shake angles. They start at 0 and are never reset or wrapped.
struct fw_CameraShakePhase {
  float s0 = 0.0f;
  float s1 = 0.0f;
  // Adds (r * 2 / 32767 - 1) * 0.06 to s0, then (r' * 2 / 32767 - 1) * 0.03 to s1 (two rand()s).
  void advance();
};

// The program-wide shake phase.
fw_CameraShakePhase& fw_GetCameraShakePhase();

// The tracks at the sync timer's current row and whether the music clock is running.
fw_OrbitCameraInputs fw_ReadOrbitCameraInputs();

// The eye position and the rotation (x, y, z) in radians, order Rz * Rx * Ry, for the inputs and
// the current shake angles. Pure: does not move the shake phase.
void fw_ComputeOrbitCamera(const fw_OrbitCameraInputs& inputs, const fw_CameraShakePhase& phase, D3DXVECTOR3* eye,
                           D3DXVECTOR3* rotation);

// One frame of the orbit camera on the set's current camera: advances the shake phase when the
// music runs, then sets the camera transform's rotation order (1), translation and rotation and
// its view (previous view equal). Without a current camera, or one without a transform, nothing
// happens (not even the shake) and false is returned.
bool fw_UpdateOrbitCamera(fw_CameraSet* cameras, const fw_OrbitCameraInputs& inputs,
                          fw_CameraShakePhase& phase = fw_GetCameraShakePhase());
// The same with the inputs read by fw_ReadOrbitCameraInputs; what the demo's prepare calls.
bool fw_UpdateOrbitCamera(fw_CameraSet* cameras);
