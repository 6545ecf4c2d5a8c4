// WalkerGroup: the spawning shared by the kinds that only walk (ants and bugs).
//
// A walker starts at a random end of a free path and walks to the other end; a finished
// walker is either taken away or, once the spawn timer has run out, sent off again on a new
// free path. AntGroup and BugGroup differ only in their timings and in a path they never use,
// which they pass as WalkerRules; their FrameMove is MoveWalkers.
#pragma once

#include "creatures/CreatureGroup.h"

namespace qm {

// How a walking kind starts its animals.
struct WalkerRules {
  int newTimerMin, newTimerMax;      // spawn timer after a new animal starts
  int reuseTimerMin, reuseTimerMax;  // spawn timer after a finished one starts again
  int forbiddenPath;                 // a chosen path of this index starts nothing; -1 none
};

class WalkerGroup : public CreatureGroup {
 public:
  using CreatureGroup::CreatureGroup;

 protected:
  // One frame: every animal's step, then new and finished animals by the rules.
  HRESULT MoveWalkers(float elapsed, const WalkerRules& rules);

 private:
  // The free path chosen at random, or -1 when none is free or the forbidden one came up.
  int ChoosePath(const WalkerRules& rules) const;
};

}  // namespace qm
