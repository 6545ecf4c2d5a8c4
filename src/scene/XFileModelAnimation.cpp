// XFileModel animation: advancing the loaded state and applying keyframes to target frames.
#include <cmath>

#include "scene/XFileModelInternal.h"

namespace qm {
namespace {

// Time beyond which the state's clock starts again, long before floats lose whole ticks.
constexpr float kTimeWrap = 1e15f;

// The two keys around a local time and how far between them it lies.
struct KeyPair {
  size_t f = 0;
  size_t g = 0;
  float fraction = 0.0f;
};

template <class Key>
float LastKeyTime(const std::vector<Key>& keys) {
  return static_cast<float>(keys.back().dwTime);
}

// The local time of a key array: the set's length wraps it; a negative length lets each
// array loop on its own last key. A zero length (a set without rotation or matrix keys)
// has no cycle: it gives NaN, which selects the last key below.
template <class Key>
float LocalTime(const std::vector<Key>& keys, float t, float length) {
  return std::fmod(t, length >= 0.0f ? length : LastKeyTime(keys));
}

template <class Key>
KeyPair FindKeys(const std::vector<Key>& keys, float local) {
  KeyPair pair;
  size_t g = 0;
  while (g < keys.size() && !(static_cast<float>(keys[g].dwTime) > local)) ++g;
  if (g == keys.size()) {
    pair.f = pair.g = keys.size() - 1;
    return pair;
  }
  pair.g = g;
  pair.f = g == 0 ? 0 : g - 1;
  const float tf = static_cast<float>(keys[pair.f].dwTime);
  const float tg = static_cast<float>(keys[pair.g].dwTime);
  pair.fraction = tg == tf ? 0.0f : (local - tf) / (tg - tf);
  return pair;
}

template <class Key>
KeyPair KeysAt(const std::vector<Key>& keys, float t, float length) {
  return FindKeys(keys, LocalTime(keys, t, length));
}

D3DXVECTOR3 Blend(const std::vector<XFileVectorKey>& keys, const KeyPair& pair) {
  D3DXVECTOR3 out;
  D3DXVec3Lerp(&out, &keys[pair.f].vValue, &keys[pair.g].vValue, pair.fraction);
  return out;
}

}  // namespace

void ApplyAnimation(XFileFrame* animation, float t, float length) {
  XFileFrame* target = animation->pTarget;
  if (target == nullptr) return;
  if (!animation->matrixKeys.empty()) {
    // Matrices are never blended; exactly half-way still shows the earlier key.
    const KeyPair pair = KeysAt(animation->matrixKeys, t, length);
    target->matCurrent = animation->matrixKeys[pair.fraction > 0.5f ? pair.g : pair.f].mat;
    return;
  }
  D3DXMATRIX m, step;
  D3DXMatrixIdentity(&m);
  if (!animation->scaleKeys.empty()) {
    const D3DXVECTOR3 s = Blend(animation->scaleKeys, KeysAt(animation->scaleKeys, t, length));
    D3DXMatrixMultiply(&m, &m, D3DXMatrixScaling(&step, s.x, s.y, s.z));
  }
  if (!animation->rotateKeys.empty()) {
    const KeyPair pair = KeysAt(animation->rotateKeys, t, length);
    D3DXQUATERNION q;
    D3DXQuaternionSlerp(&q, &animation->rotateKeys[pair.f].quatRotate,
                        &animation->rotateKeys[pair.g].quatRotate, pair.fraction);
    D3DXMatrixMultiply(&m, &m, D3DXMatrixRotationQuaternion(&step, &q));
  }
  if (!animation->positionKeys.empty()) {
    const D3DXVECTOR3 p =
        Blend(animation->positionKeys, KeysAt(animation->positionKeys, t, length));
    D3DXMatrixMultiply(&m, &m, D3DXMatrixTranslation(&step, p.x, p.y, p.z));
  } else {
    const D3DXMATRIX& file = target->matFile;
    D3DXMatrixMultiply(&m, &m, D3DXMatrixTranslation(&step, file._41, file._42, file._43));
  }
  const bool anyKeys = !animation->scaleKeys.empty() || !animation->rotateKeys.empty() ||
                       !animation->positionKeys.empty();
  if (anyKeys) target->matCurrent = m;
}

HRESULT XFileModel::Advance(float seconds) {
  XFileAnimState& state = m_animState;
  if (state.iSet < 0) return S_OK;
  const float old = state.fTime;
  state.fTime += seconds * kXFileTicksPerSecond;
  if (state.fTime > kTimeWrap) state.fTime = 0.0f;
  // A wrap of the cycle uses up one playing (a zero length never wraps: NaN compares false).
  if (std::fmod(old, state.fLength) > std::fmod(state.fTime, state.fLength)) state.iCount -= 1;
  if (state.iCount <= 0) state.iSet = -1;
  if (state.iSet < 0) return S_OK;
  for (auto& record : m_records) {
    record->fTime = state.fTime;
    for (XFileFrame* animation = record->pFirstAnimation; animation;
         animation = animation->pNextAnimation) {
      if (animation->bEnabled) ApplyAnimation(animation, state.fTime, state.fLength);
    }
  }
  return S_OK;
}

}  // namespace qm
