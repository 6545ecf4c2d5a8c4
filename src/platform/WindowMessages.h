// WindowMessages: the message set that the saver's window procedure understands.
//
// The platform layer translates its native events (SDL events, timers, signals) into these
// messages with the values and parameters the saver's message handling was written for;
// the shell never sees a native event.
#pragma once

#include "d3d/WinTypes.h"

constexpr UINT WM_CREATE = 0x0001;
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_SIZE = 0x0005;          // lParam = width | height << 16 (client pixels)
constexpr UINT WM_PAINT = 0x000F;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_QUIT = 0x0012;
constexpr UINT WM_ACTIVATEAPP = 0x001C;   // wParam 1 = activated, 0 = deactivated
constexpr UINT WM_SETCURSOR = 0x0020;
constexpr UINT WM_KEYDOWN = 0x0100;       // wParam = key code
constexpr UINT WM_TIMER = 0x0113;         // wParam = timer id
constexpr UINT WM_SYSCOMMAND = 0x0112;    // wParam = SC_* command
constexpr UINT WM_MOUSEMOVE = 0x0200;     // lParam = x | y << 16 (client pixels)
constexpr UINT WM_LBUTTONDOWN = 0x0201;
constexpr UINT WM_RBUTTONDOWN = 0x0204;
constexpr UINT WM_MBUTTONDOWN = 0x0207;
constexpr UINT WM_POWERBROADCAST = 0x0218;  // wParam = PBT_* event
constexpr UINT WM_USER = 0x0400;
// Not a Windows message: the process was asked to end (SIGTERM, SIGINT, SIGHUP).
constexpr UINT WM_QM_TERMINATE = 0x8001;

constexpr WPARAM SC_CLOSE = 0xF060;
constexpr WPARAM SC_NEXTWINDOW = 0xF040;
constexpr WPARAM SC_PREVWINDOW = 0xF050;
constexpr WPARAM SC_SCREENSAVE = 0xF140;
constexpr WPARAM PBT_APMSUSPEND = 4;

// Message-box flags, as the saver passes them.
constexpr UINT MB_OK = 0x00000000;
constexpr UINT MB_ICONERROR = 0x00000010;
constexpr UINT MB_ICONWARNING = 0x00000030;

namespace qm {

// One queued message, as GetMessage/PeekMessage hand it out.
struct WindowMessage {
  HWND hwnd = 0;
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
};

}  // namespace qm
