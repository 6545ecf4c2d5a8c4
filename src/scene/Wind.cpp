#include "scene/Wind.h"

#include <cmath>

namespace qm {

namespace {

// Gusts: two sines of different periods, scaled to the strength the leaves respond to.
constexpr float kGustSlowPeriod = 5.5f;
constexpr float kGustSlowShare = 0.7f;
constexpr float kGustFastShare = 0.3f;
constexpr float kGustScale = 80.0f;
// The wind turns slowly about the vertical axis.
constexpr float kDirectionPeriod = 19.0f;

// Branch sway: a quick swing whose amplitude breathes with a slow one.
constexpr float kSwayPeriod = 0.8f;
constexpr float kSwayEnvelopePeriod = 7.0f;
constexpr float kSwayEnvelopeBias = 0.8f;
constexpr float kSwayEnvelopeNorm = 1.8f;
constexpr float kSwayAmplitude = 0.03141593f;  // radians

}  // namespace

float ClampSceneStep(float seconds) {
  if (seconds > kMaxSceneStep) return kMaxSceneStep;
  if (!(seconds >= 0.0f)) return 0.0f;  // negative or NaN
  return seconds;
}

float AdvanceWindTime(float windTime, float seconds) {
  windTime += seconds;
  return windTime > kWindTimeWrap ? 0.0f : windTime;
}

D3DXVECTOR3 WindVector(float windTime) {
  const float angle = std::sin(windTime / kDirectionPeriod);
  float strength =
      (kGustSlowShare * std::sin(windTime / kGustSlowPeriod) + kGustFastShare * std::sin(windTime)) *
      kGustScale;
  if (strength < 0.0f) strength = 0.0f;

  const D3DXVECTOR3 vertical(0.0f, 0.0f, 1.0f);
  const D3DXVECTOR3 calm(-1.0f, 0.0f, 0.0f);
  D3DXMATRIX turn;
  D3DXMatrixRotationAxis(&turn, &vertical, angle);
  D3DXVECTOR3 direction;
  D3DXVec3TransformCoord(&direction, &calm, &turn);
  D3DXVec3Normalize(&direction, &direction);
  return direction * strength;
}

float BranchSwayAngle(float windTime) {
  return std::sin(windTime / kSwayPeriod) *
         (std::sin(windTime / kSwayEnvelopePeriod) + kSwayEnvelopeBias) / kSwayEnvelopeNorm *
         kSwayAmplitude;
}

}  // namespace qm
