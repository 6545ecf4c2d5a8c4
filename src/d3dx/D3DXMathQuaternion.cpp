// The quaternion functions of D3DXMath.h.
#include <cmath>

#include "d3dx/D3DXMath.h"

D3DXQUATERNION& D3DXQUATERNION::operator*=(const D3DXQUATERNION& q) {
  D3DXQuaternionMultiply(this, this, &q);
  return *this;
}

D3DXQUATERNION* D3DXQuaternionIdentity(D3DXQUATERNION* pOut) {
  *pOut = {0.0f, 0.0f, 0.0f, 1.0f};
  return pOut;
}

bool D3DXQuaternionIsIdentity(const D3DXQUATERNION* pQ) {
  return *pQ == D3DXQUATERNION(0.0f, 0.0f, 0.0f, 1.0f);
}

float D3DXQuaternionDot(const D3DXQUATERNION* pQ1, const D3DXQUATERNION* pQ2) {
  return pQ1->x * pQ2->x + pQ1->y * pQ2->y + pQ1->z * pQ2->z + pQ1->w * pQ2->w;
}

float D3DXQuaternionLengthSq(const D3DXQUATERNION* pQ) { return D3DXQuaternionDot(pQ, pQ); }

float D3DXQuaternionLength(const D3DXQUATERNION* pQ) {
  return std::sqrt(D3DXQuaternionLengthSq(pQ));
}

D3DXQUATERNION* D3DXQuaternionNormalize(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ) {
  const float lengthSq = D3DXQuaternionLengthSq(pQ);
  *pOut = lengthSq > 0.0f ? *pQ / std::sqrt(lengthSq) : D3DXQUATERNION(0, 0, 0, 0);
  return pOut;
}

D3DXQUATERNION* D3DXQuaternionConjugate(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ) {
  *pOut = {-pQ->x, -pQ->y, -pQ->z, pQ->w};
  return pOut;
}

D3DXQUATERNION* D3DXQuaternionInverse(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ) {
  const float lengthSq = D3DXQuaternionLengthSq(pQ);
  if (lengthSq == 0.0f) {
    *pOut = {0.0f, 0.0f, 0.0f, 0.0f};
    return pOut;
  }
  D3DXQuaternionConjugate(pOut, pQ);
  *pOut /= lengthSq;
  return pOut;
}

D3DXQUATERNION* D3DXQuaternionMultiply(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ1,
                                       const D3DXQUATERNION* pQ2) {
  const D3DXQUATERNION a = *pQ2;  // the Hamilton product a b with a = Q2, b = Q1
  const D3DXQUATERNION b = *pQ1;
  *pOut = {a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y,
           a.w * b.y - a.x * b.z + a.y * b.w + a.z * b.x,
           a.w * b.z + a.x * b.y - a.y * b.x + a.z * b.w,
           a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z};
  return pOut;
}

D3DXQUATERNION* D3DXQuaternionRotationAxis(D3DXQUATERNION* pOut, const D3DXVECTOR3* pV,
                                           float angle) {
  D3DXVECTOR3 axis;
  D3DXVec3Normalize(&axis, pV);
  const float s = std::sin(angle / 2.0f);
  *pOut = {axis.x * s, axis.y * s, axis.z * s, std::cos(angle / 2.0f)};
  return pOut;
}

D3DXQUATERNION* D3DXQuaternionRotationMatrix(D3DXQUATERNION* pOut, const D3DXMATRIX* pM) {
  const D3DXMATRIX& m = *pM;
  const float trace = m._11 + m._22 + m._33 + 1.0f;
  // Divide by the largest of the four candidates so that no component comes from a tiny
  // difference of nearly equal numbers.
  if (trace > 1.0f) {
    const float s = 2.0f * std::sqrt(trace);
    *pOut = {(m._23 - m._32) / s, (m._31 - m._13) / s, (m._12 - m._21) / s, 0.25f * s};
  } else if (m._11 >= m._22 && m._11 >= m._33) {
    const float s = 2.0f * std::sqrt(1.0f + m._11 - m._22 - m._33);
    *pOut = {0.25f * s, (m._12 + m._21) / s, (m._13 + m._31) / s, (m._23 - m._32) / s};
  } else if (m._22 >= m._33) {
    const float s = 2.0f * std::sqrt(1.0f + m._22 - m._11 - m._33);
    *pOut = {(m._12 + m._21) / s, 0.25f * s, (m._23 + m._32) / s, (m._31 - m._13) / s};
  } else {
    const float s = 2.0f * std::sqrt(1.0f + m._33 - m._11 - m._22);
    *pOut = {(m._13 + m._31) / s, (m._23 + m._32) / s, 0.25f * s, (m._12 - m._21) / s};
  }
  return pOut;
}

D3DXQUATERNION* D3DXQuaternionRotationYawPitchRoll(D3DXQUATERNION* pOut, float yaw, float pitch,
                                                   float roll) {
  const float sy = std::sin(yaw / 2), cy = std::cos(yaw / 2);
  const float sp = std::sin(pitch / 2), cp = std::cos(pitch / 2);
  const float sr = std::sin(roll / 2), cr = std::cos(roll / 2);
  *pOut = {sy * cp * sr + cy * sp * cr, sy * cp * cr - cy * sp * sr,
           cy * cp * sr - sy * sp * cr, cy * cp * cr + sy * sp * sr};
  return pOut;
}

D3DXQUATERNION* D3DXQuaternionSlerp(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ1,
                                    const D3DXQUATERNION* pQ2, float t) {
  float dot = D3DXQuaternionDot(pQ1, pQ2);
  float sign = 1.0f;
  if (dot < 0.0f) {  // q and -q are the same rotation: take the shorter way
    sign = -1.0f;
    dot = -dot;
  }
  float weight1 = 1.0f - t;
  float weight2 = t;
  // Close quaternions fall back to a linear blend, where sin(theta) would lose all precision.
  if (1.0f - dot > 0.001f) {
    const float theta = std::acos(dot);
    const float sinTheta = std::sin(theta);
    weight1 = std::sin(theta * (1.0f - t)) / sinTheta;
    weight2 = std::sin(theta * t) / sinTheta;
  }
  *pOut = *pQ1 * weight1 + *pQ2 * (sign * weight2);
  return pOut;
}

void D3DXQuaternionToAxisAngle(const D3DXQUATERNION* pQ, D3DXVECTOR3* pAxis, float* pAngle) {
  if (pAxis != nullptr) *pAxis = {pQ->x, pQ->y, pQ->z};
  if (pAngle != nullptr) *pAngle = 2.0f * std::acos(pQ->w);
}
