// HeadlessRun: snapshots and benchmarks of the saver without a display.
//
// A snapshot runs mode Saver on simulated time in fixed steps until the requested scene
// time, then writes the last presented frame as PNG; the frames before it move the scene
// as usual but fill no pixel. A benchmark runs on real time for a
// number of seconds and prints frames per second and milliseconds per frame, update and
// drawing apart; then it counts the pixels one more frame covers and measures the
// renderer's fill rate for them, and prints the frame time the fill alone needs (the fill
// floor) beside the measured one, the resident memory once settled, at the end and at its
// peak, and how long after the process's start the loading screen and the first scene frame
// were shown. Both drive the application through its RunObserver hook. A snapshot can
// also write a report: the scene's state at that time as JSON (WriteSceneReport).
#pragma once

#include <string>

#include "platform/Clock.h"
#include "platform/ProcessMemory.h"
#include "shell/SaverApp.h"

namespace qm {

class SnapshotRun final : public RunObserver {
 public:
  static constexpr double kStepSeconds = 1.0 / 30.0;
  SnapshotRun(SimulatedClock& clock, double seconds, std::string path);
  // Also writes the scene's state at the snapshot's time as JSON to this file.
  void SetReportPath(std::string path) { m_reportPath = std::move(path); }
  bool BeforeFrame(SaverApp& app) override;
  void AfterFrame(SaverApp& app) override;
  bool Written() const { return m_written; }
  bool ReportWritten() const { return m_reportWritten; }

 private:
  SimulatedClock& m_clock;
  double m_seconds;
  double m_elapsed = 0.0;
  std::string m_path;
  std::string m_reportPath;
  bool m_reportWritten = false;
  bool m_captureArmed = false;
  bool m_done = false;
  bool m_written = false;
};

// The report of a run at this moment: the time, every member the scene writes, and the
// count of non-finite numbers among them. Returns false when the file cannot be written.
bool WriteSceneReport(const SaverApp& app, double seconds, const std::string& path);

class BenchmarkRun final : public RunObserver {
 public:
  explicit BenchmarkRun(double seconds);
  bool BeforeFrame(SaverApp& app) override;
  void AfterFrame(SaverApp& app) override;
  void Report(int width, int height) const;

 private:
  // Timed frames, then one frame whose pixels are counted, then the end.
  enum class Phase { Timing, Counting, Done };

  double m_seconds;
  Phase m_phase = Phase::Timing;
  std::int64_t m_startNanoseconds = -1;
  std::int64_t m_endNanoseconds = 0;
  SaverApp::FrameStats m_startStats;
  SaverApp::FrameStats m_endStats;
  bool m_haveFill = false;
  D3DPIXELCOUNTS m_pixels;
  D3DFILLCOSTS m_costs;
  // Resident memory once the run has settled (after the first minute, or half a shorter
  // run) and at the end: a long run whose memory grows between them leaks.
  double m_settledSeconds = 0.0;
  bool m_haveSettled = false;
  ProcessMemory m_settled;
  ProcessMemory m_end;
  // Seconds from the process's start to the loading screen and to the first scene frame.
  double m_loadingScreenAge = -1;
  double m_firstFrameAge = -1;
  // Resident memory at the loading screen, before the scene's media were loaded.
  std::int64_t m_loadingScreenResidentKb = -1;
};

}  // namespace qm
