#include "platform/MusicLock.h"

namespace qm {

bool MusicLock::TryAcquire() {
  m_bHeld = m_locks.Acquire(kLockName);
  return m_bHeld;
}

void MusicLock::Release() {
  m_locks.Release(kLockName);
  m_bHeld = false;
}

}  // namespace qm
