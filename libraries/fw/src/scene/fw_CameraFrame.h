// The camera values a frame hands to the shared effect variables (View, ViewProjection,
// View_BackInTime, ViewProjection_BackInTime, ViewInverse, NearXYZFarZ, and per eye
// EyePositionWorld and StereoConstants), computed from a scene's current camera.
#pragma once

#include "scene/fw_Camera.h"

#include <platform/d3dx10math.h>

struct fw_CameraFrameValues {
  D3DXMATRIX view;                    // View
  D3DXMATRIX projection;
  D3DXMATRIX viewProjection;          // ViewProjection = view * projection
  D3DXMATRIX previousView;            // View_BackInTime
  D3DXMATRIX previousViewProjection;  // ViewProjection_BackInTime
  D3DXMATRIX viewInverse;             // ViewInverse
  D3DXVECTOR4 nearXYZFarZ;            // (aspect tan(fov/2) near, tan(fov/2) near, near, far)
  D3DXVECTOR4 eyePositionWorld;       // per eye: the translation row of viewInverse
  D3DXVECTOR4 stereoConstants;        // per eye: (-scaled eye x offset, 1, s, 1/s)
};

// The values without the eye matrix (the frame's first upload, before prepare). False, with the
// output untouched, when the set has no current camera: the shader variables then keep their
// previous values.
bool fw_ComputeCameraFrameValues(const fw_CameraSet* cameras, fw_CameraFrameValues* out);

// The per-eye values for one view (identity eye matrix) with the scene's world scale s: the eye
// x offset and the projection's z translation (row 4, column 3) are scaled by 1/s. A world
// scale of 0 or not finite counts as 1. False, output untouched, without a current camera.
bool fw_ComputeEyeFrameValues(const fw_CameraSet* cameras, float worldScale, fw_CameraFrameValues* out);
