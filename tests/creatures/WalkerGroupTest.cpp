// Ants and bugs on hand-laid paths over simulated minutes: never more ants than three, bugs
// never on path 0, nothing starts (and the spawn timer is not reset) while no path is free,
// and a new walker goes from one end of its path to the other.
#include "creatures/AntGroup.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "creatures/BugGroup.h"
#include "creatures/CreatureTestSupport.h"
#include "shell/Random.h"

namespace qm {
namespace {

constexpr float kStep = 0.04f;

class WalkerGroupTest : public ::testing::Test {
 protected:
  void SetUp() override { SeedRandom(11); }

  // Paths of the given length, side by side, far enough apart that animals never meet.
  void LayPaths(int count, float length) {
    for (int i = 0; i < count; ++i) m_paths.AddStraight(length, 50.0f * static_cast<float>(i));
  }

  void Join(CreatureGroup& group, float size) {
    group.SetSize(size);
    m_groups.push_back(&group);
    creaturetest::Connect(group, m_paths, &m_flyPaths, &m_groups);
  }

  // An animal of `group` standing on path at param for a long while: that end stays blocked.
  static void Park(CreatureGroup& group, int path, float param) {
    Creature& parked = group.AddCreature();
    parked.PushWalk(path, param, param);
    parked.PushWait(1e6f);
  }

  creaturetest::TestPaths m_paths;
  std::vector<PathRecord> m_flyPaths;
  std::vector<CreatureGroup*> m_groups;
};

TEST_F(WalkerGroupTest, NoMoreThanThreeAntsWalkAtOnce) {
  LayPaths(8, 60.0f);
  AntGroup ants;
  Join(ants, 4.0f);
  size_t most = 0;
  int starts = 0;
  int walking = 0;
  for (int step = 0; step < 15000; ++step) {  // ten minutes
    ants.FrameMove(kStep);
    most = std::max(most, ants.Creatures().size());
    int now = 0;
    for (const Creature& ant : ants.Creatures()) now += ant.State() != StateIdle;
    if (now > walking) starts += now - walking;
    walking = now;
  }
  EXPECT_EQ(most, 3u);
  EXPECT_GT(starts, 20);
}

TEST_F(WalkerGroupTest, WithoutAFreePathNoAntStartsAndTheTimerRunsOn) {
  LayPaths(2, 60.0f);
  AntGroup ants;
  BugGroup bugs;
  Join(ants, 4.0f);
  Join(bugs, 4.0f);
  Park(bugs, 0, 0.0f);
  Park(bugs, 1, 1.0f);
  for (int step = 1; step <= 50; ++step) {
    ants.FrameMove(kStep);
    ASSERT_TRUE(ants.Creatures().empty());
    EXPECT_NEAR(ants.SpawnTimer(), -kStep * static_cast<float>(step), 1e-4f);
  }
  bugs.FrameMove(kStep);
  EXPECT_EQ(bugs.Creatures().size(), 2u);  // the parked ones stay, and no third comes
}

TEST_F(WalkerGroupTest, BugsNeverWalkPathZero) {
  LayPaths(2, 60.0f);
  BugGroup bugs;
  Join(bugs, 6.0f);
  int onPathOne = 0;
  for (int step = 0; step < 45000; ++step) {  // half an hour
    bugs.FrameMove(kStep);
    ASSERT_LE(bugs.Creatures().size(), 1u);
    for (const Creature& bug : bugs.Creatures()) {
      if (bug.State() == StateIdle) continue;
      ASSERT_NE(bug.m_iPath, 0);
      onPathOne += bug.m_iPath == 1;
    }
  }
  EXPECT_GT(onPathOne, 0);
}

TEST_F(WalkerGroupTest, WhenOnlyPathZeroIsFreeNoBugStarts) {
  LayPaths(2, 60.0f);
  BugGroup bugs;
  AntGroup ants;
  Join(bugs, 6.0f);
  Join(ants, 4.0f);
  Park(ants, 1, 0.0f);
  const float first = bugs.SpawnTimer();
  EXPECT_GE(first, 30.0f);
  EXPECT_LE(first, 40.0f);
  for (int step = 0; step < 100 * 25; ++step) bugs.FrameMove(kStep);
  EXPECT_TRUE(bugs.Creatures().empty());
  EXPECT_NEAR(bugs.SpawnTimer(), first - 100.0f, 0.05f);  // never reset
}

TEST_F(WalkerGroupTest, AnAntStartsAtOnceAtOneEndForTheOther) {
  LayPaths(3, 60.0f);
  AntGroup ants;
  Join(ants, 4.0f);
  ants.FrameMove(kStep);  // the first ant starts at once
  ASSERT_EQ(ants.Creatures().size(), 1u);
  const Creature& ant = ants.Creatures()[0];
  ASSERT_EQ(ant.State(), StateWalk);
  EXPECT_TRUE(ant.m_fParam == 0.0f || ant.m_fParam == 1.0f);
  EXPECT_EQ(ant.m_fTarget, 1.0f - ant.m_fParam);
  EXPECT_GE(ants.SpawnTimer(), 0.0f);
  EXPECT_LE(ants.SpawnTimer(), 20.0f);
}

}  // namespace
}  // namespace qm
