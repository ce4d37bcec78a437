// fw_Camera and the camera set of a scene. A camera takes its position and orientation from the
// scene transform of the same name and holds its lens values and matrices; the set keeps the
// cameras ordered by name and the current one. Needs fw_Transform and the D3DX math helpers.
#pragma once

#include "scene/fw_Transform.h"

#include <platform/d3dx10math.h>

#include <map>
#include <memory>
#include <string>

// The six values a scene description gives a camera, with the defaults of a new camera.
struct fw_CameraValues {
  float vFOV = 0.7853982f;  // vertical field of view, radians (pi / 4)
  float nearz = 0.005f;
  float farz = 100.0f;
  float nearfocus = 0.0f;
  float farfocus = 0.0f;
  float aspect = 1.7777778f;  // fed to the shaders; the projection uses the render target's ratio
};

class fw_Camera {
public:
  // Scene time step back to the previous view: one frame at 60 Hz.
  static constexpr float kPreviousViewDelay = 0.016666668f;

  // transform may be null (a camera without a transform of its name keeps its matrices).
  // renderAspect is the render target's width divided by its height.
  fw_Camera(fw_Transform* transform, float renderAspect);

  void setValues(const fw_CameraValues& values) { mValues = values; }
  const fw_CameraValues& values() const { return mValues; }
  // D3DXMatrixPerspectiveFovRH(vFOV, renderAspect, nearz, farz).
  void computeProjection(float renderAspect);

  // view := Translation(-t) * transpose(R) from the transform; previous view := view.
  void computeViewFromTransform();
  // Previous view from the transform updated at sceneTime - 1/60 s, then the view at sceneTime.
  void computeAnimatedView(float sceneTime);

  fw_Transform* transform() const { return mTransform; }
  const D3DXMATRIX& projection() const { return mProjection; }
  const D3DXMATRIX& view() const { return mView; }
  const D3DXMATRIX& previousView() const { return mPreviousView; }

private:
  fw_Transform* mTransform;
  fw_CameraValues mValues;
  D3DXMATRIX mProjection, mView, mPreviousView;
};

class fw_CameraSet {
public:
  using Map = std::map<std::string, std::unique_ptr<fw_Camera>>;

  // Stores the camera under its name, replacing (and destroying) a camera of that name; if the
  // replaced camera was current, the new one becomes current.
  void add(const std::string& name, std::unique_ptr<fw_Camera> camera);
  fw_Camera* find(const std::string& name) const;
  // The current camera, or null before the first update or when the set is empty.
  fw_Camera* current() const { return mCurrent; }
  const std::string& currentName() const { return mCurrentName; }
  const Map& cameras() const { return mCameras; }
  bool empty() const { return mCameras.empty(); }

  // Called by the scene's update: makes the first camera in name order current if none is,
  // then computes the current camera's animated view at the scene time.
  void update(float sceneTime);

private:
  Map mCameras;
  fw_Camera* mCurrent = nullptr;
  std::string mCurrentName;
};
