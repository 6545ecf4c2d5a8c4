// Clock: the saver's time sources behind one interface.
//
// The frame timer and the main loop read the performance counter, the millisecond clock
// and sleep through a Clock, so that tests and headless snapshots can run on simulated
// time. SystemClock reads CLOCK_MONOTONIC; SimulatedClock only moves when told to.
// The process-wide clock is SystemClock until SetClock installs another.
#pragma once

#include <cstdint>

namespace qm {

class Clock {
 public:
  virtual ~Clock() = default;
  // Ticks per second of the performance counter; false when there is no counter.
  virtual bool QueryPerformanceFrequency(std::int64_t& frequency) = 0;
  virtual std::int64_t QueryPerformanceCounter() = 0;
  // Milliseconds since an arbitrary start, wrapping at 2^32 (timeGetTime).
  virtual std::uint32_t TimeGetTime() = 0;
  virtual void Sleep(std::uint32_t milliseconds) = 0;
};

// The monotonic system clock.
class SystemClock final : public Clock {
 public:
  bool QueryPerformanceFrequency(std::int64_t& frequency) override;
  std::int64_t QueryPerformanceCounter() override;
  std::uint32_t TimeGetTime() override;
  void Sleep(std::uint32_t milliseconds) override;
};

// Time that moves only by Advance (and, if asked, by Sleep), in nanoseconds.
class SimulatedClock final : public Clock {
 public:
  explicit SimulatedClock(bool hasCounter = true, bool sleepAdvances = false)
      : m_hasCounter(hasCounter), m_sleepAdvances(sleepAdvances) {}
  void Advance(double seconds) { m_nanoseconds += std::int64_t(seconds * 1e9); }
  void SetSeconds(double seconds) { m_nanoseconds = std::int64_t(seconds * 1e9); }

  bool QueryPerformanceFrequency(std::int64_t& frequency) override;
  std::int64_t QueryPerformanceCounter() override { return m_nanoseconds; }
  std::uint32_t TimeGetTime() override { return std::uint32_t(m_nanoseconds / 1000000); }
  void Sleep(std::uint32_t milliseconds) override;

 private:
  bool m_hasCounter;
  bool m_sleepAdvances;
  std::int64_t m_nanoseconds = 0;
};

// The process-wide clock; never null.
Clock& GetClock();
// Installs a clock (not owned; null restores the system clock).
void SetClock(Clock* clock);

}  // namespace qm
