// CreatureGroup: records, the per-frame step, walking, turning, waiting, avoidance, free
// paths, world matrices, drawing and the report. Flight lives in CreatureFlight.cpp.
#include "creatures/CreatureGroup.h"

#include <algorithm>
#include <cmath>

#include "creatures/CreatureMath.h"
#include "creatures/PathPose.h"
#include "scene/XFileModel.h"
#include "shell/JsonWriter.h"
#include "shell/Random.h"

namespace qm {
namespace {

// A path direction further than this from the heading stops the walk for a turn in place.
constexpr float kTurnInPlaceAngle = 0.7853982f;  // pi / 4
// From this angle on a turn in place swings about the up vector, so that the animal turns
// round on the spot instead of tipping over toward a target behind it.
constexpr float kTurnAboutUpAngle = 1.2566371f;  // 0.4 pi
// Another animal within this many times the larger of the two sizes is in the way.
constexpr float kAvoidReach = 1.1f;
// An animal within this many of the group's sizes of a path's end keeps new walks off it.
constexpr float kPathEndClearance = 5.0f;
constexpr int kAvoidWaitMin = 3;
constexpr int kAvoidWaitMax = 9;

constexpr char kAnimWait[] = "wait";
constexpr char kAnimMove[] = "move";

}  // namespace

CreatureGroup::CreatureGroup(const char* xFileName) : SceneObject(xFileName) {}

CreatureGroup::~CreatureGroup() = default;

HRESULT CreatureGroup::InitDeviceObjects(IDirect3DDevice8* device) {
  m_pDevice = device;
  return SceneObject::InitDeviceObjects(device);
}

HRESULT CreatureGroup::DeleteDeviceObjects() {
  m_pDevice = nullptr;
  return SceneObject::DeleteDeviceObjects();
}

// ---------------------------------------------------------------------------------------------
// Records
// ---------------------------------------------------------------------------------------------

Creature& CreatureGroup::AddCreature() {
  m_Creatures.emplace_back();
  Creature& creature = m_Creatures.back();
  creature.m_pPaths = m_pPaths;
  UpdateWorld(creature);
  return creature;
}

void CreatureGroup::RemoveCreature(size_t index) {
  if (index < m_Creatures.size()) m_Creatures.erase(m_Creatures.begin() + static_cast<long>(index));
}

void CreatureGroup::RecycleFinished(float elapsed,
                                    const std::function<void(Creature&)>& restart) {
  for (size_t i = 0; i < m_Creatures.size(); ++i) {
    if (m_Creatures[i].State() != StateIdle) continue;
    m_fSpawnTimer -= elapsed;
    if (m_fSpawnTimer >= 0.0f) {
      RemoveCreature(i);
      return;
    }
    restart(m_Creatures[i]);
  }
}

const PathRecord* CreatureGroup::PathOf(const Creature& creature) const {
  if (m_pPaths == nullptr || creature.m_iPath < 0) return nullptr;
  if (static_cast<size_t>(creature.m_iPath) >= m_pPaths->size()) return nullptr;
  return &(*m_pPaths)[static_cast<size_t>(creature.m_iPath)];
}

D3DXMATRIX CreatureGroup::PathMatrix(const Creature& creature) const {
  const PathRecord* path = PathOf(creature);
  if (path != nullptr && path->pMatrix != nullptr) return *path->pMatrix;
  D3DXMATRIX identity;
  D3DXMatrixIdentity(&identity);
  return identity;
}

D3DXVECTOR3 CreatureGroup::WorldPosition(const Creature& creature) const {
  const D3DXMATRIX frame = PathMatrix(creature);
  D3DXVECTOR3 world;
  D3DXVec3TransformCoord(&world, &creature.m_vPos, &frame);
  return world;
}

void CreatureGroup::SetAnim(Creature& creature, const char* name, int count) {
  const int set = m_pModel->FindSet(name);
  if (set == creature.m_Anim.iSet) return;
  creature.m_Anim.iSet = set;
  creature.m_Anim.iCount = count;
  creature.m_Anim.fTime = 0.0f;
  creature.m_Anim.fLength = m_pModel->SetLength(set);
}

// ---------------------------------------------------------------------------------------------
// The per-frame step
// ---------------------------------------------------------------------------------------------

HRESULT CreatureGroup::Update(float elapsed) {
  m_fElapsed = elapsed;
  for (Creature& creature : m_Creatures) {
    switch (creature.State()) {
      case StateFly: Fly(creature); break;
      case StateHover: Hover(creature); break;
      case StateTurn: Turn(creature); break;
      case StateWalk: Walk(creature); break;
      case StateWait: Wait(creature); break;
      default: break;
    }
    if (creature.State() == StateWalk) Avoid(creature);
  }
  return S_OK;
}

void CreatureGroup::Wait(Creature& creature) {
  creature.m_fWaitTimer -= m_fElapsed;
  creature.m_fSpeed = 0.0f;
  SetAnim(creature, kAnimWait, kPlayOn);
  if (!(creature.m_fWaitTimer > 0.0f)) creature.PopState();
}

void CreatureGroup::Walk(Creature& creature) {
  const PathRecord* path = PathOf(creature);
  if (path == nullptr) return;
  creature.m_fSpeed = std::min(creature.m_fSpeed + m_fWalkSpeed * m_fElapsed, m_fWalkSpeed);

  // A path without length has nowhere to walk: the walk is over at once.
  const float diff = creature.m_fTarget - creature.m_fParam;
  const float sign = diff < 0.0f ? -1.0f : 1.0f;
  bool ends = !(path->fLength > 0.0f);
  if (!ends) {
    const float step = creature.m_fSpeed * m_fElapsed / path->fLength;
    ends = std::fabs(diff) < step;
    if (!ends) creature.m_fParam += step * sign;
  }
  if (ends) creature.m_fParam = creature.m_fTarget;

  PathPose pose{creature.m_vPos, creature.m_vDir, creature.m_vUp};
  if (EvaluatePath(*path, creature.m_fParam, &pose)) {
    const D3DXVECTOR3 direction = pose.direction * sign;
    const float angle = AngleBetween(creature.m_vDir, direction);
    const float limit = creature.m_fTurnRate * m_fElapsed;
    D3DXVECTOR3 heading = creature.m_vDir;
    // A walk that has just ended does not stop for a turn: the turn would sit on top of the
    // finished walk and be popped with it, and the animal would stand at its target for
    // ever, finishing and turning again each frame. It turns on the move instead.
    if (angle > kTurnInPlaceAngle && !ends) {
      creature.PushTurn(direction);
    } else if (angle > limit) {
      heading = RotateAbout(creature.m_vDir, limit, TurnAxis(creature.m_vDir, direction, pose.up));
    } else {
      heading = direction;
    }
    creature.m_vPos = pose.position;
    creature.m_vDir = SafeNormalize(heading);
    creature.m_vUp = pose.up;
  }
  UpdateWorld(creature);
  SetAnim(creature, ends ? kAnimWait : kAnimMove, kPlayOn);
  if (ends) creature.PopState();
}

void CreatureGroup::Turn(Creature& creature) {
  const float limit = creature.m_fTurnRate * m_fElapsed;
  creature.m_fSpeed = 0.0f;
  const float angle = AngleBetween(creature.m_vDir, creature.m_vTurnTarget);
  if (angle > limit) {
    const D3DXVECTOR3 axis = angle >= kTurnAboutUpAngle
                                 ? creature.m_vUp
                                 : TurnAxis(creature.m_vDir, creature.m_vTurnTarget, creature.m_vUp);
    creature.m_vDir = SafeNormalize(RotateAbout(creature.m_vDir, limit, axis));
  } else {
    creature.m_vDir = SafeNormalize(creature.m_vTurnTarget);
  }
  UpdateWorld(creature);  // squares the heading to the up vector again
  SetAnim(creature, kAnimMove, kPlayOn);
  if (angle < kTurnInPlaceAngle) creature.PopState();
}

void CreatureGroup::Hover(Creature& creature) { Fly(creature); }

// ---------------------------------------------------------------------------------------------
// Avoidance and free paths
// ---------------------------------------------------------------------------------------------

void CreatureGroup::Avoid(Creature& creature) {
  if (m_pGroups == nullptr) return;
  const D3DXVECTOR3 position = WorldPosition(creature);
  const D3DXMATRIX frame = PathMatrix(creature);
  D3DXVECTOR3 heading;
  D3DXVec3TransformNormal(&heading, &creature.m_vDir, &frame);
  for (const CreatureGroup* group : *m_pGroups) {
    const float reach = kAvoidReach * std::max(Size(), group->Size());
    for (const Creature& other : group->m_Creatures) {
      if (&other == &creature) continue;
      const D3DXVECTOR3 toOther = group->WorldPosition(other) - position;
      if (!(D3DXVec3Length(&toOther) < reach)) continue;
      if (!(AngleBetween(heading, toOther) < kTurnInPlaceAngle)) continue;
      if (RandomInt(0, 1) == 1) {
        // Back the way it came, from where it stands.
        const float back = creature.m_fParam >= creature.m_fTarget ? 1.0f : 0.0f;
        creature.PopState();
        creature.PushWalk(creature.m_iPath, creature.m_fParam, back);
      } else {
        creature.PushWait(static_cast<float>(RandomInt(kAvoidWaitMin, kAvoidWaitMax)));
      }
    }
  }
}

int CreatureGroup::FreePaths(std::vector<int>* paths) const {
  paths->clear();
  const size_t count = m_pPaths ? m_pPaths->size() : 0;
  std::vector<bool> blocked(count, false);
  auto strikeOut = [&](const CreatureGroup& group) {
    for (const Creature& creature : group.m_Creatures) {
      if (creature.m_iPath < 0 || static_cast<size_t>(creature.m_iPath) >= count) continue;
      const PathRecord& path = (*m_pPaths)[static_cast<size_t>(creature.m_iPath)];
      const float toEnd = std::min(creature.m_fParam, 1.0f - creature.m_fParam) * path.fLength;
      if (kPathEndClearance * Size() > toEnd) blocked[static_cast<size_t>(creature.m_iPath)] = true;
    }
  };
  if (m_pGroups != nullptr) {
    for (const CreatureGroup* group : *m_pGroups) strikeOut(*group);
  } else {
    strikeOut(*this);
  }
  for (size_t i = 0; i < count; ++i)
    if (!blocked[i]) paths->push_back(static_cast<int>(i));
  return static_cast<int>(paths->size());
}

// ---------------------------------------------------------------------------------------------
// World matrix and drawing
// ---------------------------------------------------------------------------------------------

void CreatureGroup::UpdateWorld(Creature& creature) const {
  creature.m_vDir = SquareTo(creature.m_vUp, creature.m_vDir, creature.m_vDir);

  const D3DXMATRIX frame = PathMatrix(creature);
  D3DXMATRIX rotation = frame;
  rotation._41 = rotation._42 = rotation._43 = 0.0f;
  D3DXMATRIX toPath;
  if (D3DXMatrixInverse(&toPath, nullptr, &rotation) == nullptr) D3DXMatrixIdentity(&toPath);

  D3DXVECTOR3 forward, up;
  D3DXVec3TransformNormal(&forward, &m_vModelForward, &toPath);
  D3DXVec3TransformNormal(&up, &m_vModelUp, &toPath);
  // Facing exactly backwards turns about the model's up, upside down about the heading.
  const D3DXMATRIX face = RotationOnto(forward, creature.m_vDir, up);
  D3DXVECTOR3 faceUp;
  D3DXVec3TransformNormal(&faceUp, &up, &face);
  const D3DXMATRIX stand = RotationOnto(faceUp, creature.m_vUp, creature.m_vDir);

  D3DXMATRIX place;
  D3DXMatrixTranslation(&place, creature.m_vPos.x, creature.m_vPos.y, creature.m_vPos.z);
  D3DXMATRIX world = m_mScale;
  D3DXMatrixMultiply(&world, &world, &face);
  D3DXMatrixMultiply(&world, &world, &stand);
  D3DXMatrixMultiply(&world, &world, &place);
  D3DXMatrixMultiply(&creature.m_mWorld, &world, &frame);
}

HRESULT CreatureGroup::Render() {
  if (m_pDevice == nullptr) return S_OK;
  D3DMATRIX kept;
  m_pDevice->GetTransform(D3DTS_WORLD, &kept);
  for (Creature& creature : m_Creatures) {
    m_pModel->SetAnimState(creature.m_Anim);
    m_pModel->Advance(m_fElapsed);
    creature.m_Anim = m_pModel->AnimState();
    m_pDevice->SetTransform(D3DTS_WORLD, &creature.m_mWorld);
    m_pModel->Render();
  }
  m_pDevice->SetTransform(D3DTS_WORLD, &kept);
  return S_OK;
}

// ---------------------------------------------------------------------------------------------
// Report
// ---------------------------------------------------------------------------------------------

void CreatureGroup::Report(JsonWriter& report, const char* kind) const {
  report.BeginArray();
  for (const Creature& creature : m_Creatures) {
    report.BeginObject();
    report.MemberString("kind", kind);
    report.MemberString("state", CreatureStateName(creature.State()));
    const D3DXVECTOR3 world = WorldPosition(creature);
    report.Key("position");
    report.Vector3(world.x, world.y, world.z);
    report.MemberInt("path", creature.m_iPath);
    report.Member("param", creature.m_fParam);
    report.EndObject();
  }
  report.EndArray();
}

}  // namespace qm
