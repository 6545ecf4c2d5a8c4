// LadybirdGroup: the ladybird of the glade ("ladybird.x"), which walks and then flies off.
//
// One ladybird at a time. On path 0 it walks the last stretch to the end of the log and takes
// off there for three waypoints around the glade; on path 2 it walks end to end and stays on
// foot; on any other path it walks part of the way, opens its wings and flies off toward the
// viewer or along one of the forest's flight paths (from path 1 always straight up and away).
// ForestScene creates the group and calls it like every SceneObject.
#pragma once

#include "creatures/CreatureGroup.h"

namespace qm {

class LadybirdGroup : public CreatureGroup {
 public:
  static constexpr int kMaxCount = 1;
  static constexpr int kFirstTimerMin = 5;
  static constexpr int kFirstTimerMax = 30;
  // The paths with their own plans.
  static constexpr int kLogPath = 0;
  static constexpr int kUpwardPath = 1;
  static constexpr int kWalkOnlyPath = 2;

  LadybirdGroup();
  HRESULT FrameMove(float elapsed) override;
  // Gives the (idle) animal a plan: a walk and the flights after it. Without a free path
  // nothing changes and the spawn timer is not reset.
  void Start(Creature& creature);

 private:
  void PlanLogTakeOff(Creature& creature);
  void PlanFlightFrom(Creature& creature, int path, int end, int useFlyPath);
};

}  // namespace qm
