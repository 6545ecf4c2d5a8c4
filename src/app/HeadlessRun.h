// HeadlessRun: snapshots and benchmarks of the saver without a display.
//
// A snapshot runs mode Saver on simulated time in fixed steps until the requested scene
// time, then writes the last presented frame as PNG. A benchmark runs on real time for a
// number of seconds and prints frames per second and milliseconds per frame, update and
// drawing apart. Both drive the application through its RunObserver hook.
#pragma once

#include <string>

#include "platform/Clock.h"
#include "shell/SaverApp.h"

namespace qm {

class SnapshotRun final : public RunObserver {
 public:
  static constexpr double kStepSeconds = 1.0 / 30.0;
  SnapshotRun(SimulatedClock& clock, double seconds, std::string path);
  bool BeforeFrame(SaverApp& app) override;
  void AfterFrame(SaverApp& app) override;
  bool Written() const { return m_written; }

 private:
  SimulatedClock& m_clock;
  double m_seconds;
  double m_elapsed = 0.0;
  std::string m_path;
  bool m_captureArmed = false;
  bool m_done = false;
  bool m_written = false;
};

class BenchmarkRun final : public RunObserver {
 public:
  explicit BenchmarkRun(double seconds);
  bool BeforeFrame(SaverApp& app) override;
  void AfterFrame(SaverApp&) override {}
  void Report(const SaverApp& app, int width, int height) const;

 private:
  double m_seconds;
  std::int64_t m_startNanoseconds = -1;
  std::int64_t m_endNanoseconds = 0;
  SaverApp::FrameStats m_startStats;
};

}  // namespace qm
