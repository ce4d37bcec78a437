// The D3DX10 math stand-in against values worked out by hand: rotations, products, inverse,
// projections, look-at and the vector transforms, all in the row-vector convention.
#include <gtest/gtest.h>

#include <platform/d3dx10math.h>

#include <cmath>

namespace {

constexpr float kTol = 1e-5f;

// Address of a temporary that lives to the end of the full expression, for the pointer APIs.
template <class T>
const T* P(const T& v) {
  return &v;
}

void ExpectMatrixNear(const D3DXMATRIX& expected, const D3DXMATRIX& actual, float tol = kTol) {
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c)
      EXPECT_NEAR(expected.m[r][c], actual.m[r][c], tol) << "row " << r << " column " << c;
}

void ExpectVec3Near(const D3DXVECTOR3& expected, const D3DXVECTOR3& actual, float tol = kTol) {
  EXPECT_NEAR(expected.x, actual.x, tol);
  EXPECT_NEAR(expected.y, actual.y, tol);
  EXPECT_NEAR(expected.z, actual.z, tol);
}

D3DXVECTOR3 TransformCoord(D3DXVECTOR3 v, const D3DXMATRIX& m) {
  D3DXVec3TransformCoord(&v, &v, &m);
  return v;
}

}  // namespace

TEST(D3DXMath, MatrixLayoutIsRowsFirstWithTranslationInTheFourthRow) {
  D3DXMATRIX t;
  D3DXMatrixTranslation(&t, 1, 2, 3);
  const FLOAT* f = t;
  EXPECT_EQ(f[12], 1.0f);
  EXPECT_EQ(f[13], 2.0f);
  EXPECT_EQ(f[14], 3.0f);
  EXPECT_EQ(t._41, 1.0f);
  EXPECT_EQ(t(3, 2), 3.0f);
  EXPECT_EQ(sizeof(D3DXMATRIX), 16 * sizeof(float));
  EXPECT_EQ(sizeof(D3DXVECTOR3), 3 * sizeof(float));
  EXPECT_EQ(sizeof(D3DXVECTOR4), 4 * sizeof(float));
}

TEST(D3DXMath, RotationsTurnTheAxesAsTheRowVectorConventionSays) {
  D3DXMATRIX rx, ry, rz;
  const float half = D3DX_PI / 2;
  D3DXMatrixRotationX(&rx, half);
  D3DXMatrixRotationY(&ry, half);
  D3DXMatrixRotationZ(&rz, half);
  ExpectVec3Near(D3DXVECTOR3(0, 0, 1), TransformCoord(D3DXVECTOR3(0, 1, 0), rx));
  ExpectVec3Near(D3DXVECTOR3(0, 0, -1), TransformCoord(D3DXVECTOR3(1, 0, 0), ry));
  ExpectVec3Near(D3DXVECTOR3(20, 0, 0), TransformCoord(D3DXVECTOR3(0, 0, 20), ry));
  ExpectVec3Near(D3DXVECTOR3(0, 1, 0), TransformCoord(D3DXVECTOR3(1, 0, 0), rz));

  // 30 degrees about X: cos 0.8660254, sin 0.5 in rows 2 and 3.
  D3DXMatrixRotationX(&rx, D3DXToRadian(30.0f));
  ExpectMatrixNear(D3DXMATRIX(1, 0, 0, 0, 0, 0.8660254f, 0.5f, 0, 0, -0.5f, 0.8660254f, 0, 0, 0, 0, 1), rx);
  EXPECT_NEAR(D3DX_PI, D3DXToRadian(180.0f), 1e-6f);
}

TEST(D3DXMath, ProductsActLeftFirstAndMayAliasTheirOperands) {
  D3DXMATRIX t, r, tr, rt;
  D3DXMatrixTranslation(&t, 1, 0, 0);
  D3DXMatrixRotationZ(&r, D3DX_PI / 2);
  D3DXMatrixMultiply(&tr, &t, &r);  // translate, then turn
  D3DXMatrixMultiply(&rt, &r, &t);  // turn, then translate
  ExpectVec3Near(D3DXVECTOR3(0, 1, 0), TransformCoord(D3DXVECTOR3(0, 0, 0), tr));
  ExpectVec3Near(D3DXVECTOR3(1, 0, 0), TransformCoord(D3DXVECTOR3(0, 0, 0), rt));

  D3DXMATRIX a = t;
  D3DXMatrixMultiply(&a, &a, &r);
  EXPECT_EQ(tr, a);
  D3DXMATRIX b = r;
  D3DXMatrixMultiply(&b, &t, &b);
  EXPECT_EQ(tr, b);
  D3DXMATRIX c = t;
  c *= r;
  EXPECT_EQ(tr, c);
  EXPECT_EQ(tr, t * r);
}

TEST(D3DXMath, YawPitchRollIsRollThenPitchThenYawAndMatchesTheQuaternion) {
  const float yaw = 0.7f, pitch = -0.4f, roll = 1.1f;
  D3DXMATRIX ypr, rz, rx, ry;
  D3DXMatrixRotationYawPitchRoll(&ypr, yaw, pitch, roll);
  D3DXMatrixRotationZ(&rz, roll);
  D3DXMatrixRotationX(&rx, pitch);
  D3DXMatrixRotationY(&ry, yaw);
  ExpectMatrixNear(rz * rx * ry, ypr);

  D3DXQUATERNION q;
  D3DXQuaternionRotationYawPitchRoll(&q, yaw, pitch, roll);
  D3DXMATRIX fromQ;
  D3DXMatrixRotationQuaternion(&fromQ, &q);
  ExpectMatrixNear(ypr, fromQ);

  // Quaternion products compose in the matrix order.
  D3DXQUATERNION qz, qx, qy;
  D3DXQuaternionRotationAxis(&qz, P(D3DXVECTOR3(0, 0, 2)), roll);  // axes need not be unit
  D3DXQuaternionRotationAxis(&qx, P(D3DXVECTOR3(1, 0, 0)), pitch);
  D3DXQuaternionRotationAxis(&qy, P(D3DXVECTOR3(0, 1, 0)), yaw);
  D3DXMatrixRotationQuaternion(&fromQ, P(qz * qx * qy));
  ExpectMatrixNear(ypr, fromQ);

  D3DXMATRIX axis;
  D3DXMatrixRotationAxis(&axis, P(D3DXVECTOR3(0, 3, 0)), yaw);
  ExpectMatrixNear(ry, axis);
}

TEST(D3DXMath, InverseAndDeterminantMatchHandValues) {
  // Scale (2, 4, 8) then translate (1, 2, 3): the inverse undoes the translation first.
  const D3DXMATRIX m(2, 0, 0, 0, 0, 4, 0, 0, 0, 0, 8, 0, 1, 2, 3, 1);
  D3DXMATRIX inv;
  FLOAT det = 0;
  ASSERT_EQ(&inv, D3DXMatrixInverse(&inv, &det, &m));
  EXPECT_FLOAT_EQ(64.0f, det);
  ExpectMatrixNear(D3DXMATRIX(0.5f, 0, 0, 0, 0, 0.25f, 0, 0, 0, 0, 0.125f, 0, -0.5f, -0.5f, -0.375f, 1), inv);

  // A block matrix whose 2x2 corner inverts to ((-2, 1), (1.5, -0.5)).
  const D3DXMATRIX b(1, 2, 0, 0, 3, 4, 0, 0, 0, 0, 1, 0, 0, 0, 0, 2);
  ASSERT_NE(nullptr, D3DXMatrixInverse(&inv, &det, &b));
  EXPECT_FLOAT_EQ(-4.0f, det);
  EXPECT_FLOAT_EQ(-4.0f, D3DXMatrixDeterminant(&b));
  ExpectMatrixNear(D3DXMATRIX(-2, 1, 0, 0, 1.5f, -0.5f, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0.5f), inv);

  // A general matrix times its inverse is the identity; null determinant pointer is allowed.
  const D3DXMATRIX g(3, 1, -2, 0.5f, 0.25f, 5, 1, -1, 2, -3, 4, 2, 7, 0.5f, -6, 1);
  ASSERT_NE(nullptr, D3DXMatrixInverse(&inv, nullptr, &g));
  D3DXMATRIX id;
  D3DXMatrixIdentity(&id);
  ExpectMatrixNear(id, g * inv, 1e-4f);
  ExpectMatrixNear(id, inv * g, 1e-4f);

  D3DXMATRIX aliased = g;
  D3DXMatrixInverse(&aliased, nullptr, &aliased);
  EXPECT_EQ(inv, aliased);
}

TEST(D3DXMath, SingularInverseReturnsNullAndLeavesTheOutputAlone) {
  D3DXMATRIX flat, out;
  D3DXMatrixScaling(&flat, 1, 0, 1);
  D3DXMatrixTranslation(&out, 9, 9, 9);
  const D3DXMATRIX before = out;
  FLOAT det = 5;
  EXPECT_EQ(nullptr, D3DXMatrixInverse(&out, &det, &flat));
  EXPECT_EQ(0.0f, det);
  EXPECT_EQ(before, out);
}

TEST(D3DXMath, TransposeSwapsRowsAndColumns) {
  const D3DXMATRIX m(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16);
  D3DXMATRIX t;
  D3DXMatrixTranspose(&t, &m);
  EXPECT_EQ(D3DXMATRIX(1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15, 4, 8, 12, 16), t);
  D3DXMatrixTranspose(&t, &t);
  EXPECT_EQ(m, t);
}

TEST(D3DXMath, PerspectiveFovRHMapsNearAndFarToZeroAndOne) {
  D3DXMATRIX p;
  D3DXMatrixPerspectiveFovRH(&p, D3DX_PI / 2, 2.0f, 1.0f, 3.0f);
  // yScale = cot(45 deg) = 1, xScale = 1 / 2, zf / (zn - zf) = -1.5, zn zf / (zn - zf) = -1.5.
  ExpectMatrixNear(D3DXMATRIX(0.5f, 0, 0, 0, 0, 1, 0, 0, 0, 0, -1.5f, -1, 0, 0, -1.5f, 0), p);
  ExpectVec3Near(D3DXVECTOR3(0, 0, 0), TransformCoord(D3DXVECTOR3(0, 0, -1), p));
  ExpectVec3Near(D3DXVECTOR3(0, 0, 1), TransformCoord(D3DXVECTOR3(0, 0, -3), p));
  // The top edge of the frustum at distance 2 lands on y = 1.
  ExpectVec3Near(D3DXVECTOR3(1, 1, 0.75f), TransformCoord(D3DXVECTOR3(4, 2, -2), p));

  D3DXMatrixPerspectiveFovRH(&p, D3DX_PI / 3, 16.0f / 9.0f, 0.1f, 100.0f);
  EXPECT_NEAR(1.7320508f, p._22, 1e-5f);
  EXPECT_NEAR(1.7320508f * 9.0f / 16.0f, p._11, 1e-5f);
  EXPECT_NEAR(100.0f / (0.1f - 100.0f), p._33, 1e-6f);
  EXPECT_NEAR(0.1f * 100.0f / (0.1f - 100.0f), p._43, 1e-6f);

  D3DXMATRIX lh;
  D3DXMatrixPerspectiveFovLH(&lh, D3DX_PI / 2, 2.0f, 1.0f, 3.0f);
  ExpectMatrixNear(D3DXMATRIX(0.5f, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1.5f, 1, 0, 0, -1.5f, 0), lh);
  ExpectVec3Near(D3DXVECTOR3(0, 0, 1), TransformCoord(D3DXVECTOR3(0, 0, 3), lh));
}

TEST(D3DXMath, OrthographicProjectionsMapTheBoxToClipSpace) {
  D3DXMATRIX o;
  D3DXMatrixOrthoRH(&o, 4, 2, 1, 3);
  ExpectMatrixNear(D3DXMATRIX(0.5f, 0, 0, 0, 0, 1, 0, 0, 0, 0, -0.5f, 0, 0, 0, -0.5f, 1), o);
  ExpectVec3Near(D3DXVECTOR3(1, -1, 1), TransformCoord(D3DXVECTOR3(2, -1, -3), o));
  D3DXMatrixOrthoLH(&o, 4, 2, 1, 3);
  ExpectVec3Near(D3DXVECTOR3(1, -1, 0), TransformCoord(D3DXVECTOR3(2, -1, 1), o));

  D3DXMatrixOrthoOffCenterLH(&o, 0, 4, 0, 2, 0, 1);
  ExpectVec3Near(D3DXVECTOR3(1, 1, 1), TransformCoord(D3DXVECTOR3(4, 2, 1), o));
  ExpectVec3Near(D3DXVECTOR3(-1, -1, 0), TransformCoord(D3DXVECTOR3(0, 0, 0), o));
  D3DXMatrixOrthoOffCenterRH(&o, 0, 4, 0, 2, 0, 1);
  ExpectVec3Near(D3DXVECTOR3(1, 1, 1), TransformCoord(D3DXVECTOR3(4, 2, -1), o));
}

TEST(D3DXMath, LookAtPutsTheTargetStraightAhead) {
  const D3DXVECTOR3 up(0, 1, 0), origin(0, 0, 0);
  D3DXMATRIX v;
  D3DXMatrixLookAtRH(&v, P(D3DXVECTOR3(0, 0, 5)), &origin, &up);
  ExpectMatrixNear(D3DXMATRIX(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, -5, 1), v);

  // From (5, 0, 0) the camera's right is up x (eye - at) = world -z, so world +z shows at x = -1.
  D3DXMatrixLookAtRH(&v, P(D3DXVECTOR3(5, 0, 0)), &origin, &up);
  ExpectVec3Near(D3DXVECTOR3(0, 0, -5), TransformCoord(origin, v));
  ExpectVec3Near(D3DXVECTOR3(-1, 0, -5), TransformCoord(D3DXVECTOR3(0, 0, 1), v));

  D3DXMatrixLookAtLH(&v, P(D3DXVECTOR3(0, 0, -5)), &origin, &up);
  ExpectVec3Near(D3DXVECTOR3(0, 0, 5), TransformCoord(origin, v));
  ExpectVec3Near(D3DXVECTOR3(1, 0, 5), TransformCoord(D3DXVECTOR3(1, 0, 0), v));
}

TEST(D3DXMath, VectorTransformsTreatPointsAndDirectionsApart) {
  const D3DXMATRIX m(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16);
  D3DXVECTOR4 out;
  D3DXVec4Transform(&out, P(D3DXVECTOR4(1, 2, 3, 1)), &m);
  EXPECT_EQ(D3DXVECTOR4(51, 58, 65, 72), out);
  D3DXVec3Transform(&out, P(D3DXVECTOR3(1, 2, 3)), &m);
  EXPECT_EQ(D3DXVECTOR4(51, 58, 65, 72), out);
  D3DXVec2Transform(&out, P(D3DXVECTOR2(1, 2)), &m);
  EXPECT_EQ(D3DXVECTOR4(24, 28, 32, 36), out);

  D3DXVECTOR3 v(1, 2, 3);
  D3DXVec3TransformCoord(&v, &v, &m);
  ExpectVec3Near(D3DXVECTOR3(51.0f / 72, 58.0f / 72, 65.0f / 72), v);

  D3DXMATRIX t;
  D3DXMatrixTranslation(&t, 10, 20, 30);
  D3DXVec3TransformNormal(&v, P(D3DXVECTOR3(1, 2, 3)), &t);
  EXPECT_EQ(D3DXVECTOR3(1, 2, 3), v);
}

TEST(D3DXMath, VectorHelpers) {
  D3DXVECTOR3 v;
  D3DXVec3Cross(&v, P(D3DXVECTOR3(1, 0, 0)), P(D3DXVECTOR3(0, 1, 0)));
  EXPECT_EQ(D3DXVECTOR3(0, 0, 1), v);
  D3DXVECTOR3 a(2, 3, 4);
  D3DXVec3Cross(&a, &a, P(D3DXVECTOR3(5, 6, 7)));  // aliasing the output
  EXPECT_EQ(D3DXVECTOR3(3 * 7 - 4 * 6, 4 * 5 - 2 * 7, 2 * 6 - 3 * 5), a);
  EXPECT_EQ(32.0f, D3DXVec3Dot(P(D3DXVECTOR3(1, 2, 3)), P(D3DXVECTOR3(4, 5, 6))));
  EXPECT_EQ(5.0f, D3DXVec3Length(P(D3DXVECTOR3(3, 0, 4))));

  D3DXVec3Normalize(&v, P(D3DXVECTOR3(0, 3, 4)));
  ExpectVec3Near(D3DXVECTOR3(0, 0.6f, 0.8f), v);
  D3DXVec3Normalize(&v, P(D3DXVECTOR3(0, 0, 0)));
  EXPECT_EQ(D3DXVECTOR3(0, 0, 0), v);
  D3DXVECTOR4 w;
  D3DXVec4Normalize(&w, P(D3DXVECTOR4(0, 0, 0, 0)));
  EXPECT_EQ(D3DXVECTOR4(0, 0, 0, 0), w);
  D3DXVECTOR2 u;
  D3DXVec2Normalize(&u, P(D3DXVECTOR2(3, 4)));
  EXPECT_NEAR(0.6f, u.x, kTol);

  D3DXVec3Lerp(&v, P(D3DXVECTOR3(0, 10, 0)), P(D3DXVECTOR3(10, 20, 4)), 0.25f);
  EXPECT_EQ(D3DXVECTOR3(2.5f, 12.5f, 1), v);
  D3DXVec3Minimize(&v, P(D3DXVECTOR3(1, 5, -2)), P(D3DXVECTOR3(3, 2, -1)));
  EXPECT_EQ(D3DXVECTOR3(1, 2, -2), v);
  D3DXVec3Maximize(&v, P(D3DXVECTOR3(1, 5, -2)), P(D3DXVECTOR3(3, 2, -1)));
  EXPECT_EQ(D3DXVECTOR3(3, 5, -1), v);

  EXPECT_EQ(D3DXVECTOR3(2, 4, 6), 2.0f * D3DXVECTOR3(1, 2, 3));
  EXPECT_EQ(D3DXVECTOR3(-1, -2, -3), -D3DXVECTOR3(1, 2, 3));
  EXPECT_EQ(D3DXVECTOR4(0.5f, 1, 1.5f, 2), D3DXVECTOR4(1, 2, 3, 4) / 2.0f);
}

TEST(D3DXMath, IdentityAndDefaultConstruction) {
  D3DXMATRIX m;
  EXPECT_FALSE(D3DXMatrixIsIdentity(&m));  // default construction is all zero
  D3DXMatrixIdentity(&m);
  EXPECT_TRUE(D3DXMatrixIsIdentity(&m));
  m._43 = 1e-7f;
  EXPECT_FALSE(D3DXMatrixIsIdentity(&m));
  EXPECT_EQ(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3());
}
