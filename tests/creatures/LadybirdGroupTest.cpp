// The ladybird with the media's mesh: the take-off animation holds it still before it flies,
// flights end on their waypoint (also one reached exactly), and the plan a start makes on
// each kind of path: the log's end and its three waypoints, path 1's stop at 0.3 and climb,
// path 2's plain walk, the flight paths in their order, and no start without a free path.
#include "creatures/LadybirdGroup.h"

#include <gtest/gtest.h>

#include <cmath>

#include "creatures/AntGroup.h"
#include "creatures/CreatureTestSupport.h"
#include "scene/XFileModel.h"
#include "shell/Random.h"

namespace qm {
namespace {

using creaturetest::Distance;
using creaturetest::Finite;

constexpr float kStep = 0.04f;
constexpr float kLadybirdSize = 4.0f;

class LadybirdGroupTest : public creaturetest::CreatureDeviceTest {
 protected:
  void SetUp() override {
    CreatureDeviceTest::SetUp();
    Load(m_ladybirds, kLadybirdSize);
    m_ants.SetSize(4.0f);
    m_groups = {&m_ants, &m_ladybirds};
    creaturetest::Connect(m_ladybirds, m_paths, &m_flyPaths, &m_groups);
    creaturetest::Connect(m_ants, m_paths, &m_flyPaths, &m_groups);
    SeedRandom(5);
  }

  // Four paths side by side, and two flight paths of three points in a shifted frame.
  void LayGlade() {
    for (int i = 0; i < 4; ++i) m_paths.AddStraight(60.0f, 20.0f * static_cast<float>(i));
    m_flightFrames.Add({{0, 0, 0}, {10, 0, 0}, {20, 0, 5}}, D3DXVECTOR3(0, -30, 0));
    m_flightFrames.Add({{0, 0, 0}, {-10, 0, 0}, {-20, 0, 5}}, D3DXVECTOR3(0, -30, 0));
    m_flyPaths = m_flightFrames.Paths();
  }

  // Parks an ant at the start of every path but `open`, so that only that one is free.
  void LeaveOnlyFree(int open) {
    for (int i = 0; i < static_cast<int>(m_paths.Paths().size()); ++i) {
      if (i == open) continue;
      Creature& ant = m_ants.AddCreature();
      ant.PushWalk(i, 0.0f, 0.0f);
      ant.PushWait(1e6f);
    }
  }

  // What a fresh ladybird plans on the paths left free, under the given seed.
  struct Started {
    Creature ladybird;
    float timer;
  };
  Started StartWith(std::uint32_t seed) {
    LadybirdGroup ladybirds;
    ladybirds.SetSize(kLadybirdSize);
    std::vector<CreatureGroup*> groups = {&m_ants, &ladybirds};
    creaturetest::Connect(ladybirds, m_paths, &m_flyPaths, &groups);
    SeedRandom(seed);
    Creature& ladybird = ladybirds.AddCreature();
    ladybirds.Start(ladybird);
    return {ladybird, ladybirds.SpawnTimer()};
  }

  // One frame as the scene runs it: move, then draw (which plays the animations on).
  void Frame() {
    m_ladybirds.Update(kStep);
    m_ladybirds.Render();
  }

  creaturetest::TestPaths m_paths;
  creaturetest::TestPaths m_flightFrames;
  std::vector<PathRecord> m_flyPaths;
  std::vector<CreatureGroup*> m_groups;
  AntGroup m_ants;
  LadybirdGroup m_ladybirds;
};

TEST_F(LadybirdGroupTest, TheTakeOffHoldsTheAnimalStillThenItFliesToTheWaypoint) {
  LayGlade();
  const int takeOff = m_ladybirds.Model().FindSet("to_fly");
  const int fly = m_ladybirds.Model().FindSet("fly");
  ASSERT_GE(takeOff, 0);
  ASSERT_GE(fly, 0);
  const float takeOffSeconds = m_ladybirds.Model().SetLength(takeOff) / kXFileTicksPerSecond;
  ASSERT_GT(takeOffSeconds, 0.1f);

  const D3DXVECTOR3 target(-60, -50, 25);
  Creature& ladybird = m_ladybirds.AddCreature();
  ladybird.PushWaypoint(target);
  ladybird.PushWalk(0, 0.5f, 0.5f);
  Frame();  // the walk ends where it starts
  ASSERT_EQ(ladybird.State(), StateFly);
  const D3DXVECTOR3 standing = ladybird.m_vPos;

  // It stands while the take-off plays once, then the flight animation starts and it moves.
  int stillFrames = 0;
  for (; stillFrames < 1000; ++stillFrames) {
    Frame();
    if (ladybird.m_vPos != standing) break;
    EXPECT_TRUE(ladybird.m_Anim.iSet == takeOff || ladybird.m_Anim.iSet == -1);
  }
  EXPECT_EQ(ladybird.m_Anim.iSet, fly);
  EXPECT_NEAR(stillFrames * kStep, takeOffSeconds, 2.5f * kStep);

  float flown = 0.0f;
  while (ladybird.State() == StateFly && flown < 60.0f) {
    Frame();
    flown += kStep;
    ASSERT_TRUE(Finite(ladybird.m_vPos) && Finite(ladybird.m_vVelocity));
    ASSERT_LE(D3DXVec3Length(&ladybird.m_vVelocity), 30.5f + 1e-3f);
  }
  EXPECT_EQ(ladybird.State(), StateIdle);
  EXPECT_TRUE(ladybird.m_Waypoints.empty());
  EXPECT_LT(Distance(ladybird.m_vPos, target), kLadybirdSize);
}

TEST_F(LadybirdGroupTest, AWaypointReachedExactlyEndsTheFlightWithoutNaN) {
  LayGlade();
  Creature& ladybird = m_ladybirds.AddCreature();
  ladybird.PushWaypoint(ladybird.m_vPos);  // no path: the identity frame, so exactly here
  m_ladybirds.SetAnim(ladybird, "fly", CreatureGroup::kPlayOn);
  m_ladybirds.Update(kStep);
  EXPECT_EQ(ladybird.State(), StateIdle);
  EXPECT_TRUE(Finite(ladybird.m_vPos) && Finite(ladybird.m_vDir) && Finite(ladybird.m_vUp));
  EXPECT_TRUE(Finite(ladybird.m_vVelocity));
  for (int i = 0; i < 16; ++i) EXPECT_TRUE(std::isfinite(ladybird.m_mWorld.m[i / 4][i % 4]));
}

TEST_F(LadybirdGroupTest, AWaypointInsideTheTurningCircleIsGivenUpAfterHalfAMinute) {
  LayGlade();
  Creature& ladybird = m_ladybirds.AddCreature();
  ladybird.PushWaypoint(D3DXVECTOR3(0, 0, 80));
  ladybird.PushWaypoint(D3DXVECTOR3(30, 0, 40));  // straight above: too steep to climb to
  ladybird.PushWalk(0, 0.5f, 0.5f);
  float flown = 0.0f;
  while (ladybird.m_Waypoints.size() == 2 && flown < 100.0f) {
    Frame();
    flown += kStep;
  }
  EXPECT_GT(flown, 29.0f);
  EXPECT_LT(flown, 31.5f);
  EXPECT_EQ(ladybird.State(), StateFly);  // on to the next waypoint, with a fresh clock
  EXPECT_LT(ladybird.m_fLegTime, 0.1f);
}

TEST_F(LadybirdGroupTest, FromTheLogsEndItFliesThreeWaypointsOutAndAcross) {
  LayGlade();
  LeaveOnlyFree(LadybirdGroup::kLogPath);
  for (std::uint32_t seed = 1; seed <= 8; ++seed) {
    const Started started = StartWith(seed);
    const Creature& ladybird = started.ladybird;
    ASSERT_EQ(ladybird.m_States, (std::vector<std::int32_t>{0, 2, 2, 2, 6}));
    ASSERT_EQ(ladybird.m_Waypoints.size(), 3u);
    const D3DXVECTOR3 first = ladybird.m_Waypoints[2], second = ladybird.m_Waypoints[1],
                      third = ladybird.m_Waypoints[0];
    const float side = first.x > 0 ? 1.0f : -1.0f;
    EXPECT_EQ(first, D3DXVECTOR3(200 * side, 0, -80));
    EXPECT_EQ(second.x, 160 * side);
    EXPECT_EQ(third.x, -100 * side);
    EXPECT_GE(std::fabs(second.y), 40.0f);
    EXPECT_LE(std::fabs(third.y), 80.0f);
    EXPECT_GT(second.y * third.y, 0.0f);  // both on the same side of the glade
    EXPECT_GE(second.z, -70.0f);
    EXPECT_LE(third.z, 0.0f);
    // The walk covers the last 2 hundredths of the log to the end on the side flown from.
    EXPECT_EQ(ladybird.m_fTarget, side > 0 ? 0.0f : 1.0f);
    EXPECT_NEAR(std::fabs(ladybird.m_fParam - ladybird.m_fTarget), 0.02f, 1e-6f);
    EXPECT_GE(started.timer, 5.0f);
    EXPECT_LE(started.timer, 15.0f);
  }
}

TEST_F(LadybirdGroupTest, FromPathOneItStopsAtThreeTenthsAndClimbsStraightAway) {
  LayGlade();
  LeaveOnlyFree(LadybirdGroup::kUpwardPath);
  for (std::uint32_t seed = 1; seed <= 8; ++seed) {
    const Started started = StartWith(seed);
    const Creature& ladybird = started.ladybird;
    ASSERT_EQ(ladybird.m_States, (std::vector<std::int32_t>{0, 2, 6}));
    EXPECT_EQ(ladybird.m_iPath, 1);
    EXPECT_FLOAT_EQ(ladybird.m_fTarget, 0.3f);
    EXPECT_EQ(ladybird.m_Waypoints.back(), D3DXVECTOR3(0, 0, 150));
  }
}

TEST_F(LadybirdGroupTest, OnPathTwoItOnlyWalksEndToEnd) {
  LayGlade();
  LeaveOnlyFree(LadybirdGroup::kWalkOnlyPath);
  Creature& ladybird = m_ladybirds.AddCreature();
  m_ladybirds.Start(ladybird);
  ASSERT_EQ(ladybird.m_States, (std::vector<std::int32_t>{0, 6}));
  EXPECT_TRUE(ladybird.m_Waypoints.empty());
  EXPECT_EQ(ladybird.m_fTarget, 1.0f - ladybird.m_fParam);
  for (int step = 0; step < 40 * 25 && ladybird.State() != StateIdle; ++step) {
    Frame();
    EXPECT_NE(ladybird.State(), StateFly);
  }
  EXPECT_EQ(ladybird.State(), StateIdle);
  EXPECT_EQ(ladybird.m_fParam, ladybird.m_fTarget);
}

TEST_F(LadybirdGroupTest, ElsewhereItFliesPastTheViewerOrAlongAFlightPath) {
  LayGlade();
  LeaveOnlyFree(3);
  int straight = 0, alongPath = 0;
  for (std::uint32_t seed = 1; seed <= 24; ++seed) {
    const Started started = StartWith(seed);
    const Creature& ladybird = started.ladybird;
    ASSERT_EQ(ladybird.State(), StateWalk);
    EXPECT_GE(ladybird.m_fTarget, 0.3f - 1e-6f);
    EXPECT_LE(ladybird.m_fTarget, 0.7f + 1e-6f);
    if (ladybird.m_Waypoints.size() == 1) {
      ++straight;
      const D3DXVECTOR3 away = ladybird.m_Waypoints[0] - D3DXVECTOR3(0, -150, 0);
      EXPECT_NEAR(D3DXVec3Length(&away), 80.0f, 1e-3f);
      EXPECT_GE(away.x, -1e-3f);
      EXPECT_EQ(away.z, 0.0f);
    } else {
      ++alongPath;
      ASSERT_EQ(ladybird.m_Waypoints.size(), 3u);
      // Flown first to last, in world space: the first point is the frame's origin.
      EXPECT_EQ(ladybird.m_Waypoints.back(), D3DXVECTOR3(0, -30, 0));
      EXPECT_EQ(std::fabs(ladybird.m_Waypoints.front().x), 20.0f);
      EXPECT_EQ(ladybird.m_Waypoints.front().z, 5.0f);
    }
  }
  EXPECT_GT(straight, 0);
  EXPECT_GT(alongPath, 0);
}

TEST_F(LadybirdGroupTest, WithoutAFreePathNothingStartsAndTheTimerStays) {
  LayGlade();
  LeaveOnlyFree(-1);
  const float timer = m_ladybirds.SpawnTimer();
  Creature& ladybird = m_ladybirds.AddCreature();
  m_ladybirds.Start(ladybird);
  EXPECT_EQ(ladybird.m_States, (std::vector<std::int32_t>{0}));
  EXPECT_TRUE(ladybird.m_Waypoints.empty());
  EXPECT_EQ(m_ladybirds.SpawnTimer(), timer);
}

}  // namespace
}  // namespace qm
