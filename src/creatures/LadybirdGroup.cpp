#include "creatures/LadybirdGroup.h"

#include "creatures/CreatureMath.h"
#include "shell/Random.h"

namespace qm {
namespace {

constexpr char kLadybirdFile[] = "ladybird.x";

// After a start the next ladybird may come in 5 to 15 seconds.
constexpr int kNextTimerMin = 5;
constexpr int kNextTimerMax = 15;

// From the end of the log: out to one side low down, back across, and away above the other
// side; the sides, heights and depths are drawn at random (world coordinates).
constexpr float kLogTakeOffStart = 0.02f;
constexpr float kLogFirstX = 200.0f, kLogFirstZ = -80.0f;
constexpr float kLogSecondX = 160.0f;
constexpr float kLogThirdX = -100.0f;
constexpr float kLogHeightBase = -80.0f;

// Elsewhere the ladybird stops 30 to 70 hundredths along the path and flies to a point 80
// units from (0, -150, 0) in a random direction of the front half-plane, past the viewer.
constexpr int kStopMin = 30, kStopMax = 70;
constexpr float kAwayRadius = 80.0f;
const D3DXVECTOR3 kAwayCentre(0.0f, -150.0f, 0.0f);
// From path 1 it stops at 0.3 and flies straight up and away.
constexpr float kUpwardStop = 0.3f;
const D3DXVECTOR3 kUpwardPoint(0.0f, 0.0f, 150.0f);

float RandomFloat(int a, int b) { return static_cast<float>(RandomInt(a, b)); }

}  // namespace

LadybirdGroup::LadybirdGroup() : CreatureGroup(kLadybirdFile) {
  m_vModelForward = D3DXVECTOR3(-1, 0, 0);
  m_vModelUp = D3DXVECTOR3(0, 0, 1);
  m_nMaxCount = kMaxCount;
  m_fSpawnTimer = RandomFloat(kFirstTimerMin, kFirstTimerMax);
}

HRESULT LadybirdGroup::FrameMove(float elapsed) {
  Update(elapsed);
  if (static_cast<int>(m_Creatures.size()) < m_nMaxCount) {
    m_fSpawnTimer -= elapsed;
    if (m_fSpawnTimer < 0.0f) Start(AddCreature());
  }
  RecycleFinished(elapsed, [this](Creature& creature) { Start(creature); });
  return S_OK;
}

void LadybirdGroup::Start(Creature& creature) {
  creature.m_vVelocity = D3DXVECTOR3(0, 0, 0);
  std::vector<int> free;
  const int count = FreePaths(&free);
  if (count == 0) return;
  const int path = free[static_cast<size_t>(RandomInt(0, count - 1))];
  const int end = RandomInt(0, 1);
  int useFlyPath = RandomInt(0, 2);
  const bool noFlyPaths = m_pFlyPaths == nullptr || m_pFlyPaths->empty();
  if (noFlyPaths || path == kUpwardPath) useFlyPath = 0;

  if (path == kLogPath) {
    PlanLogTakeOff(creature);
  } else if (path == kWalkOnlyPath) {
    creature.PushWalk(path, static_cast<float>(end), static_cast<float>(1 - end));
  } else {
    PlanFlightFrom(creature, path, end, useFlyPath);
  }
  m_fSpawnTimer = RandomFloat(kNextTimerMin, kNextTimerMax);
}

void LadybirdGroup::PlanLogTakeOff(Creature& creature) {
  const int side = RandomInt(0, 1);
  const float s = RandomInt(0, 1) == 1 ? 1.0f : -1.0f;
  const float h = RandomFloat(10, 80);
  const float m = RandomFloat(10, 80);
  const float u = RandomFloat(40, 80) * s;
  const float v = RandomFloat(40, 80) * s;
  // Waypoints are pushed last first; the walk goes on top and runs before them.
  const float x = side == 1 ? 1.0f : -1.0f;
  creature.PushWaypoint(D3DXVECTOR3(kLogThirdX * x, v, m + kLogHeightBase));
  creature.PushWaypoint(D3DXVECTOR3(kLogSecondX * x, u, h + kLogHeightBase));
  creature.PushWaypoint(D3DXVECTOR3(kLogFirstX * x, 0.0f, kLogFirstZ));
  if (side == 1) {
    creature.PushWalk(kLogPath, kLogTakeOffStart, 0.0f);
  } else {
    creature.PushWalk(kLogPath, 1.0f - kLogTakeOffStart, 1.0f);
  }
}

void LadybirdGroup::PlanFlightFrom(Creature& creature, int path, int end, int useFlyPath) {
  float stop = RandomFloat(kStopMin, kStopMax) / 100.0f;
  const float turn = (RandomFloat(0, 180) - 90.0f) / 180.0f * D3DX_PI;
  const D3DXVECTOR3 dir = RotateAbout(D3DXVECTOR3(1, 0, 0), turn, D3DXVECTOR3(0, 0, 1));
  D3DXVECTOR3 point = dir * kAwayRadius + kAwayCentre;
  if (path == kUpwardPath) {
    stop = kUpwardStop;
    point = kUpwardPoint;
  }
  if (useFlyPath == 0) {
    creature.PushWaypoint(point);
  } else {
    const int count = static_cast<int>(m_pFlyPaths->size());
    const PathRecord& flight = (*m_pFlyPaths)[static_cast<size_t>(RandomInt(0, count - 1))];
    D3DXMATRIX frame;
    if (flight.pMatrix != nullptr) {
      frame = *flight.pMatrix;
    } else {
      D3DXMatrixIdentity(&frame);
    }
    // Pushed from the last point to the first, so that they are flown first to last.
    for (size_t i = flight.points.size(); i-- > 0;) {
      D3DXVECTOR3 world;
      D3DXVec3TransformCoord(&world, &flight.points[i], &frame);
      creature.PushWaypoint(world);
    }
  }
  creature.PushWalk(path, static_cast<float>(end), stop);
}

}  // namespace qm
