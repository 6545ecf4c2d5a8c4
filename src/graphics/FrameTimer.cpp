#include "graphics/FrameTimer.h"

#include <cstdint>

#include "platform/Clock.h"

namespace {

// State of the counter path, in counter ticks.
struct CounterState {
  std::int64_t llFrequency = 0;
  std::int64_t llStopTime = 0;  // 0 = running
  std::int64_t llLastElapsedTime = 0;
  std::int64_t llBaseTime = 0;
};

// State of the millisecond-clock path, in seconds.
struct MillisecondState {
  double fLastElapsedTime = 0.0;
  double fBaseTime = 0.0;
  double fStopTime = 0.0;  // 0 = running
};

bool bTimerInitialised = false;
bool bUsePerformanceCounter = false;
CounterState g_counter;
MillisecondState g_ms;

bool FreezesTime(int command) {
  return command != TIMER_START && command != TIMER_GETABSOLUTETIME;
}

float CounterCommand(int command) {
  CounterState& s = g_counter;
  const std::int64_t now =
      (s.llStopTime != 0 && FreezesTime(command)) ? s.llStopTime
                                                  : qm::GetClock().QueryPerformanceCounter();
  const double frequency = double(s.llFrequency);
  switch (command) {
    case TIMER_GETELAPSEDTIME: {
      const double elapsed = double(now - s.llLastElapsedTime) / frequency;
      s.llLastElapsedTime = now;
      return float(elapsed);
    }
    case TIMER_GETAPPTIME:
      return float(double(now - s.llBaseTime) / frequency);
    case TIMER_RESET:
      s.llBaseTime = now;
      s.llLastElapsedTime = now;
      return 0.0f;
    case TIMER_START:
      s.llBaseTime += now - s.llStopTime;
      s.llStopTime = 0;
      s.llLastElapsedTime = now;
      return 0.0f;
    case TIMER_STOP:
      s.llStopTime = now;
      s.llLastElapsedTime = now;
      return 0.0f;
    case TIMER_ADVANCE:
      s.llStopTime += s.llFrequency / 10;
      return 0.0f;
    case TIMER_GETABSOLUTETIME:
      return float(double(now) / frequency);
    default:
      return -1.0f;
  }
}

float MillisecondCommand(int command) {
  MillisecondState& s = g_ms;
  const double now = (s.fStopTime != 0.0 && FreezesTime(command))
                         ? s.fStopTime
                         : double(qm::GetClock().TimeGetTime()) * 0.001;
  switch (command) {
    case TIMER_GETELAPSEDTIME: {
      const double elapsed = now - s.fLastElapsedTime;
      s.fLastElapsedTime = now;
      return float(elapsed);
    }
    case TIMER_GETAPPTIME:
      return float(now - s.fBaseTime);
    case TIMER_RESET:
      s.fBaseTime = now;
      s.fLastElapsedTime = now;
      return 0.0f;
    case TIMER_START:
      s.fBaseTime += now - s.fStopTime;
      s.fStopTime = 0.0;
      s.fLastElapsedTime = now;
      return 0.0f;
    case TIMER_STOP:
      // Unlike the counter path, the last-elapsed mark is left alone here.
      s.fStopTime = now;
      return 0.0f;
    case TIMER_ADVANCE:
      s.fStopTime += double(0.1f);
      return 0.0f;
    case TIMER_GETABSOLUTETIME:
      return float(now);
    default:
      return -1.0f;
  }
}

}  // namespace

float FrameTimer(int command) {
  if (command < TIMER_RESET || command > TIMER_GETELAPSEDTIME) return -1.0f;
  if (!bTimerInitialised) {
    bTimerInitialised = true;
    bUsePerformanceCounter = qm::GetClock().QueryPerformanceFrequency(g_counter.llFrequency) &&
                             g_counter.llFrequency > 0;
  }
  return bUsePerformanceCounter ? CounterCommand(command) : MillisecondCommand(command);
}

namespace qm {

void ResetFrameTimerState() {
  bTimerInitialised = false;
  bUsePerformanceCounter = false;
  g_counter = {};
  g_ms = {};
}

}  // namespace qm
