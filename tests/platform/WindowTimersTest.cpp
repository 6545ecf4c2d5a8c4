#include "platform/WindowTimers.h"

#include <gtest/gtest.h>

namespace {

using qm::WindowMessage;
using qm::WindowTimers;
using std::chrono::milliseconds;

const WindowTimers::Clock::time_point kStart{};

TEST(WindowTimers, TicksOncePerPeriodAndNeverCatchesUp) {
  WindowTimers timers;
  WindowMessage msg;
  timers.Set(42, 7, 1000, kStart);
  EXPECT_FALSE(timers.TakeDue(kStart + milliseconds(999), msg));
  ASSERT_TRUE(timers.TakeDue(kStart + milliseconds(1000), msg));
  EXPECT_EQ(msg.hwnd, 42u);
  EXPECT_EQ(msg.message, WM_TIMER);
  EXPECT_EQ(msg.wParam, 7u);
  EXPECT_FALSE(timers.TakeDue(kStart + milliseconds(1000), msg));
  // Taken 30 ms late: the next tick stays on the grid.
  EXPECT_TRUE(timers.TakeDue(kStart + milliseconds(2030), msg));
  EXPECT_EQ(timers.UntilNext(kStart + milliseconds(2030)), milliseconds(970));
  // A long stall gives one tick, then a full period from then on.
  EXPECT_TRUE(timers.TakeDue(kStart + milliseconds(9500), msg));
  EXPECT_FALSE(timers.TakeDue(kStart + milliseconds(9500), msg));
  EXPECT_FALSE(timers.TakeDue(kStart + milliseconds(10499), msg));
  EXPECT_TRUE(timers.TakeDue(kStart + milliseconds(10500), msg));
}

TEST(WindowTimers, LongestDueFirstAndKillStopsOnlyItsTimer) {
  WindowTimers timers;
  WindowMessage msg;
  timers.Set(1, 7, 1000, kStart);
  timers.Set(1, 1, 500, kStart);
  timers.Set(2, 1, 300, kStart);
  const auto later = kStart + milliseconds(1000);
  ASSERT_TRUE(timers.TakeDue(later, msg));
  EXPECT_EQ(msg.hwnd, 2u);
  ASSERT_TRUE(timers.TakeDue(later, msg));
  EXPECT_EQ(msg.hwnd, 1u);
  EXPECT_EQ(msg.wParam, 1u);
  timers.Kill(1, 7);
  // Both were late by whole periods: each ticked once and starts afresh.
  EXPECT_FALSE(timers.TakeDue(later, msg));
  ASSERT_TRUE(timers.TakeDue(later + milliseconds(300), msg));
  EXPECT_EQ(msg.hwnd, 2u);
  EXPECT_FALSE(timers.TakeDue(later + milliseconds(499), msg));
  timers.KillAll(2);
  timers.Kill(1, 1);
  EXPECT_FALSE(timers.UntilNext(later).has_value());
}

TEST(WindowTimers, RestartReplacesThePeriodAndZeroIsRaised) {
  WindowTimers timers;
  WindowMessage msg;
  timers.Set(1, 1, 500, kStart);
  timers.Set(1, 1, 100, kStart + milliseconds(50));
  EXPECT_EQ(timers.UntilNext(kStart + milliseconds(50)), milliseconds(100));
  timers.Set(1, 3, 0, kStart);
  EXPECT_EQ(timers.UntilNext(kStart), milliseconds(WindowTimers::kMinimumPeriodMs));
  EXPECT_FALSE(timers.TakeDue(kStart + milliseconds(9), msg));
  EXPECT_TRUE(timers.TakeDue(kStart + milliseconds(10), msg));
  EXPECT_EQ(msg.wParam, 3u);
}

}  // namespace
