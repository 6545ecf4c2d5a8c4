// The steering helpers and path evaluation: degenerate input (zero vectors, parallel and
// opposite directions, paths without length) gives finite, sensible answers; corners are
// rounded through the bisector; positions follow distance along the path.
#include "creatures/CreatureMath.h"

#include <gtest/gtest.h>

#include "creatures/CreatureTestSupport.h"
#include "creatures/PathPose.h"

namespace qm {
namespace {

using creaturetest::Finite;

void ExpectNear(const D3DXVECTOR3& actual, const D3DXVECTOR3& expected, float tolerance = 1e-5f) {
  EXPECT_NEAR(actual.x, expected.x, tolerance);
  EXPECT_NEAR(actual.y, expected.y, tolerance);
  EXPECT_NEAR(actual.z, expected.z, tolerance);
}

PathRecord Path(const std::vector<D3DXVECTOR3>& points) {
  creaturetest::TestPaths paths;
  paths.Add(points);
  PathRecord path = paths.Paths()[0];
  path.pMatrix = nullptr;  // the matrix dies with paths; evaluation does not read it
  return path;
}

TEST(CreatureMathTest, ZeroVectorsHaveNoAngleAndNoRotation) {
  const D3DXVECTOR3 zero(0, 0, 0), x(1, 0, 0), y(0, 1, 0);
  EXPECT_EQ(AngleBetween(zero, x), 0.0f);
  EXPECT_EQ(AngleBetween(x, zero), 0.0f);
  EXPECT_EQ(SafeNormalize(zero), zero);
  EXPECT_EQ(RotateAbout(x, 1.0f, zero), x);
  // Slightly more than 1 in the dot product of unit vectors must not reach acos.
  EXPECT_FLOAT_EQ(AngleBetween(x, x * 3.0f), 0.0f);
  EXPECT_NEAR(AngleBetween(x, -x), D3DX_PI, 1e-6f);
  ExpectNear(RotateAbout(x, D3DX_PI / 2, D3DXVECTOR3(0, 0, 5)), y);
}

TEST(CreatureMathTest, OppositeDirectionsTurnAboutTheFallback) {
  const D3DXVECTOR3 x(1, 0, 0), up(0, 0, 1);
  // The model faces -x; an animal heading +x must be turned about its up, not flipped.
  const D3DXMATRIX r = RotationOnto(-x, x, up);
  D3DXVECTOR3 forward, turnedUp;
  const D3DXVECTOR3 minusX = -x;
  D3DXVec3TransformNormal(&forward, &minusX, &r);
  D3DXVec3TransformNormal(&turnedUp, &up, &r);
  ExpectNear(forward, x);
  ExpectNear(turnedUp, up);
  // A fallback parallel to the vectors is no axis: some perpendicular one is used.
  const D3DXVECTOR3 axis = TurnAxis(x, -x, x);
  EXPECT_NEAR(D3DXVec3Dot(&axis, &x), 0.0f, 1e-6f);
  EXPECT_GT(D3DXVec3Length(&axis), 0.5f);
  for (int i = 0; i < 16; ++i) EXPECT_TRUE(std::isfinite(r.m[i / 4][i % 4]));
}

TEST(CreatureMathTest, SquaringKeepsTheSideAndSurvivesParallelVectors) {
  const D3DXVECTOR3 up(0, 0, 1);
  ExpectNear(SquareTo(up, D3DXVECTOR3(1, 0, 1), up), D3DXVECTOR3(1, 0, 0));
  ExpectNear(SquareTo(up, D3DXVECTOR3(0, -2, -1), up), D3DXVECTOR3(0, -1, 0));
  // Toward parallel to base: the kept vector decides, else any perpendicular unit vector.
  ExpectNear(SquareTo(up, up, D3DXVECTOR3(0, 1, 0)), D3DXVECTOR3(0, 1, 0));
  const D3DXVECTOR3 any = SquareTo(up, -up, up);
  EXPECT_NEAR(D3DXVec3Length(&any), 1.0f, 1e-5f);
  EXPECT_NEAR(D3DXVec3Dot(&any, &up), 0.0f, 1e-5f);
}

TEST(PathPoseTest, PositionFollowsDistanceAndTheEndsAreExact) {
  // Two segments of lengths 10 and 30: t = 0.5 lies 10 units into the second one.
  const PathRecord path = Path({{0, 0, 0}, {10, 0, 0}, {10, 30, 0}});
  PathPose pose;
  ASSERT_TRUE(EvaluatePath(path, 0.5f, &pose));
  ExpectNear(pose.position, D3DXVECTOR3(10, 10, 0));
  ASSERT_TRUE(EvaluatePath(path, 0.0f, &pose));
  ExpectNear(pose.position, D3DXVECTOR3(0, 0, 0));
  ExpectNear(pose.direction, D3DXVECTOR3(1, 0, 0));
  ASSERT_TRUE(EvaluatePath(path, 1.0f, &pose));
  ExpectNear(pose.position, D3DXVECTOR3(10, 30, 0));
  ExpectNear(pose.direction, D3DXVECTOR3(0, 1, 0));
  ASSERT_TRUE(EvaluatePath(path, 2.0f, &pose));  // beyond the end: held at the end
  ExpectNear(pose.position, D3DXVECTOR3(10, 30, 0));
}

TEST(PathPoseTest, CornersTurnThroughTheBisector) {
  const PathRecord path = Path({{0, 0, 0}, {10, 0, 0}, {10, 10, 0}});
  PathPose pose;
  const float diagonal = std::sqrt(0.5f);
  ASSERT_TRUE(EvaluatePath(path, 0.5f, &pose));  // at the corner
  ExpectNear(pose.direction, D3DXVECTOR3(diagonal, diagonal, 0));
  ASSERT_TRUE(EvaluatePath(path, 0.25f, &pose));  // mid-segment: still straight
  ExpectNear(pose.direction, D3DXVECTOR3(1, 0, 0));
  ASSERT_TRUE(EvaluatePath(path, 0.75f, &pose));
  ExpectNear(pose.direction, D3DXVECTOR3(0, 1, 0));
  // Half way between mid-segment and corner, half way to the bisector.
  ASSERT_TRUE(EvaluatePath(path, 0.375f, &pose));
  const D3DXVECTOR3 halfway = SafeNormalize(D3DXVECTOR3(1, 0, 0) * 0.5f +
                                            D3DXVECTOR3(diagonal, diagonal, 0) * 0.5f);
  ExpectNear(pose.direction, halfway);
  EXPECT_NEAR(D3DXVec3Dot(&pose.direction, &pose.up), 0.0f, 1e-5f);
}

TEST(PathPoseTest, DegeneratePathsGiveNoPoseAndNoNaN) {
  PathPose pose;
  pose.position = D3DXVECTOR3(7, 8, 9);
  EXPECT_FALSE(EvaluatePath(Path({}), 0.5f, &pose));
  EXPECT_FALSE(EvaluatePath(Path({{1, 1, 1}}), 0.5f, &pose));
  EXPECT_FALSE(EvaluatePath(Path({{1, 1, 1}, {1, 1, 1}, {1, 1, 1}}), 0.5f, &pose));
  ExpectNear(pose.position, D3DXVECTOR3(7, 8, 9));  // left as it was

  // Repeated points, paths that double back, an up vector along the path.
  PathRecord repeated = Path({{0, 0, 0}, {0, 0, 0}, {10, 0, 0}, {10, 0, 0}, {0, 0, 0}});
  repeated.ups[2] = D3DXVECTOR3(1, 0, 0);
  for (const PathRecord& path : {repeated, Path({{0, 0, 0}, {10, 0, 0}, {0, 0, 0}})}) {
    for (float t = 0.0f; t <= 1.0f; t += 0.03125f) {
      ASSERT_TRUE(EvaluatePath(path, t, &pose)) << t;
      EXPECT_TRUE(Finite(pose.position) && Finite(pose.direction) && Finite(pose.up)) << t;
      EXPECT_NEAR(D3DXVec3Length(&pose.direction), 1.0f, 1e-4f) << t;
      EXPECT_NEAR(D3DXVec3Length(&pose.up), 1.0f, 1e-4f) << t;
    }
  }
}

}  // namespace
}  // namespace qm
