// Camera projection and view, and the camera set's choice of the current camera.
#include "scene/fw_Camera.h"

fw_Camera::fw_Camera(fw_Transform* transform, float renderAspect) : mTransform(transform) {
  D3DXMatrixIdentity(&mView);
  D3DXMatrixIdentity(&mPreviousView);
  computeProjection(renderAspect);
}

void fw_Camera::computeProjection(float renderAspect) {
  D3DXMatrixPerspectiveFovRH(&mProjection, mValues.vFOV, renderAspect, mValues.nearz, mValues.farz);
}

void fw_Camera::computeViewFromTransform() {
  if (!mTransform) return;
  // The inverse of a rigid transform R * T: undo the translation, then the rotation (the
  // transpose of a rotation is its inverse).
  const D3DXVECTOR3& t = mTransform->translation();
  D3DXMATRIX untranslate, unrotate;
  D3DXMatrixTranslation(&untranslate, -t.x, -t.y, -t.z);
  D3DXMatrixTranspose(&unrotate, &mTransform->rotationMatrix());
  mView = untranslate * unrotate;
  mPreviousView = mView;
}

void fw_Camera::computeAnimatedView(float sceneTime) {
  if (!mTransform) return;
  mTransform->update(sceneTime - kPreviousViewDelay);
  computeViewFromTransform();
  const D3DXMATRIX previous = mView;
  mTransform->update(sceneTime);
  computeViewFromTransform();
  mPreviousView = previous;
}

void fw_CameraSet::add(const std::string& name, std::unique_ptr<fw_Camera> camera) {
  if (!camera) return;
  std::unique_ptr<fw_Camera>& slot = mCameras[name];
  const bool wasCurrent = slot && slot.get() == mCurrent;
  slot = std::move(camera);
  if (wasCurrent) mCurrent = slot.get();
}

fw_Camera* fw_CameraSet::find(const std::string& name) const {
  auto it = mCameras.find(name);
  return it == mCameras.end() ? nullptr : it->second.get();
}

void fw_CameraSet::update(float sceneTime) {
  if (!mCurrent) {
    if (mCameras.empty()) return;
    mCurrentName = mCameras.begin()->first;
    mCurrent = mCameras.begin()->second.get();
  }
  mCurrent->computeAnimatedView(sceneTime);
}
