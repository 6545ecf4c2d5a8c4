// The plane functions of D3DXMath.h.
#include <cmath>

#include "d3dx/D3DXMath.h"

D3DXPLANE* D3DXPlaneFromPointNormal(D3DXPLANE* pOut, const D3DXVECTOR3* pPoint,
                                    const D3DXVECTOR3* pNormal) {
  *pOut = {pNormal->x, pNormal->y, pNormal->z, -D3DXVec3Dot(pPoint, pNormal)};
  return pOut;
}

D3DXPLANE* D3DXPlaneFromPoints(D3DXPLANE* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2,
                               const D3DXVECTOR3* pV3) {
  const D3DXVECTOR3 edge1 = *pV2 - *pV1;
  const D3DXVECTOR3 edge2 = *pV3 - *pV1;
  D3DXVECTOR3 normal;
  D3DXVec3Cross(&normal, &edge1, &edge2);
  D3DXVec3Normalize(&normal, &normal);
  return D3DXPlaneFromPointNormal(pOut, pV1, &normal);
}

D3DXPLANE* D3DXPlaneNormalize(D3DXPLANE* pOut, const D3DXPLANE* pP) {
  const float lengthSq = pP->a * pP->a + pP->b * pP->b + pP->c * pP->c;
  const float scale = lengthSq > 0.0f ? 1.0f / std::sqrt(lengthSq) : 0.0f;
  *pOut = {pP->a * scale, pP->b * scale, pP->c * scale, pP->d * scale};
  return pOut;
}

float D3DXPlaneDot(const D3DXPLANE* pP, const D3DXVECTOR4* pV) {
  return pP->a * pV->x + pP->b * pV->y + pP->c * pV->z + pP->d * pV->w;
}

float D3DXPlaneDotCoord(const D3DXPLANE* pP, const D3DXVECTOR3* pV) {
  return pP->a * pV->x + pP->b * pV->y + pP->c * pV->z + pP->d;
}

float D3DXPlaneDotNormal(const D3DXPLANE* pP, const D3DXVECTOR3* pV) {
  return pP->a * pV->x + pP->b * pV->y + pP->c * pV->z;
}
