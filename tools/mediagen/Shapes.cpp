// Mesh primitives: see Shapes.h.
#include "Shapes.h"

#include <cmath>

namespace qm::gen {

namespace {

Vec3 TangentAt(const std::vector<Vec3>& axis, size_t i) {
  size_t a = i == 0 ? 0 : i - 1, b = i + 1 < axis.size() ? i + 1 : i;
  return Normalize(axis[b] - axis[a]);
}

// Ring frames carried along the curve without twisting.
std::vector<Vec3> RingNormals(const std::vector<Vec3>& axis) {
  std::vector<Vec3> out(axis.size());
  Vec3 n = Perpendicular(TangentAt(axis, 0));
  for (size_t i = 0; i < axis.size(); ++i) {
    Vec3 t = TangentAt(axis, i);
    n = Normalize(n - t * Dot(n, t));
    out[i] = n;
  }
  return out;
}

}  // namespace

XMesh Tube(const std::vector<Vec3>& axis, const std::vector<float>& radii, int sides, UvRect uv, float uRepeat,
           float vPeriod, float endReach) {
  XMesh m;
  std::vector<Vec3> normals = RingNormals(axis);
  float along = 0, total = 0;
  for (size_t i = 1; i < axis.size(); ++i) total += Length(axis[i] - axis[i - 1]);
  for (size_t i = 0; i < axis.size(); ++i) {
    if (i > 0) along += Length(axis[i] - axis[i - 1]);
    Vec3 t = TangentAt(axis, i), n = normals[i], b = Cross(t, n);
    float vv = vPeriod > 0 ? along / vPeriod : along / std::fmax(total, 1e-6f);
    for (int s = 0; s <= sides; ++s) {
      float a = 2 * kPi * s / sides;
      Vec3 dir = n * std::cos(a) + b * std::sin(a);
      float u = uv.u0 + (uv.u1 - uv.u0) * uRepeat * s / sides;
      m.AddVertex(axis[i] + dir * radii[i], dir, u, uv.v0 + (uv.v1 - uv.v0) * vv);
    }
  }
  uint32_t ring = static_cast<uint32_t>(sides + 1);
  for (uint32_t i = 0; i + 1 < axis.size(); ++i)
    for (uint32_t s = 0; s < static_cast<uint32_t>(sides); ++s) {
      uint32_t a = i * ring + s, b = a + 1, c = a + ring, d = c + 1;
      m.AddTriangle(a, c, b);
      m.AddTriangle(b, c, d);
    }
  if (endReach > 0) {
    Vec3 t = TangentAt(axis, axis.size() - 1);
    float reach = radii.back() * endReach;
    float vTip = vPeriod > 0 ? (along + reach) / vPeriod : 1.0f;
    uint32_t tip = m.AddVertex(axis.back() + t * reach, t, (uv.u0 + uv.u1) / 2, uv.v0 + (uv.v1 - uv.v0) * vTip);
    uint32_t last = static_cast<uint32_t>(axis.size() - 1) * ring;
    for (uint32_t s = 0; s < static_cast<uint32_t>(sides); ++s) m.AddTriangle(last + s, tip, last + s + 1);
  }
  return m;
}

Vec3 TubeSurfacePoint(const std::vector<Vec3>& axis, const std::vector<float>& radii, size_t i, Vec3 toward,
                      float lift) {
  Vec3 t = TangentAt(axis, i);
  Vec3 d = Normalize(toward - t * Dot(toward, t));
  return axis[i] + d * (radii[i] + lift);
}

std::vector<Vec3> SmoothCurve(const std::vector<Vec3>& c, int perSegment) {
  std::vector<Vec3> out;
  for (size_t i = 0; i + 1 < c.size(); ++i) {
    Vec3 p0 = c[i == 0 ? 0 : i - 1], p1 = c[i], p2 = c[i + 1], p3 = c[i + 2 < c.size() ? i + 2 : i + 1];
    for (int s = 0; s < perSegment; ++s) {
      float t = static_cast<float>(s) / perSegment, t2 = t * t, t3 = t2 * t;
      out.push_back((p1 * 2 + (p2 - p0) * t + (p0 * 2 - p1 * 5 + p2 * 4 - p3) * t2 +
                     (p1 * 3 - p0 - p2 * 3 + p3) * t3) * 0.5f);
    }
  }
  out.push_back(c.back());
  return out;
}

XMesh Ellipsoid(Vec3 centre, Vec3 r, int slices, int stacks, UvRect uv) {
  XMesh m;
  for (int j = 0; j <= stacks; ++j) {
    float th = kPi * j / stacks;
    for (int i = 0; i <= slices; ++i) {
      float ph = 2 * kPi * i / slices;
      Vec3 unit{std::sin(th) * std::cos(ph), std::sin(th) * std::sin(ph), std::cos(th)};
      Vec3 p{unit.x * r.x, unit.y * r.y, unit.z * r.z};
      Vec3 n{unit.x / r.x, unit.y / r.y, unit.z / r.z};
      m.AddVertex(centre + p, n, uv.u0 + (uv.u1 - uv.u0) * i / slices, uv.v0 + (uv.v1 - uv.v0) * j / stacks);
    }
  }
  uint32_t ring = static_cast<uint32_t>(slices + 1);
  for (uint32_t j = 0; j < static_cast<uint32_t>(stacks); ++j)
    for (uint32_t i = 0; i < static_cast<uint32_t>(slices); ++i) {
      uint32_t a = j * ring + i, b = a + 1, c = a + ring, d = c + 1;
      m.AddTriangle(a, b, c);
      m.AddTriangle(b, d, c);
    }
  return m;
}

XMesh Card(Vec3 o, Vec3 a, Vec3 b, Vec3 normal, float bend, UvRect uv) {
  XMesh m;
  Vec3 n = Normalize(normal);
  for (int j = 0; j <= 2; ++j)
    for (int i = 0; i <= 2; ++i) {
      float s = i / 2.0f, t = j / 2.0f;
      float lift = bend * (1 - (2 * s - 1) * (2 * s - 1));
      Vec3 tilt = n + Normalize(a) * ((1 - 2 * s) * bend * 0.08f);
      m.AddVertex(o + a * s + b * t + n * lift, tilt, uv.u0 + (uv.u1 - uv.u0) * s, uv.v0 + (uv.v1 - uv.v0) * t);
    }
  for (uint32_t j = 0; j < 2; ++j)
    for (uint32_t i = 0; i < 2; ++i) {
      uint32_t p = j * 3 + i;
      m.AddTriangle(p, p + 1, p + 3);
      m.AddTriangle(p + 1, p + 4, p + 3);
    }
  return m;
}

XMesh Carrier(const std::string& name, const std::vector<Vec3>& points, Vec3 nudge, const XMaterial& material) {
  XMesh m;
  m.name = name;
  for (Vec3 p : points) m.AddVertex(p, {0, -1, 0}, 0.5f, 0.5f);
  for (Vec3 p : points) m.AddVertex(p + nudge, {0, -1, 0}, 0.5f, 0.5f);
  uint32_t h = static_cast<uint32_t>(points.size());
  for (uint32_t i = 0; i + 1 < h; ++i) {
    m.AddTriangle(i, i + 1, h + i);
    m.AddTriangle(i + 1, h + i + 1, h + i);
  }
  m.materials.push_back(material);
  return m;
}

}  // namespace qm::gen
