// Scene assembly through the recording device: what a test forest's frames become, the
// background, the drawing order and states of one frame, device-object failures, and the
// generated forest of the saver's own media archive.
#include "scene/ForestScene.h"

#include <gtest/gtest.h>

#include "scene/ForestSceneTestXFiles.h"
#include "scene/XFileModel.h"

namespace qm {
namespace {

using scenetest::CylinderTree;
using scenetest::MarkerFrame;
using scenetest::PathFrame;

constexpr char kBackground[] = "background_03.jpg";

// The background and the textures of the web, the drops and the rays, all one tiny picture.
std::vector<PackEntry> PictureEntries() {
  std::vector<PackEntry> entries;
  for (const char* name : {kBackground, "env.jpg", "radii.jpg", "spirals.jpg", "rays.jpg"})
    entries.push_back({name, scenetest::TinyBmp(), false});
  return entries;
}

std::vector<std::uint8_t> PackForest(const std::vector<std::string>& frames) {
  std::vector<PackEntry> entries = PictureEntries();
  entries.push_back(scenetest::TextEntry("forest.x", scenetest::XFileText(frames)));
  return scenetest::PackStored(entries);
}

D3DXMATRIX Translation(float x, float y, float z) {
  D3DXMATRIX m;
  D3DXMatrixTranslation(&m, x, y, z);
  return m;
}

// The frames the scene reads, with the gaps the numbering may have.
std::vector<std::string> TestForestFrames() {
  const std::vector<D3DXVECTOR3> line = {{12, 0, 5}, {12, 0, 15}, {12, 0, 25}};
  return {CylinderTree("tree_big01", 10.0f, 40.0f),
          PathFrame("path00", line),
          PathFrame("path01", line, Translation(0, 0, 2)),
          PathFrame("path03", line),
          PathFrame("fly_path00", line),
          PathFrame("fly_path01", line),
          MarkerFrame("Branch00", Translation(1, 2, 3)),
          MarkerFrame("Branch02", Translation(-4, 0, 8))};
}

class ForestSceneTest : public scenetest::RecordingDeviceFixture {
 protected:
  // Packs the forest and a background picture into an archive the scene reads from.
  void UseForest(const std::vector<std::string>& frames) {
    m_archiveBytes = PackForest(frames);
    MediaArchive archive;
    archive.pData = m_archiveBytes.data();
    archive.nSize = static_cast<std::uint32_t>(m_archiveBytes.size());
    m_scene.UseArchive(archive, nullptr);
    m_scene.SetBackgroundName(kBackground);
  }

  void InitTestForest() {
    UseForest(TestForestFrames());
    ASSERT_EQ(m_scene.InitDeviceObjects(m_device), S_OK);
  }

  std::vector<std::uint8_t> m_archiveBytes;
  ForestScene m_scene;
};

TEST_F(ForestSceneTest, NumberedFramesBecomePathsAndBranches) {
  InitTestForest();
  // path02 is missing, so path03 is never reached; Branch01 is missing and skipped.
  ASSERT_EQ(m_scene.WalkingPaths().size(), 2u);
  EXPECT_EQ(m_scene.FlightPaths().size(), 2u);
  ASSERT_EQ(m_scene.Branches().size(), 2u);
  EXPECT_EQ(m_scene.Branches()[0].pFrame->name, "Branch00");
  EXPECT_EQ(m_scene.Branches()[1].pFrame->name, "Branch02");
  EXPECT_FLOAT_EQ(m_scene.Branches()[1].mRest._41, -4.0f);

  for (const PathRecord& path : m_scene.WalkingPaths()) {
    ASSERT_EQ(path.ups.size(), path.points.size());
    // The line runs up the trunk's side at x = 12: its up vectors point away along +x.
    for (const D3DXVECTOR3& up : path.ups) EXPECT_NEAR(up.x, 1.0f, 1e-5f);
  }
  EXPECT_TRUE(m_scene.FlightPaths()[0].ups.empty());
  EXPECT_EQ(m_scene.WalkingPaths()[1].pMatrix, &m_scene.Forest().FindFrame("path01")->matCombined);
  EXPECT_GT(m_scene.Radius(), 0.0f);
  // The first drops hang where they were put: this forest has no twig to run along.
  EXPECT_TRUE(m_scene.DropsPlaced());
}

TEST_F(ForestSceneTest, BackgroundQuadStandsAtY100WithItsCorners) {
  InitTestForest();
  const BackgroundVertex expected[6] = {
      {-130, 100, -110, 0, 1}, {-130, 100, 102, 0, 0}, {125, 100, 102, 1, 0},
      {125, 100, 102, 1, 0},   {125, 100, -110, 1, 1}, {-130, 100, -110, 0, 1},
  };
  for (int i = 0; i < 6; ++i) {
    SCOPED_TRACE(i);
    const BackgroundVertex& v = m_scene.BackgroundQuad()[i];
    EXPECT_EQ(v.x, expected[i].x);
    EXPECT_EQ(v.y, expected[i].y);
    EXPECT_EQ(v.z, expected[i].z);
    EXPECT_EQ(v.u, expected[i].u);
    EXPECT_EQ(v.v, expected[i].v);
  }
  static_assert(sizeof(BackgroundVertex) == 20);
}

TEST_F(ForestSceneTest, OneFrameIsDrawnInItsOrderWithItsStates) {
  InitTestForest();
  const D3DXMATRIX world = Translation(7, 8, 9);
  m_device->SetTransform(D3DTS_WORLD, &world);
  m_direct3D->Log()->Clear();

  ASSERT_EQ(m_scene.Render(m_device), S_OK);

  const std::vector<std::string> calls = m_direct3D->Log()->Texts();
  const std::vector<std::string> opening = {
      "SetRenderState(D3DRS_ZENABLE, 1)",
      "SetRenderState(D3DRS_LIGHTING, 1)",
      "SetRenderState(D3DRS_SPECULARENABLE, 1)",
      "SetRenderState(D3DRS_SPECULARMATERIALSOURCE, 0)",
      "SetRenderState(D3DRS_FILLMODE, 3)",
      "SetRenderState(D3DRS_ALPHABLENDENABLE, 1)",
      "SetRenderState(D3DRS_SRCBLEND, 5)",
      "SetRenderState(D3DRS_DESTBLEND, 6)",
      "SetRenderState(D3DRS_CULLMODE, 1)",
      "GetTransform(D3DTS_WORLD)",
      "SetRenderState(D3DRS_SPECULARENABLE, 0)",
      // The opaque forest first, unblended (the test forest's materials all are opaque) and
      // with back faces culled.
      "SetRenderState(D3DRS_ALPHABLENDENABLE, 0)",
      "SetRenderState(D3DRS_CULLMODE, 3)",
  };
  ASSERT_GT(calls.size(), opening.size());
  for (size_t i = 0; i < opening.size(); ++i) EXPECT_EQ(calls[i], opening[i]) << "call " << i;

  // Then the background at the far end of the depth range, where nothing opaque was drawn,
  // and the translucent forest under blending and the alpha test.
  const std::vector<std::string> background = {
      "SetViewport(0, 0, 320, 240, 1, 1)",
      "SetRenderState(D3DRS_LIGHTING, 0)",
      "SetRenderState(D3DRS_ZWRITEENABLE, 0)",
      "SetRenderState(D3DRS_ZFUNC, 4)",
      "SetTexture(0, ptr)",
      "SetVertexShader(258)",
      "DrawPrimitiveUP(4, 2, ptr, 20)",
      "SetRenderState(D3DRS_ZWRITEENABLE, 1)",
      "SetRenderState(D3DRS_LIGHTING, 1)",
      "SetViewport(0, 0, 320, 240, 0, 1)",
      "SetRenderState(D3DRS_ALPHABLENDENABLE, 1)",
      "SetRenderState(D3DRS_ALPHATESTENABLE, 1)",
      "SetRenderState(D3DRS_ALPHAREF, 170)",
      "SetRenderState(D3DRS_ALPHAFUNC, 7)",
  };
  const int backgroundStart = m_direct3D->Log()->IndexOf(background[0]);
  ASSERT_GT(backgroundStart, int(opening.size()));
  int opaqueDraws = 0;
  for (int i = int(opening.size()); i < backgroundStart; ++i) {
    opaqueDraws += calls[i].rfind("DrawIndexedPrimitive(", 0) == 0 ? 1 : 0;
  }
  EXPECT_EQ(opaqueDraws, 8);  // one mesh per frame of the test forest
  // Culling ends with the opaque forest: the background quad and the leaves, seen from
  // either side, come after it.
  ASSERT_GE(backgroundStart, 2);
  EXPECT_EQ(calls[size_t(backgroundStart) - 2], "SetRenderState(D3DRS_CULLMODE, 1)");
  EXPECT_EQ(calls[size_t(backgroundStart) - 1], "GetViewport()");
  ASSERT_GE(calls.size(), size_t(backgroundStart) + background.size());
  for (size_t i = 0; i < background.size(); ++i) {
    EXPECT_EQ(calls[size_t(backgroundStart) + i], background[i]) << "background call " << i;
  }

  // Blending and the test go off for the animals, and the world matrix the frame started
  // with comes back last.
  const int forestEnd = backgroundStart + int(background.size());
  const int blendOff =
      m_direct3D->Log()->IndexOf("SetRenderState(D3DRS_ALPHABLENDENABLE, 0)", size_t(forestEnd));
  ASSERT_GE(blendOff, forestEnd);
  EXPECT_EQ(calls[blendOff + 1], "SetRenderState(D3DRS_ALPHATESTENABLE, 0)");
  EXPECT_EQ(calls[blendOff + 2], "SetRenderState(D3DRS_SPECULARENABLE, 1)");
  EXPECT_EQ(calls.back(), "SetTransform(D3DTS_WORLD, " + FormatMatrix(&world) + ")");

  const DeviceState& state = m_device->State();
  EXPECT_EQ(state.RenderState(D3DRS_CULLMODE), DWORD(D3DCULL_NONE));
  EXPECT_EQ(state.RenderState(D3DRS_ZENABLE), 1u);
  EXPECT_EQ(state.RenderState(D3DRS_LIGHTING), 1u);
  EXPECT_EQ(state.RenderState(D3DRS_ALPHATESTENABLE), 0u);
}

TEST_F(ForestSceneTest, BranchesSwayAboutTheVerticalFromTheirRestMatrices) {
  InitTestForest();
  // (wind time, sway angle) pairs worked out by hand from the sway formula.
  const std::pair<float, float> cases[] = {
      {2.0f, 0.0113001846f}, {10.0f, -0.00207187654f}, {123.4f, 0.000746943618f}};
  for (const auto& [windTime, angle] : cases) {
    SCOPED_TRACE(windTime);
    m_scene.SetWindTime(windTime);
    m_scene.FrameMove(0.0f, 1);
    for (const BranchRecord& branch : m_scene.Branches()) {
      const D3DXMATRIX& m = *branch.pCurrent;
      EXPECT_NEAR(m._11, std::cos(angle), 1e-6f);
      EXPECT_NEAR(m._12, std::sin(angle), 1e-6f);
      EXPECT_NEAR(m._21, -std::sin(angle), 1e-6f);
      EXPECT_FLOAT_EQ(m._33, 1.0f);
      // The rest position's translation is kept (the turn comes first).
      EXPECT_FLOAT_EQ(m._41, branch.mRest._41);
      EXPECT_FLOAT_EQ(m._43, branch.mRest._43);
    }
  }
}

TEST_F(ForestSceneTest, LongFrameStepsMoveTheSceneByAtMostEightyMilliseconds) {
  InitTestForest();
  m_scene.FrameMove(0.2f, 1);
  EXPECT_FLOAT_EQ(m_scene.WindTime(), 0.08f);
  m_scene.FrameMove(0.05f, 1);
  EXPECT_FLOAT_EQ(m_scene.WindTime(), 0.13f);
  m_scene.FrameMove(std::nanf(""), 1);
  m_scene.FrameMove(-3.0f, 1);
  EXPECT_FLOAT_EQ(m_scene.WindTime(), 0.13f);

  m_scene.SetWindTime(9999.95f);
  m_scene.FrameMove(0.08f, 1);
  EXPECT_EQ(m_scene.WindTime(), 0.0f);
}

TEST_F(ForestSceneTest, DeletedDeviceObjectsLeaveNothingPointingIntoTheOldForest) {
  InitTestForest();
  m_scene.ReleaseDeviceObjects();
  m_scene.DeleteDeviceObjects();
  EXPECT_TRUE(m_scene.WalkingPaths().empty());
  EXPECT_TRUE(m_scene.Branches().empty());
  EXPECT_EQ(m_scene.Radius(), 0.0f);
  m_scene.FrameMove(0.05f, 1);  // no branch left to write through

  ASSERT_EQ(m_scene.InitDeviceObjects(m_device), S_OK);
  EXPECT_EQ(m_scene.WalkingPaths().size(), 2u);
  EXPECT_EQ(m_scene.Branches().size(), 2u);
}

TEST_F(ForestSceneTest, FailingStepsEndTheDeviceObjectsWithTheirResult) {
  // A background that is not in the archive fails before the forest is read.
  UseForest(TestForestFrames());
  m_scene.SetBackgroundName("background_09.jpg");
  EXPECT_TRUE(FAILED(m_scene.InitDeviceObjects(m_device)));
  EXPECT_EQ(m_scene.Radius(), 0.0f);

  // A forest without extent would size every animal to nothing.
  const std::string flat = scenetest::FrameText(
      "tree_flat", scenetest::Identity(),
      scenetest::MeshText({{0, 0, 0}, {0, 0, 0}, {0, 0, 0}}, {{0, 1, 2}}));
  ForestScene flatScene;
  m_archiveBytes = PackForest({flat});
  flatScene.UseArchive({m_archiveBytes.data(), std::uint32_t(m_archiveBytes.size()), 0}, nullptr);
  flatScene.SetBackgroundName(kBackground);
  EXPECT_EQ(flatScene.InitDeviceObjects(m_device), E_FAIL);
}

TEST_F(ForestSceneTest, AStartFileTheArchiveDoesNotHoldChangesNothing) {
  InitTestForest();
  const std::vector<std::uint8_t> before = m_scene.CobwebImage();
  EXPECT_EQ(m_scene.LoadCobwebStart("cobweb_half.dat"), 1);
  EXPECT_EQ(m_scene.CobwebImage(), before);
}

TEST_F(ForestSceneTest, GeneratedForestOfTheSaverMediaAssembles) {
  ForestScene scene;  // reads the embedded scene media (resource 481)
  scene.SetBackgroundName(kBackground);
  ASSERT_EQ(scene.InitDeviceObjects(m_device), S_OK);
  EXPECT_GE(scene.WalkingPaths().size(), 6u);
  EXPECT_GE(scene.FlightPaths().size(), 2u);
  EXPECT_GE(scene.Branches().size(), 2u);
  EXPECT_GT(scene.Radius(), 0.0f);
  for (const PathRecord& path : scene.WalkingPaths()) {
    ASSERT_GE(path.points.size(), 2u);
    EXPECT_GT(path.fLength, 0.0f);
    ASSERT_EQ(path.ups.size(), path.points.size());
    for (const D3DXVECTOR3& up : path.ups) EXPECT_NEAR(D3DXVec3Length(&up), 1.0f, 1e-4f);
  }
  scene.FrameMove(0.04f, 1);
  EXPECT_EQ(scene.Render(m_device), S_OK);
  EXPECT_GT(m_direct3D->Log()->Count("DrawIndexedPrimitive"), 10u);
}

}  // namespace
}  // namespace qm
