#include "platform/WindowTimers.h"

#include <algorithm>

namespace qm {

void WindowTimers::Set(HWND hwnd, UINT id, UINT milliseconds, Clock::time_point now) {
  const auto period = std::chrono::milliseconds(std::max(milliseconds, kMinimumPeriodMs));
  for (Timer& timer : m_timers) {
    if (timer.hwnd == hwnd && timer.id == id) {
      timer.period = period;
      timer.due = now + period;
      return;
    }
  }
  m_timers.push_back(Timer{hwnd, id, period, now + period});
}

void WindowTimers::Kill(HWND hwnd, UINT id) {
  std::erase_if(m_timers, [&](const Timer& t) { return t.hwnd == hwnd && t.id == id; });
}

void WindowTimers::KillAll(HWND hwnd) {
  std::erase_if(m_timers, [&](const Timer& t) { return t.hwnd == hwnd; });
}

bool WindowTimers::TakeDue(Clock::time_point now, WindowMessage& msg) {
  auto earliest = std::min_element(m_timers.begin(), m_timers.end(),
                                   [](const Timer& a, const Timer& b) { return a.due < b.due; });
  if (earliest == m_timers.end() || earliest->due > now) {
    return false;
  }
  msg = WindowMessage{earliest->hwnd, WM_TIMER, earliest->id, 0};
  // Keep the ticks on their grid, but a timer that missed whole periods ticks once and
  // starts afresh instead of catching up.
  earliest->due += earliest->period;
  if (earliest->due <= now) {
    earliest->due = now + earliest->period;
  }
  return true;
}

std::optional<WindowTimers::Clock::duration> WindowTimers::UntilNext(
    Clock::time_point now) const {
  if (m_timers.empty()) {
    return std::nullopt;
  }
  auto earliest = std::min_element(m_timers.begin(), m_timers.end(),
                                   [](const Timer& a, const Timer& b) { return a.due < b.due; });
  return std::max(earliest->due - now, Clock::duration::zero());
}

}  // namespace qm
