// FramePacer: how long the main loop rests after each frame it draws.
//
// SaverApp asks it after every frame. Where presentation waits for the display's vertical
// blank, the display sets the pace and the loop only takes its usual 2 ms rest. Where it
// does not (no vsync, or a driver that accepts the request and ignores it, as software
// renderers on virtual X servers do), frames would come as fast as the processor allows:
// then the pacer rests until the next frame is due at the "MaxFps" rate. Whether vsync
// really paces is judged from the frames themselves, never assumed. Times are nanoseconds
// of any monotonic clock; nothing here reads a clock or sleeps.
#pragma once

#include <cstdint>

namespace qm {

class FramePacer {
 public:
  // The loop's own rest after a message, or after a frame while vsync paces.
  static constexpr std::uint32_t kMinimumRestMs = 2;
  // Frames looked at together when judging whether vsync paces them.
  static constexpr int kProbeFrames = 30;

  // How the pacer runs.
  enum class Pace {
    Off,        // no pacing: headless runs and benchmarks draw the next frame at once
    Vsync,      // presentation waits for the display
    Capped,     // the pacer rests until the next frame is due at maxFps
  };

  // maxFps <= 0 switches pacing off. refreshHz is the display's rate, 0 when unknown.
  void Start(int maxFps, int refreshHz, bool vsyncRequested, std::int64_t nowNs);
  // After a frame was presented at nowNs: milliseconds to rest before the next one.
  std::uint32_t RestAfterFrame(std::int64_t nowNs);
  Pace CurrentPace() const { return m_pace; }

 private:
  // Vsync: when a probe's frames came sooner than one refresh period on average, the
  // display is not pacing and the cap takes over.
  void JudgeVsync(std::int64_t sinceLastNs);

  Pace m_pace = Pace::Off;
  std::int64_t m_capIntervalNs = 0;
  std::int64_t m_refreshIntervalNs = 0;
  std::int64_t m_lastFrameNs = 0;
  std::int64_t m_nextDueNs = 0;
  int m_probeFrames = 0;
  std::int64_t m_probeNs = 0;
};

}  // namespace qm
