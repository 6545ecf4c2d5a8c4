// The three groups in the generated glade for a simulated hour, moved and drawn as the scene
// does every frame: no number goes non-finite, walking animals stand on their paths, flying
// ones stay inside the glade, none is stuck, each kind comes out, and the report lists them.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>

#include "creatures/CreatureGroup.h"
#include "creatures/CreatureMath.h"
#include "creatures/CreatureTestSupport.h"
#include "creatures/PathPose.h"
#include "scene/ForestScene.h"
#include "shell/JsonWriter.h"
#include "shell/Random.h"

namespace qm {
namespace {

using creaturetest::Distance;

constexpr float kStep = 0.05f;
constexpr int kHour = 3600 * 20;
// An animal that neither moves nor changes state for this long is stuck; so is one that
// flies this long toward the same waypoint without reaching it.
constexpr float kStuckSeconds = 30.0f;
constexpr float kLongestFlightLeg = 60.0f;

// What one record looked like in the previous frame.
struct Seen {
  std::vector<std::int32_t> states;
  D3DXVECTOR3 world;
  std::int32_t path = -1;
  float param = 0.0f;
  float still = 0.0f;
  float flying = 0.0f;  // seconds on the current flight leg
};

class CreatureSceneTest : public creaturetest::CreatureDeviceTest {
 protected:
  // Kinds in the order of the scene's groups.
  const char* const m_kinds[3] = {"ant", "bug", "ladybird"};
};

D3DXVECTOR3 WorldOf(const CreatureGroup& group, const Creature& creature) {
  const D3DXMATRIX frame = group.PathMatrix(creature);
  D3DXVECTOR3 world;
  D3DXVec3TransformCoord(&world, &creature.m_vPos, &frame);
  return world;
}

bool OnItsPath(const std::vector<PathRecord>& paths, const Creature& creature) {
  if (creature.m_iPath < 0 || creature.m_iPath >= static_cast<int>(paths.size())) return false;
  PathPose pose;
  if (!EvaluatePath(paths[static_cast<size_t>(creature.m_iPath)], creature.m_fParam, &pose))
    return false;
  return Distance(pose.position, creature.m_vPos) < 1e-3f;
}

TEST_F(CreatureSceneTest, AnHourWithEveryGroupStaysFiniteOnPathsInTheGladeAndNeverStuck) {
  SeedRandom(3);
  ForestScene scene;
  scene.SetBackgroundName("background_03.jpg");
  ASSERT_EQ(scene.InitDeviceObjects(m_device), S_OK);
  const std::vector<CreatureGroup*>& groups = scene.CreatureGroups();
  ASSERT_EQ(groups.size(), 3u);
  // The ladybirds' waypoints lie up to about 1.6 radii from the centre, where they leave the
  // picture; flights swing out past them by a turning circle or so.
  const float glade = 2.5f * scene.Radius();
  const D3DXVECTOR3 centre(0, 0, 0);  // the forest is centred on its bounding sphere

  std::vector<std::vector<Seen>> seen(groups.size());
  std::map<std::string, int> framesWith;  // "ant walk", "ladybird fly", ...
  size_t mostAnts = 0;
  int waypointsReached = 0;
  float longestLeg = 0.0f;

  for (int frame = 0; frame < kHour; ++frame) {
    scene.FrameMove(kStep, 1);
    // Drawing plays the animations on; only the ladybird's take-off changes what an animal
    // does, so only the ladybirds are drawn.
    groups[2]->Render();
    m_direct3D->Log()->Clear();

    mostAnts = std::max(mostAnts, groups[0]->Creatures().size());
    for (size_t g = 0; g < groups.size(); ++g) {
      const std::vector<Creature>& creatures = groups[g]->Creatures();
      std::vector<Seen>& before = seen[g];
      const bool sameRecords = before.size() == creatures.size();
      if (!sameRecords) before.assign(creatures.size(), Seen{});
      for (size_t i = 0; i < creatures.size(); ++i) {
        const Creature& c = creatures[i];
        const D3DXVECTOR3 world = WorldOf(*groups[g], c);
        ASSERT_EQ(NonFiniteCount(c.m_vPos) + NonFiniteCount(c.m_vDir) + NonFiniteCount(c.m_vUp) +
                      NonFiniteCount(c.m_vVelocity) + NonFiniteCount(c.m_mWorld),
                  0)
            << m_kinds[g] << " at frame " << frame;
        const std::int32_t state = c.State();
        framesWith[std::string(m_kinds[g]) + " " + CreatureStateName(state)] += 1;

        // Records are matched by index; a record taken away and one added in the same frame
        // keep the count, so a record also counts as the one seen before only when it goes on
        // along the same path from where that one was, and has been placed (a new record
        // stands at its start height until its first step).
        const bool wasActive = sameRecords && !before[i].states.empty() &&
                               before[i].states.back() != StateIdle;
        const bool goesOn = wasActive && before[i].path == c.m_iPath &&
                            std::fabs(before[i].param - c.m_fParam) < 0.05f &&
                            c.m_vPos.z != kCreatureStartHeight;
        if (goesOn && (state == StateWalk || state == StateTurn || state == StateWait)) {
          EXPECT_TRUE(OnItsPath(scene.WalkingPaths(), c))
              << m_kinds[g] << " off path " << c.m_iPath << " at frame " << frame;
        }
        if (state == StateFly) {
          ASSERT_LT(Distance(world, centre), glade)
              << m_kinds[g] << " at frame " << frame << " from path " << c.m_iPath << " at "
              << world.x << " " << world.y << " " << world.z << " toward "
              << c.m_Waypoints.back().x << " " << c.m_Waypoints.back().y << " "
              << c.m_Waypoints.back().z << " with " << c.m_Waypoints.size() << " waypoints left";
        }
        // A waypoint reached: the flight state beneath comes up, or the flights are over.
        if (wasActive && before[i].states.back() == StateFly &&
            (c.m_States.size() < before[i].states.size() || state != StateFly))
          ++waypointsReached;

        const bool unchanged = sameRecords && before[i].states == c.m_States &&
                               Distance(before[i].world, world) < 1e-4f;
        before[i].still = unchanged ? before[i].still + kStep : 0.0f;
        if (state != StateIdle) {
          ASSERT_LT(before[i].still, kStuckSeconds)
              << m_kinds[g] << " stuck in " << CreatureStateName(state) << " at frame " << frame;
        }
        const bool sameLeg = sameRecords && state == StateFly && before[i].states == c.m_States;
        before[i].flying = sameLeg ? before[i].flying + kStep : 0.0f;
        longestLeg = std::max(longestLeg, before[i].flying);
        ASSERT_LT(before[i].flying, kLongestFlightLeg)
            << m_kinds[g] << " circles at frame " << frame << " from path " << c.m_iPath
            << " at " << world.x << " " << world.y << " " << world.z << " toward "
            << c.m_Waypoints.back().x << " " << c.m_Waypoints.back().y << " "
            << c.m_Waypoints.back().z << " with " << c.m_Waypoints.size() << " waypoints left";
        before[i].states = c.m_States;
        before[i].world = world;
        before[i].path = c.m_iPath;
        before[i].param = c.m_fParam;
      }
    }
  }

  RecordProperty("longest_flight_leg_seconds", std::to_string(longestLeg));
  RecordProperty("waypoints_reached", waypointsReached);
  EXPECT_LE(mostAnts, 3u);
  EXPECT_GT(framesWith["ant walk"], 0);
  EXPECT_GT(framesWith["bug walk"], 0);
  EXPECT_GT(framesWith["ladybird walk"], 0);
  EXPECT_GT(framesWith["ladybird fly"], 0);
  EXPECT_GT(waypointsReached, 0);

  JsonWriter report;
  report.BeginObject();
  scene.Report(report);
  report.EndObject();
  EXPECT_EQ(report.NonFiniteCount(), 0);
  for (const char* key : {"\"ants\"", "\"bugs\"", "\"ladybirds\""})
    EXPECT_NE(report.Text().find(key), std::string::npos) << key;
}

}  // namespace
}  // namespace qm
