// WindowTimers: the window timers of SetTimer/KillTimer, kept on a monotonic clock.
//
// SdlWindowSystem asks this table for the next due timer whenever its message queue is
// empty, the way the Windows loop synthesises WM_TIMER: at most one tick per timer waits at
// a time, and a timer that fell behind (a long frame) does not fire in a burst. Times are
// passed in, so tests can drive the table without sleeping.
#pragma once

#include <chrono>
#include <optional>
#include <vector>

#include "platform/WindowMessages.h"

namespace qm {

class WindowTimers {
 public:
  using Clock = std::chrono::steady_clock;

  // The shortest period a timer runs at; shorter requests are raised to it (as on Windows).
  static constexpr UINT kMinimumPeriodMs = 10;

  // Starts a timer, or restarts it with the new period when (hwnd, id) already runs.
  void Set(HWND hwnd, UINT id, UINT milliseconds, Clock::time_point now);
  void Kill(HWND hwnd, UINT id);
  void KillAll(HWND hwnd);
  // Takes the timer that has been due longest as a WM_TIMER and schedules its next tick;
  // false when no timer is due at `now`.
  bool TakeDue(Clock::time_point now, WindowMessage& msg);
  // How long until the next tick (zero when one is due); nothing when no timer runs.
  std::optional<Clock::duration> UntilNext(Clock::time_point now) const;

 private:
  // One running timer.
  struct Timer {
    HWND hwnd;
    UINT id;
    Clock::duration period;
    Clock::time_point due;
  };
  std::vector<Timer> m_timers;
};

}  // namespace qm
