// CreatureTestSupport: hand-laid paths and a recording device for the creature tests.
//
// A test lays its own walking paths (points in a frame it owns, up vectors +z) and hands
// them to a group the way the scene does; meshes come from the saver's own media archive,
// loaded through the scene tests' recording device, so that animation sets and drawing are
// the real ones.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "creatures/CreatureGroup.h"
#include "d3dx/D3DXMath.h"
#include "scene/ScenePaths.h"
#include "scene/ForestSceneTestXFiles.h"

namespace qm::creaturetest {

// Paths laid by a test, with the frame matrices they point to.
class TestPaths {
 public:
  // Adds a path through the points; frame is where its frame sits in the world.
  void Add(const std::vector<D3DXVECTOR3>& points, D3DXVECTOR3 frame = {0, 0, 0}) {
    auto matrix = std::make_unique<D3DXMATRIX>();
    D3DXMatrixTranslation(matrix.get(), frame.x, frame.y, frame.z);
    PathRecord path;
    path.pMatrix = matrix.get();
    path.points = points;
    path.ups.assign(points.size(), D3DXVECTOR3(0, 0, 1));
    for (size_t i = 0; i + 1 < points.size(); ++i) {
      const D3DXVECTOR3 step = points[i + 1] - points[i];
      path.fLength += D3DXVec3Length(&step);
    }
    m_matrices.push_back(std::move(matrix));
    m_paths.push_back(std::move(path));
  }
  // A straight path along +x of the given length, lifted to height z.
  void AddStraight(float length, float z = 0.0f) {
    Add({{0, 0, z}, {length / 2, 0, z}, {length, 0, z}});
  }

  std::vector<PathRecord>& Paths() { return m_paths; }

 private:
  std::vector<std::unique_ptr<D3DXMATRIX>> m_matrices;
  std::vector<PathRecord> m_paths;
};

// Hands a group its lists as the scene does.
inline void Connect(CreatureGroup& group, TestPaths& paths, std::vector<PathRecord>* flyPaths,
                    std::vector<CreatureGroup*>* groups) {
  group.SetPaths(&paths.Paths());
  group.SetFlyPaths(flyPaths);
  group.SetGroups(groups);
}

inline bool Finite(const D3DXVECTOR3& v) {
  return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

inline float Distance(const D3DXVECTOR3& a, const D3DXVECTOR3& b) {
  const D3DXVECTOR3 d = a - b;
  return D3DXVec3Length(&d);
}

// A recording device to load the media's creature meshes on and draw them with.
class CreatureDeviceTest : public scenetest::RecordingDeviceFixture {
 protected:
  // Loads the group's mesh from the saver's media and sizes it.
  void Load(CreatureGroup& group, float size) {
    ASSERT_EQ(group.InitDeviceObjects(m_device), S_OK);
    group.SetSize(size);
  }
};

}  // namespace qm::creaturetest
