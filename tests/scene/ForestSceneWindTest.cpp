// The scene's wind: gust strength and direction, the step clamp and the wind-time wrap.
#include "scene/Wind.h"

#include <gtest/gtest.h>

#include <cmath>

namespace qm {
namespace {

TEST(ForestSceneWindTest, StrengthIsZeroWheneverTheGustsCancelBelowZero) {
  int calm = 0, windy = 0;
  for (float t = 0.0f; t < 300.0f; t += 0.37f) {
    SCOPED_TRACE(t);
    const D3DXVECTOR3 wind = WindVector(t);
    const double gust = 0.7 * std::sin(t / 5.5) + 0.3 * std::sin(double(t));
    EXPECT_EQ(wind.z, 0.0f);
    if (gust < 0.0) {
      EXPECT_EQ(D3DXVec3Length(&wind), 0.0f);
      ++calm;
    } else {
      EXPECT_NEAR(D3DXVec3Length(&wind), gust * 80.0, 1e-3);
      ++windy;
    }
  }
  EXPECT_GT(calm, 50);
  EXPECT_GT(windy, 50);
}

TEST(ForestSceneWindTest, DirectionTurnsSlowlyAboutTheVertical) {
  // At t = 40 the gust is 64.686 and the turn sin(40 / 19) = 0.860540 radians: the wind
  // blows along -x turned by that angle.
  const D3DXVECTOR3 wind = WindVector(40.0f);
  EXPECT_NEAR(wind.x, -64.686092f * std::cos(0.860540f), 1e-3f);
  EXPECT_NEAR(wind.y, -64.686092f * std::sin(0.860540f), 1e-3f);
  const D3DXVECTOR3 start = WindVector(1.0f);
  EXPECT_NEAR(start.x, -30.321116f * std::cos(0.0526073f), 1e-3f);
}

TEST(ForestSceneWindTest, SceneStepIsClampedAndNeverNegative) {
  EXPECT_EQ(ClampSceneStep(0.2f), 0.08f);
  EXPECT_EQ(ClampSceneStep(0.08f), 0.08f);
  EXPECT_EQ(ClampSceneStep(0.03f), 0.03f);
  EXPECT_EQ(ClampSceneStep(-0.01f), 0.0f);
  EXPECT_EQ(ClampSceneStep(std::nanf("")), 0.0f);
  EXPECT_EQ(ClampSceneStep(INFINITY), 0.08f);
}

TEST(ForestSceneWindTest, WindTimeStartsAgainPastTenThousandSeconds) {
  EXPECT_FLOAT_EQ(AdvanceWindTime(9999.0f, 0.08f), 9999.08f);
  EXPECT_EQ(AdvanceWindTime(10000.0f, 0.0f), 10000.0f);
  EXPECT_EQ(AdvanceWindTime(9999.95f, 0.08f), 0.0f);
}

TEST(ForestSceneWindTest, BranchAngleStaysWithinItsAmplitude) {
  for (float t = 0.0f; t < 200.0f; t += 0.1f) {
    EXPECT_LE(std::fabs(BranchSwayAngle(t)), 0.03141593f + 1e-7f) << t;
  }
  EXPECT_EQ(BranchSwayAngle(0.0f), 0.0f);
  EXPECT_NEAR(BranchSwayAngle(5000.0f), 0.00188849423f, 1e-7f);
}

}  // namespace
}  // namespace qm
