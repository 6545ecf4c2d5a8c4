// The light rays: their animation values over time, the two mirrored beams and their
// additive drawing through the recording device, and the scene switching them off.
#include "scene/Rays.h"

#include <gtest/gtest.h>

#include <cmath>

#include "scene/ForestScene.h"
#include "scene/ForestSceneTestXFiles.h"

namespace qm {
namespace {

constexpr char kBackground[] = "background_01.jpg";

D3DXVECTOR3 Transformed(const RayVertex& v, const D3DXMATRIX& m) {
  D3DXVECTOR3 out;
  const D3DXVECTOR3 in(v.x, v.y, v.z);
  D3DXVec3TransformCoord(&out, &in, &m);
  return out;
}

std::string MaterialPrefix(float c) {
  const std::string f = FormatFloat(c);
  return "SetMaterial((" + f + " " + f + " " + f + " " + f + "), (0 0 0 0)";
}

class RaysTest : public scenetest::RecordingDeviceFixture {
 protected:
  void SetUp() override {
    RecordingDeviceFixture::SetUp();
    m_archiveBytes = scenetest::PackStored(
        {scenetest::TextEntry("forest.x", scenetest::XFileText({scenetest::MarkerFrame("Leaf")})),
         {kBackground, scenetest::TinyBmp(), false},
         {"Rays.jpg", scenetest::TinyBmp(), false}});
    m_archive = {m_archiveBytes.data(), std::uint32_t(m_archiveBytes.size()), 0};
  }
  // Counts the beams drawn since the log was last cleared.
  size_t BeamsDrawn() const {
    size_t beams = 0;
    for (const std::string& call : m_direct3D->Log()->Texts("DrawPrimitiveUP"))
      beams += call == "DrawPrimitiveUP(4, 2, ptr, 32)" ? 1 : 0;
    return beams;
  }

  std::vector<std::uint8_t> m_archiveBytes;
  MediaArchive m_archive;
  Rays m_rays{"wind2.jpg", "rays.jpg"};
};

TEST_F(RaysTest, AnimationValuesAtStartAndAtChosenTimes) {
  m_rays.FrameMove(0.0f);
  EXPECT_FLOAT_EQ(m_rays.Brightness(), 0.5f);
  EXPECT_EQ(m_rays.Offset(), 0.0f);
  EXPECT_EQ(m_rays.SwayAngle(), 0.0f);

  // Reference values in double precision; 125 steps of 80 ms make 10 s.
  struct Expected {
    float time, sway, brightness, offset;
  };
  const Expected expected[] = {{10.0f, -0.0025898455f, 0.785669f, 37.959385f},
                               {100.0f, -0.024043841f, 0.7008516f, -2.6528759f},
                               {1000.0f, 0.0014845476f, 0.6721143f, -24.641618f}};
  float now = 0.0f;
  for (const Expected& e : expected) {
    SCOPED_TRACE(e.time);
    while (now < e.time - 1e-3f) {
      const float step = std::min(0.08f, e.time - now);
      m_rays.FrameMove(step);
      now += step;
    }
    // Summing float steps drifts a little from the exact time: compare with that in mind.
    const float drift = std::fabs(m_rays.RayTime() - e.time);
    ASSERT_LT(drift, 2e-3f * (e.time / 100.0f + 1.0f));
    EXPECT_NEAR(m_rays.SwayAngle(), e.sway, 1e-3f * (1 + drift * 100));
    EXPECT_NEAR(m_rays.Brightness(), e.brightness, 1e-4f + drift * 2);
    EXPECT_NEAR(m_rays.Offset(), e.offset, 1e-3f + drift * 5);
  }
}

TEST_F(RaysTest, RayTimeWrapsAroundAndStaysFinite) {
  float before = 0.0f;
  int steps = 0;
  while (m_rays.RayTime() >= before && steps < 50000) {
    before = m_rays.RayTime();
    m_rays.FrameMove(0.08f);
    ++steps;
  }
  ASSERT_LT(steps, 50000) << "the ray time never wrapped";
  EXPECT_GT(before, Rays::kTimeWrap - 0.08f);
  EXPECT_GE(m_rays.RayTime(), 0.0f);
  EXPECT_LE(m_rays.RayTime(), 0.08f);
  EXPECT_TRUE(std::isfinite(m_rays.Brightness()) && std::isfinite(m_rays.SwayAngle()));
}

TEST_F(RaysTest, SecondBeamIsMirroredAndTwoThirdsAsBright) {
  for (const float time : {0.0f, 10.0f, 33.3f}) {
    SCOPED_TRACE(time);
    Rays rays("wind2.jpg", "rays.jpg");
    rays.FrameMove(time);
    EXPECT_FLOAT_EQ(rays.BeamColour(-1.0f), rays.BeamColour(1.0f) / 1.5f);
    const D3DXMATRIX first = rays.BeamWorld(1.0f), second = rays.BeamWorld(-1.0f);
    for (int i = 0; i < Rays::kQuadVertexCount; ++i) {
      const D3DXVECTOR3 a = Transformed(rays.Quad()[i], first);
      const D3DXVECTOR3 b = Transformed(rays.Quad()[i], second);
      EXPECT_NEAR(a.y, 92.0f, 1e-3f);
      EXPECT_NEAR(b.y, -92.0f, 1e-3f);
      EXPECT_NEAR(a.x, b.x, 1e-3f);
      EXPECT_NEAR(a.z, b.z, 1e-3f);
    }
  }
  // At rest the beam stands upright, 1.3 x 150 wide and 1.5 x 150 high about the middle.
  m_rays.FrameMove(0.0f);
  const D3DXMATRIX rest = m_rays.BeamWorld(1.0f);
  const D3DXVECTOR3 lowLeft = Transformed(m_rays.Quad()[0], rest);
  const D3DXVECTOR3 highRight = Transformed(m_rays.Quad()[2], rest);
  EXPECT_NEAR(lowLeft.x, -97.5f, 1e-3f);
  EXPECT_NEAR(lowLeft.z, -112.5f, 1e-3f);
  EXPECT_NEAR(highRight.x, 97.5f, 1e-3f);
  EXPECT_NEAR(highRight.z, 112.5f, 1e-3f);
}

TEST_F(RaysTest, BeamsAreAddedToThePictureAndTheMatricesComeBack) {
  m_rays.UseArchive(m_archive, nullptr);
  ASSERT_EQ(m_rays.InitDeviceObjects(m_device), S_OK);
  D3DXMATRIX world, view;
  D3DXMatrixTranslation(&world, 1, 2, 3);
  D3DXMatrixTranslation(&view, 4, 5, 6);
  m_device->SetTransform(D3DTS_WORLD, &world);
  m_device->SetTransform(D3DTS_VIEW, &view);
  m_rays.FrameMove(10.0f);
  m_direct3D->Log()->Clear();

  m_rays.Render();

  const std::vector<std::string> calls = m_direct3D->Log()->Texts();
  const std::vector<std::string> opening = {
      "SetRenderState(D3DRS_ZENABLE, 1)",         "SetRenderState(D3DRS_ZWRITEENABLE, 0)",
      "SetRenderState(D3DRS_ALPHABLENDENABLE, 1)", "SetRenderState(D3DRS_SPECULARENABLE, 0)",
      "SetRenderState(D3DRS_SRCBLEND, 3)",        "SetRenderState(D3DRS_DESTBLEND, 2)",
      "SetVertexShader(274)"};
  ASSERT_GT(calls.size(), opening.size());
  for (size_t i = 0; i < opening.size(); ++i) EXPECT_EQ(calls[i], opening[i]) << "call " << i;

  const D3DXMATRIX first = m_rays.BeamWorld(1.0f), second = m_rays.BeamWorld(-1.0f);
  const int firstWorld =
      m_direct3D->Log()->IndexOf("SetTransform(D3DTS_WORLD, " + FormatMatrix(&first) + ")");
  const int secondWorld =
      m_direct3D->Log()->IndexOf("SetTransform(D3DTS_WORLD, " + FormatMatrix(&second) + ")");
  ASSERT_GE(firstWorld, 0);
  ASSERT_GT(secondWorld, firstWorld);
  EXPECT_EQ(calls[firstWorld + 2].rfind(MaterialPrefix(m_rays.Brightness()), 0), 0u)
      << calls[firstWorld + 2];
  EXPECT_EQ(calls[secondWorld + 2].rfind(MaterialPrefix(m_rays.Brightness() / 1.5f), 0), 0u)
      << calls[secondWorld + 2];
  EXPECT_EQ(BeamsDrawn(), 2u);

  const DeviceState& state = m_device->State();
  EXPECT_EQ(state.RenderState(D3DRS_ALPHABLENDENABLE), 0u);
  EXPECT_EQ(state.RenderState(D3DRS_ZWRITEENABLE), 1u);
  D3DMATRIX after;
  m_device->GetTransform(D3DTS_WORLD, &after);
  EXPECT_EQ(FormatMatrix(&after), FormatMatrix(&world));
  m_device->GetTransform(D3DTS_VIEW, &after);
  EXPECT_EQ(FormatMatrix(&after), FormatMatrix(&view));
}

TEST_F(RaysTest, WithoutTheirTextureNoBeamIsDrawn) {
  const auto empty = scenetest::PackStored({{kBackground, scenetest::TinyBmp(), false}});
  m_rays.UseArchive({empty.data(), std::uint32_t(empty.size()), 0}, nullptr);
  EXPECT_TRUE(FAILED(m_rays.InitDeviceObjects(m_device)));
  m_rays.FrameMove(1.0f);
  m_rays.Render();
  EXPECT_EQ(BeamsDrawn(), 0u);
}

TEST_F(RaysTest, SceneWithRaysOffNeitherMovesNorDrawsThem) {
  ForestScene scene;
  scene.UseArchive(m_archive, nullptr);
  scene.SetBackgroundName(kBackground);
  ASSERT_EQ(scene.InitDeviceObjects(m_device), S_OK);

  scene.m_bEnableRays = 0;
  scene.FrameMove(0.05f, 1);
  m_direct3D->Log()->Clear();
  scene.Render(m_device);
  EXPECT_EQ(scene.LightRays().RayTime(), 0.0f);
  EXPECT_EQ(BeamsDrawn(), 0u);

  scene.m_bEnableRays = 1;
  scene.FrameMove(0.05f, 1);
  m_direct3D->Log()->Clear();
  scene.Render(m_device);
  EXPECT_FLOAT_EQ(scene.LightRays().RayTime(), 0.05f);
  EXPECT_EQ(BeamsDrawn(), 2u);
}

}  // namespace
}  // namespace qm
