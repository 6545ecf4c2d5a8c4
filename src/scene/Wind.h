// Wind: the scene's wind as functions of the wind time.
//
// ForestScene advances the wind time each frame and asks here for the wind vector (which
// sways the leaf clusters) and the branch angle. The frame-step clamp that every moving
// part of the scene shares lives here too.
#pragma once

#include "d3dx/D3DXMath.h"

namespace qm {

// Longest step the scene moves in one frame, seconds.
inline constexpr float kMaxSceneStep = 0.08f;
// The wind time starts again at 0 beyond this many seconds.
inline constexpr float kWindTimeWrap = 10000.0f;

// The frame step limited to [0, kMaxSceneStep]; NaN and negative steps become 0.
float ClampSceneStep(float seconds);
// The wind time after a step, restarted at 0 once it passes kWindTimeWrap.
float AdvanceWindTime(float windTime, float seconds);
// Direction (-1, 0, 0) turned about z by sin(t / 19), scaled by the gust strength
// (0.7 sin(t / 5.5) + 0.3 sin(t)) x 80, which never goes below 0.
D3DXVECTOR3 WindVector(float windTime);
// The angle all branches are turned by at wind time t, radians.
float BranchSwayAngle(float windTime);

}  // namespace qm
