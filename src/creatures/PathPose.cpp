#include "creatures/PathPose.h"

#include <algorithm>

#include "creatures/CreatureMath.h"

namespace qm {
namespace {

// Flight paths and hand-made test paths may come without up vectors; the glade's up is +z.
D3DXVECTOR3 UpAt(const PathRecord& path, size_t i) {
  return path.ups.size() == path.points.size() ? path.ups[i] : D3DXVECTOR3(0, 0, 1);
}

float SegmentLength(const PathRecord& path, size_t i) {
  const D3DXVECTOR3 step = path.points[i + 1] - path.points[i];
  return D3DXVec3Length(&step);
}

// Turns the segment direction toward the bisector of the nearer inner corner: not at all at
// mid-segment, fully at the corner point. A corner without a bisector (the path doubles back)
// or an end point keeps the segment direction.
D3DXVECTOR3 SmoothCorner(const PathRecord& path, size_t i, float f, const D3DXVECTOR3& direction) {
  const std::vector<D3DXVECTOR3>& p = path.points;
  D3DXVECTOR3 a, b, c;
  float g, sign;
  if (f >= 0.5f) {
    if (i < 1) return direction;
    a = p[i - 1], b = p[i], c = p[i + 1];
    g = (f - 0.5f) * 2.0f;
    sign = -1.0f;
  } else {
    if (i + 2 >= p.size()) return direction;
    a = p[i + 2], b = p[i + 1], c = p[i];
    g = (0.5f - f) * 2.0f;
    sign = 1.0f;
  }
  const D3DXVECTOR3 segment = SafeNormalize(b - c);
  const D3DXVECTOR3 bisector = SafeNormalize(SafeNormalize(a - b) + segment);
  const D3DXVECTOR3 smoothed = SafeNormalize((segment * (1.0f - g) + bisector * g) * sign);
  return D3DXVec3LengthSq(&smoothed) > 0.0f ? smoothed : direction;
}

}  // namespace

bool EvaluatePath(const PathRecord& path, float t, PathPose* pose) {
  const size_t n = path.points.size();
  float total = 0.0f;
  for (size_t i = 0; i + 1 < n; ++i) total += SegmentLength(path, i);
  if (!(total > 0.0f)) return false;

  // Sums are taken in the same order as the total, so s = total is reached on the last
  // segment; segments without length are stepped over, they have no direction.
  const float s = std::clamp(t, 0.0f, 1.0f) * total;
  float sum = 0.0f;
  for (size_t i = 0; i + 1 < n; ++i) {
    const float length = SegmentLength(path, i);
    if (!(length > 0.0f)) continue;
    sum += length;
    if (sum < s) continue;
    const float rest = sum - s;
    const float f = std::clamp(rest / length, 0.0f, 1.0f);
    const D3DXVECTOR3 direction = SafeNormalize(path.points[i + 1] - path.points[i]);
    pose->position = path.points[i + 1] - direction * rest;
    const D3DXVECTOR3 blended = SafeNormalize(UpAt(path, i + 1) * (1.0f - f) + UpAt(path, i) * f);
    const D3DXVECTOR3 up = SquareTo(direction, blended, pose->up);
    pose->direction = SmoothCorner(path, i, f, direction);
    pose->up = SquareTo(pose->direction, up, up);
    return true;
  }
  return false;
}

}  // namespace qm
