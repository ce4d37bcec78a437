// Current camera matrices.
#include "res/fw_CameraState.h"

fw_CameraState::fw_CameraState() {
  D3DXMatrixIdentity(&view);
  D3DXMatrixIdentity(&projection);
  D3DXMatrixIdentity(&viewProjection);
  D3DXMatrixIdentity(&previousView);
  D3DXMatrixIdentity(&previousViewProjection);
}

fw_CameraState& fw_GetCameraState() {
  static fw_CameraState state;
  return state;
}
