// The frame pacer on made-up frame times: the rate it holds, and when it trusts vsync.
#include "graphics/FramePacer.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

constexpr std::int64_t kMs = 1000000;

// Drives the pacer like the main loop: each frame takes `workMs`, then the loop rests as
// told (a presentation that waits adds `presentWaitMs`). Returns the frames in the next
// second of `now`, which goes on from call to call.
int FramesInOneSecond(FramePacer& pacer, double workMs, double presentWaitMs = 0.0,
                      std::int64_t* clock = nullptr) {
  std::int64_t local = 0;
  std::int64_t& now = clock ? *clock : local;
  const std::int64_t end = now + 1000 * kMs;
  int frames = 0;
  while (now < end) {
    now += std::int64_t((workMs + presentWaitMs) * double(kMs));
    ++frames;
    now += std::int64_t(pacer.RestAfterFrame(now)) * kMs;
  }
  return frames;
}

TEST(FramePacer, CapHoldsTheRateWithoutDriftAndNeverHurriesAfterALateFrame) {
  for (int cap : {60, 30, 144}) {
    FramePacer pacer;
    pacer.Start(cap, 0, false, 0);
    EXPECT_EQ(pacer.CurrentPace(), FramePacer::Pace::Capped);
    EXPECT_NEAR(FramesInOneSecond(pacer, 1.0), cap, 1) << cap;
  }
  FramePacer pacer;
  pacer.Start(60, 60, false, 0);
  EXPECT_EQ(pacer.RestAfterFrame(5 * kMs), 11u);       // due at 16.67 ms
  EXPECT_EQ(pacer.RestAfterFrame(200 * kMs), 2u);      // late: only the minimum rest
  EXPECT_EQ(pacer.RestAfterFrame(204 * kMs), 12u);     // the grid starts again at 200 ms
}

TEST(FramePacer, SlowFramesTakeOnlyTheMinimumRest) {
  FramePacer pacer;
  pacer.Start(60, 0, false, 0);
  EXPECT_NEAR(FramesInOneSecond(pacer, 40.0), 1000 / 42, 1);
}

TEST(FramePacer, WorkingVsyncSetsThePaceAndTheCapStaysOut) {
  FramePacer pacer;
  pacer.Start(60, 144, true, 0);
  // Presentation waits about one 144 Hz period: the display paces, the cap of 60 must not.
  EXPECT_GT(FramesInOneSecond(pacer, 1.0, 4.9), 100);
  EXPECT_EQ(pacer.CurrentPace(), FramePacer::Pace::Vsync);
}

TEST(FramePacer, VsyncThatDoesNotWaitFallsBackToTheCap) {
  FramePacer pacer;
  pacer.Start(60, 60, true, 0);
  std::int64_t now = 0;
  const int frames = FramesInOneSecond(pacer, 1.0, 0.0, &now);
  EXPECT_EQ(pacer.CurrentPace(), FramePacer::Pace::Capped);
  // The first probe runs unpaced (30 frames at 3 ms), the rest of the second at 60.
  EXPECT_LT(frames, 30 + 60);
  EXPECT_NEAR(FramesInOneSecond(pacer, 1.0, 0.0, &now), 60, 1);
}

TEST(FramePacer, AVsyncIgnoredByARendererAFewFramesFasterThanTheDisplayIsCapped) {
  // 12.5 ms a frame on a 60 Hz display: never twice as fast as the display, yet above both
  // its rate and the cap, as software rendering on a virtual X server does.
  FramePacer pacer;
  pacer.Start(60, 60, true, 0);
  std::int64_t now = 0;
  FramesInOneSecond(pacer, 12.5, 0.0, &now);
  EXPECT_EQ(pacer.CurrentPace(), FramePacer::Pace::Capped);
  EXPECT_NEAR(FramesInOneSecond(pacer, 12.5, 0.0, &now), 60, 1);
}

TEST(FramePacer, VsyncWithJitterAndMissedBlanksKeepsTheDisplaysPace) {
  FramePacer pacer;
  pacer.Start(60, 60, true, 0);
  std::int64_t now = 0;
  // Presentation ends on the display's blanks (every 16.67 ms): mostly the next one, now
  // and then one later; the loop's own rest makes some intervals shorter than a period.
  std::int64_t blank = 0;
  for (int frame = 0; frame < 600; ++frame) {
    now += 3 * kMs;  // work
    const std::int64_t period = 1000 * kMs / 60;
    blank = (now / period + 1 + (frame % 7 == 0)) * period;
    if (blank > now) now = blank;
    now += std::int64_t(pacer.RestAfterFrame(now)) * kMs;
  }
  EXPECT_EQ(pacer.CurrentPace(), FramePacer::Pace::Vsync);
}

TEST(FramePacer, OffRestsNotAtAllAfterADrawnFrame) {
  FramePacer pacer;
  pacer.Start(0, 60, true, 0);
  EXPECT_EQ(pacer.CurrentPace(), FramePacer::Pace::Off);
  EXPECT_EQ(pacer.RestAfterFrame(kMs), 0u);
  EXPECT_GT(FramesInOneSecond(pacer, 0.5), 350);
}

}  // namespace
}  // namespace qm
