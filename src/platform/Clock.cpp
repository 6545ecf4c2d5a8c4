#include "platform/Clock.h"

#include <time.h>

namespace qm {

namespace {

std::int64_t MonotonicNanoseconds() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return std::int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

SystemClock g_systemClock;
Clock* g_clock = &g_systemClock;

}  // namespace

bool SystemClock::QueryPerformanceFrequency(std::int64_t& frequency) {
  frequency = 1000000000;
  return true;
}

std::int64_t SystemClock::QueryPerformanceCounter() { return MonotonicNanoseconds(); }

std::uint32_t SystemClock::TimeGetTime() {
  return std::uint32_t(MonotonicNanoseconds() / 1000000);
}

void SystemClock::Sleep(std::uint32_t milliseconds) {
  timespec ts{time_t(milliseconds / 1000), long(milliseconds % 1000) * 1000000};
  while (nanosleep(&ts, &ts) != 0) {
  }
}

bool SimulatedClock::QueryPerformanceFrequency(std::int64_t& frequency) {
  frequency = m_hasCounter ? 1000000000 : 0;
  return m_hasCounter;
}

void SimulatedClock::Sleep(std::uint32_t milliseconds) {
  if (m_sleepAdvances) m_nanoseconds += std::int64_t(milliseconds) * 1000000;
}

Clock& GetClock() { return *g_clock; }

void SetClock(Clock* clock) { g_clock = clock ? clock : &g_systemClock; }

}  // namespace qm
