// View and projection builders of the D3DX10 math stand-in. Depth maps to 0..1 (D3D clip space);
// the right-handed forms look down -z, the left-handed forms down +z.
#include <platform/d3dx10math.h>

#include <cmath>

namespace {

// Both look-at forms share the layout; only the direction of the z axis differs.
D3DXMATRIX* LookAt(D3DXMATRIX* out, const D3DXVECTOR3& eye, const D3DXVECTOR3& zaxisUnnormalised,
                   const D3DXVECTOR3* up) {
  D3DXVECTOR3 zaxis, xaxis, yaxis;
  D3DXVec3Normalize(&zaxis, &zaxisUnnormalised);
  D3DXVec3Cross(&xaxis, up, &zaxis);
  D3DXVec3Normalize(&xaxis, &xaxis);
  D3DXVec3Cross(&yaxis, &zaxis, &xaxis);
  *out = D3DXMATRIX(xaxis.x, yaxis.x, zaxis.x, 0,
                    xaxis.y, yaxis.y, zaxis.y, 0,
                    xaxis.z, yaxis.z, zaxis.z, 0,
                    -D3DXVec3Dot(&xaxis, &eye), -D3DXVec3Dot(&yaxis, &eye), -D3DXVec3Dot(&zaxis, &eye), 1);
  return out;
}

}  // namespace

D3DXMATRIX* D3DXMatrixLookAtRH(D3DXMATRIX* out, const D3DXVECTOR3* eye, const D3DXVECTOR3* at,
                               const D3DXVECTOR3* up) {
  return LookAt(out, *eye, *eye - *at, up);
}

D3DXMATRIX* D3DXMatrixLookAtLH(D3DXMATRIX* out, const D3DXVECTOR3* eye, const D3DXVECTOR3* at,
                               const D3DXVECTOR3* up) {
  return LookAt(out, *eye, *at - *eye, up);
}

D3DXMATRIX* D3DXMatrixPerspectiveFovRH(D3DXMATRIX* out, FLOAT fovy, FLOAT aspect, FLOAT zn, FLOAT zf) {
  const FLOAT yScale = 1.0f / tanf(fovy / 2.0f);
  const FLOAT xScale = yScale / aspect;
  *out = D3DXMATRIX(xScale, 0, 0, 0,
                    0, yScale, 0, 0,
                    0, 0, zf / (zn - zf), -1,
                    0, 0, zn * zf / (zn - zf), 0);
  return out;
}

D3DXMATRIX* D3DXMatrixPerspectiveFovLH(D3DXMATRIX* out, FLOAT fovy, FLOAT aspect, FLOAT zn, FLOAT zf) {
  const FLOAT yScale = 1.0f / tanf(fovy / 2.0f);
  const FLOAT xScale = yScale / aspect;
  *out = D3DXMATRIX(xScale, 0, 0, 0,
                    0, yScale, 0, 0,
                    0, 0, zf / (zf - zn), 1,
                    0, 0, -zn * zf / (zf - zn), 0);
  return out;
}

D3DXMATRIX* D3DXMatrixPerspectiveRH(D3DXMATRIX* out, FLOAT w, FLOAT h, FLOAT zn, FLOAT zf) {
  *out = D3DXMATRIX(2 * zn / w, 0, 0, 0,
                    0, 2 * zn / h, 0, 0,
                    0, 0, zf / (zn - zf), -1,
                    0, 0, zn * zf / (zn - zf), 0);
  return out;
}

D3DXMATRIX* D3DXMatrixPerspectiveLH(D3DXMATRIX* out, FLOAT w, FLOAT h, FLOAT zn, FLOAT zf) {
  *out = D3DXMATRIX(2 * zn / w, 0, 0, 0,
                    0, 2 * zn / h, 0, 0,
                    0, 0, zf / (zf - zn), 1,
                    0, 0, zn * zf / (zn - zf), 0);
  return out;
}

D3DXMATRIX* D3DXMatrixOrthoRH(D3DXMATRIX* out, FLOAT w, FLOAT h, FLOAT zn, FLOAT zf) {
  *out = D3DXMATRIX(2 / w, 0, 0, 0,
                    0, 2 / h, 0, 0,
                    0, 0, 1 / (zn - zf), 0,
                    0, 0, zn / (zn - zf), 1);
  return out;
}

D3DXMATRIX* D3DXMatrixOrthoLH(D3DXMATRIX* out, FLOAT w, FLOAT h, FLOAT zn, FLOAT zf) {
  *out = D3DXMATRIX(2 / w, 0, 0, 0,
                    0, 2 / h, 0, 0,
                    0, 0, 1 / (zf - zn), 0,
                    0, 0, zn / (zn - zf), 1);
  return out;
}

D3DXMATRIX* D3DXMatrixOrthoOffCenterRH(D3DXMATRIX* out, FLOAT l, FLOAT r, FLOAT b, FLOAT t, FLOAT zn,
                                       FLOAT zf) {
  *out = D3DXMATRIX(2 / (r - l), 0, 0, 0,
                    0, 2 / (t - b), 0, 0,
                    0, 0, 1 / (zn - zf), 0,
                    (l + r) / (l - r), (t + b) / (b - t), zn / (zn - zf), 1);
  return out;
}

D3DXMATRIX* D3DXMatrixOrthoOffCenterLH(D3DXMATRIX* out, FLOAT l, FLOAT r, FLOAT b, FLOAT t, FLOAT zn,
                                       FLOAT zf) {
  *out = D3DXMATRIX(2 / (r - l), 0, 0, 0,
                    0, 2 / (t - b), 0, 0,
                    0, 0, 1 / (zf - zn), 0,
                    (l + r) / (l - r), (t + b) / (b - t), zn / (zn - zf), 1);
  return out;
}
