// AntGroup: the ants of the glade ("ant.x").
//
// Up to three ants at a time walk a free path from one end to the other, quickly and soon
// one after another. ForestScene creates the group and calls it like every SceneObject.
#pragma once

#include "creatures/WalkerGroup.h"

namespace qm {

class AntGroup : public WalkerGroup {
 public:
  static constexpr float kWalkSpeed = 4.0f;
  static constexpr int kMaxCount = 3;

  AntGroup();
  HRESULT FrameMove(float elapsed) override;
};

}  // namespace qm
