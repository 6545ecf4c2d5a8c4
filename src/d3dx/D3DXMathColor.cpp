// The colour functions of D3DXMath.h and the packing of D3DXCOLOR.
#include <algorithm>
#include <cmath>

#include "d3dx/D3DXMath.h"

namespace {

constexpr float kByteScale = 1.0f / 255.0f;

DWORD PackChannel(float value, int shift) {
  const float clamped = std::clamp(value, 0.0f, 1.0f);
  return static_cast<DWORD>(std::lround(clamped * 255.0f)) << shift;
}

float UnpackChannel(DWORD argb, int shift) {
  return static_cast<float>((argb >> shift) & 0xFFu) * kByteScale;
}

}  // namespace

D3DXCOLOR::D3DXCOLOR(DWORD argb)
    : r(UnpackChannel(argb, 16)),
      g(UnpackChannel(argb, 8)),
      b(UnpackChannel(argb, 0)),
      a(UnpackChannel(argb, 24)) {}

D3DXCOLOR::operator DWORD() const {
  return PackChannel(a, 24) | PackChannel(r, 16) | PackChannel(g, 8) | PackChannel(b, 0);
}

D3DXCOLOR* D3DXColorAdd(D3DXCOLOR* pOut, const D3DXCOLOR* pC1, const D3DXCOLOR* pC2) {
  *pOut = *pC1 + *pC2;
  return pOut;
}

D3DXCOLOR* D3DXColorSubtract(D3DXCOLOR* pOut, const D3DXCOLOR* pC1, const D3DXCOLOR* pC2) {
  *pOut = *pC1 - *pC2;
  return pOut;
}

D3DXCOLOR* D3DXColorScale(D3DXCOLOR* pOut, const D3DXCOLOR* pC, float s) {
  *pOut = *pC * s;
  return pOut;
}

D3DXCOLOR* D3DXColorModulate(D3DXCOLOR* pOut, const D3DXCOLOR* pC1, const D3DXCOLOR* pC2) {
  *pOut = {pC1->r * pC2->r, pC1->g * pC2->g, pC1->b * pC2->b, pC1->a * pC2->a};
  return pOut;
}

D3DXCOLOR* D3DXColorLerp(D3DXCOLOR* pOut, const D3DXCOLOR* pC1, const D3DXCOLOR* pC2, float s) {
  *pOut = *pC1 + (*pC2 - *pC1) * s;
  return pOut;
}

D3DXCOLOR* D3DXColorNegative(D3DXCOLOR* pOut, const D3DXCOLOR* pC) {
  *pOut = {1.0f - pC->r, 1.0f - pC->g, 1.0f - pC->b, pC->a};
  return pOut;
}
