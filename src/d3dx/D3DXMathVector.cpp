// The 2-, 3- and 4-component vector functions of D3DXMath.h.
#include <algorithm>
#include <cmath>

#include "d3dx/D3DXMath.h"

namespace {

// Shared by every Normalize: a zero-length input gives zero rather than a division by zero.
float InverseLength(float lengthSquared) {
  return lengthSquared > 0.0f ? 1.0f / std::sqrt(lengthSquared) : 0.0f;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Vector 2
// ---------------------------------------------------------------------------------------------

D3DXVECTOR2* D3DXVec2Add(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV1, const D3DXVECTOR2* pV2) {
  *pOut = *pV1 + *pV2;
  return pOut;
}

D3DXVECTOR2* D3DXVec2Subtract(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV1,
                              const D3DXVECTOR2* pV2) {
  *pOut = *pV1 - *pV2;
  return pOut;
}

D3DXVECTOR2* D3DXVec2Scale(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV, float s) {
  *pOut = *pV * s;
  return pOut;
}

float D3DXVec2Dot(const D3DXVECTOR2* pV1, const D3DXVECTOR2* pV2) {
  return pV1->x * pV2->x + pV1->y * pV2->y;
}

float D3DXVec2CCW(const D3DXVECTOR2* pV1, const D3DXVECTOR2* pV2) {
  return pV1->x * pV2->y - pV1->y * pV2->x;
}

float D3DXVec2LengthSq(const D3DXVECTOR2* pV) { return D3DXVec2Dot(pV, pV); }

float D3DXVec2Length(const D3DXVECTOR2* pV) { return std::sqrt(D3DXVec2LengthSq(pV)); }

D3DXVECTOR2* D3DXVec2Normalize(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV) {
  *pOut = *pV * InverseLength(D3DXVec2LengthSq(pV));
  return pOut;
}

D3DXVECTOR2* D3DXVec2Lerp(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV1, const D3DXVECTOR2* pV2,
                          float s) {
  *pOut = *pV1 + (*pV2 - *pV1) * s;
  return pOut;
}

D3DXVECTOR2* D3DXVec2Minimize(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV1,
                              const D3DXVECTOR2* pV2) {
  *pOut = {std::min(pV1->x, pV2->x), std::min(pV1->y, pV2->y)};
  return pOut;
}

D3DXVECTOR2* D3DXVec2Maximize(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV1,
                              const D3DXVECTOR2* pV2) {
  *pOut = {std::max(pV1->x, pV2->x), std::max(pV1->y, pV2->y)};
  return pOut;
}

D3DXVECTOR2* D3DXVec2TransformCoord(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV,
                                    const D3DXMATRIX* pM) {
  const D3DXMATRIX& m = *pM;
  const float x = pV->x * m._11 + pV->y * m._21 + m._41;
  const float y = pV->x * m._12 + pV->y * m._22 + m._42;
  const float w = pV->x * m._14 + pV->y * m._24 + m._44;
  *pOut = {x / w, y / w};
  return pOut;
}

// ---------------------------------------------------------------------------------------------
// Vector 3
// ---------------------------------------------------------------------------------------------

D3DXVECTOR3* D3DXVec3Add(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2) {
  *pOut = *pV1 + *pV2;
  return pOut;
}

D3DXVECTOR3* D3DXVec3Subtract(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1,
                              const D3DXVECTOR3* pV2) {
  *pOut = *pV1 - *pV2;
  return pOut;
}

D3DXVECTOR3* D3DXVec3Scale(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV, float s) {
  *pOut = *pV * s;
  return pOut;
}

float D3DXVec3Dot(const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2) {
  return pV1->x * pV2->x + pV1->y * pV2->y + pV1->z * pV2->z;
}

D3DXVECTOR3* D3DXVec3Cross(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2) {
  const D3DXVECTOR3 a = *pV1;
  const D3DXVECTOR3 b = *pV2;
  *pOut = {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
  return pOut;
}

float D3DXVec3LengthSq(const D3DXVECTOR3* pV) { return D3DXVec3Dot(pV, pV); }

float D3DXVec3Length(const D3DXVECTOR3* pV) { return std::sqrt(D3DXVec3LengthSq(pV)); }

D3DXVECTOR3* D3DXVec3Normalize(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV) {
  *pOut = *pV * InverseLength(D3DXVec3LengthSq(pV));
  return pOut;
}

D3DXVECTOR3* D3DXVec3Lerp(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2,
                          float s) {
  *pOut = *pV1 + (*pV2 - *pV1) * s;
  return pOut;
}

D3DXVECTOR3* D3DXVec3Minimize(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1,
                              const D3DXVECTOR3* pV2) {
  *pOut = {std::min(pV1->x, pV2->x), std::min(pV1->y, pV2->y), std::min(pV1->z, pV2->z)};
  return pOut;
}

D3DXVECTOR3* D3DXVec3Maximize(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1,
                              const D3DXVECTOR3* pV2) {
  *pOut = {std::max(pV1->x, pV2->x), std::max(pV1->y, pV2->y), std::max(pV1->z, pV2->z)};
  return pOut;
}

D3DXVECTOR4* D3DXVec3Transform(D3DXVECTOR4* pOut, const D3DXVECTOR3* pV, const D3DXMATRIX* pM) {
  const D3DXVECTOR4 point(pV->x, pV->y, pV->z, 1.0f);
  return D3DXVec4Transform(pOut, &point, pM);
}

D3DXVECTOR3* D3DXVec3TransformCoord(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV,
                                    const D3DXMATRIX* pM) {
  D3DXVECTOR4 h;
  D3DXVec3Transform(&h, pV, pM);
  *pOut = {h.x / h.w, h.y / h.w, h.z / h.w};
  return pOut;
}

D3DXVECTOR3* D3DXVec3TransformNormal(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV,
                                     const D3DXMATRIX* pM) {
  const D3DXVECTOR3 v = *pV;
  const D3DXMATRIX& m = *pM;
  *pOut = {v.x * m._11 + v.y * m._21 + v.z * m._31, v.x * m._12 + v.y * m._22 + v.z * m._32,
           v.x * m._13 + v.y * m._23 + v.z * m._33};
  return pOut;
}

// ---------------------------------------------------------------------------------------------
// Vector 4
// ---------------------------------------------------------------------------------------------

D3DXVECTOR4* D3DXVec4Add(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV1, const D3DXVECTOR4* pV2) {
  *pOut = *pV1 + *pV2;
  return pOut;
}

D3DXVECTOR4* D3DXVec4Subtract(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV1,
                              const D3DXVECTOR4* pV2) {
  *pOut = *pV1 - *pV2;
  return pOut;
}

D3DXVECTOR4* D3DXVec4Scale(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV, float s) {
  *pOut = *pV * s;
  return pOut;
}

float D3DXVec4Dot(const D3DXVECTOR4* pV1, const D3DXVECTOR4* pV2) {
  return pV1->x * pV2->x + pV1->y * pV2->y + pV1->z * pV2->z + pV1->w * pV2->w;
}

float D3DXVec4LengthSq(const D3DXVECTOR4* pV) { return D3DXVec4Dot(pV, pV); }

float D3DXVec4Length(const D3DXVECTOR4* pV) { return std::sqrt(D3DXVec4LengthSq(pV)); }

D3DXVECTOR4* D3DXVec4Normalize(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV) {
  *pOut = *pV * InverseLength(D3DXVec4LengthSq(pV));
  return pOut;
}

D3DXVECTOR4* D3DXVec4Lerp(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV1, const D3DXVECTOR4* pV2,
                          float s) {
  *pOut = *pV1 + (*pV2 - *pV1) * s;
  return pOut;
}

D3DXVECTOR4* D3DXVec4Minimize(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV1,
                              const D3DXVECTOR4* pV2) {
  *pOut = {std::min(pV1->x, pV2->x), std::min(pV1->y, pV2->y), std::min(pV1->z, pV2->z),
           std::min(pV1->w, pV2->w)};
  return pOut;
}

D3DXVECTOR4* D3DXVec4Maximize(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV1,
                              const D3DXVECTOR4* pV2) {
  *pOut = {std::max(pV1->x, pV2->x), std::max(pV1->y, pV2->y), std::max(pV1->z, pV2->z),
           std::max(pV1->w, pV2->w)};
  return pOut;
}

D3DXVECTOR4* D3DXVec4Transform(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV, const D3DXMATRIX* pM) {
  const D3DXVECTOR4 v = *pV;
  const D3DXMATRIX& m = *pM;
  const D3DXVECTOR4 r(v.x * m._11 + v.y * m._21 + v.z * m._31 + v.w * m._41,
                      v.x * m._12 + v.y * m._22 + v.z * m._32 + v.w * m._42,
                      v.x * m._13 + v.y * m._23 + v.z * m._33 + v.w * m._43,
                      v.x * m._14 + v.y * m._24 + v.z * m._34 + v.w * m._44);
  *pOut = r;
  return pOut;
}
