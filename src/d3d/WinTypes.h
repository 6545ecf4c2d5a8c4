// WinTypes: the Windows scalar types, result codes and handles that the saver's design uses.
//
// The saver keeps the names of the Windows and Direct3D 8 interfaces it was designed
// against; this header gives those names their Linux meaning. Handles are plain integers
// (an X11 window id fits), result codes are HRESULT-style 32-bit values.
#pragma once

#include <cstdint>

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = std::uint32_t;
using INT = std::int32_t;
using LONG = std::int32_t;
using ULONG = std::uint32_t;
using BOOL = std::int32_t;
using FLOAT = float;
using HRESULT = std::int32_t;
using LRESULT = std::intptr_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using HWND = std::uintptr_t;      // 0 = no window
using HINSTANCE = std::uintptr_t;
using HMODULE = std::uintptr_t;
using D3DCOLOR = DWORD;           // A, R, G, B from the top byte down

constexpr BOOL TRUE = 1;
constexpr BOOL FALSE = 0;

constexpr HRESULT MakeResult(DWORD code) { return static_cast<HRESULT>(code); }

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_FAIL = MakeResult(0x80004005u);
constexpr HRESULT E_INVALIDARG = MakeResult(0x80070057u);
constexpr HRESULT E_OUTOFMEMORY = MakeResult(0x8007000Eu);
constexpr HRESULT E_NOTIMPL = MakeResult(0x80004001u);

constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
constexpr bool FAILED(HRESULT hr) { return hr < 0; }

// A rectangle in pixels: right and bottom lie one past the last pixel.
struct RECT {
  LONG left, top, right, bottom;
};

struct POINT {
  LONG x, y;
};

// A 64-bit integer that can also be read as two 32-bit halves, as Windows declares it.
union LARGE_INTEGER {
  struct {
    DWORD LowPart;
    LONG HighPart;
  } u;
  std::int64_t QuadPart;
};

// A 128-bit identifier in the field layout of the Windows GUID.
struct GUID {
  DWORD Data1;
  WORD Data2;
  WORD Data3;
  BYTE Data4[8];
};
