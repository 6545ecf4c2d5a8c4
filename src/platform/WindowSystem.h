// WindowSystem: windows, the message queue, timers, displays and message boxes.
//
// The shell (SaverApp) drives its windows only through this interface, so that its message
// handling runs in tests against a scripted fake. SdlWindowSystem is the real one (SDL2 on
// X11, or SDL's offscreen driver for headless snapshots). Window handles are SDL window ids
// for windows this process creates; a parent given on the command line is an X11 window id.
// Messages reach the shell through PeekMessage/GetMessage; timers arrive as WM_TIMER.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/WindowMessages.h"

namespace qm {

// One display of the desktop, in virtual-screen pixels.
struct DisplayInfo {
  std::string device;   // adapter description
  std::string monitor;  // monitor description
  RECT bounds{};
  bool primary = false;
  bool mirror = false;  // a mirroring pseudo-display (skipped by the monitor list)
};

// What kind of window CreateWindow makes.
enum class WindowKind {
  TopLevel,  // captioned test window: rect is the client area
  Popup,     // borderless, topmost, full-screen on one display
  Child,     // child of the X11 window `parent` (the preview), filling its client area
  Foreign,   // draw into the existing X11 window `parent` (XScreenSaver); nothing is created
};

// Everything CreateWindow needs.
struct WindowParams {
  WindowKind kind = WindowKind::TopLevel;
  std::string title;
  RECT rect{};          // client rectangle (ignored for Child and Foreign)
  bool topmost = false;
  HWND owner = 0;       // an earlier window of this process, or 0
  std::uint64_t parent = 0;  // X11 window id for Child and Foreign
  bool openGL = false;  // the window will receive the OpenGL device
};

// A 24-bit picture held as rows of B, G, R bytes, top row first (a decoded BMP resource).
struct Bitmap24 {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> bgr;  // width * height * 3 bytes
};

class WindowSystem {
 public:
  virtual ~WindowSystem() = default;

  // Displays of the desktop in the platform's order; the primary one is flagged.
  virtual std::vector<DisplayInfo> ListDisplays() = 0;
  // Creates a window; 0 on failure. WM_CREATE is not queued: the caller handles creation.
  virtual HWND CreateWindow(const WindowParams& params) = 0;
  virtual void DestroyWindow(HWND hwnd) = 0;
  virtual bool GetClientRect(HWND hwnd, RECT& rect) = 0;
  // The size in pixels of what OpenGL draws into: larger than the client area on a HiDPI
  // display that counts windows in points. The viewport and back buffer take this size.
  virtual bool GetDrawableSize(HWND hwnd, int& width, int& height) {
    RECT rect{};
    if (!GetClientRect(hwnd, rect)) return false;
    width = rect.right - rect.left;
    height = rect.bottom - rect.top;
    return true;
  }
  // True when an X11 window with this id exists (the preview's parent is checked first).
  virtual bool ForeignWindowExists(std::uint64_t x11Window) = 0;

  // Takes the next message without waiting; false when none waits. Due timers, native
  // events and posted messages all come through here.
  virtual bool PeekMessage(WindowMessage& msg) = 0;
  // Waits for the next message; false when it is WM_QUIT.
  virtual bool GetMessage(WindowMessage& msg) = 0;
  virtual void PostMessage(const WindowMessage& msg) = 0;
  virtual void PostQuitMessage(int exitCode) = 0;
  virtual void SetTimer(HWND hwnd, UINT id, UINT milliseconds) = 0;
  virtual void KillTimer(HWND hwnd, UINT id) = 0;

  virtual void HideCursor() = 0;
  // Shows text (UTF-8) to the user and waits for OK; on standard error without a display.
  virtual void MessageBox(HWND owner, std::string_view text, std::string_view caption,
                          UINT flags) = 0;
  // Blits a picture at (0, 0) of the window in its natural size (the preview).
  virtual void PaintBitmap(HWND hwnd, const Bitmap24& bitmap) = 0;
};

}  // namespace qm
