// XFileModel animation: keys as read from the file, set lengths, key selection and blending,
// play counts and which set's animations move the frames.
#include "scene/XFileModel.h"

#include "XFileModelTestSupport.h"

namespace qm {
namespace {

using namespace xmodeltest;

class XFileModelAnimationTest : public RecordingModelTest {
 protected:
  // A model with the frame "Body" (a quad) and the given animation sets.
  void LoadWithSets(const std::string& sets) {
    ASSERT_EQ(LoadText(&m_model, Frame("Body", FrameTransform(Translation(5, 6, 7)) +
                                                   QuadMesh(0, 0, 1, 1)) +
                                     sets),
              S_OK);
    m_body = m_model.FindFrame("Body");
    ASSERT_NE(m_body, nullptr);
  }

  void Play(int set, int count, float seconds) {
    XFileAnimState state{set, count, 0.0f, m_model.SetLength(set)};
    m_model.SetAnimState(state);
    m_model.Advance(seconds);
  }

  XFileModel m_model;
  XFileFrame* m_body = nullptr;
};

TEST_F(XFileModelAnimationTest, RotationKeysStoredWxyzBecomeXyzw) {
  LoadWithSets(AnimationSet("turn", Animation("Body", Keys(0, {{0, {0.5f, 0.1f, 0.2f, 0.3f}},
                                                                {9600, {1, 0, 0, 0}}}))));
  const XFileFrame* animation = m_model.AnimSets()[0].pFrame->pFirstChild;
  ASSERT_NE(animation, nullptr);
  EXPECT_EQ(animation->pTarget, m_body);
  ASSERT_EQ(animation->rotateKeys.size(), 2u);
  const D3DXQUATERNION& q = animation->rotateKeys[0].quatRotate;
  EXPECT_EQ(q, D3DXQUATERNION(0.1f, 0.2f, 0.3f, 0.5f));
  EXPECT_EQ(m_model.SetLength(0), 9600.0f);
}

TEST_F(XFileModelAnimationTest, SetsWithOnlyPositionOrScaleKeysHaveLengthZero) {
  LoadWithSets(AnimationSet("slide", Animation("Body", Keys(2, {{0, {0, 0, 0}}, {4800, {1, 2, 3}}}) +
                                                           Keys(1, {{9600, {2, 2, 2}}}))) +
               AnimationSet("spin", Animation("Body", Keys(0, {{100, {1, 0, 0, 0}}}) +
                                                          Keys(2, {{9600, {0, 0, 0}}}))));
  EXPECT_EQ(m_model.SetLength(0), 0.0f);
  EXPECT_EQ(m_model.SetLength(1), 100.0f);
}

TEST_F(XFileModelAnimationTest, PositionAndScaleKeysBlendLinearly) {
  LoadWithSets(AnimationSet(
      "grow", Animation("Body", Keys(1, {{0, {1, 1, 1}}, {4800, {3, 3, 3}}}) +
                                    Keys(2, {{0, {0, 0, 0}}, {4800, {10, 20, 30}}}) +
                                    Keys(0, {{0, {1, 0, 0, 0}}, {9600, {1, 0, 0, 0}}}))));
  Play(0, 1000, 0.25f);  // 1200 ticks: a quarter of the way
  EXPECT_FLOAT_EQ(m_body->matCurrent._11, 1.5f);
  EXPECT_FLOAT_EQ(m_body->matCurrent._41, 2.5f);
  EXPECT_FLOAT_EQ(m_body->matCurrent._43, 7.5f);
}

TEST_F(XFileModelAnimationTest, WithoutPositionKeysTheFileTranslationStays) {
  LoadWithSets(AnimationSet("turn", Animation("Body", Keys(0, {{0, {1, 0, 0, 0}},
                                                                {4800, {0, 0, 0, 1}}}))));
  Play(0, 1000, 0.5f);
  // Half of a half turn about z: 90 degrees, and the frame keeps its place (5, 6, 7).
  EXPECT_NEAR(m_body->matCurrent._11, 0.0f, 1e-5f);
  EXPECT_NEAR(m_body->matCurrent._12, 1.0f, 1e-5f);
  EXPECT_EQ(m_body->matCurrent._41, 5.0f);
  EXPECT_EQ(m_body->matCurrent._42, 6.0f);
  EXPECT_EQ(m_body->matCurrent._43, 7.0f);
}

TEST_F(XFileModelAnimationTest, MatrixKeysAreNeverBlended) {
  LoadWithSets(AnimationSet(
      "jump", Animation("Body", Keys(4, {{0, MatrixValues(Translation(1, 0, 0))},
                                         {4800, MatrixValues(Translation(2, 0, 0))},
                                         {9600, MatrixValues(Translation(3, 0, 0))}}))));
  ASSERT_EQ(m_model.SetLength(0), 9600.0f);
  Play(0, 1000, 0.5f);  // exactly half-way between the first two keys
  EXPECT_EQ(m_body->matCurrent._41, 1.0f);
  m_model.Advance(0.01f);
  EXPECT_EQ(m_body->matCurrent._41, 2.0f);
  m_model.Advance(0.6f);  // past the second key
  EXPECT_EQ(m_body->matCurrent._41, 2.0f);
  m_model.Advance(0.5f);  // 1.61 s: 61 % of the way to the third key
  EXPECT_EQ(m_body->matCurrent._41, 3.0f);
}

TEST_F(XFileModelAnimationTest, AFinitePlayCountEndsTheSet) {
  LoadWithSets(AnimationSet("once", Animation("Body", Keys(0, {{0, {1, 0, 0, 0}},
                                                                {4800, {0, 0, 0, 1}}}))));
  Play(0, 2, 0.6f);
  EXPECT_EQ(m_model.AnimState().iSet, 0);
  m_model.Advance(0.6f);  // wraps once: one playing left
  EXPECT_EQ(m_model.AnimState().iSet, 0);
  EXPECT_EQ(m_model.AnimState().iCount, 1);
  const D3DXMATRIX before = m_body->matCurrent;
  m_model.Advance(0.9f);  // wraps again: done, and the frame is no longer moved
  EXPECT_EQ(m_model.AnimState().iSet, -1);
  EXPECT_EQ(m_model.AnimState().iCount, 0);
  EXPECT_EQ(m_body->matCurrent, before);
  m_model.Advance(10.0f);
  EXPECT_EQ(m_model.AnimState().iSet, -1);
}

TEST_F(XFileModelAnimationTest, OnlyTheLoadedSetMovesFrames) {
  LoadWithSets(AnimationSet("left", Animation("Body", Keys(4, {{0, MatrixValues(Translation(-1, 0, 0))},
                                                              {4800, MatrixValues(Translation(-1, 0, 0))}}))) +
               AnimationSet("right", Animation("Body", Keys(4, {{0, MatrixValues(Translation(1, 0, 0))},
                                                               {4800, MatrixValues(Translation(1, 0, 0))}}))));
  Play(1, 1000, 0.1f);
  EXPECT_EQ(m_body->matCurrent._41, 1.0f);
  Play(0, 1000, 0.1f);
  EXPECT_EQ(m_body->matCurrent._41, -1.0f);
  // A negative index loads nothing and leaves the frames where they are.
  Play(-1, 1000, 0.1f);
  EXPECT_EQ(m_body->matCurrent._41, -1.0f);
  EXPECT_EQ(m_model.AnimState().fTime, 0.0f);
}

TEST_F(XFileModelAnimationTest, TimeWrapsBeforeLosingPrecision) {
  LoadWithSets(AnimationSet("turn", Animation("Body", Keys(0, {{0, {1, 0, 0, 0}}}))));
  m_model.SetAnimState({0, 1000, 9.99e14f, 4800.0f});
  m_model.Advance(1e9f);
  EXPECT_EQ(m_model.AnimState().fTime, 0.0f);
}

}  // namespace
}  // namespace qm
