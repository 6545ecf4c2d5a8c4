// ScenePaths: the walking, flight and strand paths laid into the forest model.
//
// Scene assembly turns each forest frame named by a numbered pattern ("path%02d",
// "fly_path%02d", "drops_path%02d") into a PathRecord: the points are the first half of the
// vertices of the frame's first mesh, in the frame's own space, and the frame's combined
// matrix carries them into the world. Walking paths (and the web's strands) then get an up
// vector per point from the nearest vertex normal of the tree meshes. The creature groups
// read the records every frame; the scene owns them.
#pragma once

#include <vector>

#include "d3dx/D3DXMath.h"

namespace qm {

class XFileModel;

// One path: points and up vectors in the space of its frame, and the frame's matrix.
struct PathRecord {
  const D3DXMATRIX* pMatrix = nullptr;  // the frame's combined matrix, owned by the model
  std::vector<D3DXVECTOR3> points;
  std::vector<D3DXVECTOR3> ups;  // one per point; empty for flight paths
  float fLength = 0.0f;          // sum of the distances between consecutive points
};

// Highest number a numbered frame pattern is tried with.
inline constexpr int kMaxNumberedFrames = 100;

// Computes every frame's combined matrix as drawing would with an identity world transform.
// Drawing computes them only when the model is drawn, and scene assembly reads them before
// the first frame is drawn.
void UpdateCombinedMatrices(XFileModel& model);

// Fills paths from the frames format % 0, 1, ... up to the first missing number; frames
// without a mesh or without points give no record. Returns the number of records.
int BuildPathList(XFileModel& model, const char* format, std::vector<PathRecord>* paths);

// Gives every point of every path the normal of the nearest vertex among the meshes of the
// frames whose names contain treeText, carried into the path's own space (unit length).
// Only meshes with normals take part; a point with no vertex near it gets (0, 0, 1).
void ComputePathUps(XFileModel& model, const char* treeText, std::vector<PathRecord>* paths);

}  // namespace qm
