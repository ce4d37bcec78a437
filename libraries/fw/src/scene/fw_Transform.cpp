// Transform components, curves and matrix rebuild.
#include "scene/fw_Transform.h"

namespace {

const char* const kComponentNames[fw_TransformComponentCount] = {
    "translateX", "translateY", "translateZ", "rotateX", "rotateY", "rotateZ", "scaleX", "scaleY", "scaleZ"};

}  // namespace

fw_Transform::fw_Transform() {
  D3DXMatrixIdentity(&mTranslationMatrix);
  D3DXMatrixIdentity(&mRotationMatrix);
  D3DXMatrixIdentity(&mScaleMatrix);
  D3DXMatrixIdentity(&mWorldMatrix);
}

const char* fw_Transform::componentName(int index) {
  return index >= 0 && index < fw_TransformComponentCount ? kComponentNames[index] : "unknown";
}

void fw_Transform::setCurve(int index, std::unique_ptr<fw_TransformCurve> curve) {
  if (index >= 0 && index < fw_TransformComponentCount) mCurves[index] = std::move(curve);
}

fw_TransformCurve* fw_Transform::curve(int index) const {
  return index >= 0 && index < fw_TransformComponentCount ? mCurves[index].get() : nullptr;
}

void fw_Transform::update(float t) {
  for (auto& curve : mCurves)
    if (curve) curve->evaluate(t);
  rebuildMatrices();
}

void fw_Transform::rebuildMatrices() {
  float* const components[fw_TransformComponentCount] = {
      &mTranslation.x, &mTranslation.y, &mTranslation.z, &mRotation.x, &mRotation.y,
      &mRotation.z,    &mScale.x,       &mScale.y,       &mScale.z};
  for (int i = 0; i < fw_TransformComponentCount; ++i)
    if (mCurves[i]) *components[i] = mCurves[i]->value();

  computeRotationMatrix();
  D3DXMatrixTranslation(&mTranslationMatrix, mTranslation.x, mTranslation.y, mTranslation.z);
  D3DXMatrixScaling(&mScaleMatrix, mScale.x, mScale.y, mScale.z);
  computeWorldMatrix();
}

void fw_Transform::setTranslation(const D3DXVECTOR3& translation) {
  mTranslation = translation;
  D3DXMatrixTranslation(&mTranslationMatrix, mTranslation.x, mTranslation.y, mTranslation.z);
  computeWorldMatrix();
}

void fw_Transform::setRotation(const D3DXVECTOR3& rotation) {
  mRotation = rotation;
  computeRotationMatrix();
  computeWorldMatrix();
}

void fw_Transform::computeRotationMatrix() {
  D3DXMATRIX rx, ry, rz;
  D3DXMatrixRotationX(&rx, mRotation.x);
  D3DXMatrixRotationY(&ry, mRotation.y);
  D3DXMatrixRotationZ(&rz, mRotation.z);
  if (mRotationOrder == 1)
    mRotationMatrix = rz * rx * ry;
  else
    mRotationMatrix = rx * ry * rz;
}

void fw_Transform::computeWorldMatrix() { mWorldMatrix = mScaleMatrix * mRotationMatrix * mTranslationMatrix; }
