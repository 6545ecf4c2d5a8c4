// SdlWindowSystem sections:
//   1. Start and end          SDL with our hints, the signal handlers, the X11 helper
//   2. Displays and windows   ListDisplays, CreateWindow by kind, DestroyWindow, sizes
//   3. The message queue      Peek/Get/Post, timers, quit, terminate
//   4. Native events          SDL and X11 events into window messages, application focus
//   5. Showing things         message boxes, the preview bitmap, the cursor
#include "platform/SdlWindowSystem.h"

#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "platform/RendererThreads.h"
#include "platform/VirtualKeys.h"

namespace qm {
namespace {

// Longest wait inside GetMessage, so that a termination signal is seen promptly.
constexpr auto kSignalPollInterval = std::chrono::milliseconds(20);

// Modifier flags of mouse messages (MK_*).
constexpr WPARAM MK_LBUTTON = 0x0001;
constexpr WPARAM MK_RBUTTON = 0x0002;
constexpr WPARAM MK_MBUTTON = 0x0010;
// Bit of a key message's lParam that marks an auto-repeat.
constexpr LPARAM kKeyRepeatBit = LPARAM{1} << 30;

LPARAM PackPoint(int x, int y) {
  const auto low = static_cast<std::uint32_t>(x) & 0xFFFFu;
  const auto high = static_cast<std::uint32_t>(y) & 0xFFFFu;
  return static_cast<LPARAM>(low | (high << 16));
}

WPARAM MouseKeys(Uint32 buttons) {
  return ((buttons & SDL_BUTTON_LMASK) ? MK_LBUTTON : 0) |
         ((buttons & SDL_BUTTON_RMASK) ? MK_RBUTTON : 0) |
         ((buttons & SDL_BUTTON_MMASK) ? MK_MBUTTON : 0);
}

Uint32 MessageBoxKind(UINT flags) {
  switch (flags & 0xF0) {
    case MB_ICONERROR:
      return SDL_MESSAGEBOX_ERROR;
    case MB_ICONWARNING:
      return SDL_MESSAGEBOX_WARNING;
    default:
      return SDL_MESSAGEBOX_INFORMATION;
  }
}

// A display to show windows on, or a video driver the user chose explicitly.
bool DisplayConfigured() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && value[0] != '\0') {
      return true;
    }
  }
  return false;
}

bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// 1. Start and end

SdlWindowSystem::SdlWindowSystem(VideoDriver driver) {
  // Before SDL loads the OpenGL driver, which reads it once.
  ChooseSoftwareRendererThreads();
  // The handlers of m_signals stay ours: SDL would turn SIGINT and SIGTERM into SDL_QUIT.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  // A screen saver must not keep the desktop's own saver and power management from running.
  SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
  SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
  // The first click on a window ends the saver even when the window had no focus yet.
  SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
  SDL_Init(SDL_INIT_EVENTS);
  InitVideo(driver);
  if (!m_offscreen) {
    m_x11 = std::make_unique<X11Windows>();
  }
}

std::unique_ptr<SdlWindowSystem> SdlWindowSystem::CreateOffscreen() {
  return std::make_unique<SdlWindowSystem>(VideoDriver::Offscreen);
}

void SdlWindowSystem::InitVideo(VideoDriver driver) {
  if (driver == VideoDriver::Default && !DisplayConfigured()) {
    return;  // SDL would settle for its offscreen driver and show nothing
  }
  if (driver == VideoDriver::Offscreen) {
    SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, "offscreen", SDL_HINT_OVERRIDE);
  }
  m_hasVideo = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
  if (driver == VideoDriver::Offscreen) {
    SDL_ResetHint(SDL_HINT_VIDEODRIVER);
  }
  const char* name = m_hasVideo ? SDL_GetCurrentVideoDriver() : nullptr;
  m_offscreen = name != nullptr && std::strcmp(name, "offscreen") == 0;
  const bool invisible = m_offscreen || (name != nullptr && std::strcmp(name, "dummy") == 0);
  if (driver == VideoDriver::Default && invisible && std::getenv("SDL_VIDEODRIVER") == nullptr) {
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    m_hasVideo = false;
    m_offscreen = false;
  }
}

SdlWindowSystem::~SdlWindowSystem() {
  while (!m_windows.empty()) {
    DestroyWindow(m_windows.begin()->first);
  }
  // Xlib's error handlers nest: ours was installed after SDL's and goes first.
  m_x11.reset();
  // Only what this object started: the sound may still use SDL.
  if (m_hasVideo) {
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
  }
  SDL_QuitSubSystem(SDL_INIT_EVENTS);
}

// ---------------------------------------------------------------------------------------
// 2. Displays and windows

std::vector<DisplayInfo> SdlWindowSystem::ListDisplays() {
  std::vector<DisplayInfo> displays;
  const int count = m_hasVideo ? SDL_GetNumVideoDisplays() : 0;
  for (int i = 0; i < count; ++i) {
    SDL_Rect bounds{};
    if (SDL_GetDisplayBounds(i, &bounds) != 0) {
      continue;
    }
    DisplayInfo info;
    info.device = "DISPLAY" + std::to_string(i + 1);
    const char* name = SDL_GetDisplayName(i);
    info.monitor = name != nullptr ? name : info.device;
    info.bounds = RECT{bounds.x, bounds.y, bounds.x + bounds.w, bounds.y + bounds.h};
    info.primary = i == 0;
    // Cloned outputs show the same picture: a second window there would only hide the first.
    info.mirror = std::any_of(displays.begin(), displays.end(), [&](const DisplayInfo& d) {
      return SameRect(d.bounds, info.bounds);
    });
    displays.push_back(info);
  }
  return displays;
}

HWND SdlWindowSystem::CreateWindow(const WindowParams& params) {
  if (!m_hasVideo) {
    return 0;
  }
  const bool foreign = params.kind == WindowKind::Child || params.kind == WindowKind::Foreign;
  if (foreign && m_x11 == nullptr) {
    return 0;
  }
  std::uint64_t x11Window = 0;
  SDL_Window* window = foreign ? WrapX11Window(params, x11Window) : CreateSdlWindow(params);
  if (window == nullptr) {
    return 0;
  }
  return Register(window, params, x11Window);
}

SDL_Window* SdlWindowSystem::CreateSdlWindow(const WindowParams& params) {
  const int width = params.rect.right - params.rect.left;
  const int height = params.rect.bottom - params.rect.top;
  if (width <= 0 || height <= 0) {
    return nullptr;
  }
  Uint32 flags = SDL_WINDOW_SHOWN;
  if (params.openGL) {
    // Full resolution on displays that scale windows: the device reads the drawable size.
    flags |= SDL_WINDOW_OPENGL | SDL_WINDOW_ALLOW_HIGHDPI;
  }
  if (params.topmost) {
    flags |= SDL_WINDOW_ALWAYS_ON_TOP;
  }
  if (params.kind == WindowKind::Popup) {
    flags |= SDL_WINDOW_BORDERLESS | SDL_WINDOW_ALWAYS_ON_TOP | SDL_WINDOW_SKIP_TASKBAR;
    // Offscreen there is no desktop to fill: the popup keeps the size it was asked for
    // (headless snapshots choose their size).
    if (!m_offscreen) flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
  }
  SDL_Window* window = SDL_CreateWindow(params.title.c_str(), params.rect.left, params.rect.top,
                                        width, height, flags);
  if (window != nullptr && params.owner == 0) {
    // Windows activates a new top-level window; keys must reach it without a click.
    SDL_RaiseWindow(window);
    SDL_SetWindowInputFocus(window);
  }
  return window;
}

SDL_Window* SdlWindowSystem::WrapX11Window(const WindowParams& params,
                                           std::uint64_t& x11Window) {
  x11Window = params.parent;
  if (params.kind == WindowKind::Child) {
    x11Window = m_x11->CreateChild(params.parent);
  } else if (!m_x11->Watch(params.parent, false)) {
    x11Window = 0;
  }
  if (x11Window == 0) {
    return nullptr;
  }
  SDL_SetHint(SDL_HINT_VIDEO_FOREIGN_WINDOW_OPENGL, params.openGL ? "1" : "0");
  SDL_Window* window =
      SDL_CreateWindowFrom(reinterpret_cast<const void*>(static_cast<std::uintptr_t>(x11Window)));
  if (window == nullptr) {
    if (params.kind == WindowKind::Child) {
      m_x11->Destroy(x11Window);
    }
    return nullptr;
  }
  if (params.kind == WindowKind::Foreign) {
    X11Windows::SelectSizeEventsForSdl(window);
  }
  return window;
}

HWND SdlWindowSystem::Register(SDL_Window* window, const WindowParams& params,
                               std::uint64_t x11Window) {
  const HWND hwnd = SDL_GetWindowID(window);
  m_windows[hwnd] = WindowRecord{params.kind, window, x11Window, params.openGL};
  PaintBackground(hwnd);
  if (m_mainWindow == 0) {
    m_mainWindow = hwnd;
  }
  return hwnd;
}

void SdlWindowSystem::DestroyWindow(HWND hwnd) {
  auto found = m_windows.find(hwnd);
  if (found == m_windows.end()) {
    return;
  }
  const WindowRecord record = found->second;
  m_windows.erase(found);
  SDL_DestroyWindow(record.window);
  if (record.kind == WindowKind::Child) {
    m_x11->Destroy(record.x11Window);
  }
  m_timers.KillAll(hwnd);
  std::erase_if(m_queue, [hwnd](const WindowMessage& m) { return m.hwnd == hwnd; });
  m_focused.erase(hwnd);
  if (m_mainWindow == hwnd) {
    m_mainWindow = m_windows.empty() ? 0 : m_windows.begin()->first;
  }
}

bool SdlWindowSystem::GetClientRect(HWND hwnd, RECT& rect) {
  auto found = m_windows.find(hwnd);
  if (found == m_windows.end()) {
    return false;
  }
  int width = 0;
  int height = 0;
  if (found->second.x11Window != 0) {
    // SDL hears nothing from windows it did not create: ask the X server each time.
    if (!m_x11->GetSize(found->second.x11Window, width, height)) {
      return false;
    }
  } else {
    SDL_GetWindowSize(found->second.window, &width, &height);
  }
  rect = RECT{0, 0, width, height};
  return true;
}

bool SdlWindowSystem::GetDrawableSize(HWND hwnd, int& width, int& height) {
  auto found = m_windows.find(hwnd);
  if (found == m_windows.end()) {
    return false;
  }
  if (!found->second.openGL) {
    RECT rect{};
    if (!GetClientRect(hwnd, rect)) {
      return false;
    }
    width = rect.right;
    height = rect.bottom;
    return true;
  }
  // What the device will draw into, from the same source as the device reads it (SDL also
  // follows a wrapped window's size: X11Windows::SelectSizeEventsForSdl).
  SDL_GL_GetDrawableSize(found->second.window, &width, &height);
  return width > 0 && height > 0;
}

bool SdlWindowSystem::ForeignWindowExists(std::uint64_t x11Window) {
  return m_x11 != nullptr && m_x11->Exists(x11Window);
}

// ---------------------------------------------------------------------------------------
// 3. The message queue

bool SdlWindowSystem::PeekMessage(WindowMessage& msg) {
  PumpNativeEvents();
  if (m_signals.TakeRequest()) {
    msg = WindowMessage{m_mainWindow, WM_QM_TERMINATE, 0, 0};
    return true;
  }
  if (!m_queue.empty()) {
    msg = m_queue.front();
    m_queue.pop_front();
    return true;
  }
  if (m_quitPosted) {
    m_quitPosted = false;
    msg = WindowMessage{0, WM_QUIT, static_cast<WPARAM>(m_exitCode), 0};
    return true;
  }
  return m_timers.TakeDue(Clock::now(), msg);
}

bool SdlWindowSystem::GetMessage(WindowMessage& msg) {
  while (!PeekMessage(msg)) {
    const auto limit = std::chrono::ceil<std::chrono::milliseconds>(WaitLimit(Clock::now()));
    const int milliseconds = std::max(1, static_cast<int>(limit.count()));
    if (m_hasVideo) {
      SDL_WaitEventTimeout(nullptr, milliseconds);
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    }
  }
  return msg.message != WM_QUIT;
}

SdlWindowSystem::Clock::duration SdlWindowSystem::WaitLimit(Clock::time_point now) const {
  Clock::duration limit = kSignalPollInterval;
  if (const auto timer = m_timers.UntilNext(now)) {
    limit = std::min(limit, *timer);
  }
  if (m_deactivateAt) {
    limit = std::min(limit, std::max(*m_deactivateAt - now, Clock::duration::zero()));
  }
  return limit;
}

void SdlWindowSystem::PostMessage(const WindowMessage& msg) {
  // Native events that came before the post are queued before it.
  PumpNativeEvents();
  m_queue.push_back(msg);
}

void SdlWindowSystem::PostQuitMessage(int exitCode) {
  m_quitPosted = true;
  m_exitCode = exitCode;
}

void SdlWindowSystem::SetTimer(HWND hwnd, UINT id, UINT milliseconds) {
  m_timers.Set(hwnd, id, milliseconds, Clock::now());
}

void SdlWindowSystem::KillTimer(HWND hwnd, UINT id) { m_timers.Kill(hwnd, id); }

void SdlWindowSystem::Queue(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  // One waiting WM_PAINT repaints everything; closing the last window brings SDL_QUIT
  // on top of the window's own close.
  const bool once = message == WM_PAINT || message == WM_CLOSE;
  if (once && std::any_of(m_queue.begin(), m_queue.end(), [&](const WindowMessage& m) {
        return m.hwnd == hwnd && m.message == message;
      })) {
    return;
  }
  m_queue.push_back(WindowMessage{hwnd, message, wParam, lParam});
}

// ---------------------------------------------------------------------------------------
// 4. Native events

void SdlWindowSystem::PumpNativeEvents() {
  SDL_Event event;
  while (SDL_PollEvent(&event) == 1) {
    TranslateSdlEvent(event);
  }
  TranslateX11Events();
  CheckDeactivation(Clock::now());
}

HWND SdlWindowSystem::WindowOf(std::uint32_t sdlWindowId) const {
  if (sdlWindowId == 0) {
    return m_mainWindow;
  }
  return m_windows.contains(sdlWindowId) ? HWND{sdlWindowId} : 0;
}

void SdlWindowSystem::TranslateSdlEvent(const SDL_Event& event) {
  switch (event.type) {
    case SDL_KEYDOWN:
      if (const HWND hwnd = WindowOf(event.key.windowID)) {
        Queue(hwnd, WM_KEYDOWN, VirtualKeyFromSdl(event.key.keysym),
              1 | (event.key.repeat != 0 ? kKeyRepeatBit : 0));
      }
      break;
    case SDL_MOUSEBUTTONDOWN: {
      const HWND hwnd = WindowOf(event.button.windowID);
      const UINT message = event.button.button == SDL_BUTTON_LEFT    ? WM_LBUTTONDOWN
                           : event.button.button == SDL_BUTTON_RIGHT ? WM_RBUTTONDOWN
                           : event.button.button == SDL_BUTTON_MIDDLE ? WM_MBUTTONDOWN
                                                                       : 0;
      if (hwnd != 0 && message != 0) {
        Queue(hwnd, message, MouseKeys(SDL_GetMouseState(nullptr, nullptr) |
                                       SDL_BUTTON(event.button.button)),
              PackPoint(event.button.x, event.button.y));
      }
      break;
    }
    case SDL_MOUSEMOTION:
      if (const HWND hwnd = WindowOf(event.motion.windowID)) {
        Queue(hwnd, WM_MOUSEMOVE, MouseKeys(event.motion.state),
              PackPoint(event.motion.x, event.motion.y));
      }
      break;
    case SDL_WINDOWEVENT:
      TranslateWindowEvent(event);
      break;
    case SDL_QUIT:
      if (m_mainWindow != 0) {
        Queue(m_mainWindow, WM_CLOSE, 0, 0);
      }
      break;
    default:
      break;
  }
}

void SdlWindowSystem::TranslateWindowEvent(const SDL_Event& event) {
  const HWND hwnd = WindowOf(event.window.windowID);
  if (hwnd == 0) {
    return;
  }
  switch (event.window.event) {
    case SDL_WINDOWEVENT_FOCUS_GAINED:
      TrackFocus(hwnd, true);
      break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
      TrackFocus(hwnd, false);
      break;
    case SDL_WINDOWEVENT_CLOSE:
      Queue(hwnd, WM_CLOSE, 0, 0);
      break;
    case SDL_WINDOWEVENT_EXPOSED:
      PaintBackground(hwnd);
      Queue(hwnd, WM_PAINT, 0, 0);
      break;
    case SDL_WINDOWEVENT_SIZE_CHANGED:
      Queue(hwnd, WM_SIZE, 0, PackPoint(event.window.data1, event.window.data2));
      break;
    default:
      break;
  }
}

void SdlWindowSystem::TranslateX11Events() {
  if (m_x11 == nullptr) {
    return;
  }
  X11Windows::Event event{};
  while (m_x11->NextEvent(event)) {
    for (const auto& [hwnd, record] : m_windows) {
      if (record.x11Window != event.window) {
        continue;
      }
      Queue(hwnd, event.kind == X11Windows::Event::Kind::Exposed ? WM_PAINT : WM_DESTROY, 0, 0);
    }
  }
}

// WM_ACTIVATEAPP speaks of the application, not of one window: focus passing from one of
// our windows to another (the saver's windows on several displays) is no deactivation.
// A loss therefore waits kDeactivationGrace for a gain elsewhere before it is reported.
void SdlWindowSystem::TrackFocus(HWND hwnd, bool gained) {
  if (gained) {
    m_focused.insert(hwnd);
    if (m_deactivateAt) {
      m_deactivateAt.reset();
    } else if (!m_appActive) {
      m_appActive = true;
      Queue(m_mainWindow, WM_ACTIVATEAPP, 1, 0);
    }
    return;
  }
  m_focused.erase(hwnd);
  if (m_focused.empty() && m_appActive && !m_deactivateAt) {
    m_deactivateAt = Clock::now() + kDeactivationGrace;
  }
}

void SdlWindowSystem::CheckDeactivation(Clock::time_point now) {
  if (!m_deactivateAt || now < *m_deactivateAt) {
    return;
  }
  m_deactivateAt.reset();
  m_appActive = false;
  if (m_mainWindow != 0) {
    Queue(m_mainWindow, WM_ACTIVATEAPP, 0, 0);
  }
}

// ---------------------------------------------------------------------------------------
// 5. Showing things

void SdlWindowSystem::HideCursor() {
  if (m_hasVideo) {
    SDL_ShowCursor(SDL_DISABLE);
  }
}

void SdlWindowSystem::MessageBox(HWND owner, std::string_view text, std::string_view caption,
                                 UINT flags) {
  const std::string textZ(text);
  const std::string captionZ(caption);
  if (m_hasVideo && !m_offscreen) {
    auto found = m_windows.find(owner);
    SDL_Window* parent =
        found != m_windows.end() && found->second.x11Window == 0 ? found->second.window : nullptr;
    if (SDL_ShowSimpleMessageBox(MessageBoxKind(flags), captionZ.c_str(), textZ.c_str(),
                                 parent) == 0) {
      return;
    }
  }
  std::fprintf(stderr, "%s: %s\n", captionZ.c_str(), textZ.c_str());
  std::fflush(stderr);
}

void SdlWindowSystem::PaintBackground(HWND hwnd) {
  // The window class's black brush: saver windows without the device stay black.
  auto found = m_windows.find(hwnd);
  if (found == m_windows.end() || found->second.openGL || found->second.kind == WindowKind::Foreign)
    return;
  if (SDL_Surface* surface = SDL_GetWindowSurface(found->second.window)) {
    SDL_FillRect(surface, nullptr, SDL_MapRGB(surface->format, 0, 0, 0));
    SDL_UpdateWindowSurface(found->second.window);
  }
}

void SdlWindowSystem::PaintBitmap(HWND hwnd, const Bitmap24& bitmap) {
  auto found = m_windows.find(hwnd);
  if (found == m_windows.end() || found->second.openGL || bitmap.width <= 0 ||
      bitmap.height <= 0 ||
      bitmap.bgr.size() < static_cast<std::size_t>(bitmap.width) * bitmap.height * 3) {
    return;
  }
  SDL_Surface* target = SDL_GetWindowSurface(found->second.window);
  SDL_Surface* source = SDL_CreateRGBSurfaceWithFormatFrom(
      const_cast<std::uint8_t*>(bitmap.bgr.data()), bitmap.width, bitmap.height, 24,
      bitmap.width * 3, SDL_PIXELFORMAT_BGR24);
  if (target != nullptr && source != nullptr) {
    SDL_Rect place{0, 0, bitmap.width, bitmap.height};
    SDL_BlitSurface(source, nullptr, target, &place);
    SDL_UpdateWindowSurface(found->second.window);
  }
  SDL_FreeSurface(source);
}

}  // namespace qm
