// FrameTimer: the process-wide stopwatch that measures the time between frames.
//
// One free function taking a command and returning seconds. It prefers the performance
// counter and falls back to the millisecond clock when there is none; the choice is made
// at the first call and kept for the run. Time comes from qm::GetClock(), so tests and
// snapshots can run it on simulated time. The forest saver starts it once, reads
// ElapsedTime every frame and resets it from its own routines.
#pragma once

enum TimerCommand : int {
  TIMER_RESET = 0,
  TIMER_START = 1,
  TIMER_STOP = 2,
  TIMER_ADVANCE = 3,
  TIMER_GETABSOLUTETIME = 4,
  TIMER_GETAPPTIME = 5,
  TIMER_GETELAPSEDTIME = 6,
};

// Seconds for the reading commands, 0 for those that only change state, -1 for any other
// command value (which changes nothing).
float FrameTimer(int command);

namespace qm {
// Forgets every reading and the counter choice, as at process start (tests, snapshots).
void ResetFrameTimerState();
}  // namespace qm
