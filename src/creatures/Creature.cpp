#include "creatures/Creature.h"

namespace qm {

const char* CreatureStateName(std::int32_t state) {
  switch (state) {
    case StateIdle: return "idle";
    case StateFly: return "fly";
    case StateHover: return "hover";
    case StateTurn: return "turn";
    case StateWalk: return "walk";
    case StateWait: return "wait";
    default: return "unknown";
  }
}

Creature::Creature() { D3DXMatrixIdentity(&m_mWorld); }

void Creature::PushWalk(std::int32_t path, float from, float to) {
  m_States.push_back(StateWalk);
  m_iPath = path;
  m_fParam = from;
  m_fTarget = to;
}

void Creature::PushWait(float seconds) {
  m_States.push_back(StateWait);
  m_fWaitTimer = seconds;
}

void Creature::PushTurn(const D3DXVECTOR3& direction) {
  m_States.push_back(StateTurn);
  m_vTurnTarget = direction;
}

void Creature::PushWaypoint(const D3DXVECTOR3& point) {
  m_States.push_back(StateFly);
  m_Waypoints.push_back(point);
}

void Creature::PopState() {
  if (m_States.size() <= 1) return;
  if (m_States.back() == StateFly && !m_Waypoints.empty()) m_Waypoints.pop_back();
  m_States.pop_back();
  m_fLegTime = 0.0f;
}

}  // namespace qm
