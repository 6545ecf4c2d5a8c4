#include "creatures/CreatureMath.h"

#include <algorithm>
#include <cmath>

namespace qm {
namespace {

// Below this squared length a vector counts as having no direction. Paths and headings are
// measured in world units of a glade hundreds of units wide, so this is far below anything
// the animals meet in earnest.
constexpr float kTinyLengthSq = 1e-12f;

bool HasDirection(const D3DXVECTOR3& v) { return D3DXVec3LengthSq(&v) > kTinyLengthSq; }

D3DXVECTOR3 Cross(const D3DXVECTOR3& a, const D3DXVECTOR3& b) {
  D3DXVECTOR3 out;
  D3DXVec3Cross(&out, &a, &b);
  return out;
}

// Some axis perpendicular to v: v crossed with the world axis it is least aligned with.
D3DXVECTOR3 AnyPerpendicular(const D3DXVECTOR3& v) {
  const float ax = std::fabs(v.x), ay = std::fabs(v.y), az = std::fabs(v.z);
  D3DXVECTOR3 axis(0, 0, 0);
  if (ax <= ay && ax <= az) {
    axis.x = 1;
  } else if (ay <= az) {
    axis.y = 1;
  } else {
    axis.z = 1;
  }
  const D3DXVECTOR3 perpendicular = SafeNormalize(Cross(v, axis));
  return HasDirection(perpendicular) ? perpendicular : D3DXVECTOR3(1, 0, 0);
}

}  // namespace

D3DXVECTOR3 SafeNormalize(const D3DXVECTOR3& v) {
  const float lengthSq = D3DXVec3LengthSq(&v);
  if (!(lengthSq > kTinyLengthSq) || !std::isfinite(lengthSq)) return D3DXVECTOR3(0, 0, 0);
  return v / std::sqrt(lengthSq);
}

float AngleBetween(const D3DXVECTOR3& a, const D3DXVECTOR3& b) {
  if (!HasDirection(a) || !HasDirection(b)) return 0.0f;
  const D3DXVECTOR3 na = SafeNormalize(a), nb = SafeNormalize(b);
  return std::acos(std::clamp(D3DXVec3Dot(&na, &nb), -1.0f, 1.0f));
}

D3DXVECTOR3 RotateAbout(const D3DXVECTOR3& v, float angle, const D3DXVECTOR3& axis) {
  if (!HasDirection(axis)) return v;
  const D3DXVECTOR3 unitAxis = SafeNormalize(axis);
  D3DXMATRIX rotation;
  D3DXMatrixRotationAxis(&rotation, &unitAxis, angle);
  D3DXVECTOR3 out;
  D3DXVec3TransformNormal(&out, &v, &rotation);
  return out;
}

D3DXVECTOR3 TurnAxis(const D3DXVECTOR3& from, const D3DXVECTOR3& to,
                     const D3DXVECTOR3& fallback) {
  const D3DXVECTOR3 axis = Cross(SafeNormalize(from), SafeNormalize(to));
  if (HasDirection(axis)) return axis;
  const D3DXVECTOR3 spare = Cross(SafeNormalize(from), SafeNormalize(fallback));
  if (HasDirection(spare)) return fallback;
  return AnyPerpendicular(from);
}

D3DXVECTOR3 SquareTo(const D3DXVECTOR3& base, const D3DXVECTOR3& toward,
                     const D3DXVECTOR3& keep) {
  const D3DXVECTOR3 unitBase = SafeNormalize(base);
  if (!HasDirection(unitBase)) return SafeNormalize(HasDirection(toward) ? toward : keep);
  D3DXVECTOR3 axis = Cross(unitBase, SafeNormalize(toward));
  if (!HasDirection(axis)) axis = Cross(unitBase, SafeNormalize(keep));
  if (!HasDirection(axis)) return AnyPerpendicular(unitBase);
  return SafeNormalize(RotateAbout(unitBase, D3DX_PI / 2, axis));
}

D3DXMATRIX RotationOnto(const D3DXVECTOR3& from, const D3DXVECTOR3& to,
                        const D3DXVECTOR3& fallbackAxis) {
  D3DXMATRIX rotation;
  D3DXMatrixIdentity(&rotation);
  const float angle = AngleBetween(from, to);
  if (angle == 0.0f) return rotation;
  const D3DXVECTOR3 axis = SafeNormalize(TurnAxis(from, to, fallbackAxis));
  D3DXMatrixRotationAxis(&rotation, &axis, angle);
  return rotation;
}

int NonFiniteCount(const D3DXVECTOR3& v) {
  return !std::isfinite(v.x) + !std::isfinite(v.y) + !std::isfinite(v.z);
}

int NonFiniteCount(const D3DXMATRIX& m) {
  int count = 0;
  for (int i = 0; i < 16; ++i) count += !std::isfinite(m.m[i / 4][i % 4]);
  return count;
}

}  // namespace qm
