// VirtualKeys: the Windows virtual-key code for an SDL key, the wParam of WM_KEYDOWN.
//
// SdlWindowSystem fills WM_KEYDOWN with these codes so that the saver's key handling reads
// as it was written. Letters and digits follow the key's position (a US layout), so a
// non-Latin layout still gives 'A'..'Z'; a key without a Windows code gives kUnknownKey,
// which still counts as a key press.
#pragma once

#include <SDL_keyboard.h>

#include "d3d/WinTypes.h"

namespace qm {

// The code Windows reports for a key it cannot name.
constexpr WPARAM kUnknownKey = 0xFF;

WPARAM VirtualKeyFromSdl(const SDL_Keysym& key);

}  // namespace qm
