// DisplayTurn: X tests take turns on the one display.
//
// CTest runs test programs side by side on the one Xvfb: a full-screen window of one would
// cover the windows, pointer and keys of another. Every test that puts windows on the X
// display holds a DisplayTurn while it does (a lock file per user and display).
#pragma once

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <string>

namespace qm::testing {

class DisplayTurn {
 public:
  DisplayTurn() {
    std::string name = "/tmp/quillmoor-x11-tests-" + std::to_string(getuid());
    const char* display = std::getenv("DISPLAY");
    for (const char c : std::string(display ? display : "")) name += std::isalnum(c) ? c : '_';
    m_fd = open(name.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (m_fd >= 0) flock(m_fd, LOCK_EX);
  }
  ~DisplayTurn() {
    if (m_fd >= 0) close(m_fd);
  }
  DisplayTurn(const DisplayTurn&) = delete;
  DisplayTurn& operator=(const DisplayTurn&) = delete;

 private:
  int m_fd = -1;
};

}  // namespace qm::testing
