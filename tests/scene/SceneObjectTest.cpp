// SceneObject: the model it forwards to and the scale that gives the model a size.
#include "scene/SceneObject.h"

#include <gtest/gtest.h>

#include "scene/ForestSceneTestXFiles.h"
#include "scene/XFileModel.h"

namespace qm {
namespace {

class SceneObjectTest : public scenetest::RecordingDeviceFixture {
 protected:
  void Load(const std::vector<D3DXVECTOR3>& corners) {
    m_text = scenetest::XFileText({scenetest::FrameText(
        "body", scenetest::Identity(), scenetest::MeshText(corners, {{0, 1, 2}}))});
    ASSERT_EQ(m_object.Model().LoadFromMemory(m_device, m_text.data(), DWORD(m_text.size())),
              S_OK);
  }

  std::string m_text;
  SceneObject m_object{"beetle.x"};
};

TEST_F(SceneObjectTest, TheModelIsNamedAndUnscaledAtCreation) {
  EXPECT_STREQ(m_object.Model().FileName(), "beetle.x");
  EXPECT_TRUE(D3DXMatrixIsIdentity(&m_object.ScaleMatrix()));
  EXPECT_EQ(m_object.Size(), 0.0f);
}

TEST_F(SceneObjectTest, SizeScalesTheBoundingSphereToThatRadius) {
  Load({{-4, 0, 0}, {4, 0, 0}, {0, 0, 0.5f}});
  const float radius = m_object.Model().Radius();
  ASSERT_NEAR(radius, 4.0f, 0.01f);
  m_object.SetSize(2.0f);
  EXPECT_EQ(m_object.Size(), 2.0f);
  EXPECT_FLOAT_EQ(m_object.ScaleMatrix()._11, 2.0f / radius);
  EXPECT_FLOAT_EQ(m_object.ScaleMatrix()._22, 2.0f / radius);
  EXPECT_FLOAT_EQ(m_object.ScaleMatrix()._33, 2.0f / radius);
  EXPECT_FLOAT_EQ(m_object.ScaleMatrix()._44, 1.0f);
}

TEST_F(SceneObjectTest, ModelWithoutExtentKeepsTheIdentityScale) {
  Load({{0, 0, 0}, {0, 0, 0}, {0, 0, 0}});
  ASSERT_EQ(m_object.Model().Radius(), 0.0f);
  m_object.SetSize(3.0f);
  EXPECT_EQ(m_object.Size(), 3.0f);
  EXPECT_TRUE(D3DXMatrixIsIdentity(&m_object.ScaleMatrix()));
}

TEST_F(SceneObjectTest, OperationsForwardToTheModel) {
  Load({{-1, 0, 0}, {1, 0, 0}, {0, 0, 1}});
  m_direct3D->Log()->Clear();
  EXPECT_EQ(m_object.Render(), S_OK);
  EXPECT_EQ(m_direct3D->Log()->Count("DrawIndexedPrimitive"), 1u);
  EXPECT_EQ(m_object.FrameMove(0.1f), S_OK);
  EXPECT_EQ(m_object.ReleaseDeviceObjects(), S_OK);
  EXPECT_EQ(m_object.DeleteDeviceObjects(), S_OK);
  EXPECT_EQ(m_object.Model().Radius(), 0.0f);
}

}  // namespace
}  // namespace qm
