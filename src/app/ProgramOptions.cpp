#include "app/ProgramOptions.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "platform/RegistryFile.h"
#include "shell/SaverSettings.h"

namespace qm {

namespace {

constexpr const char* kUsage =
    "usage: quillmoor [/s | /t | /c[:ID] | /p ID | /a]\n"
    "       quillmoor --snapshot FILE.png [--time SECONDS] [--size WxH] [--seed N]\n"
    "                 [--report FILE.json] [--web FILE] [--save-web FILE]\n"
    "       quillmoor --bench SECONDS [--size WxH] [--seed N]\n"
    "       quillmoor -root | -window-id ID     (inside XScreenSaver)\n"
    "  --report FILE.json  with --snapshot: the scene's state at that time as JSON\n"
    "  --web FILE          start from the web stored in FILE (a web file)\n"
    "  --save-web FILE     write the web to FILE when the run ends (with --snapshot: at the\n"
    "                      snapshot's time)\n"
    "  --log               write Saver_Log.txt / Config_Log.txt in the current folder\n"
    "  --help, --version   this text, the version\n"
    "settings for one run (the settings file is not changed):\n"
    "  -fps | -no-fps                 frame counter\n"
    "  -clock | -no-clock, -24h | -12h  digital clock\n"
    "  -music | -no-music, -volume 1..100\n"
    "  -gamma 10..200                 percent, 100 leaves colours as they are\n"
    "  -max-fps 1..1000               frame rate cap where the display has no vsync\n"
    "  -background 1..5 | -random-background\n"
    "  -rays | -no-rays, -rocking-camera | -no-rocking-camera\n"
    "  -web-start empty | quarter | half\n";

// A flag setting: on and off switch, the registry value they set (2 on, 1 off).
struct FlagOption {
  std::string_view on;
  std::string_view off;
  const char* value;
};
constexpr FlagOption kFlagOptions[] = {
    {"-fps", "-no-fps", "ShowFPS"},
    {"-clock", "-no-clock", "ShowTime"},
    {"-24h", "-12h", "DigClock_24H"},
    {"-music", "-no-music", "Music"},
    {"-rays", "-no-rays", "EnableRays"},
    {"-rocking-camera", "-no-rocking-camera", "RockingCamera"},
    {"-random-background", "-no-random-background", "RondomBackground"},
};

// A number setting with the range the settings dialog allows.
struct NumberOption {
  std::string_view name;
  const char* value;
  long min;
  long max;
};
constexpr NumberOption kNumberOptions[] = {
    {"-volume", "MusicVolume", 1, 100},
    {"-gamma", "GmCntrl", 10, 200},
    {"-max-fps", "MaxFps", 1, 1000},
    {"-background", "Background", 1, 5},
};

constexpr const char* kWebStartNames[] = {"empty", "quarter", "half"};

// A whole decimal number, nothing before or after it.
std::optional<long> ParseInteger(const char* text) {
  if (!text || !*text) return std::nullopt;
  errno = 0;
  char* end = nullptr;
  const long value = std::strtol(text, &end, 10);
  if (errno != 0 || *end != '\0') return std::nullopt;
  return value;
}

// A finite, non-negative number of seconds.
std::optional<double> ParseSeconds(const char* text) {
  if (!text || !*text) return std::nullopt;
  char* end = nullptr;
  const double value = std::strtod(text, &end);
  if (*end != '\0' || !std::isfinite(value) || value < 0) return std::nullopt;
  return value;
}

bool ParseSize(const char* text, int& width, int& height) {
  if (!text) return false;
  const char* x = std::strchr(text, 'x');
  if (!x) return false;
  const std::string w(text, x);
  const auto parsedWidth = ParseInteger(w.c_str());
  const auto parsedHeight = ParseInteger(x + 1);
  if (!parsedWidth || !parsedHeight) return false;
  if (*parsedWidth < 16 || *parsedHeight < 16 || *parsedWidth > 8192 || *parsedHeight > 8192)
    return false;
  width = int(*parsedWidth);
  height = int(*parsedHeight);
  return true;
}

ParseResult Error(std::string text) { return {ParseOutcome::Error, std::move(text)}; }

// The setting switches; true when `arg` was one (with `error` set when its value was bad).
bool TakeSettingOption(std::string_view arg, const char* next, int& i, ProgramOptions& options,
                       std::string& error) {
  auto& overrides = options.settingOverrides;
  for (const FlagOption& flag : kFlagOptions) {
    if (arg == flag.on || arg == flag.off) {
      overrides.emplace_back(flag.value, arg == flag.on ? 2u : 1u);
      return true;
    }
  }
  for (const NumberOption& number : kNumberOptions) {
    if (arg != number.name) continue;
    const auto value = ParseInteger(next);
    if (!value || *value < number.min || *value > number.max) {
      error = std::string(arg) + " needs a whole number from " + std::to_string(number.min) +
              " to " + std::to_string(number.max);
      return true;
    }
    ++i;
    overrides.emplace_back(number.value, std::uint32_t(*value));
    // A chosen background is meant to be seen: the random choice would replace it.
    if (arg == "-background") overrides.emplace_back("RondomBackground", 1u);
    return true;
  }
  if (arg == "-web-start") {
    for (std::uint32_t stage = 0; stage < std::size(kWebStartNames); ++stage) {
      if (next && std::strcmp(next, kWebStartNames[stage]) == 0) {
        ++i;
        overrides.emplace_back("Netting", stage);
        return true;
      }
    }
    error = "-web-start needs empty, quarter or half";
    return true;
  }
  return false;
}

}  // namespace

const char* UsageText() { return kUsage; }

std::optional<std::uint64_t> ParseWindowNumber(const char* text) {
  if (!text || !*text || *text == '-' || *text == '+') return std::nullopt;
  const bool hex = text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  errno = 0;
  char* end = nullptr;
  const std::uint64_t id = std::strtoull(hex ? text + 2 : text, &end, hex ? 16 : 10);
  if (errno != 0 || end == (hex ? text + 2 : text) || *end != '\0' || id == 0) return std::nullopt;
  return id;
}

ParseResult ParseProgramOptions(int argc, const char* const* argv, const char* xscreensaverWindow,
                                ProgramOptions& options) {
  std::vector<const char*> rest{argc > 0 ? argv[0] : "quillmoor"};
  bool help = false;
  bool version = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    const char* next = i + 1 < argc ? argv[i + 1] : nullptr;
    // Options with a value take it here; a missing one is an error.
    auto value = [&]() -> const char* { return next ? argv[++i] : nullptr; };
    std::string settingError;
    if (arg == "--snapshot" || arg == "--report" || arg == "--web" || arg == "--save-web") {
      const char* path = value();
      if (!path || !*path) return Error(std::string(arg) + " needs a file name");
      std::string& target = arg == "--snapshot" ? options.snapshotPath
                            : arg == "--report" ? options.reportPath
                            : arg == "--web"    ? options.webPath
                                                : options.saveWebPath;
      target = path;
    } else if (arg == "--time") {
      const auto seconds = ParseSeconds(value());
      if (!seconds) return Error("--time needs a finite number of seconds, 0 or more");
      options.snapshotSeconds = *seconds;
    } else if (arg == "--bench") {
      const auto seconds = ParseSeconds(value());
      if (!seconds || *seconds <= 0) return Error("--bench needs a finite number of seconds above 0");
      options.benchSeconds = *seconds;
    } else if (arg == "--size") {
      if (!ParseSize(value(), options.launch.width, options.launch.height))
        return Error("--size needs WIDTHxHEIGHT, each from 16 to 8192");
    } else if (arg == "--seed") {
      const char* text = value();
      const auto seed = text && std::strcmp(text, "0") == 0 ? std::optional<std::uint64_t>(0)
                                                             : ParseWindowNumber(text);
      if (!seed || *seed > 0xFFFFFFFFu) return Error("--seed needs a number from 0 to 4294967295");
      options.launch.seedGiven = true;
      options.launch.seed = std::uint32_t(*seed);
    } else if (arg == "--log") {
      options.launch.logEnabled = true;
    } else if (arg == "--help" || arg == "-h") {
      help = true;
    } else if (arg == "--version") {
      version = true;
    } else if (arg == "-root") {
      const auto id = ParseWindowNumber(xscreensaverWindow);
      if (!id) return Error("-root needs XSCREENSAVER_WINDOW set to a window id");
      options.launch.foreignWindow = true;
      options.launch.foreignWindowId = *id;
    } else if (arg == "-window-id") {
      const auto id = ParseWindowNumber(value());
      if (!id) return Error("-window-id needs a window id (decimal or 0x hexadecimal)");
      options.launch.foreignWindow = true;
      options.launch.foreignWindowId = *id;
    } else if (TakeSettingOption(arg, next, i, options, settingError)) {
      if (!settingError.empty()) return Error(settingError);
    } else if (arg.starts_with("--")) {
      return Error("unknown option " + std::string(arg));
    } else {
      rest.push_back(argv[i]);  // a screen-saver switch or its window number
    }
  }
  if (help) return {ParseOutcome::Help, {}};
  if (version) return {ParseOutcome::Version, {}};
  if (!options.reportPath.empty() && options.snapshotPath.empty())
    return Error("--report needs --snapshot");
  const bool headless = !options.snapshotPath.empty() || options.benchSeconds > 0;
  // XScreenSaver may pass its window only in the environment.
  if (!options.launch.foreignWindow && rest.size() == 1 && !headless) {
    if (const auto id = ParseWindowNumber(xscreensaverWindow)) {
      options.launch.foreignWindow = true;
      options.launch.foreignWindowId = *id;
    }
  }
  options.launch.headless = headless;
  options.launch.simulatedTime = !options.snapshotPath.empty();
  options.launch.runSeconds =
      options.snapshotPath.empty() ? options.benchSeconds : options.snapshotSeconds;
  if (headless) rest.assign({rest.front(), "/s"});
  options.launch.commandLine = JoinCommandLine(int(rest.size()), rest.data());
  return {};
}

void ApplySettingOverrides(const ProgramOptions& options, RegistryFile& registry) {
  for (const auto& [name, value] : options.settingOverrides)
    registry.SetDword(kSettingsKey, name, value);
}

}  // namespace qm
