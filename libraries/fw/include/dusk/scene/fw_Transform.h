// fw_Transform: a named rigid transform of a scene description with nine animated components
// (translation, rotation in radians, scale, each along X, Y, Z), each optionally driven by its
// own fw_TransformCurve, and the matrices built from them (row-vector convention).
#pragma once

#include "scene/fw_TransformCurve.h"

#include <platform/d3dx10math.h>

#include <memory>

enum fw_TransformComponent : int {
  fw_TranslateX = 0,
  fw_TranslateY,
  fw_TranslateZ,
  fw_RotateX,
  fw_RotateY,
  fw_RotateZ,
  fw_ScaleX,
  fw_ScaleY,
  fw_ScaleZ,
  fw_TransformComponentCount
};

class fw_Transform {
public:
  // Translation and rotation 0, scale 1, rotation order 0, every matrix the identity.
  fw_Transform();

  // The attribute name of a component ("translateX" ... "scaleZ"); "unknown" for any other index.
  static const char* componentName(int index);

  // Takes ownership; a component without a curve keeps its current value.
  void setCurve(int index, std::unique_ptr<fw_TransformCurve> curve);
  fw_TransformCurve* curve(int index) const;

  // Evaluates every present curve at t (seconds), then rebuilds the matrices.
  void update(float t);
  // Copies each present curve's current value into its component and recomputes the matrices:
  // world = scale * rotation * translation.
  void rebuildMatrices();

  // Direct steering without the curves (the orbit camera): overwrite the vector and recompute
  // the matching matrix and the world matrix from the stored scale matrix.
  void setTranslation(const D3DXVECTOR3& translation);
  void setRotation(const D3DXVECTOR3& rotation);
  // 0: Rx * Ry * Rz; 1: Rz * Rx * Ry (the leftmost factor acts first). Any other value acts as 0.
  void setRotationOrder(int order) { mRotationOrder = order; }
  int rotationOrder() const { return mRotationOrder; }

  const D3DXVECTOR3& translation() const { return mTranslation; }
  const D3DXVECTOR3& rotation() const { return mRotation; }
  const D3DXVECTOR3& scale() const { return mScale; }
  const D3DXMATRIX& translationMatrix() const { return mTranslationMatrix; }
  const D3DXMATRIX& rotationMatrix() const { return mRotationMatrix; }
  const D3DXMATRIX& scaleMatrix() const { return mScaleMatrix; }
  const D3DXMATRIX& worldMatrix() const { return mWorldMatrix; }

private:
  void computeRotationMatrix();
  void computeWorldMatrix();

  std::unique_ptr<fw_TransformCurve> mCurves[fw_TransformComponentCount];
  D3DXVECTOR3 mTranslation{0, 0, 0};
  D3DXVECTOR3 mRotation{0, 0, 0};
  D3DXVECTOR3 mScale{1, 1, 1};
  int mRotationOrder = 0;
  D3DXMATRIX mTranslationMatrix, mRotationMatrix, mScaleMatrix, mWorldMatrix;
};
