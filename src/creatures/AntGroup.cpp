#include "creatures/AntGroup.h"

namespace qm {
namespace {

constexpr char kAntFile[] = "ant.x";
// A new ant follows within 20 seconds, a returning one within 10; every path will do.
constexpr WalkerRules kAntRules{0, 20, 0, 10, -1};

}  // namespace

AntGroup::AntGroup() : WalkerGroup(kAntFile) {
  m_vModelForward = D3DXVECTOR3(-1, 0, 0);
  m_vModelUp = D3DXVECTOR3(0, 0, 1);
  m_fWalkSpeed = kWalkSpeed;
  m_nMaxCount = kMaxCount;
  m_fSpawnTimer = 0.0f;
}

HRESULT AntGroup::FrameMove(float elapsed) { return MoveWalkers(elapsed, kAntRules); }

}  // namespace qm
