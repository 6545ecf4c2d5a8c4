#include "scene/Branches.h"

#include <cstdio>

#include "scene/ScenePaths.h"
#include "scene/XFileModel.h"

namespace qm {

int CollectBranches(XFileModel& model, std::vector<BranchRecord>* branches) {
  branches->clear();
  for (int i = 0; i < kMaxNumberedFrames; ++i) {
    char name[32];
    std::snprintf(name, sizeof(name), "Branch%02d", i);
    XFileFrame* frame = model.FindFrame(name);
    if (!frame) continue;  // the numbering may have gaps
    BranchRecord branch;
    branch.pFrame = frame;
    branch.pCombined = &frame->matCombined;
    branch.pCurrent = &frame->matCurrent;
    branch.mRest = frame->matCurrent;
    branches->push_back(branch);
  }
  return static_cast<int>(branches->size());
}

void SwayBranches(std::vector<BranchRecord>& branches, float angle) {
  const D3DXVECTOR3 vertical(0.0f, 0.0f, 1.0f);
  D3DXMATRIX turn;
  D3DXMatrixRotationAxis(&turn, &vertical, angle);
  for (BranchRecord& branch : branches) {
    D3DXMatrixMultiply(branch.pCurrent, &turn, &branch.mRest);
  }
}

}  // namespace qm
