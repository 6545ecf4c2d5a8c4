// SdlWindowSystem: the real WindowSystem, on SDL2 (X11, or the offscreen driver).
//
// The shell creates one at start-up and drives windows, timers and message boxes through
// the WindowSystem interface. SDL events become the saver's window messages; window timers
// and PostMessage share the same queue; SIGTERM, SIGINT and SIGHUP arrive as one
// WM_QM_TERMINATE. Window handles are SDL window ids. The preview child and the XScreenSaver
// window are X11 windows of another program, reached through X11Windows.
// Without a display the object still runs its queue and timers: CreateWindow fails and
// message boxes go to standard error. The offscreen driver serves headless snapshots.
#pragma once

#include <chrono>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <set>

#include "platform/TerminationSignals.h"
#include "platform/WindowSystem.h"
#include "platform/WindowTimers.h"
#include "platform/X11Windows.h"

struct SDL_Window;
union SDL_Event;

namespace qm {

class SdlWindowSystem final : public WindowSystem {
 public:
  // Which SDL video driver to bring up.
  enum class VideoDriver {
    Default,    // SDL's choice (X11 where $DISPLAY is set)
    Offscreen,  // no display at all: windows and OpenGL in memory (snapshots, tests)
  };

  // How long the application may be without a focused window before it counts as
  // deactivated: focus passing between two of its own windows is not a deactivation.
  static constexpr auto kDeactivationGrace = std::chrono::milliseconds(150);

  explicit SdlWindowSystem(VideoDriver driver = VideoDriver::Default);
  ~SdlWindowSystem() override;
  SdlWindowSystem(const SdlWindowSystem&) = delete;
  SdlWindowSystem& operator=(const SdlWindowSystem&) = delete;

  static std::unique_ptr<SdlWindowSystem> CreateOffscreen();

  // True when SDL video came up (windows can be created).
  bool HasVideo() const { return m_hasVideo; }
  bool IsOffscreen() const { return m_offscreen; }

  std::vector<DisplayInfo> ListDisplays() override;
  HWND CreateWindow(const WindowParams& params) override;
  void DestroyWindow(HWND hwnd) override;
  bool GetClientRect(HWND hwnd, RECT& rect) override;
  bool GetDrawableSize(HWND hwnd, int& width, int& height) override;
  bool ForeignWindowExists(std::uint64_t x11Window) override;

  bool PeekMessage(WindowMessage& msg) override;
  bool GetMessage(WindowMessage& msg) override;
  void PostMessage(const WindowMessage& msg) override;
  void PostQuitMessage(int exitCode) override;
  void SetTimer(HWND hwnd, UINT id, UINT milliseconds) override;
  void KillTimer(HWND hwnd, UINT id) override;

  void HideCursor() override;
  void MessageBox(HWND owner, std::string_view text, std::string_view caption,
                  UINT flags) override;
  void PaintBitmap(HWND hwnd, const Bitmap24& bitmap) override;

 private:
  using Clock = std::chrono::steady_clock;

  // One window this object made or wrapped.
  struct WindowRecord {
    WindowKind kind;
    SDL_Window* window;
    std::uint64_t x11Window;  // the X11 window of a Child or Foreign, else 0
    bool openGL;              // reserved for the device: nothing else draws into it
  };

  void InitVideo(VideoDriver driver);
  // Fills a window that has no device with black.
  void PaintBackground(HWND hwnd);
  SDL_Window* CreateSdlWindow(const WindowParams& params);
  // A Child made inside, or a Foreign taken over from, the X11 window params.parent.
  SDL_Window* WrapX11Window(const WindowParams& params, std::uint64_t& x11Window);
  HWND Register(SDL_Window* window, const WindowParams& params, std::uint64_t x11Window);

  void PumpNativeEvents();
  void TranslateSdlEvent(const SDL_Event& event);
  void TranslateWindowEvent(const SDL_Event& event);
  void TranslateX11Events();
  void TrackFocus(HWND hwnd, bool gained);
  void CheckDeactivation(Clock::time_point now);
  void Queue(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  // The window an SDL event belongs to; the main window for events without one, 0 when the
  // event names a window this object does not know.
  HWND WindowOf(std::uint32_t sdlWindowId) const;
  Clock::duration WaitLimit(Clock::time_point now) const;

  bool m_hasVideo = false;
  bool m_offscreen = false;
  TerminationSignals m_signals;
  std::unique_ptr<X11Windows> m_x11;
  std::map<HWND, WindowRecord> m_windows;
  HWND m_mainWindow = 0;
  std::deque<WindowMessage> m_queue;
  WindowTimers m_timers;
  bool m_quitPosted = false;
  int m_exitCode = 0;
  std::set<HWND> m_focused;
  bool m_appActive = false;
  std::optional<Clock::time_point> m_deactivateAt;
};

}  // namespace qm
