// Path records from numbered forest frames, and their up vectors from the tree meshes.
#include "scene/ScenePaths.h"

#include <gtest/gtest.h>

#include "scene/ForestSceneTestXFiles.h"
#include "scene/XFileModel.h"

namespace qm {
namespace {

using scenetest::CylinderTree;
using scenetest::FrameText;
using scenetest::MarkerFrame;
using scenetest::MeshText;
using scenetest::PathFrame;

class ScenePathsTest : public scenetest::RecordingDeviceFixture {
 protected:
  void Load(const std::vector<std::string>& frames) {
    m_text = scenetest::XFileText(frames);
    ASSERT_EQ(m_model.LoadFromMemory(m_device, m_text.data(), DWORD(m_text.size())), S_OK);
    UpdateCombinedMatrices(m_model);
  }

  std::string m_text;
  XFileModel m_model{"paths.x"};
};

const std::vector<D3DXVECTOR3> kLine = {{0, 0, 0}, {3, 0, 0}, {3, 4, 0}};

TEST_F(ScenePathsTest, FirstGapEndsTheListAndFlightPathsAreCountedApart) {
  Load({PathFrame("path00", kLine), PathFrame("path01", {{1, 1, 1}, {1, 1, 3}}),
        PathFrame("path03", kLine), PathFrame("fly_path00", kLine)});

  std::vector<PathRecord> paths, flights;
  EXPECT_EQ(BuildPathList(m_model, "path%02d", &paths), 2);
  EXPECT_EQ(BuildPathList(m_model, "fly_path%02d", &flights), 1);

  // The points are the first half of the strip's vertices, in the frame's own space.
  ASSERT_EQ(paths[0].points.size(), 3u);
  EXPECT_EQ(paths[0].points[2], D3DXVECTOR3(3, 4, 0));
  EXPECT_FLOAT_EQ(paths[0].fLength, 7.0f);
  EXPECT_FLOAT_EQ(paths[1].fLength, 2.0f);
  EXPECT_EQ(paths[1].pMatrix, &m_model.FindFrame("path01")->matCombined);
  EXPECT_TRUE(paths[0].ups.empty());
}

TEST_F(ScenePathsTest, FrameWithoutPointsGivesNoRecordButDoesNotEndTheList) {
  D3DXMATRIX identity;
  D3DXMatrixIdentity(&identity);
  Load({FrameText("path00", identity, ""), PathFrame("path01", kLine), MarkerFrame("other")});

  std::vector<PathRecord> paths(3);  // stale records from an earlier assembly go
  EXPECT_EQ(BuildPathList(m_model, "path%02d", &paths), 1);
  EXPECT_EQ(paths[0].points.size(), 3u);
}

// A ring of points around an upright cylinder, at the angles of the cylinder's vertices.
std::vector<D3DXVECTOR3> RingAround(float radius, float z, int count, const D3DXMATRIX& toLocal) {
  std::vector<D3DXVECTOR3> ring;
  for (int i = 0; i < count; ++i) {
    const float a = 2.0f * D3DX_PI * float(i) / float(count);
    D3DXVECTOR3 world(radius * std::cos(a), radius * std::sin(a), z), local;
    D3DXVec3TransformCoord(&local, &world, &toLocal);
    ring.push_back(local);
  }
  return ring;
}

TEST_F(ScenePathsTest, UpVectorsStandOnTheTreeAndAcrossThePathInThePathsOwnSpace) {
  // The path frame is turned, so its points and up vectors live in a turned space; the
  // world normal must come back through the inverse of that turn.
  D3DXMATRIX turn, inverseTurn;
  D3DXMatrixRotationYawPitchRoll(&turn, 0.4f, 0.9f, -0.3f);
  D3DXMatrixInverse(&inverseTurn, nullptr, &turn);
  const int count = 24;  // as many as the cylinder's segments
  const std::vector<D3DXVECTOR3> ring = RingAround(10.5f, 25.0f, count, inverseTurn);
  // A "rock" whose vertices lie right on the path, with normals straight up: not a tree.
  std::vector<D3DXVECTOR3> rockNormals(3, D3DXVECTOR3(0, 0, 1));
  const std::string rock = FrameText(
      "rock", scenetest::Identity(),
      MeshText({{10.5f, 0, 25}, {0, 10.5f, 25}, {-10.5f, 0, 25}}, {{0, 1, 2}}, rockNormals));
  Load({CylinderTree("big_tree01_trunk", 10.0f, 50.0f), rock, PathFrame("path00", ring, turn)});

  std::vector<PathRecord> paths;
  ASSERT_EQ(BuildPathList(m_model, "path%02d", &paths), 1);
  ComputePathUps(m_model, "tree", &paths);
  const PathRecord& path = paths[0];
  ASSERT_EQ(path.ups.size(), path.points.size());
  for (int i = 1; i + 1 < count; ++i) {
    SCOPED_TRACE(i);
    const D3DXVECTOR3& up = path.ups[i];
    const D3DXVECTOR3 along = path.points[i + 1] - path.points[i - 1];
    EXPECT_NEAR(D3DXVec3Length(&up), 1.0f, 1e-5f);
    EXPECT_NEAR(D3DXVec3Dot(&up, &along) / D3DXVec3Length(&along), 0.0f, 1e-4f);
    // Back in the world the up vector points away from the trunk's axis.
    D3DXVECTOR3 worldUp;
    D3DXVec3TransformNormal(&worldUp, &up, &turn);
    const float a = 2.0f * D3DX_PI * float(i) / float(count);
    EXPECT_NEAR(worldUp.x, std::cos(a), 1e-4f);
    EXPECT_NEAR(worldUp.y, std::sin(a), 1e-4f);
    EXPECT_NEAR(worldUp.z, 0.0f, 1e-4f);
  }
}

TEST_F(ScenePathsTest, PointsWithoutAnyTreeGetTheVerticalAsUp) {
  Load({PathFrame("path00", kLine), MarkerFrame("bush")});
  std::vector<PathRecord> paths;
  BuildPathList(m_model, "path%02d", &paths);
  ComputePathUps(m_model, "tree", &paths);
  ASSERT_EQ(paths[0].ups.size(), 3u);
  for (const D3DXVECTOR3& up : paths[0].ups) EXPECT_EQ(up, D3DXVECTOR3(0, 0, 1));
}

TEST_F(ScenePathsTest, CombinedMatricesFollowTheFrameChainBeforeAnythingIsDrawn) {
  D3DXMATRIX shift;
  D3DXMatrixTranslation(&shift, 5, 6, 7);
  Load({PathFrame("path00", kLine, shift)});
  const XFileFrame* frame = m_model.FindFrame("path00");
  D3DXMATRIX expected;
  D3DXMatrixMultiply(&expected, &frame->matCurrent, &m_model.RootFrame()->matCurrent);
  for (int i = 0; i < 16; ++i) {
    EXPECT_FLOAT_EQ(frame->matCombined.m[i / 4][i % 4], expected.m[i / 4][i % 4]) << i;
  }
  EXPECT_FLOAT_EQ(frame->matCombined._41, 5.0f - m_model.Center().x);
}

}  // namespace
}  // namespace qm
