// The shared state machine on hand-laid paths with the media's ant mesh: walks end exactly
// on their target, sharp corners stop the animal for a turn in place, waits stand still,
// animals in each other's way wait or turn back, ends of paths with animals near them are not
// free, and each animal is drawn with its own matrix (the identity frame without a path).
#include "creatures/CreatureGroup.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "creatures/AntGroup.h"
#include "creatures/BugGroup.h"
#include "creatures/CreatureMath.h"
#include "creatures/CreatureTestSupport.h"
#include "creatures/PathPose.h"
#include "scene/XFileModel.h"
#include "shell/Random.h"

namespace qm {
namespace {

using creaturetest::Distance;
using creaturetest::Finite;

constexpr float kStep = 0.04f;
constexpr float kAntSize = 4.0f;

class CreatureGroupTest : public creaturetest::CreatureDeviceTest {
 protected:
  void SetUp() override {
    CreatureDeviceTest::SetUp();
    Load(m_ants, kAntSize);
    m_groups = {&m_ants};
    creaturetest::Connect(m_ants, m_paths, &m_flyPaths, &m_groups);
    SeedRandom(7);
  }

  // Steps the group until the animal's state is `until` or the time runs out; returns the
  // number of steps taken.
  int StepUntil(const Creature& creature, std::int32_t until, float seconds) {
    int steps = 0;
    while (creature.State() != until && steps * kStep < seconds) {
      m_ants.Update(kStep);
      ++steps;
    }
    return steps;
  }

  creaturetest::TestPaths m_paths;
  std::vector<PathRecord> m_flyPaths;
  std::vector<CreatureGroup*> m_groups;
  AntGroup m_ants;
};

TEST_F(CreatureGroupTest, AWalkToItsOwnStartEndsAtOnceAndWaits) {
  m_paths.AddStraight(40.0f);
  Creature& ant = m_ants.AddCreature();
  ant.PushWalk(0, 0.5f, 0.5f);
  m_ants.Update(kStep);
  EXPECT_EQ(ant.State(), StateIdle);
  EXPECT_EQ(ant.m_Anim.iSet, m_ants.Model().FindSet("wait"));
  EXPECT_GE(ant.m_Anim.iSet, 0);
  EXPECT_FLOAT_EQ(ant.m_fParam, 0.5f);
  EXPECT_NEAR(Distance(ant.m_vPos, D3DXVECTOR3(20, 0, 0)), 0.0f, 1e-4f);

  // Facing away from the path, a walk that ends at once still ends: it does not stop for a
  // turn that would be left behind on a finished walk.
  Creature& facingBack = m_ants.AddCreature();
  facingBack.m_vDir = D3DXVECTOR3(-1, 0, 0);
  facingBack.PushWalk(0, 0.25f, 0.25f);
  m_ants.Update(kStep);
  EXPECT_EQ(m_ants.Creatures().back().State(), StateIdle);
}

TEST_F(CreatureGroupTest, WalksSpeedUpAndLandExactlyOnTheTarget) {
  m_paths.AddStraight(40.0f);
  Creature& ant = m_ants.AddCreature();
  ant.PushWalk(0, 0.1f, 0.9f);
  float last = ant.m_fParam;
  float lastSpeed = 0.0f;
  int steps = 0;
  while (ant.State() == StateWalk && steps < 1000) {
    m_ants.Update(kStep);
    ++steps;
    EXPECT_GE(ant.m_fParam, last);
    EXPECT_LE(ant.m_fParam, 0.9f);
    EXPECT_GE(ant.m_fSpeed, lastSpeed);
    EXPECT_LE(ant.m_fSpeed, AntGroup::kWalkSpeed);
    if (ant.State() == StateWalk) {
      EXPECT_EQ(ant.m_Anim.iSet, m_ants.Model().FindSet("move"));
    }
    last = ant.m_fParam;
    lastSpeed = ant.m_fSpeed;
  }
  EXPECT_EQ(ant.State(), StateIdle);
  EXPECT_EQ(ant.m_fParam, 0.9f);
  EXPECT_NEAR(ant.m_vPos.x, 36.0f, 1e-4f);
  // 32 units at 4 per second after a second of speeding up: a little over 8.5 seconds.
  EXPECT_NEAR(steps * kStep, 8.5f, 0.2f);
}

TEST_F(CreatureGroupTest, APathWithoutLengthEndsTheWalkWithoutNaN) {
  m_paths.Add({{3, 3, 3}, {3, 3, 3}});
  Creature& ant = m_ants.AddCreature();
  ant.PushWalk(0, 0.0f, 1.0f);
  m_ants.Update(kStep);
  EXPECT_EQ(ant.State(), StateIdle);
  EXPECT_EQ(ant.m_fParam, 1.0f);
  EXPECT_TRUE(Finite(ant.m_vPos) && Finite(ant.m_vDir) && Finite(ant.m_vUp));
  for (int i = 0; i < 16; ++i) EXPECT_TRUE(std::isfinite(ant.m_mWorld.m[i / 4][i % 4]));
}

TEST_F(CreatureGroupTest, ASharpCornerStopsTheAnimalToTurnInPlace) {
  // Out along +x, then nearly straight back: the heading cannot follow on the move.
  m_paths.Add({{0, 0, 0}, {6, 0, 0}, {0, 1, 0}});
  Creature& ant = m_ants.AddCreature();
  ant.PushWalk(0, 0.0f, 1.0f);
  int turnSteps = 0;
  for (int step = 0; step < 2000 && ant.State() != StateIdle; ++step) {
    const D3DXVECTOR3 position = ant.m_vPos, heading = ant.m_vDir;
    const bool wasTurning = ant.State() == StateTurn;
    m_ants.Update(kStep);
    if (!wasTurning) continue;
    ++turnSteps;
    EXPECT_EQ(ant.m_vPos, position);  // turning in place
    EXPECT_EQ(ant.m_fSpeed, 0.0f);
    EXPECT_LE(AngleBetween(heading, ant.m_vDir), 0.8f * kStep + 1e-4f);
  }
  EXPECT_GT(turnSteps, 0);
  EXPECT_EQ(ant.State(), StateIdle);  // and the walk went on to its end
  EXPECT_NEAR(Distance(ant.m_vPos, D3DXVECTOR3(0, 1, 0)), 0.0f, 1e-4f);
}

TEST_F(CreatureGroupTest, AWaitStandsStillAndReturnsToTheWalk) {
  m_paths.AddStraight(40.0f);
  Creature& ant = m_ants.AddCreature();
  ant.PushWalk(0, 0.0f, 1.0f);
  m_ants.Update(kStep);
  ant.PushWait(1.0f);
  const D3DXVECTOR3 position = ant.m_vPos;
  const int steps = StepUntil(ant, StateWalk, 5.0f);
  EXPECT_NEAR(steps * kStep, 1.0f, kStep * 1.5f);
  EXPECT_EQ(ant.m_vPos, position);
  EXPECT_EQ(ant.m_Anim.iSet, m_ants.Model().FindSet("wait"));
  m_ants.Update(kStep);
  EXPECT_GT(ant.m_vPos.x, position.x);
}

TEST_F(CreatureGroupTest, AnimalsInEachOthersWayWaitOrTurnBack) {
  m_paths.AddStraight(100.0f);
  int waited = 0, turnedBack = 0;
  for (std::uint32_t seed = 1; seed <= 12; ++seed) {
    SeedRandom(seed);
    AntGroup ants;
    ants.SetSize(kAntSize);
    std::vector<CreatureGroup*> groups = {&ants};
    creaturetest::Connect(ants, m_paths, &m_flyPaths, &groups);
    Creature& first = ants.AddCreature();
    first.PushWalk(0, 0.48f, 1.0f);  // heading +x toward the second
    Creature& second = ants.AddCreature();
    second.PushWalk(0, 0.52f, 0.0f);  // heading -x toward the first
    // The first step places both (the second turns round to face -x); in the next the first
    // finds the second about 4 units ahead, within 1.1 sizes.
    ants.Update(kStep);
    ants.Update(kStep);
    const Creature& a = ants.Creatures()[0];
    if (a.State() == StateWait) {
      ++waited;
      EXPECT_GE(a.m_fWaitTimer, 2.9f);
      EXPECT_LE(a.m_fWaitTimer, 9.0f);
    } else {
      ASSERT_EQ(a.State(), StateWalk);
      EXPECT_EQ(a.m_fTarget, 0.0f);  // back toward the end it came from
      ++turnedBack;
    }
  }
  EXPECT_GT(waited, 0);
  EXPECT_GT(turnedBack, 0);
}

TEST_F(CreatureGroupTest, PathEndsWithAnimalsNearThemAreNotFree) {
  for (int i = 0; i < 4; ++i) m_paths.AddStraight(100.0f, static_cast<float>(i) * 10.0f);
  BugGroup bugs;
  bugs.SetSize(8.0f);
  m_groups.push_back(&bugs);
  creaturetest::Connect(bugs, m_paths, &m_flyPaths, &m_groups);
  std::vector<int> free;
  EXPECT_EQ(m_ants.FreePaths(&free), 4);

  // Within five ant sizes (20 units) of an end: paths 0 and 3; path 1's ant is 25 units in,
  // path 2 is free of everything but a record without a path.
  m_ants.AddCreature().PushWalk(0, 0.19f, 1.0f);
  m_ants.AddCreature().PushWalk(1, 0.75f, 0.0f);
  bugs.AddCreature().PushWalk(3, 0.995f, 1.0f);  // the other group's animals count too
  bugs.AddCreature();
  EXPECT_EQ(m_ants.FreePaths(&free), 2);
  EXPECT_EQ(free, (std::vector<int>{1, 2}));
  // The bugs measure with their own size: 40 units keeps path 1 closed for them.
  EXPECT_EQ(bugs.FreePaths(&free), 1);
  EXPECT_EQ(free, (std::vector<int>{2}));
}

TEST_F(CreatureGroupTest, EachAnimalIsDrawnWithItsOwnMatrixAndTheWorldIsKept) {
  creaturetest::TestPaths shifted;
  shifted.Add({{0, 0, 0}, {40, 0, 0}}, D3DXVECTOR3(100, 0, 0));
  creaturetest::Connect(m_ants, shifted, &m_flyPaths, &m_groups);

  m_ants.AddCreature().PushWalk(0, 0.5f, 1.0f);
  m_ants.AddCreature();
  m_ants.Update(kStep);
  const Creature& walker = m_ants.Creatures()[0];
  const Creature& unplaced = m_ants.Creatures()[1];
  // Without a path the frame is the identity: the animal stands at its start position.
  EXPECT_EQ(unplaced.m_iPath, -1);
  EXPECT_FLOAT_EQ(unplaced.m_mWorld._41, 0.0f);
  EXPECT_FLOAT_EQ(unplaced.m_mWorld._42, 0.0f);
  EXPECT_FLOAT_EQ(unplaced.m_mWorld._43, -200.0f);
  // On the path the frame's shift applies; the mesh faces -x, so heading +x turns it round.
  EXPECT_NEAR(walker.m_mWorld._41, 120.0f + 4.0f * kStep * kStep, 1e-3f);
  D3DXVECTOR3 meshForward(-1, 0, 0), worldForward;
  D3DXVec3TransformNormal(&worldForward, &meshForward, &walker.m_mWorld);
  EXPECT_NEAR(worldForward.x / D3DXVec3Length(&worldForward), 1.0f, 1e-4f);

  D3DXMATRIX camera;
  D3DXMatrixTranslation(&camera, 1, 2, 3);
  m_device->SetTransform(D3DTS_WORLD, &camera);
  m_direct3D->Log()->Clear();
  EXPECT_EQ(m_ants.Render(), S_OK);
  const std::vector<std::string> worlds = m_direct3D->Log()->Texts("SetTransform");
  ASSERT_GE(worlds.size(), 3u);
  auto text = [](const D3DXMATRIX& m) {
    return "SetTransform(D3DTS_WORLD, " + FormatMatrix(&m) + ")";
  };
  EXPECT_EQ(worlds.front(), text(walker.m_mWorld));
  EXPECT_NE(std::find(worlds.begin(), worlds.end(), text(unplaced.m_mWorld)), worlds.end());
  EXPECT_EQ(worlds.back(), text(camera));
  EXPECT_GT(m_direct3D->Log()->Count("DrawIndexedPrimitive"), 2u);
}

}  // namespace
}  // namespace qm
