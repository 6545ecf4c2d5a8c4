#include "platform/TerminationSignals.h"

#include <cstring>

namespace qm {
namespace {

// What the handlers have seen: written by the handler, read by the message loop.
enum RequestState : int { kNone = 0, kPending = 1, kTaken = 2 };
volatile std::sig_atomic_t g_state = kNone;

extern "C" void OnTerminationSignal(int signal) {
  if (g_state != kNone) {
    // The orderly end was asked for and has not come: let the signal end the process.
    struct sigaction fallback;
    std::memset(&fallback, 0, sizeof fallback);
    fallback.sa_handler = SIG_DFL;
    sigaction(signal, &fallback, nullptr);
    raise(signal);
    return;
  }
  g_state = kPending;
}

}  // namespace

TerminationSignals::TerminationSignals() {
  g_state = kNone;
  struct sigaction action;
  std::memset(&action, 0, sizeof action);
  action.sa_handler = OnTerminationSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (std::size_t i = 0; i < std::size(kSignals); ++i) {
    sigaction(kSignals[i], &action, &m_previous[i]);
  }
}

TerminationSignals::~TerminationSignals() {
  for (std::size_t i = 0; i < std::size(kSignals); ++i) {
    sigaction(kSignals[i], &m_previous[i], nullptr);
  }
  g_state = kNone;
}

bool TerminationSignals::TakeRequest() {
  if (g_state != kPending) {
    return false;
  }
  g_state = kTaken;
  return true;
}

}  // namespace qm
