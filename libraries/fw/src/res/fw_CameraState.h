// The framework's current camera matrices, kept from the last per-eye pass of the frame tick
// for the code that reads them (set world turns the eye position into object space).
#pragma once

#include <platform/d3dx10math.h>

struct fw_CameraState {
  D3DXMATRIX view, projection, viewProjection, previousView, previousViewProjection;
  D3DXVECTOR3 eyePositionWorld;
  fw_CameraState();
};

fw_CameraState& fw_GetCameraState();
