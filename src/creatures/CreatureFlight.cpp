// CreatureGroup: flight to the current waypoint.
//
// A flying animal works in the frame of the path it took off from: the waypoint (world
// space) is carried into that frame, the animal banks its up vector toward the mesh's up with
// a little random wobble, swings its heading toward the target at a bit more than twice its
// walking turn rate, climbs or dives toward it at up to 60 degrees, and is pushed by a thrust
// against a drag that grows as it comes near, so that it slows down onto the target.
#include <algorithm>
#include <cmath>

#include "creatures/CreatureGroup.h"
#include "creatures/CreatureMath.h"
#include "scene/XFileModel.h"
#include "shell/Random.h"

namespace qm {
namespace {

constexpr char kAnimTakeOff[] = "to_fly";
constexpr char kAnimFly[] = "fly";

// In flight the heading turns this many times faster than on foot, the up vector a quarter
// of that.
constexpr float kFlightTurnFactor = 2.1f;
constexpr float kBankShare = 0.25f;
// A target further round than this lies behind: turn about the up vector, whichever way.
constexpr float kTargetBehindAngle = 2.8559933f;
constexpr float kMaxClimb = 1.0471976f;  // pi / 3
// Drag per second; within kBrakeReach sizes of the target it grows to twice that.
constexpr float kDrag = 0.6f;
constexpr float kBrakeReach = 4.0f;
// A share of the speed that pulls straight toward the target, so that circling ends.
constexpr float kHomingDivisor = 12.0f;
// The wobble's two tilt components are RandomInt(0, 20) / 100 - 0.1.
constexpr int kWobbleSteps = 20;
constexpr float kWobbleScale = 0.01f;
constexpr float kWobbleOffset = 0.1f;
// A waypoint that lies inside the animal's turning circle (about 18 units at full speed), such
// as one straight above where it took off, is circled for ever without being reached. After
// this long on one leg the animal gives the waypoint up and goes on with the next.
constexpr float kLongestLeg = 30.0f;

float RandomWobble() {
  return static_cast<float>(RandomInt(0, kWobbleSteps)) * kWobbleScale - kWobbleOffset;
}

}  // namespace

void CreatureGroup::Fly(Creature& creature) {
  if (creature.m_Waypoints.empty()) {  // nothing to fly to
    creature.PopState();
    return;
  }
  // The take-off plays once with the animal standing; a take-off without length cannot be
  // played through, so it counts as done.
  const int takeOff = m_pModel->FindSet(kAnimTakeOff);
  const bool takingOff = takeOff >= 0 && creature.m_Anim.iSet == takeOff;
  if (takingOff && creature.m_Anim.fLength > 0.0f) return;
  if (creature.m_Anim.iSet < 0 || takingOff) {
    SetAnim(creature, kAnimFly, kPlayOn);
  } else if (creature.m_Anim.iSet != m_pModel->FindSet(kAnimFly)) {
    if (takeOff >= 0) {
      SetAnim(creature, kAnimTakeOff, kPlayOnce);
      return;
    }
    SetAnim(creature, kAnimFly, kPlayOn);
  }

  const float turn = creature.m_fTurnRate * kFlightTurnFactor * m_fElapsed;
  const D3DXMATRIX frame = PathMatrix(creature);
  D3DXMATRIX toPath, rotation = frame, toPathRotation;
  if (D3DXMatrixInverse(&toPath, nullptr, &frame) == nullptr) D3DXMatrixIdentity(&toPath);
  rotation._41 = rotation._42 = rotation._43 = 0.0f;
  if (D3DXMatrixInverse(&toPathRotation, nullptr, &rotation) == nullptr)
    D3DXMatrixIdentity(&toPathRotation);

  // Bank the up vector toward the mesh's up plus wobble; a new wobble once it is there.
  const D3DXVECTOR3 tilted = m_vModelUp + creature.m_vWobble;
  D3DXVECTOR3 wantedUp;
  D3DXVec3TransformNormal(&wantedUp, &tilted, &toPathRotation);
  wantedUp = SafeNormalize(wantedUp);
  if (AngleBetween(creature.m_vUp, wantedUp) <= turn * kBankShare) {
    if (D3DXVec3LengthSq(&wantedUp) > 0.0f) creature.m_vUp = wantedUp;
    const float x = RandomWobble();
    const float y = RandomWobble();
    creature.m_vWobble = D3DXVECTOR3(x, y, 0.0f);
  } else {
    const D3DXVECTOR3 axis = TurnAxis(creature.m_vUp, wantedUp, creature.m_vDir);
    creature.m_vUp = SafeNormalize(RotateAbout(creature.m_vUp, turn * kBankShare, axis));
  }
  creature.m_vDir = SquareTo(creature.m_vUp, creature.m_vDir, creature.m_vDir);

  // Swing the heading toward the target's direction in the plane of the wings.
  D3DXVECTOR3 target;
  D3DXVec3TransformCoord(&target, &creature.m_Waypoints.back(), &toPath);
  const D3DXVECTOR3 toTarget = target - creature.m_vPos;
  const D3DXVECTOR3 level = SquareTo(creature.m_vUp, toTarget, creature.m_vDir);
  const float off = AngleBetween(creature.m_vDir, level);
  if (off > kTargetBehindAngle) {
    creature.m_vDir = RotateAbout(creature.m_vDir, turn, creature.m_vUp);
  } else if (off > turn) {
    creature.m_vDir =
        RotateAbout(creature.m_vDir, turn, TurnAxis(creature.m_vDir, level, creature.m_vUp));
  } else {
    creature.m_vDir = level;
  }
  creature.m_vDir = SafeNormalize(creature.m_vDir);

  // Thrust along the heading, climbed toward the target.
  D3DXVECTOR3 climbAxis, climbFallback;
  D3DXVec3Cross(&climbFallback, &creature.m_vDir, &creature.m_vUp);
  climbAxis = TurnAxis(creature.m_vDir, toTarget, climbFallback);
  const float climb = std::min(AngleBetween(creature.m_vDir, toTarget), kMaxClimb);
  const D3DXVECTOR3 thrust =
      SafeNormalize(RotateAbout(creature.m_vDir, climb, climbAxis)) * creature.m_fMaxFlySpeed;

  const float distance = D3DXVec3Length(&toTarget);
  const float brakeReach = kBrakeReach * Size();
  float drag = kDrag;
  if (brakeReach > 0.0f && distance < brakeReach)
    drag = (brakeReach - distance) / brakeReach * kDrag + kDrag;

  creature.m_vVelocity += (thrust - creature.m_vVelocity * drag) * m_fElapsed;
  const float speed = D3DXVec3Length(&creature.m_vVelocity);
  if (speed > creature.m_fMaxFlySpeed)
    creature.m_vVelocity *= creature.m_fMaxFlySpeed / speed;
  creature.m_vPos += creature.m_vVelocity * m_fElapsed;
  const float homing = D3DXVec3Length(&creature.m_vVelocity) / kHomingDivisor * m_fElapsed;
  creature.m_vPos += SafeNormalize(target - creature.m_vPos) * homing;

  UpdateWorld(creature);
  creature.m_fLegTime += m_fElapsed;
  const D3DXVECTOR3 left = target - creature.m_vPos;
  const float remaining = D3DXVec3Length(&left);
  if (remaining < Size() || creature.m_fLegTime > kLongestLeg) creature.PopState();
}

}  // namespace qm
