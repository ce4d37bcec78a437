// Matrix helpers of the D3DX10 math stand-in: products, transpose, determinant and inverse, and
// the affine builders (translation, scaling, rotations). Row-vector convention throughout.
#include <platform/d3dx10math.h>

#include <cmath>

// ---- Operators -----------------------------------------------------------------------------
D3DXMATRIX& D3DXMATRIX::operator*=(const D3DXMATRIX& mat) {
  D3DXMatrixMultiply(this, this, &mat);
  return *this;
}

D3DXMATRIX& D3DXMATRIX::operator+=(const D3DXMATRIX& mat) {
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) m[r][c] += mat.m[r][c];
  return *this;
}

D3DXMATRIX& D3DXMATRIX::operator-=(const D3DXMATRIX& mat) {
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) m[r][c] -= mat.m[r][c];
  return *this;
}

D3DXMATRIX& D3DXMATRIX::operator*=(FLOAT f) {
  for (auto& row : m)
    for (float& v : row) v *= f;
  return *this;
}

D3DXMATRIX& D3DXMATRIX::operator/=(FLOAT f) { return *this *= 1.0f / f; }

D3DXMATRIX D3DXMATRIX::operator-() const { return *this * -1.0f; }

D3DXMATRIX D3DXMATRIX::operator*(const D3DXMATRIX& mat) const {
  D3DXMATRIX out;
  D3DXMatrixMultiply(&out, this, &mat);
  return out;
}

D3DXMATRIX D3DXMATRIX::operator+(const D3DXMATRIX& mat) const { D3DXMATRIX out(*this); return out += mat; }
D3DXMATRIX D3DXMATRIX::operator-(const D3DXMATRIX& mat) const { D3DXMATRIX out(*this); return out -= mat; }
D3DXMATRIX D3DXMATRIX::operator*(FLOAT f) const { D3DXMATRIX out(*this); return out *= f; }
D3DXMATRIX D3DXMATRIX::operator/(FLOAT f) const { D3DXMATRIX out(*this); return out /= f; }

bool D3DXMATRIX::operator==(const D3DXMATRIX& mat) const {
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c)
      if (m[r][c] != mat.m[r][c]) return false;
  return true;
}

// ---- Products, transpose, inverse ----------------------------------------------------------
D3DXMATRIX* D3DXMatrixIdentity(D3DXMATRIX* out) {
  *out = D3DXMATRIX(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
  return out;
}

BOOL D3DXMatrixIsIdentity(const D3DXMATRIX* m) {
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c)
      if (m->m[r][c] != (r == c ? 1.0f : 0.0f)) return FALSE;
  return TRUE;
}

D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* out, const D3DXMATRIX* a, const D3DXMATRIX* b) {
  // Computed into a temporary: callers routinely pass out == a (m *= n).
  D3DXMATRIX t;
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c)
      t.m[r][c] = a->m[r][0] * b->m[0][c] + a->m[r][1] * b->m[1][c] + a->m[r][2] * b->m[2][c] +
                  a->m[r][3] * b->m[3][c];
  *out = t;
  return out;
}

D3DXMATRIX* D3DXMatrixMultiplyTranspose(D3DXMATRIX* out, const D3DXMATRIX* a, const D3DXMATRIX* b) {
  D3DXMATRIX t;
  D3DXMatrixMultiply(&t, a, b);
  return D3DXMatrixTranspose(out, &t);
}

D3DXMATRIX* D3DXMatrixTranspose(D3DXMATRIX* out, const D3DXMATRIX* m) {
  D3DXMATRIX t;
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) t.m[r][c] = m->m[c][r];
  *out = t;
  return out;
}

namespace {

// Cofactor expansion in double: the inverse of a view matrix feeds the eye position, and float
// cancellation in the 2x2 minors would show as jitter far from the origin.
struct Minors {
  double s0, s1, s2, s3, s4, s5, c0, c1, c2, c3, c4, c5;
  explicit Minors(const D3DXMATRIX& m) {
    double a[4][4];
    for (int r = 0; r < 4; ++r)
      for (int c = 0; c < 4; ++c) a[r][c] = m.m[r][c];
    s0 = a[0][0] * a[1][1] - a[1][0] * a[0][1];
    s1 = a[0][0] * a[1][2] - a[1][0] * a[0][2];
    s2 = a[0][0] * a[1][3] - a[1][0] * a[0][3];
    s3 = a[0][1] * a[1][2] - a[1][1] * a[0][2];
    s4 = a[0][1] * a[1][3] - a[1][1] * a[0][3];
    s5 = a[0][2] * a[1][3] - a[1][2] * a[0][3];
    c5 = a[2][2] * a[3][3] - a[3][2] * a[2][3];
    c4 = a[2][1] * a[3][3] - a[3][1] * a[2][3];
    c3 = a[2][1] * a[3][2] - a[3][1] * a[2][2];
    c2 = a[2][0] * a[3][3] - a[3][0] * a[2][3];
    c1 = a[2][0] * a[3][2] - a[3][0] * a[2][2];
    c0 = a[2][0] * a[3][1] - a[3][0] * a[2][1];
  }
  double determinant() const { return s0 * c5 - s1 * c4 + s2 * c3 + s3 * c2 - s4 * c1 + s5 * c0; }
};

}  // namespace

FLOAT D3DXMatrixDeterminant(const D3DXMATRIX* m) { return (FLOAT)Minors(*m).determinant(); }

D3DXMATRIX* D3DXMatrixInverse(D3DXMATRIX* out, FLOAT* determinant, const D3DXMATRIX* m) {
  const Minors k(*m);
  const double det = k.determinant();
  if (determinant) *determinant = (FLOAT)det;
  if (det == 0.0 || !std::isfinite(det)) return nullptr;

  double a[4][4];
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) a[r][c] = m->m[r][c];
  const double inv = 1.0 / det;
  D3DXMATRIX t;
  t.m[0][0] = (FLOAT)(( a[1][1] * k.c5 - a[1][2] * k.c4 + a[1][3] * k.c3) * inv);
  t.m[0][1] = (FLOAT)((-a[0][1] * k.c5 + a[0][2] * k.c4 - a[0][3] * k.c3) * inv);
  t.m[0][2] = (FLOAT)(( a[3][1] * k.s5 - a[3][2] * k.s4 + a[3][3] * k.s3) * inv);
  t.m[0][3] = (FLOAT)((-a[2][1] * k.s5 + a[2][2] * k.s4 - a[2][3] * k.s3) * inv);
  t.m[1][0] = (FLOAT)((-a[1][0] * k.c5 + a[1][2] * k.c2 - a[1][3] * k.c1) * inv);
  t.m[1][1] = (FLOAT)(( a[0][0] * k.c5 - a[0][2] * k.c2 + a[0][3] * k.c1) * inv);
  t.m[1][2] = (FLOAT)((-a[3][0] * k.s5 + a[3][2] * k.s2 - a[3][3] * k.s1) * inv);
  t.m[1][3] = (FLOAT)(( a[2][0] * k.s5 - a[2][2] * k.s2 + a[2][3] * k.s1) * inv);
  t.m[2][0] = (FLOAT)(( a[1][0] * k.c4 - a[1][1] * k.c2 + a[1][3] * k.c0) * inv);
  t.m[2][1] = (FLOAT)((-a[0][0] * k.c4 + a[0][1] * k.c2 - a[0][3] * k.c0) * inv);
  t.m[2][2] = (FLOAT)(( a[3][0] * k.s4 - a[3][1] * k.s2 + a[3][3] * k.s0) * inv);
  t.m[2][3] = (FLOAT)((-a[2][0] * k.s4 + a[2][1] * k.s2 - a[2][3] * k.s0) * inv);
  t.m[3][0] = (FLOAT)((-a[1][0] * k.c3 + a[1][1] * k.c1 - a[1][2] * k.c0) * inv);
  t.m[3][1] = (FLOAT)(( a[0][0] * k.c3 - a[0][1] * k.c1 + a[0][2] * k.c0) * inv);
  t.m[3][2] = (FLOAT)((-a[3][0] * k.s3 + a[3][1] * k.s1 - a[3][2] * k.s0) * inv);
  t.m[3][3] = (FLOAT)(( a[2][0] * k.s3 - a[2][1] * k.s1 + a[2][2] * k.s0) * inv);
  *out = t;
  return out;
}

// ---- Affine builders -----------------------------------------------------------------------
D3DXMATRIX* D3DXMatrixTranslation(D3DXMATRIX* out, FLOAT x, FLOAT y, FLOAT z) {
  *out = D3DXMATRIX(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, y, z, 1);
  return out;
}

D3DXMATRIX* D3DXMatrixScaling(D3DXMATRIX* out, FLOAT sx, FLOAT sy, FLOAT sz) {
  *out = D3DXMATRIX(sx, 0, 0, 0, 0, sy, 0, 0, 0, 0, sz, 0, 0, 0, 0, 1);
  return out;
}

D3DXMATRIX* D3DXMatrixRotationX(D3DXMATRIX* out, FLOAT angle) {
  const FLOAT c = cosf(angle), s = sinf(angle);
  *out = D3DXMATRIX(1, 0, 0, 0, 0, c, s, 0, 0, -s, c, 0, 0, 0, 0, 1);
  return out;
}

D3DXMATRIX* D3DXMatrixRotationY(D3DXMATRIX* out, FLOAT angle) {
  const FLOAT c = cosf(angle), s = sinf(angle);
  *out = D3DXMATRIX(c, 0, -s, 0, 0, 1, 0, 0, s, 0, c, 0, 0, 0, 0, 1);
  return out;
}

D3DXMATRIX* D3DXMatrixRotationZ(D3DXMATRIX* out, FLOAT angle) {
  const FLOAT c = cosf(angle), s = sinf(angle);
  *out = D3DXMATRIX(c, s, 0, 0, -s, c, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
  return out;
}

D3DXMATRIX* D3DXMatrixRotationAxis(D3DXMATRIX* out, const D3DXVECTOR3* axis, FLOAT angle) {
  D3DXVECTOR3 v;
  D3DXVec3Normalize(&v, axis);
  if (v.x == 0 && v.y == 0 && v.z == 0) return D3DXMatrixIdentity(out);
  const FLOAT c = cosf(angle), s = sinf(angle), t = 1.0f - c;
  *out = D3DXMATRIX(t * v.x * v.x + c, t * v.x * v.y + s * v.z, t * v.x * v.z - s * v.y, 0,
                    t * v.x * v.y - s * v.z, t * v.y * v.y + c, t * v.y * v.z + s * v.x, 0,
                    t * v.x * v.z + s * v.y, t * v.y * v.z - s * v.x, t * v.z * v.z + c, 0,
                    0, 0, 0, 1);
  return out;
}

D3DXMATRIX* D3DXMatrixRotationYawPitchRoll(D3DXMATRIX* out, FLOAT yaw, FLOAT pitch, FLOAT roll) {
  D3DXMATRIX z, x, y;
  D3DXMatrixRotationZ(&z, roll);
  D3DXMatrixRotationX(&x, pitch);
  D3DXMatrixRotationY(&y, yaw);
  D3DXMatrixMultiply(&z, &z, &x);
  return D3DXMatrixMultiply(out, &z, &y);
}

D3DXMATRIX* D3DXMatrixRotationQuaternion(D3DXMATRIX* out, const D3DXQUATERNION* q) {
  const FLOAT x = q->x, y = q->y, z = q->z, w = q->w;
  *out = D3DXMATRIX(1 - 2 * (y * y + z * z), 2 * (x * y + z * w), 2 * (x * z - y * w), 0,
                    2 * (x * y - z * w), 1 - 2 * (x * x + z * z), 2 * (y * z + x * w), 0,
                    2 * (x * z + y * w), 2 * (y * z - x * w), 1 - 2 * (x * x + y * y), 0,
                    0, 0, 0, 1);
  return out;
}
