#include "app/HeadlessRun.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "graphics/FramePng.h"
#include "platform/ProcessAge.h"
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
    app.pDevice->SetDrawingSkipped(FALSE);
    app.pDevice->SetFrameCapture(TRUE);
    m_captureArmed = true;
  } else if (!m_captureArmed) {
    app.pDevice->SetDrawingSkipped(TRUE);
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

BenchmarkRun::BenchmarkRun(double seconds)
    : m_seconds(seconds), m_settledSeconds(std::min(60.0, seconds / 2)) {}

bool BenchmarkRun::BeforeFrame(SaverApp& app) {
  if (m_phase != Phase::Timing) return m_phase == Phase::Counting;
  const std::int64_t now = MonotonicNanoseconds();
  if (m_startNanoseconds < 0) {
    // Measure from the first frame on: start-up and loading are not frames.
    m_startNanoseconds = now;
    m_startStats = app.m_FrameStats;
  }
  m_endNanoseconds = now;
  m_endStats = app.m_FrameStats;
  const double elapsed = double(now - m_startNanoseconds) * 1e-9;
  if (!m_haveSettled && elapsed >= m_settledSeconds) {
    m_haveSettled = ReadProcessMemory(&m_settled);
    m_settledSeconds = elapsed;
  }
  if (elapsed < m_seconds) return true;
  ReadProcessMemory(&m_end);
  // Time is up: one more frame, outside the timing, counts its pixels.
  if (!app.pDevice || FAILED(app.pDevice->SetPixelCounting(TRUE))) {
    m_phase = Phase::Done;
    return false;
  }
  m_phase = Phase::Counting;
  return true;
}

void BenchmarkRun::AfterFrame(SaverApp& app) {
  if (m_firstFrameAge < 0) {
    m_firstFrameAge = ProcessAgeSeconds();
    m_loadingScreenAge = app.m_fLoadingScreenAge;
    m_loadingScreenResidentKb = app.m_iLoadingScreenResidentKb;
  }
  if (m_phase != Phase::Counting) return;
  m_phase = Phase::Done;
  app.pDevice->SetPixelCounting(FALSE);
  m_haveFill = SUCCEEDED(app.pDevice->GetPixelCounts(&m_pixels)) &&
               SUCCEEDED(app.pDevice->MeasureFillRate(m_pixels, &m_costs));
}

void BenchmarkRun::Report(int width, int height) const {
  const double seconds = double(m_endNanoseconds - m_startNanoseconds) * 1e-9;
  const std::int64_t frames = m_endStats.frames - m_startStats.frames;
  if (frames <= 0 || seconds <= 0) {
    std::printf("benchmark: no frames drawn\n");
    return;
  }
  const double move =
      double(m_endStats.moveNanoseconds - m_startStats.moveNanoseconds) * 1e-6 / double(frames);
  const double render =
      double(m_endStats.renderNanoseconds - m_startStats.renderNanoseconds) * 1e-6 / double(frames);
  const double frameMilliseconds = seconds * 1000.0 / double(frames);
  std::printf("benchmark %dx%d: %lld frames in %.2f s = %.1f fps, %.2f ms/frame "
              "(update %.2f ms, drawing %.2f ms)\n",
              width, height, static_cast<long long>(frames), seconds, double(frames) / seconds,
              frameMilliseconds, move, render);
  if (m_loadingScreenAge >= 0 && m_firstFrameAge >= 0) {
    std::printf("start-up: loading screen at %.0f ms, first scene frame at %.0f ms after the "
                "process started\n",
                m_loadingScreenAge * 1000, m_firstFrameAge * 1000);
  }
  if (m_haveSettled && m_end.peakKb > 0) {
    std::printf("memory: %.1f MB resident at %.0f s, %.1f MB at the end, peak %.1f MB",
                double(m_settled.residentKb) / 1024, m_settledSeconds,
                double(m_end.residentKb) / 1024, double(m_end.peakKb) / 1024);
    // What the renderer and the libraries hold before the scene's media: the rest of the
    // peak is what the scene adds.
    if (m_loadingScreenResidentKb > 0) {
      std::printf(", of which %.1f MB before the scene (at the loading screen)",
                  double(m_loadingScreenResidentKb) / 1024);
    }
    std::printf("\n");
  }
  if (!m_haveFill) {
    std::printf("fill floor %dx%d: not measured (the renderer cannot count pixels)\n", width,
                height);
    return;
  }
  double floorNanoseconds = 0.0;
  std::uint64_t drawnPixels = 0;
  for (DWORD kind = 0; kind < D3DFILLKIND_COUNT; ++kind) {
    floorNanoseconds += double(m_pixels.pixels[kind]) * m_costs.nanosecondsPerPixel[kind];
    if (kind != D3DFILLKIND_CLEAR) drawnPixels += m_pixels.pixels[kind];
  }
  const double screen = double(width) * double(height);
  const double floorMilliseconds = floorNanoseconds * 1e-6;
  std::printf("fill floor %dx%d: %.2f screens drawn in %u draws (%u empty) and %.2f cleared, "
              "floor %.2f ms, frame %.2f ms, ratio %.2f\n",
              width, height, double(drawnPixels) / screen, m_pixels.draws, m_pixels.emptyDraws,
              double(m_pixels.pixels[D3DFILLKIND_CLEAR]) / screen, floorMilliseconds,
              frameMilliseconds, floorMilliseconds > 0 ? frameMilliseconds / floorMilliseconds : 0.0);
}

}  // namespace qm
