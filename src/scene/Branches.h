// Branches: the forest frames "Branch%02d" that sway in the wind.
//
// Scene assembly collects every numbered branch frame (gaps in the numbering are skipped)
// with a copy of its matrix at rest; every frame ForestScene turns all of them about the
// vertical axis by one shared angle of the wind time.
#pragma once

#include <vector>

#include "d3dx/D3DXMath.h"

namespace qm {

class XFileModel;
struct XFileFrame;

// One swaying branch: its frame's matrices and the local matrix it had at assembly.
struct BranchRecord {
  XFileFrame* pFrame = nullptr;           // owned by the forest model
  const D3DXMATRIX* pCombined = nullptr;  // the frame's combined matrix
  D3DXMATRIX* pCurrent = nullptr;         // the frame's local matrix, rewritten by the sway
  D3DXMATRIX mRest;                       // the local matrix at assembly
};

// Fills branches from the frames "Branch%02d", 0 to 99, skipping missing numbers.
int CollectBranches(XFileModel& model, std::vector<BranchRecord>* branches);

// Sets every branch's local matrix to RotationAxis((0, 0, 1), angle) x its rest matrix.
void SwayBranches(std::vector<BranchRecord>& branches, float angle);

}  // namespace qm
