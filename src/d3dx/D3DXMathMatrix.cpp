// The matrix functions of D3DXMath.h and the out-of-line members of D3DXMATRIX.
//
// Sections: D3DXMATRIX members - basics and inverse - elementary transforms - composite
// transforms - view and projection.
#include <cmath>

#include "d3dx/D3DXMath.h"

// ---------------------------------------------------------------------------------------------
// D3DXMATRIX members
// ---------------------------------------------------------------------------------------------

D3DXMATRIX::D3DXMATRIX(const float* f) {
  for (int i = 0; i < 16; ++i) {
    m[i / 4][i % 4] = f[i];
  }
}

D3DXMATRIX::D3DXMATRIX(float f11, float f12, float f13, float f14, float f21, float f22,
                       float f23, float f24, float f31, float f32, float f33, float f34,
                       float f41, float f42, float f43, float f44) {
  _11 = f11; _12 = f12; _13 = f13; _14 = f14;
  _21 = f21; _22 = f22; _23 = f23; _24 = f24;
  _31 = f31; _32 = f32; _33 = f33; _34 = f34;
  _41 = f41; _42 = f42; _43 = f43; _44 = f44;
}

D3DXMATRIX& D3DXMATRIX::operator*=(const D3DXMATRIX& mat) {
  D3DXMatrixMultiply(this, this, &mat);
  return *this;
}

D3DXMATRIX& D3DXMATRIX::operator+=(const D3DXMATRIX& mat) {
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) m[r][c] += mat.m[r][c];
  }
  return *this;
}

D3DXMATRIX& D3DXMATRIX::operator-=(const D3DXMATRIX& mat) {
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) m[r][c] -= mat.m[r][c];
  }
  return *this;
}

D3DXMATRIX& D3DXMATRIX::operator*=(float f) {
  for (auto& row : m) {
    for (float& value : row) value *= f;
  }
  return *this;
}

D3DXMATRIX D3DXMATRIX::operator*(const D3DXMATRIX& mat) const {
  D3DXMATRIX out;
  D3DXMatrixMultiply(&out, this, &mat);
  return out;
}

bool D3DXMATRIX::operator==(const D3DXMATRIX& mat) const {
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) {
      if (m[r][c] != mat.m[r][c]) return false;
    }
  }
  return true;
}

// ---------------------------------------------------------------------------------------------
// Basics and inverse
// ---------------------------------------------------------------------------------------------

D3DXMATRIX* D3DXMatrixIdentity(D3DXMATRIX* pOut) {
  *pOut = D3DXMATRIX(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
  return pOut;
}

bool D3DXMatrixIsIdentity(const D3DXMATRIX* pM) {
  D3DXMATRIX identity;
  D3DXMatrixIdentity(&identity);
  return *pM == identity;
}

D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* pOut, const D3DXMATRIX* pM1, const D3DXMATRIX* pM2) {
  D3DXMATRIX product;
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) {
      product.m[r][c] = pM1->m[r][0] * pM2->m[0][c] + pM1->m[r][1] * pM2->m[1][c] +
                        pM1->m[r][2] * pM2->m[2][c] + pM1->m[r][3] * pM2->m[3][c];
    }
  }
  *pOut = product;
  return pOut;
}

D3DXMATRIX* D3DXMatrixTranspose(D3DXMATRIX* pOut, const D3DXMATRIX* pM) {
  D3DXMATRIX t;
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) t.m[r][c] = pM->m[c][r];
  }
  *pOut = t;
  return pOut;
}

namespace {

// The adjugate (transposed cofactor matrix) of a 4 x 4 matrix in double precision, with the
// determinant; the same formulas serve row- and column-major storage.
double Adjugate(const D3DXMATRIX& mat, double adj[16]) {
  double a[16];
  for (int i = 0; i < 16; ++i) a[i] = mat.m[i / 4][i % 4];
  adj[0] = a[5] * a[10] * a[15] - a[5] * a[11] * a[14] - a[9] * a[6] * a[15] +
           a[9] * a[7] * a[14] + a[13] * a[6] * a[11] - a[13] * a[7] * a[10];
  adj[4] = -a[4] * a[10] * a[15] + a[4] * a[11] * a[14] + a[8] * a[6] * a[15] -
           a[8] * a[7] * a[14] - a[12] * a[6] * a[11] + a[12] * a[7] * a[10];
  adj[8] = a[4] * a[9] * a[15] - a[4] * a[11] * a[13] - a[8] * a[5] * a[15] +
           a[8] * a[7] * a[13] + a[12] * a[5] * a[11] - a[12] * a[7] * a[9];
  adj[12] = -a[4] * a[9] * a[14] + a[4] * a[10] * a[13] + a[8] * a[5] * a[14] -
            a[8] * a[6] * a[13] - a[12] * a[5] * a[10] + a[12] * a[6] * a[9];
  adj[1] = -a[1] * a[10] * a[15] + a[1] * a[11] * a[14] + a[9] * a[2] * a[15] -
           a[9] * a[3] * a[14] - a[13] * a[2] * a[11] + a[13] * a[3] * a[10];
  adj[5] = a[0] * a[10] * a[15] - a[0] * a[11] * a[14] - a[8] * a[2] * a[15] +
           a[8] * a[3] * a[14] + a[12] * a[2] * a[11] - a[12] * a[3] * a[10];
  adj[9] = -a[0] * a[9] * a[15] + a[0] * a[11] * a[13] + a[8] * a[1] * a[15] -
           a[8] * a[3] * a[13] - a[12] * a[1] * a[11] + a[12] * a[3] * a[9];
  adj[13] = a[0] * a[9] * a[14] - a[0] * a[10] * a[13] - a[8] * a[1] * a[14] +
            a[8] * a[2] * a[13] + a[12] * a[1] * a[10] - a[12] * a[2] * a[9];
  adj[2] = a[1] * a[6] * a[15] - a[1] * a[7] * a[14] - a[5] * a[2] * a[15] +
           a[5] * a[3] * a[14] + a[13] * a[2] * a[7] - a[13] * a[3] * a[6];
  adj[6] = -a[0] * a[6] * a[15] + a[0] * a[7] * a[14] + a[4] * a[2] * a[15] -
           a[4] * a[3] * a[14] - a[12] * a[2] * a[7] + a[12] * a[3] * a[6];
  adj[10] = a[0] * a[5] * a[15] - a[0] * a[7] * a[13] - a[4] * a[1] * a[15] +
            a[4] * a[3] * a[13] + a[12] * a[1] * a[7] - a[12] * a[3] * a[5];
  adj[14] = -a[0] * a[5] * a[14] + a[0] * a[6] * a[13] + a[4] * a[1] * a[14] -
            a[4] * a[2] * a[13] - a[12] * a[1] * a[6] + a[12] * a[2] * a[5];
  adj[3] = -a[1] * a[6] * a[11] + a[1] * a[7] * a[10] + a[5] * a[2] * a[11] -
           a[5] * a[3] * a[10] - a[9] * a[2] * a[7] + a[9] * a[3] * a[6];
  adj[7] = a[0] * a[6] * a[11] - a[0] * a[7] * a[10] - a[4] * a[2] * a[11] +
           a[4] * a[3] * a[10] + a[8] * a[2] * a[7] - a[8] * a[3] * a[6];
  adj[11] = -a[0] * a[5] * a[11] + a[0] * a[7] * a[9] + a[4] * a[1] * a[11] -
            a[4] * a[3] * a[9] - a[8] * a[1] * a[7] + a[8] * a[3] * a[5];
  adj[15] = a[0] * a[5] * a[10] - a[0] * a[6] * a[9] - a[4] * a[1] * a[10] +
            a[4] * a[2] * a[9] + a[8] * a[1] * a[6] - a[8] * a[2] * a[5];
  return a[0] * adj[0] + a[1] * adj[4] + a[2] * adj[8] + a[3] * adj[12];
}

}  // namespace

float D3DXMatrixDeterminant(const D3DXMATRIX* pM) {
  double adj[16];
  return static_cast<float>(Adjugate(*pM, adj));
}

D3DXMATRIX* D3DXMatrixInverse(D3DXMATRIX* pOut, float* pDeterminant, const D3DXMATRIX* pM) {
  double adj[16];
  const double det = Adjugate(*pM, adj);
  if (pDeterminant != nullptr) *pDeterminant = static_cast<float>(det);
  if (det == 0.0 || !std::isfinite(det)) return nullptr;
  const double scale = 1.0 / det;
  for (int i = 0; i < 16; ++i) pOut->m[i / 4][i % 4] = static_cast<float>(adj[i] * scale);
  return pOut;
}

// ---------------------------------------------------------------------------------------------
// Elementary transforms
// ---------------------------------------------------------------------------------------------

D3DXMATRIX* D3DXMatrixTranslation(D3DXMATRIX* pOut, float x, float y, float z) {
  D3DXMatrixIdentity(pOut);
  pOut->_41 = x;
  pOut->_42 = y;
  pOut->_43 = z;
  return pOut;
}

D3DXMATRIX* D3DXMatrixScaling(D3DXMATRIX* pOut, float sx, float sy, float sz) {
  D3DXMatrixIdentity(pOut);
  pOut->_11 = sx;
  pOut->_22 = sy;
  pOut->_33 = sz;
  return pOut;
}

D3DXMATRIX* D3DXMatrixRotationX(D3DXMATRIX* pOut, float angle) {
  const float c = std::cos(angle);
  const float s = std::sin(angle);
  *pOut = D3DXMATRIX(1, 0, 0, 0, 0, c, s, 0, 0, -s, c, 0, 0, 0, 0, 1);
  return pOut;
}

D3DXMATRIX* D3DXMatrixRotationY(D3DXMATRIX* pOut, float angle) {
  const float c = std::cos(angle);
  const float s = std::sin(angle);
  *pOut = D3DXMATRIX(c, 0, -s, 0, 0, 1, 0, 0, s, 0, c, 0, 0, 0, 0, 1);
  return pOut;
}

D3DXMATRIX* D3DXMatrixRotationZ(D3DXMATRIX* pOut, float angle) {
  const float c = std::cos(angle);
  const float s = std::sin(angle);
  *pOut = D3DXMATRIX(c, s, 0, 0, -s, c, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
  return pOut;
}

D3DXMATRIX* D3DXMatrixRotationAxis(D3DXMATRIX* pOut, const D3DXVECTOR3* pV, float angle) {
  D3DXVECTOR3 n;
  D3DXVec3Normalize(&n, pV);
  const float c = std::cos(angle);
  const float s = std::sin(angle);
  const float t = 1.0f - c;
  *pOut = D3DXMATRIX(t * n.x * n.x + c, t * n.x * n.y + s * n.z, t * n.x * n.z - s * n.y, 0,
                     t * n.x * n.y - s * n.z, t * n.y * n.y + c, t * n.y * n.z + s * n.x, 0,
                     t * n.x * n.z + s * n.y, t * n.y * n.z - s * n.x, t * n.z * n.z + c, 0,
                     0, 0, 0, 1);
  return pOut;
}

D3DXMATRIX* D3DXMatrixRotationQuaternion(D3DXMATRIX* pOut, const D3DXQUATERNION* pQ) {
  const float x = pQ->x, y = pQ->y, z = pQ->z, w = pQ->w;
  *pOut = D3DXMATRIX(1 - 2 * (y * y + z * z), 2 * (x * y + z * w), 2 * (x * z - y * w), 0,
                     2 * (x * y - z * w), 1 - 2 * (x * x + z * z), 2 * (y * z + x * w), 0,
                     2 * (x * z + y * w), 2 * (y * z - x * w), 1 - 2 * (x * x + y * y), 0,
                     0, 0, 0, 1);
  return pOut;
}

D3DXMATRIX* D3DXMatrixRotationYawPitchRoll(D3DXMATRIX* pOut, float yaw, float pitch,
                                           float roll) {
  D3DXMATRIX rollM, pitchM, yawM;
  D3DXMatrixRotationZ(&rollM, roll);
  D3DXMatrixRotationX(&pitchM, pitch);
  D3DXMatrixRotationY(&yawM, yaw);
  *pOut = rollM * pitchM * yawM;
  return pOut;
}

// ---------------------------------------------------------------------------------------------
// Composite transforms
// ---------------------------------------------------------------------------------------------

namespace {

// Rotation by q about the point c: T(-c) x R(q) x T(c).
D3DXMATRIX RotationAbout(const D3DXVECTOR3* pCenter, const D3DXQUATERNION* pRotation) {
  D3DXMATRIX result;
  D3DXMatrixIdentity(&result);
  if (pRotation == nullptr) return result;
  D3DXMatrixRotationQuaternion(&result, pRotation);
  if (pCenter != nullptr) {
    D3DXMATRIX toOrigin, back;
    D3DXMatrixTranslation(&toOrigin, -pCenter->x, -pCenter->y, -pCenter->z);
    D3DXMatrixTranslation(&back, pCenter->x, pCenter->y, pCenter->z);
    result = toOrigin * result * back;
  }
  return result;
}

// Scaling by s along the axes of the rotation q about the point c:
// T(-c) x R(q)^-1 x S x R(q) x T(c).
D3DXMATRIX ScalingAbout(const D3DXVECTOR3* pCenter, const D3DXQUATERNION* pAxes,
                        const D3DXVECTOR3* pScaling) {
  D3DXMATRIX result;
  D3DXMatrixIdentity(&result);
  if (pScaling == nullptr) return result;
  D3DXMatrixScaling(&result, pScaling->x, pScaling->y, pScaling->z);
  if (pAxes != nullptr) {
    D3DXMATRIX axes, axesInverse;
    D3DXMatrixRotationQuaternion(&axes, pAxes);
    D3DXMatrixTranspose(&axesInverse, &axes);  // a rotation's inverse
    result = axesInverse * result * axes;
  }
  if (pCenter != nullptr) {
    D3DXMATRIX toOrigin, back;
    D3DXMatrixTranslation(&toOrigin, -pCenter->x, -pCenter->y, -pCenter->z);
    D3DXMatrixTranslation(&back, pCenter->x, pCenter->y, pCenter->z);
    result = toOrigin * result * back;
  }
  return result;
}

}  // namespace

D3DXMATRIX* D3DXMatrixTransformation(D3DXMATRIX* pOut, const D3DXVECTOR3* pScalingCenter,
                                     const D3DXQUATERNION* pScalingRotation,
                                     const D3DXVECTOR3* pScaling,
                                     const D3DXVECTOR3* pRotationCenter,
                                     const D3DXQUATERNION* pRotation,
                                     const D3DXVECTOR3* pTranslation) {
  D3DXMATRIX result = ScalingAbout(pScalingCenter, pScalingRotation, pScaling) *
                      RotationAbout(pRotationCenter, pRotation);
  if (pTranslation != nullptr) {
    result._41 += pTranslation->x;
    result._42 += pTranslation->y;
    result._43 += pTranslation->z;
  }
  *pOut = result;
  return pOut;
}

D3DXMATRIX* D3DXMatrixAffineTransformation(D3DXMATRIX* pOut, float scaling,
                                           const D3DXVECTOR3* pRotationCenter,
                                           const D3DXQUATERNION* pRotation,
                                           const D3DXVECTOR3* pTranslation) {
  const D3DXVECTOR3 uniform(scaling, scaling, scaling);
  return D3DXMatrixTransformation(pOut, nullptr, nullptr, &uniform, pRotationCenter, pRotation,
                                  pTranslation);
}

// ---------------------------------------------------------------------------------------------
// View and projection
// ---------------------------------------------------------------------------------------------

namespace {

// The view matrix from a camera basis: the rows of the rotation are the axes' columns.
D3DXMATRIX ViewFromBasis(const D3DXVECTOR3& xAxis, const D3DXVECTOR3& yAxis,
                         const D3DXVECTOR3& zAxis, const D3DXVECTOR3& eye) {
  return D3DXMATRIX(xAxis.x, yAxis.x, zAxis.x, 0, xAxis.y, yAxis.y, zAxis.y, 0, xAxis.z,
                    yAxis.z, zAxis.z, 0, -D3DXVec3Dot(&xAxis, &eye),
                    -D3DXVec3Dot(&yAxis, &eye), -D3DXVec3Dot(&zAxis, &eye), 1);
}

D3DXMATRIX LookAlong(const D3DXVECTOR3& forward, const D3DXVECTOR3& eye,
                     const D3DXVECTOR3& up) {
  D3DXVECTOR3 zAxis, xAxis, yAxis;
  D3DXVec3Normalize(&zAxis, &forward);
  D3DXVec3Cross(&xAxis, &up, &zAxis);
  D3DXVec3Normalize(&xAxis, &xAxis);
  D3DXVec3Cross(&yAxis, &zAxis, &xAxis);
  return ViewFromBasis(xAxis, yAxis, zAxis, eye);
}

}  // namespace

D3DXMATRIX* D3DXMatrixLookAtLH(D3DXMATRIX* pOut, const D3DXVECTOR3* pEye, const D3DXVECTOR3* pAt,
                               const D3DXVECTOR3* pUp) {
  *pOut = LookAlong(*pAt - *pEye, *pEye, *pUp);
  return pOut;
}

D3DXMATRIX* D3DXMatrixLookAtRH(D3DXMATRIX* pOut, const D3DXVECTOR3* pEye, const D3DXVECTOR3* pAt,
                               const D3DXVECTOR3* pUp) {
  *pOut = LookAlong(*pEye - *pAt, *pEye, *pUp);
  return pOut;
}

D3DXMATRIX* D3DXMatrixPerspectiveFovLH(D3DXMATRIX* pOut, float fovy, float aspect, float zn,
                                       float zf) {
  const float yScale = 1.0f / std::tan(fovy / 2.0f);
  const float xScale = yScale / aspect;
  const float q = zf / (zf - zn);
  *pOut = D3DXMATRIX(xScale, 0, 0, 0, 0, yScale, 0, 0, 0, 0, q, 1, 0, 0, -zn * q, 0);
  return pOut;
}

D3DXMATRIX* D3DXMatrixPerspectiveFovRH(D3DXMATRIX* pOut, float fovy, float aspect, float zn,
                                       float zf) {
  const float yScale = 1.0f / std::tan(fovy / 2.0f);
  const float xScale = yScale / aspect;
  const float q = zf / (zn - zf);
  *pOut = D3DXMATRIX(xScale, 0, 0, 0, 0, yScale, 0, 0, 0, 0, q, -1, 0, 0, zn * q, 0);
  return pOut;
}

D3DXMATRIX* D3DXMatrixPerspectiveLH(D3DXMATRIX* pOut, float w, float h, float zn, float zf) {
  const float q = zf / (zf - zn);
  *pOut = D3DXMATRIX(2 * zn / w, 0, 0, 0, 0, 2 * zn / h, 0, 0, 0, 0, q, 1, 0, 0, -zn * q, 0);
  return pOut;
}

D3DXMATRIX* D3DXMatrixPerspectiveRH(D3DXMATRIX* pOut, float w, float h, float zn, float zf) {
  const float q = zf / (zn - zf);
  *pOut = D3DXMATRIX(2 * zn / w, 0, 0, 0, 0, 2 * zn / h, 0, 0, 0, 0, q, -1, 0, 0, zn * q, 0);
  return pOut;
}

D3DXMATRIX* D3DXMatrixOrthoLH(D3DXMATRIX* pOut, float w, float h, float zn, float zf) {
  return D3DXMatrixOrthoOffCenterLH(pOut, -w / 2, w / 2, -h / 2, h / 2, zn, zf);
}

D3DXMATRIX* D3DXMatrixOrthoRH(D3DXMATRIX* pOut, float w, float h, float zn, float zf) {
  return D3DXMatrixOrthoOffCenterRH(pOut, -w / 2, w / 2, -h / 2, h / 2, zn, zf);
}

D3DXMATRIX* D3DXMatrixOrthoOffCenterLH(D3DXMATRIX* pOut, float l, float r, float b, float t,
                                       float zn, float zf) {
  *pOut = D3DXMATRIX(2 / (r - l), 0, 0, 0, 0, 2 / (t - b), 0, 0, 0, 0, 1 / (zf - zn), 0,
                     (l + r) / (l - r), (t + b) / (b - t), zn / (zn - zf), 1);
  return pOut;
}

D3DXMATRIX* D3DXMatrixOrthoOffCenterRH(D3DXMATRIX* pOut, float l, float r, float b, float t,
                                       float zn, float zf) {
  *pOut = D3DXMATRIX(2 / (r - l), 0, 0, 0, 0, 2 / (t - b), 0, 0, 0, 0, 1 / (zn - zf), 0,
                     (l + r) / (l - r), (t + b) / (b - t), zn / (zn - zf), 1);
  return pOut;
}
