// Transform curves (Hermite segments, clamping, key replacement) and fw_Transform (component
// order, rotation orders, world = scale * rotation * translation, direct steering).
#include <gtest/gtest.h>

#include "scene/fw_Transform.h"
#include "scene/fw_TransformCurve.h"

#include <platform/d3dx10math.h>

namespace {

constexpr float kHalfPi = 1.5707964f;

void ExpectMatrixNear(const D3DXMATRIX& expected, const D3DXMATRIX& actual, float tol = 1e-5f) {
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) EXPECT_NEAR(expected.m[r][c], actual.m[r][c], tol) << "row " << r << " column " << c;
}

D3DXVECTOR3 Apply(const D3DXMATRIX& m, D3DXVECTOR3 v) {
  D3DXVec3TransformCoord(&v, &v, &m);
  return v;
}

void ExpectVec3Near(const D3DXVECTOR3& expected, const D3DXVECTOR3& actual, float tol = 1e-5f) {
  EXPECT_NEAR(expected.x, actual.x, tol);
  EXPECT_NEAR(expected.y, actual.y, tol);
  EXPECT_NEAR(expected.z, actual.z, tol);
}

std::unique_ptr<fw_TransformCurve> Constant(float value) {
  auto curve = std::make_unique<fw_TransformCurve>();
  curve->insertKey(0, value, 0, 0);
  return curve;
}

}  // namespace

TEST(TransformCurve, FlatTangentsGiveTheSmoothStep) {
  fw_TransformCurve curve;
  curve.insertKey(0, 0, 0, 0);
  curve.insertKey(1, 1, 0, 0);
  curve.evaluate(0.5f);
  EXPECT_FLOAT_EQ(0.5f, curve.value());
  EXPECT_FLOAT_EQ(1.5f, curve.slope());
  curve.evaluate(0.25f);  // 3 s^2 - 2 s^3
  EXPECT_FLOAT_EQ(0.15625f, curve.value());
}

TEST(TransformCurve, MatchingTangentsGiveTheStraightLine) {
  fw_TransformCurve curve;
  curve.insertKey(0, 0, 0, 1);
  curve.insertKey(1, 1, 1, 0);
  curve.evaluate(0.25f);
  EXPECT_FLOAT_EQ(0.25f, curve.value());
  EXPECT_FLOAT_EQ(1.0f, curve.slope());
}

TEST(TransformCurve, TangentsAreInUnitsPerSecondOverLongSegments) {
  // Over 2 s from 1 to 3 with slope 1 at both ends the segment is the line 1 + t.
  fw_TransformCurve curve;
  curve.insertKey(10, 1, 0, 1);
  curve.insertKey(12, 3, 1, 0);
  curve.evaluate(10.5f);
  EXPECT_FLOAT_EQ(1.5f, curve.value());
  EXPECT_FLOAT_EQ(1.0f, curve.slope());
}

TEST(TransformCurve, ClampsOutsideTheKeysWithZeroSlope) {
  fw_TransformCurve curve;
  curve.insertKey(1, 5, 3, 3);
  curve.insertKey(2, 7, 3, 3);
  curve.evaluate(0.0f);
  EXPECT_EQ(5.0f, curve.value());
  EXPECT_EQ(0.0f, curve.slope());
  curve.evaluate(2.0f);
  EXPECT_EQ(7.0f, curve.value());
  EXPECT_EQ(0.0f, curve.slope());
  curve.evaluate(100.0f);
  EXPECT_EQ(7.0f, curve.value());
  EXPECT_EQ(0.0f, curve.slope());

  fw_TransformCurve single;
  single.insertKey(3, -2, 9, 9);
  for (float t : {-5.0f, 3.0f, 8.0f}) {
    single.evaluate(t);
    EXPECT_EQ(-2.0f, single.value());
    EXPECT_EQ(0.0f, single.slope());
  }
}

TEST(TransformCurve, FindsTheSegmentAmongSeveralKeysInsertedOutOfOrder) {
  fw_TransformCurve curve;
  curve.insertKey(2, 20, 0, 0);
  curve.insertKey(0, 0, 0, 0);
  curve.insertKey(1, 10, 0, 0);
  curve.insertKey(3, 30, 0, 0);
  ASSERT_EQ(4u, curve.keyCount());
  for (size_t i = 0; i < curve.keyCount(); ++i) EXPECT_EQ(float(i), curve.keys()[i].time);

  curve.evaluate(1.0f);  // exactly on an inner key
  EXPECT_FLOAT_EQ(10.0f, curve.value());
  curve.evaluate(2.5f);
  EXPECT_FLOAT_EQ(25.0f, curve.value());
  curve.evaluate(0.5f);  // earlier than the segment found last
  EXPECT_FLOAT_EQ(5.0f, curve.value());
}

TEST(TransformCurve, AKeyAtAnExistingTimeReplacesIt) {
  fw_TransformCurve curve;
  curve.insertKey(0, 0, 0, 0);
  curve.insertKey(1, 1, 0, 0);
  curve.insertKey(1, 4, 0, 0);
  ASSERT_EQ(2u, curve.keyCount());
  EXPECT_EQ(4.0f, curve.keys()[1].value);
  curve.evaluate(0.5f);
  EXPECT_FLOAT_EQ(2.0f, curve.value());
}

TEST(TransformCurve, WithoutKeysTheValueStays) {
  fw_TransformCurve curve;
  curve.evaluate(1.0f);
  EXPECT_EQ(0.0f, curve.value());
  EXPECT_EQ(0.0f, curve.slope());
}

TEST(Transform, ComponentNamesInIndexOrder) {
  const char* expected[] = {"translateX", "translateY", "translateZ", "rotateX", "rotateY",
                            "rotateZ",    "scaleX",     "scaleY",     "scaleZ"};
  for (int i = 0; i < 9; ++i) EXPECT_STREQ(expected[i], fw_Transform::componentName(i));
  EXPECT_STREQ("unknown", fw_Transform::componentName(9));
  EXPECT_STREQ("unknown", fw_Transform::componentName(-1));
}

TEST(Transform, StartsAtTheIdentity) {
  fw_Transform t;
  EXPECT_EQ(D3DXVECTOR3(1, 1, 1), t.scale());
  EXPECT_EQ(0, t.rotationOrder());
  EXPECT_TRUE(D3DXMatrixIsIdentity(&t.worldMatrix()));
  EXPECT_TRUE(D3DXMatrixIsIdentity(&t.rotationMatrix()));
}

TEST(Transform, RotationOrderZeroIsXYZAndOneIsZXY) {
  fw_Transform t;
  t.setCurve(fw_RotateX, Constant(0.3f));
  t.setCurve(fw_RotateY, Constant(-0.8f));
  t.setCurve(fw_RotateZ, Constant(1.2f));
  t.update(0.0f);
  D3DXMATRIX rx, ry, rz;
  D3DXMatrixRotationX(&rx, 0.3f);
  D3DXMatrixRotationY(&ry, -0.8f);
  D3DXMatrixRotationZ(&rz, 1.2f);
  ExpectMatrixNear(rx * ry * rz, t.rotationMatrix());
  t.setRotationOrder(1);
  t.rebuildMatrices();
  ExpectMatrixNear(rz * rx * ry, t.rotationMatrix());

  // By hand: a quarter turn about X and one about Z. Order 0 turns X first, so the x axis
  // (untouched by X) ends on y; order 1 turns Z first (x onto y), then X (y onto z).
  fw_Transform q;
  q.setRotation(D3DXVECTOR3(kHalfPi, 0, kHalfPi));
  ExpectVec3Near(D3DXVECTOR3(0, 1, 0), Apply(q.rotationMatrix(), D3DXVECTOR3(1, 0, 0)));
  q.setRotationOrder(1);
  q.setRotation(D3DXVECTOR3(kHalfPi, 0, kHalfPi));
  ExpectVec3Near(D3DXVECTOR3(0, 0, 1), Apply(q.rotationMatrix(), D3DXVECTOR3(1, 0, 0)));
}

TEST(Transform, WorldScalesThenRotatesThenTranslates) {
  fw_Transform t;
  t.setCurve(fw_ScaleX, Constant(2));
  t.setCurve(fw_RotateZ, Constant(kHalfPi));
  t.setCurve(fw_TranslateX, Constant(10));
  t.update(0.0f);
  // (1, 0, 0) -> scaled (2, 0, 0) -> turned (0, 2, 0) -> moved (10, 2, 0).
  ExpectVec3Near(D3DXVECTOR3(10, 2, 0), Apply(t.worldMatrix(), D3DXVECTOR3(1, 0, 0)));
  ExpectMatrixNear(t.scaleMatrix() * t.rotationMatrix() * t.translationMatrix(), t.worldMatrix());
}

TEST(Transform, CurvesDriveTheirComponentsAndMissingCurvesLeaveThemAlone) {
  fw_Transform t;
  auto moving = std::make_unique<fw_TransformCurve>();
  moving->insertKey(0, 0, 0, 0);
  moving->insertKey(1, 1, 0, 0);
  t.setCurve(fw_TranslateY, std::move(moving));
  t.setTranslation(D3DXVECTOR3(5, 0, 0));
  t.update(0.5f);
  EXPECT_EQ(D3DXVECTOR3(5, 0.5f, 0), t.translation());
  EXPECT_EQ(D3DXVECTOR3(1, 1, 1), t.scale());
  EXPECT_FLOAT_EQ(0.5f, t.worldMatrix()._42);
  EXPECT_EQ(nullptr, t.curve(fw_TranslateX));
  EXPECT_EQ(nullptr, t.curve(42));
}

TEST(Transform, DirectSteeringBypassesTheCurvesAndKeepsTheScale) {
  fw_Transform t;
  t.setCurve(fw_TranslateX, Constant(3));
  t.setCurve(fw_ScaleY, Constant(2));
  t.update(0.0f);
  t.setRotationOrder(1);
  t.setTranslation(D3DXVECTOR3(0, 0, 20));
  t.setRotation(D3DXVECTOR3(0, kHalfPi, 0));
  EXPECT_EQ(D3DXVECTOR3(0, 0, 20), t.translation());
  // (0, 1, 0) -> scaled (0, 2, 0) -> unchanged by the turn about Y -> moved (0, 2, 20).
  ExpectVec3Near(D3DXVECTOR3(0, 2, 20), Apply(t.worldMatrix(), D3DXVECTOR3(0, 1, 0)));
  ExpectVec3Near(D3DXVECTOR3(1, 0, 20), Apply(t.worldMatrix(), D3DXVECTOR3(0, 0, 1)));
}
