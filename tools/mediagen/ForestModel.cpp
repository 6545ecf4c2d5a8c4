// The forest glade model: see ForestModel.h.
//
// Sections: materials and names; the woody parts; the floor; swaying branches; leaf
// clusters and their templates; carriers (web frame, paths, strands); balancing and offset.
#include "ForestModel.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>

#include "Noise.h"
#include "Shapes.h"

namespace qm::gen {

namespace {

// ---- materials and names ------------------------------------------------------------------

const char* const kTreeBig = "Tree_big.jpg";
const char* const kTreeSmall = "Tree_small.jpg";
const char* const kLeaf = "Leaves.dds";
const char* const kSpray = "Leaves_brunch.dds";

XMaterial Textured(const char* texture, Rgba tint, float glow) {
  XMaterial m;
  m.diffuse = tint;
  m.texture = texture;
  m.emissive = {tint.r * glow, tint.g * glow, tint.b * glow};
  return m;
}

XFrame MeshFrame(const std::string& name, XMesh mesh, const Mat4& matrix = Mat4{}) {
  XFrame f;
  f.name = name;
  f.matrix = matrix;
  mesh.name = name + "_mesh";
  f.meshes.push_back(std::move(mesh));
  return f;
}

std::vector<float> Taper(size_t n, float from, float to) {
  std::vector<float> r(n);
  for (size_t i = 0; i < n; ++i) r[i] = from + (to - from) * static_cast<float>(i) / static_cast<float>(n - 1);
  return r;
}

// ---- the woody parts ----------------------------------------------------------------------

using Limb = ForestLimb;

// A twig's radius along it: the base flares a little where it leaves what it grows from,
// then the twig thins slowly and, toward its end, quickly down to kTipFraction of its base.
constexpr float kTipFraction = 0.1f;
constexpr float kBaseFlare = 0.3f;

std::vector<float> TwigRadii(size_t n, float r0) {
  std::vector<float> r(n);
  for (size_t i = 0; i < n; ++i) {
    float t = static_cast<float>(i) / static_cast<float>(n - 1);
    float flare = std::fmax(0.0f, 1 - t / 0.12f);
    r[i] = r0 * Mix(1.0f, kTipFraction, std::pow(t, 1.5f)) * (1 + kBaseFlare * flare * flare);
  }
  return r;
}

// A side twig: it leaves `parent` at the fraction `at` of its axis, heading `out`, and bends
// toward `bend` as it grows `length` long. Its base is `girth` of the parent's radius there.
struct SideTwig {
  const char* name;
  const char* parent;
  float at;
  Vec3 out, bend;
  float length, girth;
};

// Where it leaves, the side twig's axis starts this deep inside its parent (as a share of the
// parent's radius), so the joint shows no gap on any side.
constexpr float kSideTwigRoot = 0.4f;

// Where something growing out of `parent` at its axis point i toward `out` starts: inside the
// parent, on the side it leaves from.
Vec3 RootIn(const Limb& parent, size_t i, Vec3 out) {
  size_t j = std::min(i + 1, parent.axis.size() - 1), h = i > 0 ? i - 1 : i;
  Vec3 along = Normalize(parent.axis[j] - parent.axis[h]);
  Vec3 radial = Normalize(out - along * Dot(out, along));
  return parent.axis[i] + radial * (parent.radii[i] * kSideTwigRoot);
}

Limb GrowSideTwig(const SideTwig& spec, const Limb& parent) {
  size_t i = static_cast<size_t>(std::lround(spec.at * static_cast<float>(parent.axis.size() - 1)));
  Vec3 out = Normalize(spec.out);
  Vec3 root = RootIn(parent, i, out);
  Vec3 bend = spec.bend * spec.length;
  std::vector<Vec3> control = {root, root + out * (spec.length * 0.35f) + bend * 0.04f,
                               root + out * (spec.length * 0.7f) + bend * 0.18f,
                               root + out * spec.length + bend * 0.45f};
  Limb l{spec.name, SmoothCurve(control, 3), {}, spec.parent};
  l.radii = TwigRadii(l.axis.size(), parent.radii[i] * spec.girth);
  return l;
}

// Forks off the twigs and trunks, kept out of the open space the web spans and off the sides
// of their parents that the walking paths use.
const SideTwig kSideTwigs[] = {
    {"side_twig00", "tree_twig03", 0.33f, {-1, -0.2f, 0.7f}, {0.2f, 0, 1}, 20, 0.38f},
    {"side_twig01", "tree_twig02", 0.42f, {1, -0.15f, 0.6f}, {-0.2f, 0, 1}, 18, 0.38f},
    {"side_twig02", "tree_branch01", 0.42f, {0.3f, 0.9f, 0.8f}, {0.6f, 0, 0}, 16, 0.35f},
    {"side_twig03", "tree_branch01", 0.16f, {-0.35f, 0.2f, -1}, {-0.6f, 0, 0.4f}, 18, 0.35f},
    {"side_twig04", "tree_big01", 0.3f, {1, -0.1f, 0.3f}, {0, 0, 1}, 27, 0.1f},
    {"side_twig05", "tree_big02", 0.4f, {-1, 0.3f, 0.35f}, {0, 0, 1}, 26, 0.12f},
    {"side_twig06", "side_twig01", 0.45f, {0.2f, -0.2f, 1}, {-0.5f, 0, 0.2f}, 8, 0.6f},
    {"side_twig07", "side_twig00", 0.5f, {-0.3f, -0.2f, 1}, {0.5f, 0, 0.2f}, 8, 0.6f},
    {"side_twig08", "side_twig04", 0.55f, {0.4f, -0.3f, 1}, {0.5f, 0, 0}, 9, 0.6f},
};

const Limb& FindLimb(const std::vector<Limb>& limbs, const std::string& name) {
  for (const Limb& l : limbs)
    if (l.name == name) return l;
  return limbs.front();
}

}  // namespace

const Vec3 kFrameLoop[8] = {{-42, kWebY, 17},   {-8, kWebY, 16},      {30, kWebY, 14},   {28, kWebY, -14},
                            {24, kWebY, -41},   {-8, kWebY, -41.5f},  {-44, kWebY, -41}, {-46, kWebY, -12}};

std::vector<ForestLimb> ForestLimbs() {
  std::vector<Limb> limbs;
  auto trunk = [&](const char* name, std::vector<Vec3> control, int per, float r0, float r1) {
    Limb l{name, SmoothCurve(control, per), {}, ""};
    l.radii = Taper(l.axis.size(), r0, r1);
    limbs.push_back(l);
  };
  auto twig = [&](const char* name, const char* parent, std::vector<Vec3> control, int per, float r0) {
    Limb l{name, SmoothCurve(control, per), {}, parent};
    l.radii = TwigRadii(l.axis.size(), r0);
    limbs.push_back(l);
  };
  trunk("tree_big01", {{-97, 22, -64}, {-95, 21, -30}, {-94, 20, 10}, {-95, 19, 50}, {-91, 18, 88}}, 3, 20, 16);
  trunk("tree_big02", {{76, 60, -62}, {74, 59, -30}, {72, 58, 20}, {70, 57, 85}}, 3, 12, 9);
  trunk("tree_log01", {{110, -30, -51}, {60, -22, -49}, {30, kWebY, -47.5f}, {-8, kWebY, -47.5f}, {-50, kWebY, -47.5f},
                       {-106, -8, -47}}, 3, 6.5f, 6.0f);
  // The twigs that carry the web bow gently outward between the frame's corners, so the web's
  // edges span open space beside them. The upright ones rise out of the log and lean in front
  // of the branch where they reach it, their thin ends running on a little past it.
  twig("tree_branch01", "tree_big01",
       {{-88, 22, 30}, {-66, 0, 22}, kFrameLoop[0], {-25, kWebY, 18.4f}, kFrameLoop[1], {11, kWebY, 16.5f},
        kFrameLoop[2], {39, -21, 12.8f}, {45, -22, 10}, {49, -23, 6}},
       4, 3.0f);
  twig("tree_twig02", "tree_log01",
       {{20, -19.5f, -50}, kFrameLoop[4], {26.6f, kWebY, -27}, kFrameLoop[3], {30.6f, -21.2f, 0},
        {30.6f, -22.8f, 14}, {31.3f, -23.2f, 18.5f}, {30.8f, -23.4f, 22}},
       4, 1.8f);
  twig("tree_twig03", "tree_log01",
       {{-42, -19.5f, -51}, kFrameLoop[6], {-47, kWebY, -26}, kFrameLoop[7], {-45.4f, -21.2f, 3},
        {-42, -22.8f, 17}, {-41.4f, -23.2f, 21}, {-42.2f, -23.4f, 24}},
       4, 1.9f);
  for (const SideTwig& s : kSideTwigs) limbs.push_back(GrowSideTwig(s, FindLimb(limbs, s.parent)));
  return limbs;
}

namespace {

// The log's bark grain winds once around it over this length. Lying across the view, a log
// whose plates ran straight along it would show each plate and furrow as one unbroken band
// from edge to edge; winding, they cross the view at a slant and end where they leave it.
constexpr float kLogGrainTurn = 300;

XFrame LimbFrame(const Limb& l) {
  // Trunks and the fallen log wear the coarse bark, twigs the fine one. The plates repeat
  // along the limb at about their own width so they do not stretch into long stripes, and
  // twice around the big limbs so that they stay narrow.
  bool log = l.name == "tree_log01";
  bool big = l.radii[0] > 8 || log;
  bool pointed = !l.parent.empty();
  float circumference = 2 * kPi * l.radii[0];
  float uRepeat = big ? 2.0f : 1.0f, vPeriod = circumference / uRepeat;
  int sides = big ? 28 : l.radii[0] > 1.2f ? 10 : 7;
  XMesh m = Tube(l.axis, l.radii, sides, {}, uRepeat, vPeriod, pointed ? kPointReach : 0);
  if (log)
    for (auto& uv : m.uvs) uv[0] += uv[1] * vPeriod / kLogGrainTurn * uRepeat;
  Rgba tint = log ? Rgba{0.8f, 0.9f, 0.62f, 1} : Rgba{0.92f, 0.86f, 0.8f, 1};
  m.materials.push_back(Textured(big ? kTreeBig : kTreeSmall, tint, 0.12f));
  // Roughen the bark so the silhouette is not a perfect cylinder; a twig's less as it thins,
  // so that its point stays a point.
  const size_t ring = static_cast<size_t>(sides) + 1;
  for (size_t i = 0; i < m.positions.size(); ++i) {
    float n = Fbm(m.uvs[i][0] * 6, m.uvs[i][1] * 3, 77, 3, static_cast<int>(6 * uRepeat), 0) - 0.5f;
    float thinning = l.radii[std::min(i / ring, l.radii.size() - 1)] / l.radii[0];
    m.positions[i] = m.positions[i] + m.normals[i] * (n * (big ? 1.2f : 0.25f) * thinning);
  }
  return MeshFrame(l.name, m);
}

// ---- the floor ----------------------------------------------------------------------------

const char* const kGround = "Ground.jpg";

float GroundHeight(float x, float y) {
  return -62 + 0.13f * (y + 40) + (Fbm(x * 0.04f, y * 0.04f, 5, 3) - 0.5f) * 6;
}

// The floor's grid: rows from the front edge back, each as wide as the view there.
constexpr int kFloorColumns = 30, kFloorRows = 12;
constexpr float kFloorFront = -36, kFloorDepth = 96;
constexpr float kFloorTextureSpan = 45;  // units of floor one tile of its texture covers

float FloorRowY(int j) { return kFloorFront + kFloorDepth * static_cast<float>(j) / kFloorRows; }

// Half the width of the floor at depth y, about its middle x = -10. Rows follow the view's
// widening so that no vertex lies far outside it.
float FloorHalfWidth(float y) { return std::fmin(0.58f * (y + 138) + 10, std::sqrt(118.0f * 118 - y * y - 50 * 50)); }

Vec3 FloorVertex(int i, int j) {
  float y = FloorRowY(j), half = FloorHalfWidth(y);
  float x = -10 - half + 2 * half * static_cast<float>(i) / kFloorColumns;
  return {x, y, GroundHeight(x, y)};
}

// Height of the floor as drawn (its triangles, not the smooth field they sample) at (x, y),
// so that what lies on it neither floats nor sinks in.
float FloorSurfaceHeight(float x, float y) {
  float rowF = (y - kFloorFront) / kFloorDepth * kFloorRows;
  int j = std::clamp(static_cast<int>(std::floor(rowF)), 0, kFloorRows - 1);
  float t = std::clamp(rowF - static_cast<float>(j), 0.0f, 1.0f);
  float half = Mix(FloorHalfWidth(FloorRowY(j)), FloorHalfWidth(FloorRowY(j + 1)), t);
  int around = static_cast<int>(std::floor((x + 10 + half) / (2 * half) * kFloorColumns));
  // Of the triangles in the cells around the point, the one it lies in (or is closest to).
  float best = -1e9f, height = GroundHeight(x, y);
  for (int i = std::max(0, around - 1); i <= std::min(kFloorColumns - 1, around + 1); ++i) {
    Vec3 a = FloorVertex(i, j), b = FloorVertex(i + 1, j), c = FloorVertex(i, j + 1), d = FloorVertex(i + 1, j + 1);
    const Vec3 tris[2][3] = {{a, b, c}, {b, d, c}};
    for (const auto& tri : tris) {
      Vec3 p = tri[0], e1 = tri[1] - p, e2 = tri[2] - p;
      float det = e1.x * e2.y - e1.y * e2.x;
      float s1 = ((x - p.x) * e2.y - (y - p.y) * e2.x) / det, s2 = (e1.x * (y - p.y) - e1.y * (x - p.x)) / det;
      float inside = std::min({s1, s2, 1 - s1 - s2});
      if (inside > best) {
        best = inside;
        height = p.z + e1.z * s1 + e2.z * s2;
      }
    }
  }
  return height;
}

XMesh FloorMesh() {
  XMesh m;
  for (int j = 0; j <= kFloorRows; ++j)
    for (int i = 0; i <= kFloorColumns; ++i) {
      Vec3 p = FloorVertex(i, j);
      Vec3 n = Normalize({GroundHeight(p.x - 1, p.y) - GroundHeight(p.x + 1, p.y),
                          GroundHeight(p.x, p.y - 1) - GroundHeight(p.x, p.y + 1), 2});
      m.AddVertex(p, Normalize(n + Vec3{0, -0.6f, 0}), p.x / kFloorTextureSpan, p.y / kFloorTextureSpan);
    }
  const uint32_t row = kFloorColumns + 1;
  for (uint32_t j = 0; j < kFloorRows; ++j)
    for (uint32_t i = 0; i < kFloorColumns; ++i) {
      uint32_t a = j * row + i;
      // Wound as the limbs' outsides are, so that the opaque layer can be drawn with back
      // faces culled: the floor is only ever seen from above.
      m.AddTriangle(a, a + row, a + 1);
      m.AddTriangle(a + 1, a + row, a + row + 1);
    }
  m.materials.push_back(Textured(kGround, {0.9f, 0.86f, 0.8f, 1}, 0.1f));
  return m;
}

// One fallen leaf lying on the floor: a card of 3 x 3 points, each following the floor's
// height, its sides curled up a little and its tip lifted, as dry leaves lie.
XMesh LitterLeaf(Vec3 at, float angle, float length, float curl, float lift) {
  Vec3 along{std::cos(angle), std::sin(angle), 0};
  Vec3 across{-along.y, along.x, 0};
  const float width = length * 0.5f;
  XMesh m = Card(at - across * (width / 2) - along * (0.2f * length), across * width, along * length, {0, 0, 1}, 0,
                 {0, 1, 1, 0});
  for (size_t k = 0; k < m.positions.size(); ++k) {
    float side = static_cast<float>(k % 3) - 1, t = static_cast<float>(k / 3) / 2;
    Vec3& p = m.positions[k];
    p.z = FloorSurfaceHeight(p.x, p.y) + lift + curl * (side * side + 0.6f * t * t);
    Vec3 n = Normalize(Vec3{0, 0, 1} - across * (side * curl * 0.6f));
    m.normals[k] = Normalize(n + Vec3{0, -0.6f, 0});
  }
  return m;
}

// Fallen leaves in autumn tints, scattered over the floor. Their count is held where the
// model's vertex count (and with it the time to load it) stays as it was.
constexpr int kLitterLeaves = 250;

void AddLeafLitter(XMesh& m) {
  Rng rng(11);
  const Rgba tints[] = {{1.1f, 0.7f, 0.3f, 1}, {0.9f, 0.52f, 0.24f, 1}, {1.15f, 0.95f, 0.42f, 1},
                        {0.8f, 0.66f, 0.38f, 1}, {0.9f, 1.0f, 0.5f, 1}};
  const uint32_t first = static_cast<uint32_t>(m.materials.size());
  for (const Rgba& tint : tints) m.materials.push_back(Textured(kLeaf, tint, 0.1f));
  const int kinds = static_cast<int>(std::size(tints));
  for (int k = 0; k < kLitterLeaves; ++k) {
    float length = rng.Range(6, 11);
    // Wholly on the floor: a leaf reaches less than its length from where it is placed.
    float y = rng.Range(-12, kFloorFront + kFloorDepth - length);
    float half = std::fmin(FloorHalfWidth(y - length), FloorHalfWidth(y + length)) - length;
    float x = -10 + rng.Range(-half, half);
    float angle = rng.Range(0, 2 * kPi), curl = rng.Range(0.15f, 0.6f);
    // Leaves that overlap lie at slightly different heights so that neither flickers through
    // the other; a handful of steps is enough, and keeps every leaf close to the floor. Four
    // steps against five tints: neighbours in the sequence differ in both.
    float lift = kLitterLift + 0.12f * static_cast<float>(k % 4);
    XMesh leaf = LitterLeaf({x, y, 0}, angle, length, curl, lift);
    for (uint32_t& fm : leaf.faceMaterials) fm = first + static_cast<uint32_t>(k % kinds);
    m.Append(leaf);
  }
}

XFrame Ground() {
  XMesh m = FloorMesh();
  AddLeafLitter(m);
  // Ferns and seedlings standing at the back of the glade. Their places are drawn from the
  // stream the scene's size was fitted with (its farthest vertex is a fern's tip), so the
  // first 1040 numbers are passed over.
  Rng rng(11);
  for (int k = 0; k < 1040; ++k) rng.Next();
  m.materials.push_back(Textured(kSpray, {0.75f, 0.95f, 0.6f, 1}, 0.12f));
  uint32_t spray = static_cast<uint32_t>(m.materials.size() - 1);
  for (int k = 0; k < 11; ++k) {
    float x = -100 + 190.0f * k / 10 + rng.Range(-12, 12), y = rng.Range(30, 60), h = rng.Range(14, 40);
    Vec3 base{x, y, GroundHeight(x, y) - 2};
    Vec3 side = Normalize({1, rng.Range(-0.4f, 0.4f), 0}) * (h * 0.8f);
    XMesh card = Card(base - side * 0.5f, side, {rng.Range(-5, 5), 0, h}, {0, -1, 0.2f}, 1.5f, {0, 1, 1, 0});
    for (uint32_t& fm : card.faceMaterials) fm = spray;
    m.Append(card);
  }
  return MeshFrame("ground", m);
}

// ---- swaying branches ---------------------------------------------------------------------

XFrame SwayingBranch(int index, Vec3 base, std::vector<Vec3> control, float r0, int sprays, Rgba tint,
                     uint32_t seed) {
  std::vector<Vec3> axis = SmoothCurve(control, 5);
  XMesh m = Tube(axis, Taper(axis.size(), r0, r0 * 0.3f), 8, {}, 1, 12, kPointReach);
  m.materials.push_back(Textured(kTreeSmall, {0.9f, 0.85f, 0.8f, 1}, 0.1f));
  m.materials.push_back(Textured(kSpray, tint, 0.12f));
  Rng rng(seed);
  for (int k = 0; k < sprays; ++k) {
    float t = 0.3f + 0.7f * k / std::max(1, sprays - 1);
    Vec3 at = axis[static_cast<size_t>(t * (axis.size() - 1))];
    float size = rng.Range(20, 30);
    Vec3 up = Normalize({rng.Range(-0.6f, 0.6f), 0, 1});
    Vec3 side = Normalize(Cross(up, {0, -1, 0})) * size;
    XMesh card = Card(at - side * 0.5f - up * 3.0f, side, up * size, {0, -1, 0.1f}, 2, {0, 1, 1, 0});
    for (uint32_t& fm : card.faceMaterials) fm = 1;
    m.Append(card);
  }
  char name[32];
  std::snprintf(name, sizeof name, "Branch%02d", index);
  return MeshFrame(name, m, Translation(base));
}

std::vector<XFrame> SwayingBranches() {
  std::vector<XFrame> out;
  out.push_back(SwayingBranch(0, {-80, 26, 36}, {{0, 0, 0}, {18, -6, 10}, {42, -10, 16}, {66, -12, 28}}, 2.6f, 5,
                              {0.8f, 1, 0.62f, 1}, 21));
  out.push_back(SwayingBranch(1, {62, 55, 30}, {{0, 0, 0}, {-20, -6, 10}, {-44, -10, 14}, {-64, -12, 24}}, 2.2f, 5,
                              {0.72f, 0.95f, 0.55f, 1}, 22));
  out.push_back(SwayingBranch(2, {46, 40, -54}, {{0, 0, 0}, {2, 0, 22}, {-3, 0, 44}, {2, 0, 62}}, 1.5f, 5,
                              {0.65f, 0.9f, 0.5f, 1}, 23));
  out.push_back(SwayingBranch(3, {-70, -42, -60}, {{0, 0, 0}, {4, 0, 15}, {10, 0, 30}}, 1.2f, 3,
                              {0.7f, 0.95f, 0.5f, 1}, 24));
  return out;
}

// ---- leaf clusters and their templates ----------------------------------------------------

// One leaf of a cluster in the cluster's own space: where it leaves the stalk and its
// direction in the xy plane.
struct LeafSpec {
  Vec3 at;
  Vec3 dir;
  float length;
};

std::vector<LeafSpec> ClusterLeaves() {
  auto dir = [](float deg) {
    float a = deg * kPi / 180;
    return Vec3{std::sin(a), std::cos(a), 0};
  };
  return {{{0, -12, 0}, dir(-55), 14}, {{0, -4, 0}, dir(50), 15}, {{0, 4, 0}, dir(-40), 16},
          {{0, 10, 0}, dir(35), 15}, {{0, 16, 0}, dir(0), 18}};
}

Vec3 RightOf(Vec3 d) { return {d.y, -d.x, 0}; }

// Radius of a cluster's own stalk where it starts, in the cluster's space.
constexpr float kClusterStalkRadius = 0.7f;

XMesh ClusterMesh(Rgba tint) {
  std::vector<Vec3> stalk = {{0, -21, 0}, {0, -8, 0.4f}, {0, 4, 0.6f}, {0, 16, 0.5f}};
  XMesh m = Tube(stalk, Taper(stalk.size(), kClusterStalkRadius, 0.35f), 6, {}, 1, 10, kPointReach);
  m.materials.push_back(Textured(kTreeSmall, {0.6f, 0.7f, 0.45f, 1}, 0.1f));
  m.materials.push_back(Textured(kLeaf, tint, 0.12f));
  for (const LeafSpec& l : ClusterLeaves()) {
    float w = l.length * 0.55f;
    Vec3 r = RightOf(l.dir);
    XMesh leaf = Card(l.at - r * (w / 2), r * w, l.dir * l.length, {0, 0, 1}, 1.2f, {0, 1, 1, 0});
    for (uint32_t& fm : leaf.faceMaterials) fm = 1;
    m.Append(leaf);
  }
  return m;
}

// Stalk points and, per leaf, its middle and tip; triangles (a, b, c) give edges a-b, b-c.
XMesh LeafPathTemplate() {
  XMesh m;
  std::vector<LeafSpec> leaves = ClusterLeaves();
  uint32_t s0 = m.AddVertex({0, -21, 0}, {0, 0, 1}, 0, 0);
  std::vector<uint32_t> stalk = {s0};
  for (const LeafSpec& l : leaves) stalk.push_back(m.AddVertex(l.at, {0, 0, 1}, 0, 0));
  for (size_t i = 0; i + 2 < stalk.size(); i += 2) m.AddTriangle(stalk[i], stalk[i + 1], stalk[i + 2]);
  if (stalk.size() % 2 == 0) m.AddTriangle(stalk[stalk.size() - 2], stalk.back(), stalk[stalk.size() - 2]);
  for (size_t k = 0; k < leaves.size(); ++k) {
    const LeafSpec& l = leaves[k];
    uint32_t mid = m.AddVertex(l.at + l.dir * (l.length * 0.5f), {0, 0, 1}, 0, 0);
    uint32_t tip = m.AddVertex(l.at + l.dir * (l.length * 0.95f), {0, 0, 1}, 0, 0);
    m.AddTriangle(stalk[k + 1], mid, tip);
  }
  m.materials.push_back(Textured(kTreeSmall, {0.5f, 0.4f, 0.3f, 1}, 0));
  return m;
}

// One triangle per leaf, wound so that its normal points along +z (toward the viewer).
XMesh LeafTrianglesTemplate() {
  XMesh m;
  for (const LeafSpec& l : ClusterLeaves()) {
    Vec3 r = RightOf(l.dir) * (l.length * 0.3f);
    uint32_t a = m.AddVertex(l.at - r * 0.2f, {0, 0, 1}, 0, 0);
    uint32_t b = m.AddVertex(l.at + l.dir * (l.length * 0.5f) + r, {0, 0, 1}, 1, 0);
    uint32_t c = m.AddVertex(l.at + l.dir * l.length, {0, 0, 1}, 1, 1);
    uint32_t d = m.AddVertex(l.at + l.dir * (l.length * 0.5f) - r, {0, 0, 1}, 0, 1);
    m.AddTriangle(a, b, c);
    m.AddTriangle(a, c, d);
  }
  uint32_t s0 = m.AddVertex({0.5f, -21, 0}, {0, 0, 1}, 0, 0);
  uint32_t s1 = m.AddVertex({0.5f, 16, 0}, {0, 0, 1}, 0, 0);
  uint32_t s2 = m.AddVertex({-0.5f, -21, 0}, {0, 0, 1}, 0, 0);
  m.AddTriangle(s2, s0, s1);
  m.materials.push_back(Textured(kLeaf, {1, 1, 1, 1}, 0));
  return m;
}

// Rest matrix of a cluster: its stem (0, -21, 0) at `stem`, its +y along `dir`, its face
// toward the camera.
Mat4 ClusterMatrix(Vec3 stem, Vec3 dir, float scale, float facing) {
  Vec3 y = Normalize(dir);
  Vec3 toward = Normalize(Vec3{facing, -1, 0.2f});
  Vec3 z = Normalize(toward - y * Dot(toward, y));
  Vec3 x = Cross(y, z);
  Mat4 m;
  Vec3 rows[3] = {x * scale, y * scale, z * scale};
  for (int r = 0; r < 3; ++r) {
    m.m[r][0] = rows[r].x;
    m.m[r][1] = rows[r].y;
    m.m[r][2] = rows[r].z;
  }
  Vec3 t = stem + y * (21 * scale);
  m.m[3][0] = t.x;
  m.m[3][1] = t.y;
  m.m[3][2] = t.z;
  return m;
}

// Each cluster hangs from a short stalk of its own that grows out of a limb near `near`, so
// it does not float beside the bark. The cluster sways about the stalk's end.
struct ClusterSpec {
  const char* limb;
  Vec3 near, dir;
  float stalk, scale, facing;
  Rgba tint;
};

const ClusterSpec kClusters[] = {
    {"tree_branch01", {40, -21, 12.5f}, {0.35f, 0, -1}, 2.5f, 0.5f, 0.2f, {0.85f, 1, 0.7f, 1}},
    {"tree_twig02", {31, -23.3f, 20}, {0.5f, 0, 0.85f}, 2.5f, 0.45f, -0.2f, {0.8f, 0.95f, 0.65f, 1}},
    {"tree_twig03", {-41.6f, -23.3f, 21.5f}, {-0.65f, 0, 0.75f}, 2.5f, 0.5f, 0.3f, {0.9f, 1, 0.7f, 1}},
    {"tree_branch01", {-20, kWebY, 17}, {-0.15f, 0, 1}, 2.5f, 0.42f, 0, {0.95f, 0.95f, 0.6f, 1}},
    {"tree_log01", {-58, -20, -43}, {-0.5f, 0, 1}, 3, 0.55f, 0.2f, {0.8f, 0.95f, 0.6f, 1}},
    {"tree_log01", {42, -21, -43}, {0.5f, 0, 1}, 3, 0.52f, -0.3f, {0.85f, 1, 0.65f, 1}},
    {"tree_branch01", {-62, -3, 21}, {-0.3f, 0, -1}, 3, 0.5f, 0.1f, {0.75f, 0.9f, 0.55f, 1}},
};

size_t NearestAxisPoint(const Limb& l, Vec3 p) {
  size_t best = 0;
  for (size_t i = 1; i < l.axis.size(); ++i)
    if (Length(l.axis[i] - p) < Length(l.axis[best] - p)) best = i;
  return best;
}

std::vector<XFrame> LeafClusters(const std::vector<Limb>& limbs) {
  std::vector<XFrame> out;
  XMesh stalks;
  int index = 0;
  for (const ClusterSpec& s : kClusters) {
    const Limb& limb = FindLimb(limbs, s.limb);
    size_t i = NearestAxisPoint(limb, s.near);
    Vec3 dir = Normalize(s.dir), root = RootIn(limb, i, dir);
    // The stalk comes out of the bark and reaches `stalk` units beyond it.
    Vec3 stem = root + dir * (limb.radii[i] * (1 - kSideTwigRoot) + s.stalk);
    std::vector<Vec3> axis = SmoothCurve({root, (root + stem) * 0.5f, stem}, 2);
    float r0 = std::fmin(0.45f * limb.radii[i], 0.9f);
    stalks.Append(Tube(axis, Taper(axis.size(), r0, kClusterStalkRadius * s.scale), 6, {}, 1, 10, 0));
    char name[32];
    std::snprintf(name, sizeof name, "Leaves%02d", index++);
    out.push_back(MeshFrame(name, ClusterMesh(s.tint), ClusterMatrix(stem, dir, s.scale, s.facing)));
  }
  stalks.materials.push_back(Textured(kTreeSmall, {0.6f, 0.7f, 0.45f, 1}, 0.1f));
  out.push_back(MeshFrame("leaf_stalks", stalks));
  // The templates are read in their own space; their frames shrink them out of sight inside
  // the big trunk.
  Mat4 hidden = Scaling(0.001f) * Translation({-94, 20, -20});
  out.push_back(MeshFrame("leaf_path", LeafPathTemplate(), hidden));
  out.push_back(MeshFrame("leaf_triangles", LeafTrianglesTemplate(), hidden));
  return out;
}

// ---- carriers: web frame, paths, strands --------------------------------------------------

XMaterial CarrierMaterial() { return Textured(kTreeSmall, {0.4f, 0.3f, 0.2f, 1}, 0); }

// Points on a limb's surface facing `toward`, for the axis points accepted by `keep` where the
// limb is at least minRadius thick.
template <typename Keep>
std::vector<Vec3> PathOn(const Limb& l, Vec3 toward, float lift, float minRadius, Keep keep) {
  std::vector<Vec3> pts;
  for (size_t i = 0; i < l.axis.size(); ++i)
    if (l.radii[i] >= minRadius && keep(l.axis[i])) pts.push_back(TubeSurfacePoint(l.axis, l.radii, i, toward, lift));
  return pts;
}

// Insects walk only where the bark is wide enough to carry them, not out onto a twig's point.
constexpr float kWalkableRadius = 0.75f;

std::vector<XFrame> Carriers(const std::vector<Limb>& limbs) {
  std::vector<XFrame> out;
  // The loop runs counter-clockwise as the camera sees it, so that the web's normal (which
  // the web takes from the loop's turning sense) faces the camera and the light: the
  // threads are lit from the front and stand out bright against the backdrop.
  std::vector<Vec3> loop(std::rbegin(kFrameLoop), std::rend(kFrameLoop));
  loop.push_back(loop.front());
  out.push_back(MeshFrame("proto_frame", Carrier("", loop, {0, 0, 0}, CarrierMaterial())));

  const float lift = 0.9f;
  std::vector<std::vector<Vec3>> paths = {
      PathOn(FindLimb(limbs, "tree_log01"), {0, -0.55f, 1}, lift, kWalkableRadius, [](Vec3 p) { return p.x < 80 && p.x > -95; }),
      PathOn(FindLimb(limbs, "tree_twig02"), {0, -1, 0.1f}, lift, kWalkableRadius, [](Vec3 p) { return p.z > -43; }),
      PathOn(FindLimb(limbs, "tree_branch01"), {0, -0.6f, 1}, lift, kWalkableRadius, [](Vec3 p) { return p.x > -70; }),
      PathOn(FindLimb(limbs, "tree_big01"), {0.55f, -0.85f, 0}, lift, kWalkableRadius, [](Vec3 p) { return p.z > -50 && p.z < 80; }),
      PathOn(FindLimb(limbs, "tree_big02"), {-0.5f, -0.87f, 0}, lift, kWalkableRadius, [](Vec3 p) { return p.z > -45 && p.z < 80; }),
      PathOn(FindLimb(limbs, "tree_twig03"), {0, -1, 0}, lift, kWalkableRadius, [](Vec3 p) { return p.z > -43; }),
  };
  for (size_t i = 0; i < paths.size(); ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "path%02zu", i);
    out.push_back(MeshFrame(name, Carrier("", paths[i], {0, 0, 0}, CarrierMaterial())));
  }
  // A flying ladybird turns on a circle of about 18 units at full speed and circles a
  // waypoint that lies inside it, so the points of a flight are 50 units or more apart.
  std::vector<std::vector<Vec3>> flights = {
      {{-15, -35, 5}, {-55, -60, 32}, {-95, -62, 70}},
      {{15, -30, -5}, {50, -62, 12}, {85, -98, 34}},
  };
  for (size_t i = 0; i < flights.size(); ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "fly_path%02zu", i);
    out.push_back(MeshFrame(name, Carrier("", flights[i], {0, 0, 0}, CarrierMaterial())));
  }
  const Limb& branch = FindLimb(limbs, "tree_branch01");
  std::vector<std::vector<Vec3>> strands = {
      PathOn(branch, {0, -0.2f, -1}, 0.2f, 0, [](Vec3 p) { return p.x > -40 && p.x < 28; }),
      PathOn(branch, {0, -0.2f, -1}, 0.2f, 0, [](Vec3 p) { return p.x >= 28 && p.x < 58; }),
  };
  for (size_t i = 0; i < strands.size(); ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "drops_path%02zu", i);
    out.push_back(MeshFrame(name, Carrier("", strands[i], {0, 0, 0}, CarrierMaterial())));
  }
  return out;
}

// ---- balancing and offset -----------------------------------------------------------------

// Hidden vertices (zero-area triangles) that move the mean of all vertices to the view-space
// origin, so that re-centring leaves the glade where it was laid out.
XFrame Ballast(const XModel& model) {
  Vec3 mean;
  float radius = 0;
  size_t count = 0;
  MeasureModel(model, mean, radius, count);
  float shift = Length(mean);
  size_t k = static_cast<size_t>(std::ceil(static_cast<float>(count) * shift / 60.0f));
  k = (k + 2) / 3 * 3;
  XMesh m;
  if (k == 0) k = 3;
  Vec3 q = mean * (-static_cast<float>(count) / static_cast<float>(k));
  for (size_t i = 0; i < k; ++i) m.AddVertex(q, {0, -1, 0}, 0.5f, 0.5f);
  for (uint32_t i = 0; i < k; i += 3) m.AddTriangle(i, i + 1, i + 2);
  m.materials.push_back(CarrierMaterial());
  return MeshFrame("floor_anchor", m);
}

void ShiftToFile(XFrame& f) {
  if (f.name == "proto_frame") {
    for (XMesh& m : f.meshes)
      for (Vec3& p : m.positions) p = p + kForestFileOffset;
  } else {
    f.matrix = f.matrix * Translation(kForestFileOffset);
  }
}

}  // namespace

void MeasureModel(const XModel& model, Vec3& centre, float& radius, size_t& vertexCount) {
  std::vector<Vec3> all;
  for (const XFrame& top : model.frames)
    ForEachFrame(top, Mat4{}, [&](const XFrame& f, const Mat4& m) {
      for (const XMesh& mesh : f.meshes)
        for (Vec3 p : mesh.positions) {
          Vec3 w = TransformPoint(m, p);
          if (w.x != 0 || w.y != 0 || w.z != 0) all.push_back(w);
        }
    });
  double sx = 0, sy = 0, sz = 0;
  for (Vec3 p : all) {
    sx += p.x;
    sy += p.y;
    sz += p.z;
  }
  double n = all.empty() ? 1.0 : static_cast<double>(all.size());
  centre = {static_cast<float>(sx / n), static_cast<float>(sy / n), static_cast<float>(sz / n)};
  radius = 0;
  for (Vec3 p : all) radius = std::max(radius, Length(p - centre));
  vertexCount = all.size();
}

XModel BuildForest() {
  XModel model;
  std::vector<Limb> limbs = ForestLimbs();
  for (const Limb& l : limbs) model.frames.push_back(LimbFrame(l));
  model.frames.push_back(Ground());
  for (XFrame& f : SwayingBranches()) model.frames.push_back(std::move(f));
  for (XFrame& f : LeafClusters(limbs)) model.frames.push_back(std::move(f));
  for (XFrame& f : Carriers(limbs)) model.frames.push_back(std::move(f));
  model.frames.push_back(Ballast(model));
  for (XFrame& f : model.frames) ShiftToFile(f);
  return model;
}

}  // namespace qm::gen
