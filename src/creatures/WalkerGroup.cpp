#include "creatures/WalkerGroup.h"

#include "shell/Random.h"

namespace qm {

int WalkerGroup::ChoosePath(const WalkerRules& rules) const {
  std::vector<int> free;
  const int count = FreePaths(&free);
  if (count == 0) return -1;
  const int path = free[static_cast<size_t>(RandomInt(0, count - 1))];
  return path == rules.forbiddenPath ? -1 : path;
}

HRESULT WalkerGroup::MoveWalkers(float elapsed, const WalkerRules& rules) {
  Update(elapsed);

  if (static_cast<int>(m_Creatures.size()) < m_nMaxCount) {
    m_fSpawnTimer -= elapsed;
    const int path = m_fSpawnTimer < 0.0f ? ChoosePath(rules) : -1;
    if (path >= 0) {
      const int end = RandomInt(0, 1);
      AddCreature().PushWalk(path, static_cast<float>(end), static_cast<float>(1 - end));
      m_fSpawnTimer = static_cast<float>(RandomInt(rules.newTimerMin, rules.newTimerMax));
    }
  }

  // Finished walkers go while the timer still runs; after that the first ones start again.
  RecycleFinished(elapsed, [&](Creature& creature) {
    const int path = ChoosePath(rules);
    if (path < 0) return;
    const int end = RandomInt(0, 1);
    creature.PushWalk(path, static_cast<float>(end), static_cast<float>(1 - end));
    m_fSpawnTimer = static_cast<float>(RandomInt(rules.reuseTimerMin, rules.reuseTimerMax));
  });
  return S_OK;
}

}  // namespace qm
