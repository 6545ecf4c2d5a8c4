// MessageBox: how the saver shows errors and warnings to the user.
//
// MessageBoxA keeps the saver's own call form; its texts are single-byte Windows-1251
// (the design's texts include Russian ones) and are converted to UTF-8 before they reach
// the installed sink. The application installs its WindowSystem as the sink; tests install
// a recorder; with no sink the text goes to standard error.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "d3d/WinTypes.h"
#include "platform/WindowMessages.h"

namespace qm {

// Receives owner, UTF-8 text, UTF-8 caption and the MB_* flags.
using MessageBoxSink =
    std::function<void(HWND owner, std::string_view text, std::string_view caption, UINT flags)>;

void SetMessageBoxSink(MessageBoxSink sink);

// Windows-1251 bytes to UTF-8 (ASCII passes unchanged).
std::string Cp1251ToUtf8(std::string_view text);

}  // namespace qm

int MessageBoxA(HWND owner, const char* text, const char* caption, UINT flags);
