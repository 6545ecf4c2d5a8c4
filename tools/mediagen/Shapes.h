// Mesh primitives shared by the forest and creature builders: tubes along a curve (trunks,
// twigs, legs), ellipsoids (insect bodies), flat cards (leaves, litter) and the thin
// "carrier" meshes whose first half of vertices lists the points of a path or a web frame.
#pragma once

#include <vector>

#include "XModel.h"

namespace qm::gen {

// Texture rectangle a primitive maps into: u0..u1 around, v0..v1 along.
struct UvRect {
  float u0 = 0, v0 = 0, u1 = 1, v1 = 1;
};

// End reaches for Tube: a short blunt cap (legs, stubs) and a point (a twig ending in the air).
constexpr float kStubCap = 0.6f;
constexpr float kPointReach = 2.5f;

// Tube along the polyline with one radius per point; sides segments around. The texture
// wraps uRepeat times around and repeats along the length every vPeriod units (0: once).
// With endReach > 0 the far end closes in a cone reaching that many last radii past the last
// ring (a stub's cap below 1, a twig's point above it); 0 leaves it open, as the near end
// always is (it starts inside whatever the tube grows from).
XMesh Tube(const std::vector<Vec3>& axis, const std::vector<float>& radii, int sides, UvRect uv,
           float uRepeat, float vPeriod, float endReach);

// Point on the surface of that tube at point index i, on the side facing `toward`, lifted
// `lift` units off the surface.
Vec3 TubeSurfacePoint(const std::vector<Vec3>& axis, const std::vector<float>& radii, size_t i, Vec3 toward,
                      float lift);

// Smooth polyline through control points (Catmull-Rom), `perSegment` points per span.
std::vector<Vec3> SmoothCurve(const std::vector<Vec3>& control, int perSegment);

// Ellipsoid at the centre with the three half-axes; u runs around z, v from top to bottom.
XMesh Ellipsoid(Vec3 centre, Vec3 radii, int slices, int stacks, UvRect uv);

// Flat card with corners origin, origin + a, origin + a + b, origin + b (full texture),
// facing `normal`, bent by `bend` units along the normal at its middle line.
XMesh Card(Vec3 origin, Vec3 a, Vec3 b, Vec3 normal, float bend, UvRect uv);

// Carrier mesh: the points, then the same points moved by `nudge` (zero: invisible, zero-area
// triangles), so the first half of the vertices lists the points in order.
XMesh Carrier(const std::string& name, const std::vector<Vec3>& points, Vec3 nudge, const XMaterial& material);

}  // namespace qm::gen
