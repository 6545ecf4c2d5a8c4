// CommandLine: the screen-saver switches, read from the command-line text.
//
// The text is the whole command line as one string, program name first (Linux callers
// join argv, quoting the program name when it holds blanks). The first '/' or '-' selects
// the mode by the letter after it; /a, /c and /p may carry a window number.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qm {

enum SaverMode : std::int32_t {
  Config = 0,
  Preview = 1,
  Saver = 2,
  Test = 3,
  ChangePassword = 4,
};

// The chosen mode and the window number after the switch (0 when none).
struct CommandLineChoice {
  SaverMode mode = Config;
  std::uint64_t parentWindow = 0;
};

CommandLineChoice ParseCommandLine(std::string_view text);

// Joins argv as a Windows command line: the program name quoted when it holds a blank.
std::string JoinCommandLine(int argc, const char* const* argv);

}  // namespace qm
