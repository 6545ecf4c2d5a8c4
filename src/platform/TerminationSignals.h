// TerminationSignals: SIGTERM, SIGINT and SIGHUP turned into one request to end the run.
//
// XScreenSaver ends a saver with SIGTERM, a terminal with SIGINT or SIGHUP. The handlers only
// set a flag (nothing else is safe inside a signal handler); SdlWindowSystem polls it and
// hands the shell a single WM_QM_TERMINATE, so the run ends in order through EndRun. A
// second signal means the orderly end is not coming (a hung loop, or no loop polling, as
// in the configuration dialog): its default action then ends the process at once.
// One object at a time; the previous handlers come back when it is destroyed.
#pragma once

#include <csignal>
#include <iterator>

namespace qm {

class TerminationSignals {
 public:
  TerminationSignals();
  ~TerminationSignals();
  TerminationSignals(const TerminationSignals&) = delete;
  TerminationSignals& operator=(const TerminationSignals&) = delete;

  // True once, after the first signal since construction.
  bool TakeRequest();

 private:
  static constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
  struct sigaction m_previous[std::size(kSignals)];
};

}  // namespace qm
