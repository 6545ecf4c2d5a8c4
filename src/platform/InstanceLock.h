// InstanceLock: the single-instance check, by advisory lock files instead of FindWindowA.
//
// The shell asks, in every mode, whether a saver window (named after the window class) or
// the configuration dialog (named after its title) exists in another process, and takes the
// lock for what it opens itself. Lock files live under $XDG_RUNTIME_DIR (else /tmp), one
// per name and user; the kernel drops a lock when its process ends, so a crashed saver
// never blocks the next one. Locks are taken on open file descriptions: two InstanceLock
// objects in one process see each other like two processes do.
#pragma once

#include <map>
#include <string>
#include <string_view>

namespace qm {

class InstanceLock {
 public:
  // Lock files go to DefaultDirectory().
  InstanceLock();
  explicit InstanceLock(std::string directory);
  ~InstanceLock();  // releases every lock it holds
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  // $XDG_RUNTIME_DIR when it names a directory, else /tmp.
  static std::string DefaultDirectory();
  // The lock file of a name: the name is escaped into a file name, with the user id.
  std::string PathFor(std::string_view name) const;

  // True when a lock on the name is held elsewhere; this object's own locks do not count.
  // Only looks: takes nothing and creates no file.
  bool IsHeldByAnotherProcess(std::string_view name);
  // Takes the lock on the name and keeps it until Release or destruction; false when it is
  // held elsewhere or the lock file cannot be used. Taking a lock this object holds is true.
  bool Acquire(std::string_view name);
  void Release(std::string_view name);
  // Why the lock file of the last IsHeldByAnotherProcess or Acquire could not be used
  // (path and cause, for a person to act on); empty when it could. A false Acquire with
  // an empty problem means another process holds the lock.
  const std::string& Problem() const { return m_problem; }

 private:
  // Opens (and, when asked, creates) the lock file; -1 when it cannot be used, with
  // m_problem saying why (a missing file that was not to be created is no problem).
  int OpenLockFile(std::string_view name, bool create);

  std::string m_directory;
  std::string m_problem;
  std::map<std::string, int, std::less<>> m_held;  // name -> descriptor holding the lock
};

}  // namespace qm
