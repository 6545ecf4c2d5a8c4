#include "app/HeadlessRun.h"

#include <chrono>
#include <cstdio>

#include "graphics/FramePng.h"
#include "shell/JsonWriter.h"

namespace qm {

namespace {

std::int64_t MonotonicNanoseconds() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

SnapshotRun::SnapshotRun(SimulatedClock& clock, double seconds, std::string path)
    : m_clock(clock), m_seconds(seconds), m_path(std::move(path)) {}

bool SnapshotRun::BeforeFrame(SaverApp& app) {
  if (m_done || !app.pDevice) return false;
  m_clock.Advance(kStepSeconds);
  m_elapsed += kStepSeconds;
  if (m_elapsed + 1e-9 >= m_seconds && !m_captureArmed) {
    app.pDevice->SetFrameCapture(TRUE);
    m_captureArmed = true;
  }
  return true;
}

void SnapshotRun::AfterFrame(SaverApp& app) {
  if (!m_captureArmed || m_done) return;
  m_done = true;  // one way or the other, the run ends before the next frame
  std::vector<DWORD> pixels;
  UINT width = 0, height = 0;
  if (FAILED(app.pDevice->GetPresentedFrame(&pixels, &width, &height))) {
    std::fprintf(stderr, "quillmoor: the frame could not be read back\n");
    return;
  }
  m_written = WriteFramePng(m_path, pixels, width, height);
  if (!m_written) {
    std::fprintf(stderr, "quillmoor: cannot write %s\n", m_path.c_str());
    return;
  }
  std::printf("snapshot %ux%u at %.2f s written to %s\n", width, height, m_elapsed,
              m_path.c_str());
  if (m_reportPath.empty()) return;
  m_reportWritten = WriteSceneReport(app, m_elapsed, m_reportPath);
  if (!m_reportWritten) std::fprintf(stderr, "quillmoor: cannot write %s\n", m_reportPath.c_str());
}

bool WriteSceneReport(const SaverApp& app, double seconds, const std::string& path) {
  JsonWriter report;
  report.BeginObject();
  report.Member("time", seconds);
  app.ReportScene(report);
  // Counted last, so that it covers every number above.
  report.MemberInt("non_finite", report.NonFiniteCount());
  report.EndObject();
  return WriteTextFileAtomically(path, report.Text());
}

BenchmarkRun::BenchmarkRun(double seconds) : m_seconds(seconds) {}

bool BenchmarkRun::BeforeFrame(SaverApp& app) {
  const std::int64_t now = MonotonicNanoseconds();
  if (m_startNanoseconds < 0) {
    // Measure from the first frame on: start-up and loading are not frames.
    m_startNanoseconds = now;
    m_startStats = app.m_FrameStats;
  }
  m_endNanoseconds = now;
  return double(now - m_startNanoseconds) * 1e-9 < m_seconds;
}

void BenchmarkRun::Report(const SaverApp& app, int width, int height) const {
  const double seconds = double(m_endNanoseconds - m_startNanoseconds) * 1e-9;
  const std::int64_t frames = app.m_FrameStats.frames - m_startStats.frames;
  if (frames <= 0 || seconds <= 0) {
    std::printf("benchmark: no frames drawn\n");
    return;
  }
  const double move =
      double(app.m_FrameStats.moveNanoseconds - m_startStats.moveNanoseconds) * 1e-6 / double(frames);
  const double render = double(app.m_FrameStats.renderNanoseconds - m_startStats.renderNanoseconds) *
                        1e-6 / double(frames);
  std::printf("benchmark %dx%d: %lld frames in %.2f s = %.1f fps, %.2f ms/frame "
              "(update %.2f ms, drawing %.2f ms)\n",
              width, height, static_cast<long long>(frames), seconds, double(frames) / seconds,
              seconds * 1000.0 / double(frames), move, render);
}

}  // namespace qm
