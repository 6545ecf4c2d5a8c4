// ProgramOptions: the command line of the saver program, read before anything starts.
//
// main() hands argv here. The Linux options (--snapshot, --bench, --report, --log, --help,
// --version ...), XScreenSaver's (-root, -window-id ID, -fps) and the per-run settings that
// XScreenSaver's settings program passes (-no-rays, -background 3, -max-fps 30 ...) are
// taken out; what remains is the Windows-style switch text for SaverApp (/s, /c, /p ID ...).
// An unknown "--" option, a missing value or a value that is not a sound number is an
// error with a one-line reason, so that a misspelling never starts the full-screen saver.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "shell/SaverApp.h"

namespace qm {

class RegistryFile;

// Everything the command line asked for.
struct ProgramOptions {
  LaunchOptions launch;
  std::string snapshotPath;
  std::string reportPath;
  std::string webPath;      // --web: start from this web file
  std::string saveWebPath;  // --save-web: write the web here when the run ends
  double snapshotSeconds = 3.0;
  double benchSeconds = 0.0;
  // Settings for this run only, as registry values of the saver's key (never saved).
  std::vector<std::pair<std::string, std::uint32_t>> settingOverrides;
};

// What main does after parsing.
enum class ParseOutcome {
  Run,      // start the saver (or the headless run)
  Help,     // print the usage on standard output, exit 0
  Version,  // print the version, exit 0
  Error,    // print the reason and the usage on standard error, exit 2
};

struct ParseResult {
  ParseOutcome outcome = ParseOutcome::Run;
  std::string error;  // why, for ParseOutcome::Error
};

// Reads argv; `xscreensaverWindow` is the value of $XSCREENSAVER_WINDOW (or null).
ParseResult ParseProgramOptions(int argc, const char* const* argv, const char* xscreensaverWindow,
                                ProgramOptions& options);

// A window id as XScreenSaver and xwininfo print it: decimal or 0x hexadecimal, never 0.
std::optional<std::uint64_t> ParseWindowNumber(const char* text);

// Puts the per-run settings into the loaded settings (in memory only).
void ApplySettingOverrides(const ProgramOptions& options, RegistryFile& registry);

// The usage text, for --help and after an error.
const char* UsageText();

}  // namespace qm
