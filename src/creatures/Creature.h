// Creature: one animal of a creature group, with its stack of states.
//
// A record holds where the animal is on its walking path (or in the air), which way it faces,
// its own copy of the group mesh's animation state and a stack of states: the last element
// is what the animal does now (walk, turn, wait, fly), the ones below are what it returns
// to. The kinds (AntGroup, BugGroup, LadybirdGroup) push a plan of states when an animal
// starts; CreatureGroup runs the current state every frame and pops it when it is done.
#pragma once

#include <cstdint>
#include <vector>

#include "d3dx/D3DXMath.h"
#include "scene/ScenePaths.h"
#include "scene/XFileModel.h"

namespace qm {

// Codes of the state stack.
enum CreatureState : std::int32_t {
  StateIdle = 0,   // finished: the kind reuses or removes the record
  StateFly = 2,    // fly to the last waypoint
  StateHover = 3,  // nothing pushes it; runs one flight step
  StateTurn = 5,   // turn in place toward m_vTurnTarget
  StateWalk = 6,   // walk along m_iPath from m_fParam to m_fTarget
  StateWait = 11,  // stand until m_fWaitTimer runs out
};

// The name of a state code for reports ("walk", "fly", ...); "unknown" for other codes.
const char* CreatureStateName(std::int32_t state);

// What every new animal starts with.
inline constexpr float kCreatureTurnRate = 0.8f;      // radians per second
inline constexpr float kCreatureMaxFlySpeed = 30.5f;  // world units per second
inline constexpr int kCreatureAnimCount = 100000;
// Far below the glade, where a record that was never placed cannot be seen.
inline constexpr float kCreatureStartHeight = -200.0f;

// One animal.
struct Creature {
  std::int32_t m_iPath = -1;  // index into m_pPaths; -1 = none
  const std::vector<PathRecord>* m_pPaths = nullptr;
  float m_fTarget = 0.0f;  // path parameter where the current walk ends
  float m_fParam = 0.0f;   // path parameter now (0 first point, 1 last)
  float m_fSpeed = 0.0f;   // walking speed now
  float m_fTurnRate = kCreatureTurnRate;
  float m_fMaxFlySpeed = kCreatureMaxFlySpeed;
  D3DXVECTOR3 m_vVelocity{0.0f, 0.0f, 0.0f};
  float m_fWaitTimer = 0.0f;
  D3DXMATRIX m_mWorld;  // for drawing; identity until the group computes it
  D3DXVECTOR3 m_vPos{0.0f, 0.0f, kCreatureStartHeight};  // in the path's frame
  std::vector<D3DXVECTOR3> m_Waypoints;    // flight targets, world space; last is current
  D3DXVECTOR3 m_vTurnTarget{1.0f, 0.0f, 0.0f};
  D3DXVECTOR3 m_vDir{1.0f, 0.0f, 0.0f};  // heading, unit
  D3DXVECTOR3 m_vUp{0.0f, 0.0f, 1.0f};   // up, unit
  D3DXVECTOR3 m_vWobble{0.0f, 0.0f, 0.0f};
  std::vector<std::int32_t> m_States{StateIdle};
  XFileAnimState m_Anim{-1, kCreatureAnimCount, 0.0f, 0.0f};
  float m_fLegTime = 0.0f;  // seconds flown toward the current waypoint

  Creature();

  std::int32_t State() const { return m_States.back(); }

  void PushWalk(std::int32_t path, float from, float to);
  void PushWait(float seconds);
  void PushTurn(const D3DXVECTOR3& direction);
  void PushWaypoint(const D3DXVECTOR3& point);
  // Leaves the current state (dropping its waypoint when it is a flight). The bottom state
  // is never removed, so an idle record stays idle.
  void PopState();  // also starts the next flight leg's clock
};

}  // namespace qm
