// MusicLock: only one saver process of a user plays music at a time.
//
// XScreenSaver starts one saver process per monitor; each would otherwise play the same
// piece, out of step with the others. The process whose music starts first holds this
// lock (a lock file beside the instance locks, dropped by the kernel when the process
// ends); the others stay silent, and whichever starts next after the holder ended takes
// over. ForestSaver takes it before its music starts and hands it back after the stop.
#pragma once

#include <string>

#include "platform/InstanceLock.h"

namespace qm {

class MusicLock {
 public:
  static constexpr const char* kLockName = "QUILLMOOR3D music";

  // The lock file goes to InstanceLock's default folder, or to this one.
  MusicLock() = default;
  explicit MusicLock(std::string directory) : m_locks(std::move(directory)) {}

  // True when this process now holds the music (or held it already).
  bool TryAcquire();
  void Release();
  bool Held() const { return m_bHeld; }

 private:
  InstanceLock m_locks;
  bool m_bHeld = false;
};

}  // namespace qm
