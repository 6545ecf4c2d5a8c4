#include "platform/InstanceLock.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace qm {
namespace {

constexpr const char* kFallbackDirectory = "/tmp";
constexpr const char* kFilePrefix = "quillmoor-";
constexpr const char* kFileSuffix = ".lock";
// Escaped names longer than this are cut and completed with a hash of the whole name.
constexpr std::size_t kMaxEscapedLength = 160;

bool IsDirectory(const char* path) {
  struct stat info {};
  return path != nullptr && path[0] == '/' && stat(path, &info) == 0 && S_ISDIR(info.st_mode);
}

// Letters, digits, '.' and '-' stay; every other byte (blanks, '/', '_', UTF-8 of a
// translated title) becomes _XX, so different names never share a file.
std::string EscapeName(std::string_view name) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string escaped;
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    const bool plain = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
                       (byte >= '0' && byte <= '9') || byte == '.' || byte == '-';
    if (plain) {
      escaped += c;
    } else {
      escaped += '_';
      escaped += kHex[byte >> 4];
      escaped += kHex[byte & 0xF];
    }
  }
  if (escaped.size() > kMaxEscapedLength) {
    std::uint32_t hash = 2166136261u;  // FNV-1a
    for (const char c : name) {
      hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    }
    char tail[16];
    std::snprintf(tail, sizeof tail, "~%08X", hash);
    escaped.resize(kMaxEscapedLength);
    escaped += tail;
  }
  return escaped;
}

struct flock WholeFileLock(short type) {
  struct flock lock {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  lock.l_start = 0;
  lock.l_len = 0;  // to the end, however long
  return lock;
}

}  // namespace

InstanceLock::InstanceLock() : InstanceLock(DefaultDirectory()) {}

InstanceLock::InstanceLock(std::string directory) : m_directory(std::move(directory)) {}

InstanceLock::~InstanceLock() {
  for (const auto& [name, fd] : m_held) {
    unlink(PathFor(name).c_str());
    close(fd);
  }
}

std::string InstanceLock::DefaultDirectory() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  return IsDirectory(runtime) ? std::string(runtime) : std::string(kFallbackDirectory);
}

std::string InstanceLock::PathFor(std::string_view name) const {
  return m_directory + "/" + kFilePrefix + std::to_string(getuid()) + "-" + EscapeName(name) +
         kFileSuffix;
}

int InstanceLock::OpenLockFile(std::string_view name, bool create) {
  m_problem.clear();
  const std::string path = PathFor(name);
  // No symbolic links, and only a file of our own: /tmp is shared with other users.
  const int fd = open(path.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC | (create ? O_CREAT : 0), 0600);
  if (fd < 0 && !create && errno == ENOENT) {
    return -1;  // nobody has made it, so nobody holds it: no problem to report
  }
  if (fd < 0) {
    m_problem = "cannot open the lock file " + path + ": " + std::strerror(errno);
    return -1;
  }
  struct stat info {};
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    m_problem = "the lock file " + path + " is not a regular file";
  } else if (info.st_uid != getuid()) {
    m_problem = "the lock file " + path + " belongs to another user (uid " +
                std::to_string(info.st_uid) + ")";
  } else {
    return fd;
  }
  close(fd);
  return -1;
}

bool InstanceLock::IsHeldByAnotherProcess(std::string_view name) {
  if (m_held.find(name) != m_held.end()) {
    return false;
  }
  // Only looking leaves nothing behind: the file is not created here.
  const int fd = OpenLockFile(name, false);
  if (fd < 0) {
    return false;  // nobody can hold a lock on a file that cannot be opened
  }
  struct flock probe = WholeFileLock(F_WRLCK);
  const bool held = fcntl(fd, F_OFD_GETLK, &probe) == 0 && probe.l_type != F_UNLCK;
  close(fd);
  return held;
}

bool InstanceLock::Acquire(std::string_view name) {
  if (m_held.find(name) != m_held.end()) {
    return true;
  }
  // A holder removes its file when it lets go; whoever locked the old file meanwhile holds
  // a name nobody else can find, so the lock is taken again on the file now at the path.
  for (int attempt = 0; attempt < 3; ++attempt) {
    const int fd = OpenLockFile(name, true);
    if (fd < 0) {
      return false;
    }
    struct flock lock = WholeFileLock(F_WRLCK);
    if (fcntl(fd, F_OFD_SETLK, &lock) != 0) {
      // EAGAIN and EACCES mean held elsewhere; anything else is a file that cannot be locked.
      if (errno != EAGAIN && errno != EACCES) {
        m_problem = "cannot lock " + PathFor(name) + ": " + std::strerror(errno);
      }
      close(fd);
      return false;
    }
    struct stat locked {}, current {};
    if (fstat(fd, &locked) == 0 && stat(PathFor(name).c_str(), &current) == 0 &&
        locked.st_dev == current.st_dev && locked.st_ino == current.st_ino) {
      m_held.emplace(std::string(name), fd);
      return true;
    }
    close(fd);
  }
  return false;
}

void InstanceLock::Release(std::string_view name) {
  auto found = m_held.find(name);
  if (found == m_held.end()) {
    return;
  }
  // Removed while still locked, so that a run that ends in order leaves no file behind.
  unlink(PathFor(name).c_str());
  close(found->second);  // closing the last descriptor of the description drops the lock
  m_held.erase(found);
}

}  // namespace qm
