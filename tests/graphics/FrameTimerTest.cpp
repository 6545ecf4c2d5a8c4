#include "graphics/FrameTimer.h"

#include <gtest/gtest.h>

#include "platform/Clock.h"

namespace qm {
namespace {

// Runs every case on both paths: the performance counter and the millisecond clock.
class FrameTimerTest : public ::testing::TestWithParam<bool> {
 protected:
  SimulatedClock clock{GetParam()};
  void SetUp() override {
    SetClock(&clock);
    ResetFrameTimerState();
  }
  void TearDown() override {
    SetClock(nullptr);
    ResetFrameTimerState();
  }
};

TEST_P(FrameTimerTest, FirstElapsedTimeCountsFromClockZero) {
  clock.SetSeconds(12.5);
  EXPECT_NEAR(FrameTimer(TIMER_GETELAPSEDTIME), 12.5f, 1e-3);
  clock.Advance(0.25);
  EXPECT_NEAR(FrameTimer(TIMER_GETELAPSEDTIME), 0.25f, 1e-3);
}

TEST_P(FrameTimerTest, StopFreezesAndStartResumesWithoutCountingTheStop) {
  clock.SetSeconds(10);
  FrameTimer(TIMER_RESET);
  clock.Advance(2);
  FrameTimer(TIMER_STOP);
  clock.Advance(5);
  EXPECT_NEAR(FrameTimer(TIMER_GETAPPTIME), 2.0f, 1e-3);
  FrameTimer(TIMER_GETELAPSEDTIME);
  EXPECT_EQ(FrameTimer(TIMER_GETELAPSEDTIME), 0.0f);  // stopped: nothing elapses
  EXPECT_NEAR(FrameTimer(TIMER_GETABSOLUTETIME), 17.0f, 1e-3);  // absolute time runs on
  FrameTimer(TIMER_ADVANCE);
  EXPECT_NEAR(FrameTimer(TIMER_GETAPPTIME), 2.1f, 1e-3);
  FrameTimer(TIMER_START);  // the stepped tenth counts, the rest of the stop does not
  EXPECT_NEAR(FrameTimer(TIMER_GETAPPTIME), 2.1f, 1e-3);
  clock.Advance(1);
  EXPECT_NEAR(FrameTimer(TIMER_GETAPPTIME), 3.1f, 1e-3);
  EXPECT_NEAR(FrameTimer(TIMER_GETELAPSEDTIME), 1.0f, 1e-3);
}

TEST_P(FrameTimerTest, UnknownCommandReturnsMinusOneAndChangesNothing) {
  clock.SetSeconds(3);
  FrameTimer(TIMER_RESET);
  EXPECT_EQ(FrameTimer(7), -1.0f);
  EXPECT_EQ(FrameTimer(-1), -1.0f);
  clock.Advance(1);
  EXPECT_NEAR(FrameTimer(TIMER_GETAPPTIME), 1.0f, 1e-3);
}

INSTANTIATE_TEST_SUITE_P(BothPaths, FrameTimerTest, ::testing::Values(true, false),
                         [](const auto& param) { return param.param ? "Counter" : "Milliseconds"; });

TEST(FrameTimerPaths, StopMarksElapsedOnlyOnTheCounterPath) {
  for (bool counter : {true, false}) {
    SimulatedClock clock(counter);
    SetClock(&clock);
    ResetFrameTimerState();
    clock.SetSeconds(1);
    FrameTimer(TIMER_GETELAPSEDTIME);
    clock.Advance(1);
    FrameTimer(TIMER_STOP);
    // Counter path: stop set the mark, nothing elapsed since. Clock path: a second did.
    EXPECT_NEAR(FrameTimer(TIMER_GETELAPSEDTIME), counter ? 0.0f : 1.0f, 1e-3) << counter;
  }
  SetClock(nullptr);
  ResetFrameTimerState();
}

}  // namespace
}  // namespace qm
