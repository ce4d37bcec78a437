// Vector and quaternion helpers of the D3DX10 math stand-in. Points and directions are row
// vectors multiplied on the left of a matrix.
#include <platform/d3dx10math.h>

#include <cmath>

// ---- 2D ------------------------------------------------------------------------------------
FLOAT D3DXVec2Length(const D3DXVECTOR2* v) { return sqrtf(v->x * v->x + v->y * v->y); }

D3DXVECTOR2* D3DXVec2Normalize(D3DXVECTOR2* out, const D3DXVECTOR2* v) {
  const FLOAT len = D3DXVec2Length(v);
  *out = len > 0 ? D3DXVECTOR2(v->x / len, v->y / len) : D3DXVECTOR2(0, 0);
  return out;
}

D3DXVECTOR4* D3DXVec2Transform(D3DXVECTOR4* out, const D3DXVECTOR2* v, const D3DXMATRIX* m) {
  const D3DXVECTOR4 in(v->x, v->y, 0, 1);
  return D3DXVec4Transform(out, &in, m);
}

// ---- 3D ------------------------------------------------------------------------------------
FLOAT D3DXVec3Length(const D3DXVECTOR3* v) { return sqrtf(D3DXVec3LengthSq(v)); }

D3DXVECTOR3* D3DXVec3Cross(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b) {
  // Through a temporary: out may alias a or b.
  const D3DXVECTOR3 t(a->y * b->z - a->z * b->y, a->z * b->x - a->x * b->z, a->x * b->y - a->y * b->x);
  *out = t;
  return out;
}

D3DXVECTOR3* D3DXVec3Normalize(D3DXVECTOR3* out, const D3DXVECTOR3* v) {
  const FLOAT len = D3DXVec3Length(v);
  *out = len > 0 ? D3DXVECTOR3(v->x / len, v->y / len, v->z / len) : D3DXVECTOR3(0, 0, 0);
  return out;
}

D3DXVECTOR3* D3DXVec3Add(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b) {
  *out = *a + *b;
  return out;
}

D3DXVECTOR3* D3DXVec3Subtract(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b) {
  *out = *a - *b;
  return out;
}

D3DXVECTOR3* D3DXVec3Scale(D3DXVECTOR3* out, const D3DXVECTOR3* v, FLOAT s) {
  *out = *v * s;
  return out;
}

D3DXVECTOR3* D3DXVec3Lerp(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b, FLOAT s) {
  *out = D3DXVECTOR3(a->x + s * (b->x - a->x), a->y + s * (b->y - a->y), a->z + s * (b->z - a->z));
  return out;
}

D3DXVECTOR3* D3DXVec3Minimize(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b) {
  *out = D3DXVECTOR3(fminf(a->x, b->x), fminf(a->y, b->y), fminf(a->z, b->z));
  return out;
}

D3DXVECTOR3* D3DXVec3Maximize(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b) {
  *out = D3DXVECTOR3(fmaxf(a->x, b->x), fmaxf(a->y, b->y), fmaxf(a->z, b->z));
  return out;
}

D3DXVECTOR4* D3DXVec3Transform(D3DXVECTOR4* out, const D3DXVECTOR3* v, const D3DXMATRIX* m) {
  const D3DXVECTOR4 in(v->x, v->y, v->z, 1);
  return D3DXVec4Transform(out, &in, m);
}

D3DXVECTOR3* D3DXVec3TransformCoord(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* m) {
  D3DXVECTOR4 t;
  D3DXVec3Transform(&t, v, m);
  // A point mapped to w = 0 lies at infinity; the division says so with infinities, as the
  // platform's helper does, rather than inventing a finite answer.
  *out = D3DXVECTOR3(t.x / t.w, t.y / t.w, t.z / t.w);
  return out;
}

D3DXVECTOR3* D3DXVec3TransformNormal(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* m) {
  const D3DXVECTOR3 t(v->x * m->_11 + v->y * m->_21 + v->z * m->_31,
                      v->x * m->_12 + v->y * m->_22 + v->z * m->_32,
                      v->x * m->_13 + v->y * m->_23 + v->z * m->_33);
  *out = t;
  return out;
}

// ---- 4D ------------------------------------------------------------------------------------
FLOAT D3DXVec4Length(const D3DXVECTOR4* v) { return sqrtf(D3DXVec4Dot(v, v)); }

D3DXVECTOR4* D3DXVec4Normalize(D3DXVECTOR4* out, const D3DXVECTOR4* v) {
  const FLOAT len = D3DXVec4Length(v);
  *out = len > 0 ? *v / len : D3DXVECTOR4(0, 0, 0, 0);
  return out;
}

D3DXVECTOR4* D3DXVec4Transform(D3DXVECTOR4* out, const D3DXVECTOR4* v, const D3DXMATRIX* m) {
  const D3DXVECTOR4 t(v->x * m->_11 + v->y * m->_21 + v->z * m->_31 + v->w * m->_41,
                      v->x * m->_12 + v->y * m->_22 + v->z * m->_32 + v->w * m->_42,
                      v->x * m->_13 + v->y * m->_23 + v->z * m->_33 + v->w * m->_43,
                      v->x * m->_14 + v->y * m->_24 + v->z * m->_34 + v->w * m->_44);
  *out = t;
  return out;
}

// ---- Quaternions ---------------------------------------------------------------------------
D3DXQUATERNION& D3DXQUATERNION::operator*=(const D3DXQUATERNION& q) {
  D3DXQuaternionMultiply(this, this, &q);
  return *this;
}

D3DXQUATERNION D3DXQUATERNION::operator*(const D3DXQUATERNION& q) const {
  D3DXQUATERNION out;
  D3DXQuaternionMultiply(&out, this, &q);
  return out;
}

D3DXQUATERNION* D3DXQuaternionIdentity(D3DXQUATERNION* out) {
  *out = D3DXQUATERNION(0, 0, 0, 1);
  return out;
}

D3DXQUATERNION* D3DXQuaternionMultiply(D3DXQUATERNION* out, const D3DXQUATERNION* q1,
                                       const D3DXQUATERNION* q2) {
  // The Hamilton product q2 q1, so that q1 acts first, as with matrices.
  const D3DXQUATERNION t(q2->w * q1->x + q2->x * q1->w + q2->y * q1->z - q2->z * q1->y,
                         q2->w * q1->y - q2->x * q1->z + q2->y * q1->w + q2->z * q1->x,
                         q2->w * q1->z + q2->x * q1->y - q2->y * q1->x + q2->z * q1->w,
                         q2->w * q1->w - q2->x * q1->x - q2->y * q1->y - q2->z * q1->z);
  *out = t;
  return out;
}

D3DXQUATERNION* D3DXQuaternionNormalize(D3DXQUATERNION* out, const D3DXQUATERNION* q) {
  const FLOAT len = sqrtf(q->x * q->x + q->y * q->y + q->z * q->z + q->w * q->w);
  *out = len > 0 ? *q * (1.0f / len) : D3DXQUATERNION(0, 0, 0, 0);
  return out;
}

D3DXQUATERNION* D3DXQuaternionRotationAxis(D3DXQUATERNION* out, const D3DXVECTOR3* axis, FLOAT angle) {
  D3DXVECTOR3 v;
  D3DXVec3Normalize(&v, axis);
  const FLOAT s = sinf(angle / 2.0f);
  *out = D3DXQUATERNION(v.x * s, v.y * s, v.z * s, cosf(angle / 2.0f));
  return out;
}

D3DXQUATERNION* D3DXQuaternionRotationYawPitchRoll(D3DXQUATERNION* out, FLOAT yaw, FLOAT pitch,
                                                   FLOAT roll) {
  const FLOAT sy = sinf(yaw / 2), cy = cosf(yaw / 2);
  const FLOAT sp = sinf(pitch / 2), cp = cosf(pitch / 2);
  const FLOAT sr = sinf(roll / 2), cr = cosf(roll / 2);
  *out = D3DXQUATERNION(sy * cp * sr + cy * sp * cr,
                        sy * cp * cr - cy * sp * sr,
                        cy * cp * sr - sy * sp * cr,
                        cy * cp * cr + sy * sp * sr);
  return out;
}
