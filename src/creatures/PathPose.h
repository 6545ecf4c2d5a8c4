// PathPose: where an animal stands at a parameter of its walking path.
//
// CreatureGroup's walk evaluates the path every frame: the point at parameter t (0 the first
// point, 1 the last, by distance along the path), the direction of travel and the up vector,
// both in the path's own frame. Between segment midpoints the direction swings through the
// bisector of the corner, so that animals turn round corners instead of snapping.
#pragma once

#include "d3dx/D3DXMath.h"
#include "scene/ScenePaths.h"

namespace qm {

// Position, unit direction of travel and unit up vector perpendicular to it.
struct PathPose {
  D3DXVECTOR3 position{0.0f, 0.0f, 0.0f};
  D3DXVECTOR3 direction{1.0f, 0.0f, 0.0f};
  D3DXVECTOR3 up{0.0f, 0.0f, 1.0f};
};

// Evaluates path at t (clamped to [0, 1]) into pose. A path without length (fewer than two
// distinct points) has no pose: pose is left as it was and the result is false.
bool EvaluatePath(const PathRecord& path, float t, PathPose* pose);

}  // namespace qm
