#include "creatures/BugGroup.h"

#include "shell/Random.h"

namespace qm {
namespace {

constexpr char kBugFile[] = "bug.x";
constexpr WalkerRules kBugRules{25, 65, 25, 65, 0};

}  // namespace

BugGroup::BugGroup() : WalkerGroup(kBugFile) {
  m_vModelForward = D3DXVECTOR3(-1, 0, 0);
  m_vModelUp = D3DXVECTOR3(0, 0, 1);
  m_fWalkSpeed = kWalkSpeed;
  m_nMaxCount = kMaxCount;
  m_fSpawnTimer = static_cast<float>(RandomInt(kFirstTimerMin, kFirstTimerMax));
}

HRESULT BugGroup::FrameMove(float elapsed) { return MoveWalkers(elapsed, kBugRules); }

}  // namespace qm
