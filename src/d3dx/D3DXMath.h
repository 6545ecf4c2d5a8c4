// D3DXMath: the vector, matrix, quaternion, plane and colour functions of the D3DX utility
// library, with their published semantics.
//
// Camera, scene, ray, mesh and creature code call these by their original names. Every
// function writes its result through the first pointer and returns it, so calls nest; the
// output may alias an input. Matrices act on row vectors (v x M), so D3DXMatrixMultiply
// (out, A, B) gives the transform that applies A first; LH and RH variants follow the
// left- and right-handed conventions of the original library.
//
// Sections: vector 2 - vector 3 - vector 4 - matrix - quaternion - plane - colour.
#pragma once

#include "d3dx/D3DXMathTypes.h"

constexpr float D3DX_PI = 3.141592654f;
constexpr float D3DX_1BYPI = 0.318309886f;

constexpr float D3DXToRadian(float degree) { return degree * (D3DX_PI / 180.0f); }
constexpr float D3DXToDegree(float radian) { return radian * (180.0f / D3DX_PI); }

// ---------------------------------------------------------------------------------------------
// Vector 2
// ---------------------------------------------------------------------------------------------
D3DXVECTOR2* D3DXVec2Add(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV1, const D3DXVECTOR2* pV2);
D3DXVECTOR2* D3DXVec2Subtract(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV1, const D3DXVECTOR2* pV2);
D3DXVECTOR2* D3DXVec2Scale(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV, float s);
float D3DXVec2Dot(const D3DXVECTOR2* pV1, const D3DXVECTOR2* pV2);
// The z component of the 3-D cross product: positive when V2 lies counter-clockwise of V1.
float D3DXVec2CCW(const D3DXVECTOR2* pV1, const D3DXVECTOR2* pV2);
float D3DXVec2Length(const D3DXVECTOR2* pV);
float D3DXVec2LengthSq(const D3DXVECTOR2* pV);
// A zero vector normalises to zero rather than to NaNs.
D3DXVECTOR2* D3DXVec2Normalize(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV);
D3DXVECTOR2* D3DXVec2Lerp(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV1, const D3DXVECTOR2* pV2,
                          float s);
D3DXVECTOR2* D3DXVec2Minimize(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV1, const D3DXVECTOR2* pV2);
D3DXVECTOR2* D3DXVec2Maximize(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV1, const D3DXVECTOR2* pV2);
// (x, y, 0, 1) x M, divided by the resulting w.
D3DXVECTOR2* D3DXVec2TransformCoord(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV,
                                    const D3DXMATRIX* pM);

// ---------------------------------------------------------------------------------------------
// Vector 3
// ---------------------------------------------------------------------------------------------
D3DXVECTOR3* D3DXVec3Add(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2);
D3DXVECTOR3* D3DXVec3Subtract(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2);
D3DXVECTOR3* D3DXVec3Scale(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV, float s);
float D3DXVec3Dot(const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2);
// Right-handed in the usual sense: (1,0,0) x (0,1,0) = (0,0,1).
D3DXVECTOR3* D3DXVec3Cross(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2);
float D3DXVec3Length(const D3DXVECTOR3* pV);
float D3DXVec3LengthSq(const D3DXVECTOR3* pV);
// A zero vector normalises to zero rather than to NaNs.
D3DXVECTOR3* D3DXVec3Normalize(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV);
D3DXVECTOR3* D3DXVec3Lerp(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2,
                          float s);
D3DXVECTOR3* D3DXVec3Minimize(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2);
D3DXVECTOR3* D3DXVec3Maximize(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2);
// (x, y, z, 1) x M, divided by the resulting w: a point through a full transform.
D3DXVECTOR3* D3DXVec3TransformCoord(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV,
                                    const D3DXMATRIX* pM);
// (x, y, z, 0) x M: a direction, untouched by translation.
D3DXVECTOR3* D3DXVec3TransformNormal(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV,
                                     const D3DXMATRIX* pM);
// (x, y, z, 1) x M without the divide.
D3DXVECTOR4* D3DXVec3Transform(D3DXVECTOR4* pOut, const D3DXVECTOR3* pV, const D3DXMATRIX* pM);

// ---------------------------------------------------------------------------------------------
// Vector 4
// ---------------------------------------------------------------------------------------------
D3DXVECTOR4* D3DXVec4Add(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV1, const D3DXVECTOR4* pV2);
D3DXVECTOR4* D3DXVec4Subtract(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV1, const D3DXVECTOR4* pV2);
D3DXVECTOR4* D3DXVec4Scale(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV, float s);
float D3DXVec4Dot(const D3DXVECTOR4* pV1, const D3DXVECTOR4* pV2);
float D3DXVec4Length(const D3DXVECTOR4* pV);
float D3DXVec4LengthSq(const D3DXVECTOR4* pV);
D3DXVECTOR4* D3DXVec4Normalize(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV);
D3DXVECTOR4* D3DXVec4Lerp(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV1, const D3DXVECTOR4* pV2,
                          float s);
D3DXVECTOR4* D3DXVec4Minimize(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV1, const D3DXVECTOR4* pV2);
D3DXVECTOR4* D3DXVec4Maximize(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV1, const D3DXVECTOR4* pV2);
D3DXVECTOR4* D3DXVec4Transform(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV, const D3DXMATRIX* pM);

// ---------------------------------------------------------------------------------------------
// Matrix
// ---------------------------------------------------------------------------------------------
D3DXMATRIX* D3DXMatrixIdentity(D3DXMATRIX* pOut);
bool D3DXMatrixIsIdentity(const D3DXMATRIX* pM);
// pOut = M1 x M2: transforms by M1, then by M2.
D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* pOut, const D3DXMATRIX* pM1, const D3DXMATRIX* pM2);
D3DXMATRIX* D3DXMatrixTranspose(D3DXMATRIX* pOut, const D3DXMATRIX* pM);
float D3DXMatrixDeterminant(const D3DXMATRIX* pM);
// Writes the determinant when pDeterminant is given; returns null (pOut untouched) when M is
// singular.
D3DXMATRIX* D3DXMatrixInverse(D3DXMATRIX* pOut, float* pDeterminant, const D3DXMATRIX* pM);
D3DXMATRIX* D3DXMatrixTranslation(D3DXMATRIX* pOut, float x, float y, float z);
D3DXMATRIX* D3DXMatrixScaling(D3DXMATRIX* pOut, float sx, float sy, float sz);
// Rotations by an angle in radians, clockwise when looking along the axis toward the origin.
D3DXMATRIX* D3DXMatrixRotationX(D3DXMATRIX* pOut, float angle);
D3DXMATRIX* D3DXMatrixRotationY(D3DXMATRIX* pOut, float angle);
D3DXMATRIX* D3DXMatrixRotationZ(D3DXMATRIX* pOut, float angle);
// The axis need not be normalised.
D3DXMATRIX* D3DXMatrixRotationAxis(D3DXMATRIX* pOut, const D3DXVECTOR3* pV, float angle);
D3DXMATRIX* D3DXMatrixRotationQuaternion(D3DXMATRIX* pOut, const D3DXQUATERNION* pQ);
// Roll about z first, then pitch about x, then yaw about y.
D3DXMATRIX* D3DXMatrixRotationYawPitchRoll(D3DXMATRIX* pOut, float yaw, float pitch, float roll);
// Msc^-1 x Msr^-1 x Ms x Msr x Msc x Mrc^-1 x Mr x Mrc x Mt, where a null argument is the
// identity: scaling about a centre along rotated axes, rotation about a centre, translation.
D3DXMATRIX* D3DXMatrixTransformation(D3DXMATRIX* pOut, const D3DXVECTOR3* pScalingCenter,
                                     const D3DXQUATERNION* pScalingRotation,
                                     const D3DXVECTOR3* pScaling,
                                     const D3DXVECTOR3* pRotationCenter,
                                     const D3DXQUATERNION* pRotation,
                                     const D3DXVECTOR3* pTranslation);
// Ms x Mrc^-1 x Mr x Mrc x Mt with a uniform scale.
D3DXMATRIX* D3DXMatrixAffineTransformation(D3DXMATRIX* pOut, float scaling,
                                           const D3DXVECTOR3* pRotationCenter,
                                           const D3DXQUATERNION* pRotation,
                                           const D3DXVECTOR3* pTranslation);
D3DXMATRIX* D3DXMatrixLookAtLH(D3DXMATRIX* pOut, const D3DXVECTOR3* pEye, const D3DXVECTOR3* pAt,
                               const D3DXVECTOR3* pUp);
D3DXMATRIX* D3DXMatrixLookAtRH(D3DXMATRIX* pOut, const D3DXVECTOR3* pEye, const D3DXVECTOR3* pAt,
                               const D3DXVECTOR3* pUp);
// Projections map view-space depth zn..zf to 0..1, Direct3D's clip range.
D3DXMATRIX* D3DXMatrixPerspectiveFovLH(D3DXMATRIX* pOut, float fovy, float aspect, float zn,
                                       float zf);
D3DXMATRIX* D3DXMatrixPerspectiveFovRH(D3DXMATRIX* pOut, float fovy, float aspect, float zn,
                                       float zf);
D3DXMATRIX* D3DXMatrixPerspectiveLH(D3DXMATRIX* pOut, float w, float h, float zn, float zf);
D3DXMATRIX* D3DXMatrixPerspectiveRH(D3DXMATRIX* pOut, float w, float h, float zn, float zf);
D3DXMATRIX* D3DXMatrixOrthoLH(D3DXMATRIX* pOut, float w, float h, float zn, float zf);
D3DXMATRIX* D3DXMatrixOrthoRH(D3DXMATRIX* pOut, float w, float h, float zn, float zf);
D3DXMATRIX* D3DXMatrixOrthoOffCenterLH(D3DXMATRIX* pOut, float l, float r, float b, float t,
                                       float zn, float zf);
D3DXMATRIX* D3DXMatrixOrthoOffCenterRH(D3DXMATRIX* pOut, float l, float r, float b, float t,
                                       float zn, float zf);

// ---------------------------------------------------------------------------------------------
// Quaternion
// ---------------------------------------------------------------------------------------------
D3DXQUATERNION* D3DXQuaternionIdentity(D3DXQUATERNION* pOut);
bool D3DXQuaternionIsIdentity(const D3DXQUATERNION* pQ);
float D3DXQuaternionDot(const D3DXQUATERNION* pQ1, const D3DXQUATERNION* pQ2);
float D3DXQuaternionLength(const D3DXQUATERNION* pQ);
float D3DXQuaternionLengthSq(const D3DXQUATERNION* pQ);
// A zero quaternion normalises to zero rather than to NaNs.
D3DXQUATERNION* D3DXQuaternionNormalize(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ);
D3DXQUATERNION* D3DXQuaternionConjugate(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ);
// Conjugate divided by the squared length; a zero quaternion gives zero rather than NaNs.
D3DXQUATERNION* D3DXQuaternionInverse(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ);
// The rotation by Q1 followed by Q2 (the Hamilton product Q2 Q1).
D3DXQUATERNION* D3DXQuaternionMultiply(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ1,
                                       const D3DXQUATERNION* pQ2);
// The axis need not be normalised.
D3DXQUATERNION* D3DXQuaternionRotationAxis(D3DXQUATERNION* pOut, const D3DXVECTOR3* pV,
                                           float angle);
// The rotation part of M (which must be a pure rotation for a meaningful answer).
D3DXQUATERNION* D3DXQuaternionRotationMatrix(D3DXQUATERNION* pOut, const D3DXMATRIX* pM);
D3DXQUATERNION* D3DXQuaternionRotationYawPitchRoll(D3DXQUATERNION* pOut, float yaw, float pitch,
                                                   float roll);
// Spherical interpolation along the shorter arc: t = 0 gives Q1, t = 1 gives Q2 or -Q2.
D3DXQUATERNION* D3DXQuaternionSlerp(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ1,
                                    const D3DXQUATERNION* pQ2, float t);
// The axis is (x, y, z) as stored, not normalised; the angle is 2 acos(w).
void D3DXQuaternionToAxisAngle(const D3DXQUATERNION* pQ, D3DXVECTOR3* pAxis, float* pAngle);

// ---------------------------------------------------------------------------------------------
// Plane
// ---------------------------------------------------------------------------------------------
D3DXPLANE* D3DXPlaneFromPointNormal(D3DXPLANE* pOut, const D3DXVECTOR3* pPoint,
                                    const D3DXVECTOR3* pNormal);
// The plane through three points with normal normalise((V2 - V1) x (V3 - V1)).
D3DXPLANE* D3DXPlaneFromPoints(D3DXPLANE* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2,
                               const D3DXVECTOR3* pV3);
D3DXPLANE* D3DXPlaneNormalize(D3DXPLANE* pOut, const D3DXPLANE* pP);
float D3DXPlaneDot(const D3DXPLANE* pP, const D3DXVECTOR4* pV);
// a x + b y + c z + d: the signed distance of a point when the plane is normalised.
float D3DXPlaneDotCoord(const D3DXPLANE* pP, const D3DXVECTOR3* pV);
float D3DXPlaneDotNormal(const D3DXPLANE* pP, const D3DXVECTOR3* pV);

// ---------------------------------------------------------------------------------------------
// Colour
// ---------------------------------------------------------------------------------------------
D3DXCOLOR* D3DXColorAdd(D3DXCOLOR* pOut, const D3DXCOLOR* pC1, const D3DXCOLOR* pC2);
D3DXCOLOR* D3DXColorSubtract(D3DXCOLOR* pOut, const D3DXCOLOR* pC1, const D3DXCOLOR* pC2);
D3DXCOLOR* D3DXColorScale(D3DXCOLOR* pOut, const D3DXCOLOR* pC, float s);
D3DXCOLOR* D3DXColorModulate(D3DXCOLOR* pOut, const D3DXCOLOR* pC1, const D3DXCOLOR* pC2);
D3DXCOLOR* D3DXColorLerp(D3DXCOLOR* pOut, const D3DXCOLOR* pC1, const D3DXCOLOR* pC2, float s);
// 1 - r, 1 - g, 1 - b; alpha kept.
D3DXCOLOR* D3DXColorNegative(D3DXCOLOR* pOut, const D3DXCOLOR* pC);
