// BugGroup: the bug of the glade ("bug.x").
//
// One bug at a time walks a free path end to end, rarely: it waits 25 to 65 seconds between
// walks and never takes path 0, the log in front. ForestScene creates the group and calls it
// like every SceneObject.
#pragma once

#include "creatures/WalkerGroup.h"

namespace qm {

class BugGroup : public WalkerGroup {
 public:
  static constexpr float kWalkSpeed = 3.0f;
  static constexpr int kMaxCount = 1;
  static constexpr int kFirstTimerMin = 30;
  static constexpr int kFirstTimerMax = 40;

  BugGroup();
  HRESULT FrameMove(float elapsed) override;
};

}  // namespace qm
