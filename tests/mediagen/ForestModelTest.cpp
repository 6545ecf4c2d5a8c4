// The glade model as the scene reads it: every named frame family, the web's frame as a
// closed loop facing the camera in the middle of the view after the loader's re-centring,
// paths that lie on bark, meshes whose blocks agree with each other, and fallen leaves that
// lie on the floor.
#include "ForestModel.h"
#include "Shapes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <set>

#include "mediagen/XTextReader.h"

namespace qm::test {
namespace {

using Vec = std::array<float, 3>;

// A frame with its combined matrix (row vectors, parents applied after children).
struct Placed {
  const ReadFrame* frame;
  std::array<float, 16> combined;
};

std::array<float, 16> Mul(const std::array<float, 16>& a, const std::array<float, 16>& b) {
  std::array<float, 16> r{};
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      for (int k = 0; k < 4; ++k) r[i * 4 + j] += a[i * 4 + k] * b[k * 4 + j];
  return r;
}

Vec Apply(const std::array<float, 16>& m, const Vec& p) {
  return {p[0] * m[0] + p[1] * m[4] + p[2] * m[8] + m[12], p[0] * m[1] + p[1] * m[5] + p[2] * m[9] + m[13],
          p[0] * m[2] + p[1] * m[6] + p[2] * m[10] + m[14]};
}

float Dist(const Vec& a, const Vec& b) { return std::hypot(a[0] - b[0], a[1] - b[1], a[2] - b[2]); }

class MediagenForestTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(ReadXText(gen::WriteXText(gen::BuildForest()), m_model, error)) << error;
    std::array<float, 16> identity{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    std::function<void(const ReadFrame&, const std::array<float, 16>&)> walk = [&](const ReadFrame& f,
                                                                                  const std::array<float, 16>& parent) {
      std::array<float, 16> c = Mul(f.matrix, parent);
      m_frames[f.name] = {&f, c};
      for (const ReadFrame& child : f.children) walk(child, c);
    };
    for (const ReadFrame& f : m_model.frames) walk(f, identity);
    // The loader's centre: the mean of every vertex that is not exactly at the origin.
    double sum[3] = {0, 0, 0};
    size_t n = 0;
    for (const auto& [name, p] : m_frames)
      for (const ReadMesh& mesh : p.frame->meshes)
        for (const Vec& v : mesh.positions) {
          Vec w = Apply(p.combined, v);
          if (w[0] == 0 && w[1] == 0 && w[2] == 0) continue;
          for (int k = 0; k < 3; ++k) sum[k] += w[k];
          ++n;
        }
    for (int k = 0; k < 3; ++k) m_centre[k] = static_cast<float>(sum[k] / static_cast<double>(n));
    for (const auto& [name, p] : m_frames)
      for (const ReadMesh& mesh : p.frame->meshes)
        for (const Vec& v : mesh.positions) m_radius = std::max(m_radius, Dist(Apply(p.combined, v), m_centre));
  }

  // World position (after re-centring) of a vertex of a frame's first mesh.
  Vec World(const std::string& frame, const Vec& v) {
    Vec w = Apply(m_frames.at(frame).combined, v);
    return {w[0] - m_centre[0], w[1] - m_centre[1], w[2] - m_centre[2]};
  }

  std::vector<Vec> FirstHalf(const std::string& frame) {
    const auto& pos = m_frames.at(frame).frame->meshes.at(0).positions;
    return std::vector<Vec>(pos.begin(), pos.begin() + static_cast<long>(pos.size() / 2));
  }

  // Screen position in -1..1 of a world point seen by the saver's camera (fov 45, 4:3).
  static std::array<float, 2> Screen(const Vec& p) {
    float dx = p[0] + 10, dy = p[1] + 138.308f, dz = p[2] + 14;
    float t = std::tan(0.3926991f);
    return {dx / dy / (t * 4 / 3), (dz / dy - 0.01428f) / t};
  }

  int Count(const char* format) {
    int n = 0;
    for (char name[32]; std::snprintf(name, sizeof name, format, n), m_frames.count(name); ++n) {
    }
    return n;
  }

  ReadModel m_model;
  std::map<std::string, Placed> m_frames;
  Vec m_centre{};
  float m_radius = 0;
};

TEST_F(MediagenForestTest, CarriesEveryFrameFamilyTheSceneReads) {
  EXPECT_EQ(m_frames.count("proto_frame"), 1u);
  EXPECT_GE(Count("path%02d"), 6);
  EXPECT_GE(Count("fly_path%02d"), 2);
  EXPECT_GE(Count("drops_path%02d"), 1);
  EXPECT_GE(Count("Leaves%02d"), 3);
  EXPECT_GE(Count("Branch%02d"), 2);
  EXPECT_EQ(m_frames.count("leaf_path"), 1u);
  EXPECT_EQ(m_frames.count("leaf_triangles"), 1u);
  EXPECT_EQ(m_frames.count("tree_branch01"), 1u);
  int trees = 0;
  for (const auto& [name, p] : m_frames)
    if (name.find("tree") != std::string::npos && !p.frame->meshes.empty()) {
      ++trees;
      EXPECT_EQ(p.frame->meshes[0].normals.size(), p.frame->meshes[0].positions.size()) << name;
    }
  EXPECT_GE(trees, 3);
}

TEST_F(MediagenForestTest, MeshBlocksAgree) {
  for (const auto& [name, p] : m_frames)
    for (const ReadMesh& m : p.frame->meshes) {
      EXPECT_EQ(m.normals.size(), m.positions.size()) << name;
      EXPECT_EQ(m.uvCount, m.positions.size()) << name;
      EXPECT_EQ(m.normalFaces, m.faces.size()) << name;
      EXPECT_EQ(m.faceMaterials.size(), m.faces.size()) << name;
      for (const auto& f : m.faces)
        for (unsigned i : f) ASSERT_LT(i, m.positions.size()) << name;
      for (unsigned i : m.faceMaterials) ASSERT_LT(i, m.materialCount) << name;
    }
}

TEST_F(MediagenForestTest, WebFrameIsAClosedPlanarLoopFacingTheCameraInMidView) {
  std::vector<Vec> loop = FirstHalf("proto_frame");
  ASSERT_GE(loop.size(), 5u);
  EXPECT_LT(Dist(loop.front(), loop.back()), 1e-3f) << "the last listed vertex closes the loop";
  // Newell normal of the polygon: the web must face the camera (along y).
  Vec n{0, 0, 0};
  for (size_t i = 0; i + 1 < loop.size(); ++i) {
    const Vec &a = loop[i], &b = loop[i + 1];
    n[0] += (a[1] - b[1]) * (a[2] + b[2]);
    n[1] += (a[2] - b[2]) * (a[0] + b[0]);
    n[2] += (a[0] - b[0]) * (a[1] + b[1]);
  }
  float len = std::hypot(n[0], n[1], n[2]);
  ASSERT_GT(len, 0);
  EXPECT_GT(std::fabs(n[1]) / len, 0.95f);
  Vec mean{0, 0, 0};
  for (size_t i = 0; i + 1 < loop.size(); ++i)
    for (int k = 0; k < 3; ++k) mean[k] += loop[i][k] / static_cast<float>(loop.size() - 1);
  for (const Vec& p : loop) EXPECT_LT(std::fabs((p[1] - mean[1]) * n[1] / len), 2.0f) << "roughly planar";
  auto s = Screen(World("proto_frame", mean));
  EXPECT_LT(std::fabs(s[0]), 0.2f);
  EXPECT_LT(std::fabs(s[1]), 0.25f);
  for (const Vec& p : loop) {
    auto q = Screen(World("proto_frame", p));
    EXPECT_LT(std::fabs(q[0]), 0.95f);
    EXPECT_LT(std::fabs(q[1]), 0.95f);
  }
}

TEST_F(MediagenForestTest, RadiusGivesTheAnimalsSensibleSizes) {
  // The spider gets a thirtieth of the radius, the ants a fiftieth; the web is some 75 wide.
  EXPECT_GT(m_radius, 100);
  EXPECT_LT(m_radius, 160);
}

TEST_F(MediagenForestTest, WalkingPathsLieOnBarkThatGivesThemUpVectors) {
  std::vector<Vec> bark;
  for (const auto& [name, p] : m_frames)
    if (name.find("tree") != std::string::npos && !p.frame->meshes.empty())
      for (const Vec& v : p.frame->meshes[0].positions) bark.push_back(World(name, v));
  for (int i = 0; i < Count("path%02d"); ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "path%02d", i);
    std::vector<Vec> pts = FirstHalf(name);
    EXPECT_GE(pts.size(), 4u) << name;
    for (const Vec& p : pts) {
      Vec w = World(name, p);
      float best = 1e9f;
      for (const Vec& b : bark) best = std::min(best, Dist(w, b));
      EXPECT_LT(best, 4.0f) << name;
    }
  }
  // Path 0 runs from one side of the view to the other, so that ladybirds leaving either end
  // fly off toward x = +200 (from its start) or x = -200 (from its end).
  std::vector<Vec> p0 = FirstHalf("path00");
  EXPECT_GT(World("path00", p0.front())[0], 40);
  EXPECT_LT(World("path00", p0.back())[0], -60);
}

TEST_F(MediagenForestTest, LeafTemplatesHaveDistinctPointsAndFacingTriangles) {
  const ReadMesh& path = m_frames.at("leaf_path").frame->meshes.at(0);
  for (size_t i = 0; i < path.positions.size(); ++i)
    for (size_t j = i + 1; j < path.positions.size(); ++j)
      EXPECT_GT(Dist(path.positions[i], path.positions[j]), 0.01f);
  EXPECT_LT(Dist(path.positions.at(0), {0, -21, 0}), 1e-4f) << "the stem";
  const ReadMesh& tri = m_frames.at("leaf_triangles").frame->meshes.at(0);
  for (const auto& f : tri.faces) {
    const Vec &a = tri.positions[f[0]], &b = tri.positions[f[1]], &c = tri.positions[f[2]];
    float nz = (b[0] - a[0]) * (c[1] - a[1]) - (b[1] - a[1]) * (c[0] - a[0]);
    EXPECT_GT(nz, 0) << "leaf triangles face +z";
  }
}

TEST_F(MediagenForestTest, FloorHasItsOwnTextureAndTheLeafLitterLiesOnIt) {
  ASSERT_EQ(m_frames.count("ground"), 1u);
  const ReadMesh& ground = m_frames.at("ground").frame->meshes.at(0);
  ASSERT_EQ(ground.textures.size(), ground.materialCount) << "every material of the floor is textured";
  auto texture = [&](size_t face) { return ground.textures.at(ground.faceMaterials.at(face)); };
  std::vector<std::array<Vec, 3>> floor;
  std::set<unsigned> litter;
  for (size_t f = 0; f < ground.faces.size(); ++f) {
    const auto& face = ground.faces[f];
    if (texture(f) == "Ground.jpg")
      floor.push_back({ground.positions[face[0]], ground.positions[face[1]], ground.positions[face[2]]});
    else if (texture(f) == "Leaves.dds")
      litter.insert(face.begin(), face.end());
  }
  ASSERT_GT(floor.size(), 100u) << "the floor wears its own texture, not a bark";
  ASSERT_GT(litter.size(), 9u * 100) << "a few hundred fallen leaves";
  // Height of the floor's triangles under a point; NaN where there is no floor.
  auto floorHeight = [&](float x, float y) {
    for (const auto& t : floor) {
      float e1x = t[1][0] - t[0][0], e1y = t[1][1] - t[0][1], e2x = t[2][0] - t[0][0], e2y = t[2][1] - t[0][1];
      float det = e1x * e2y - e1y * e2x;
      float s1 = ((x - t[0][0]) * e2y - (y - t[0][1]) * e2x) / det;
      float s2 = (e1x * (y - t[0][1]) - e1y * (x - t[0][0])) / det;
      if (s1 >= -1e-4f && s2 >= -1e-4f && s1 + s2 <= 1 + 1e-4f)
        return t[0][2] + (t[1][2] - t[0][2]) * s1 + (t[2][2] - t[0][2]) * s2;
    }
    return std::nanf("");
  };
  float lowest = 1e9f, highest = -1e9f;
  for (unsigned v : litter) {
    const Vec& p = ground.positions[v];
    float below = floorHeight(p[0], p[1]);
    ASSERT_FALSE(std::isnan(below)) << "a fallen leaf hangs beyond the floor at " << p[0] << ", " << p[1];
    lowest = std::min(lowest, p[2] - below);
    highest = std::max(highest, p[2] - below);
  }
  EXPECT_GE(lowest, gen::kLitterLift - 1e-3f) << "no leaf sinks into the floor";
  EXPECT_LE(highest, gen::kLitterReach) << "no leaf floats above the floor";
}

// ---- the woody parts, read from the limbs the model is built from -----------------------

// Distance from p to a limb's axis and the limb's radius there (of its nearest axis segment).
struct AxisReach {
  float distance = 1e9f, radius = 0;
};

AxisReach NearestOnAxis(const gen::ForestLimb& l, gen::Vec3 p) {
  AxisReach best;
  for (size_t i = 0; i + 1 < l.axis.size(); ++i) {
    gen::Vec3 a = l.axis[i], d = l.axis[i + 1] - a;
    float t = std::clamp(gen::Dot(p - a, d) / std::max(gen::Dot(d, d), 1e-9f), 0.0f, 1.0f);
    float dist = gen::Length(p - (a + d * t));
    if (dist < best.distance) best = {dist, l.radii[i] + (l.radii[i + 1] - l.radii[i]) * t};
  }
  return best;
}

const gen::ForestLimb* Named(const std::vector<gen::ForestLimb>& limbs, const std::string& name) {
  for (const gen::ForestLimb& l : limbs)
    if (l.name == name) return &l;
  return nullptr;
}

TEST_F(MediagenForestTest, TwigsGrowOutOfTheirParentsThinnerThanThemAndEndInPoints) {
  std::vector<gen::ForestLimb> limbs = gen::ForestLimbs();
  int twigs = 0, sideTwigs = 0;
  for (const gen::ForestLimb& l : limbs) {
    ASSERT_EQ(l.axis.size(), l.radii.size()) << l.name;
    ASSERT_EQ(m_frames.count(l.name), 1u) << "every limb is drawn: " << l.name;
    if (l.parent.empty()) continue;
    ++twigs;
    if (l.name.find("tree") == std::string::npos) ++sideTwigs;
    const gen::ForestLimb* parent = Named(limbs, l.parent);
    ASSERT_NE(parent, nullptr) << l.name << " grows from " << l.parent;
    // It starts inside its parent and, where its axis comes out through the parent's bark,
    // is thinner than the parent there.
    AxisReach root = NearestOnAxis(*parent, l.axis.front());
    EXPECT_LT(root.distance, root.radius) << l.name << " starts inside " << l.parent;
    size_t out = 0;
    while (out < l.axis.size()) {
      AxisReach r = NearestOnAxis(*parent, l.axis[out]);
      if (r.distance > r.radius) break;
      ++out;
    }
    ASSERT_LT(out, l.axis.size()) << l.name << " comes out of " << l.parent;
    AxisReach leaving = NearestOnAxis(*parent, l.axis[out]);
    EXPECT_LT(l.radii[out], 0.8f * leaving.radius) << l.name << " is thinner than " << l.parent << " where it leaves";
    // It thins out toward its end and its bark closes in a point beyond the last ring, not in
    // a flat cut: the mesh reaches out along the end's direction to the tip.
    float thickest = *std::max_element(l.radii.begin(), l.radii.end());
    EXPECT_LE(l.radii.back(), 0.15f * thickest) << l.name << " tapers";
    gen::Vec3 end = l.axis.back(), dir = gen::Normalize(end - l.axis[l.axis.size() - 2]);
    gen::Vec3 tip = end + dir * (l.radii.back() * gen::kPointReach) + gen::kForestFileOffset;
    float nearest = 1e9f;
    for (const Vec& v : m_frames.at(l.name).frame->meshes.at(0).positions) {
      Vec w = Apply(m_frames.at(l.name).combined, v);
      nearest = std::min(nearest, Dist(w, {tip.x, tip.y, tip.z}));
    }
    EXPECT_LT(nearest, 0.05f) << l.name << " ends in a point";
  }
  EXPECT_GE(twigs, 3 + 4) << "the web's twigs and side twigs forking off them";
  EXPECT_GE(sideTwigs, 4);
}

TEST_F(MediagenForestTest, WebFrameCornersSitOnTwigsAroundOpenSpace) {
  std::vector<gen::ForestLimb> limbs = gen::ForestLimbs();
  std::vector<Vec> loop = FirstHalf("proto_frame");
  ASSERT_GE(loop.size(), 5u);
  loop.pop_back();  // the closing repeat of the first corner
  const Vec offset{gen::kForestFileOffset.x, gen::kForestFileOffset.y, gen::kForestFileOffset.z};
  std::vector<gen::Vec3> corners;
  for (const Vec& p : loop) corners.push_back({p[0] - offset[0], p[1] - offset[1], p[2] - offset[2]});
  for (const gen::Vec3& c : corners) {
    bool onTwig = false;
    for (const gen::ForestLimb& l : limbs) {
      AxisReach r = NearestOnAxis(l, c);
      if (r.distance <= r.radius + 0.5f) onTwig = true;
    }
    EXPECT_TRUE(onTwig) << "corner " << c.x << ", " << c.z << " lies on a limb";
  }
  // Inside the loop (in x-z, the plane the web hangs in) and more than a few units from its
  // edges, no wood comes near the web's plane: nothing grows through the web or hides it.
  auto inside = [&](float x, float z) {
    bool in = false;
    for (size_t i = 0, j = corners.size() - 1; i < corners.size(); j = i++) {
      const gen::Vec3 &a = corners[i], &b = corners[j];
      if ((a.z > z) != (b.z > z) && x < a.x + (b.x - a.x) * (z - a.z) / (b.z - a.z)) in = !in;
    }
    return in;
  };
  auto edgeDistance = [&](float x, float z) {
    float best = 1e9f;
    for (size_t i = 0, j = corners.size() - 1; i < corners.size(); j = i++) {
      gen::Vec3 a{corners[j].x, 0, corners[j].z}, d{corners[i].x - a.x, 0, corners[i].z - a.z};
      gen::Vec3 p{x, 0, z};
      float t = std::clamp(gen::Dot(p - a, d) / gen::Dot(d, d), 0.0f, 1.0f);
      best = std::min(best, gen::Length(p - (a + d * t)));
    }
    return best;
  };
  for (const gen::ForestLimb& l : limbs)
    for (size_t i = 0; i < l.axis.size(); ++i) {
      gen::Vec3 p = l.axis[i];
      if (std::fabs(p.y - gen::kWebY) > l.radii[i] + 6) continue;
      EXPECT_FALSE(inside(p.x, p.z) && edgeDistance(p.x, p.z) > l.radii[i] + 3)
          << l.name << " crosses the web at " << p.x << ", " << p.z;
    }
}

TEST_F(MediagenForestTest, LeafClustersHangFromStalksOnTheLimbs) {
  std::vector<gen::ForestLimb> limbs = gen::ForestLimbs();
  ASSERT_EQ(m_frames.count("leaf_stalks"), 1u);
  std::vector<Vec> stalks;
  for (const Vec& v : m_frames.at("leaf_stalks").frame->meshes.at(0).positions) stalks.push_back(World("leaf_stalks", v));
  for (int i = 0; i < Count("Leaves%02d"); ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "Leaves%02d", i);
    Vec stem = World(name, {0, -21, 0});
    float toStalk = 1e9f;
    for (const Vec& v : stalks) toStalk = std::min(toStalk, Dist(v, stem));
    EXPECT_LT(toStalk, 1.0f) << name << " sits on the end of a stalk";
    const Vec view{stem[0] + m_centre[0] - gen::kForestFileOffset.x, stem[1] + m_centre[1] - gen::kForestFileOffset.y,
                   stem[2] + m_centre[2] - gen::kForestFileOffset.z};
    float toBark = 1e9f;
    for (const gen::ForestLimb& l : limbs) {
      AxisReach r = NearestOnAxis(l, {view[0], view[1], view[2]});
      toBark = std::min(toBark, r.distance - r.radius);
    }
    EXPECT_LT(toBark, 4.0f) << name << " is a short stalk away from a limb";
  }
}

TEST_F(MediagenForestTest, VertexCountStaysWithinTheLoadTimeBudget) {
  gen::Vec3 centre;
  float radius = 0;
  size_t count = 0;
  gen::MeasureModel(gen::BuildForest(), centre, radius, count);
  EXPECT_LE(count, gen::kForestVertexBudget);
}

// The scene draws the bark and the floor with back faces culled, so each of their triangles
// must be wound with its front on the side its normals face (its winding's cross product
// points the other way, into the wood or the ground). A face wound the wrong way vanishes.
TEST_F(MediagenForestTest, OpaqueFacesAreWoundToShowTheSideTheirNormalsFace) {
  const std::set<std::string> opaque = {"Tree_big.jpg", "Tree_small.jpg", "Ground.jpg"};
  // The wood and the floor; the helper frames (paths, anchors, templates) are kept out of
  // sight or have no area.
  std::vector<std::string> seen = {"ground"};
  for (const gen::ForestLimb& limb : gen::ForestLimbs()) seen.push_back(limb.name);
  size_t checked = 0;
  for (const std::string& name : seen) {
    ASSERT_EQ(m_frames.count(name), 1u) << name;
    for (const ReadMesh& mesh : m_frames.at(name).frame->meshes) {
      for (size_t f = 0; f < mesh.faces.size(); ++f) {
        if (mesh.textures.empty() || !opaque.count(mesh.textures.at(mesh.faceMaterials.at(f)))) continue;
        auto point = [](const Vec& v) { return gen::Vec3{v[0], v[1], v[2]}; };
        const auto& face = mesh.faces[f];
        gen::Vec3 a = point(mesh.positions[face[0]]), normal{0, 0, 0};
        for (unsigned v : face) normal = normal + point(mesh.normals.at(v));
        gen::Vec3 cross = gen::Cross(point(mesh.positions[face[1]]) - a, point(mesh.positions[face[2]]) - a);
        EXPECT_LT(gen::Dot(cross, normal), 0) << name << " face " << f << " is wound to show its back";
        ++checked;
      }
    }
  }
  EXPECT_GT(checked, 2000u) << "the trunks, twigs, log and floor";
}

}  // namespace
}  // namespace qm::test
