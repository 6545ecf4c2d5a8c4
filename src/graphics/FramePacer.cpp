#include "graphics/FramePacer.h"

#include <algorithm>

namespace qm {

namespace {

constexpr std::int64_t kNanosecondsPerSecond = 1000000000;
constexpr std::int64_t kNanosecondsPerMillisecond = 1000000;

}  // namespace

void FramePacer::Start(int maxFps, int refreshHz, bool vsyncRequested, std::int64_t nowNs) {
  m_probeFrames = 0;
  m_probeNs = 0;
  m_lastFrameNs = m_nextDueNs = nowNs;
  if (maxFps <= 0) {
    m_pace = Pace::Off;
    return;
  }
  m_capIntervalNs = kNanosecondsPerSecond / maxFps;
  // Without a known refresh rate, frames faster than the cap are what vsync would prevent.
  m_refreshIntervalNs = refreshHz > 0 ? kNanosecondsPerSecond / refreshHz : m_capIntervalNs;
  m_pace = vsyncRequested ? Pace::Vsync : Pace::Capped;
}

void FramePacer::JudgeVsync(std::int64_t sinceLastNs) {
  ++m_probeFrames;
  m_probeNs += sinceLastNs;
  if (m_probeFrames < kProbeFrames) return;
  // Presentation that waits for the display never averages less than one refresh period
  // (a missed blank only makes it longer). Frames that come sooner on average, even a
  // little, are paced by nothing but the renderer's speed.
  if (m_probeNs * 10 < std::int64_t(m_probeFrames) * m_refreshIntervalNs * 9) m_pace = Pace::Capped;
  m_probeFrames = 0;
  m_probeNs = 0;
}

std::uint32_t FramePacer::RestAfterFrame(std::int64_t nowNs) {
  const std::int64_t sinceLast = nowNs - m_lastFrameNs;
  m_lastFrameNs = nowNs;
  if (m_pace == Pace::Vsync) JudgeVsync(sinceLast);
  // Unpaced, a drawn frame has already waited for the one before it in Present: resting on
  // top of that only loses frame time.
  if (m_pace == Pace::Off) return 0;
  if (m_pace != Pace::Capped) return kMinimumRestMs;
  // Frames are due on a fixed grid, so that rounding the rest to milliseconds does not
  // drift the rate; a late frame moves the grid instead of hurrying the next ones.
  m_nextDueNs += m_capIntervalNs;
  if (m_nextDueNs < nowNs) m_nextDueNs = nowNs;
  const std::int64_t restMs = (m_nextDueNs - nowNs) / kNanosecondsPerMillisecond;
  return std::uint32_t(std::max<std::int64_t>(restMs, kMinimumRestMs));
}

}  // namespace qm
