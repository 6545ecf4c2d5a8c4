// Entry point of the saver program.
//
// Reads the Linux-only options (snapshots, benchmarks, the run log, XScreenSaver's
// window), builds the platform services, and hands the rest of the command line to the
// application object as the screen-saver switches (/s, /c, /p ID, /t, /a).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "app/HeadlessRun.h"
#include "graphics/FrameTimer.h"
#include "graphics/TextureTable.h"
#include "platform/Clock.h"
#include "platform/RegistryFile.h"
#include "platform/SdlWindowSystem.h"
#include "shell/MessageBox.h"
#include "scene/ForestSaver.h"
#include "shell/SaverApp.h"

namespace {

// The application object of this process, constructed before main as the design wants.
qm::ForestSaver g_theApp;

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
    "  --help              this text\n";

// What the Linux options asked for.
struct Options {
  qm::LaunchOptions launch;
  std::string snapshotPath;
  std::string reportPath;
  std::string webPath;
  std::string saveWebPath;
  bool help = false;
  double benchSeconds = 0.0;
  double snapshotSeconds = 3.0;
  bool seedGiven = false;
  std::uint32_t seed = 0;
};

bool ParseSize(const char* text, int& width, int& height) {
  return text && std::sscanf(text, "%dx%d", &width, &height) == 2 && width >= 16 && height >= 16 &&
         width <= 8192 && height <= 8192;
}

bool ParseWindowId(const char* text, std::uint64_t& id) {
  if (!text || !*text) return false;
  char* end = nullptr;
  id = std::strtoull(text, &end, 0);  // decimal or 0x hexadecimal
  return end && *end == '\0' && id != 0;
}

// Splits argv into Linux options and the Windows-style switches; false on a bad option.
bool ParseArguments(int argc, char** argv, Options& options) {
  std::vector<const char*> rest{argv[0]};
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
    if (arg == "--snapshot") {
      const char* path = value();
      if (!path) return false;
      options.snapshotPath = path;
    } else if (arg == "--report") {
      const char* path = value();
      if (!path) return false;
      options.reportPath = path;
    } else if (arg == "--web" || arg == "--save-web") {
      const char* path = value();
      if (!path) return false;
      (arg == "--web" ? options.webPath : options.saveWebPath) = path;
    } else if (arg == "--time") {
      const char* v = value();
      if (!v || (options.snapshotSeconds = std::atof(v)) < 0) return false;
    } else if (arg == "--size") {
      if (!ParseSize(value(), options.launch.width, options.launch.height)) return false;
    } else if (arg == "--seed") {
      const char* v = value();
      if (!v) return false;
      options.seed = std::uint32_t(std::strtoul(v, nullptr, 0));
      options.seedGiven = true;
    } else if (arg == "--bench") {
      const char* v = value();
      if (!v || (options.benchSeconds = std::atof(v)) <= 0) return false;
    } else if (arg == "--log") {
      options.launch.logEnabled = true;
    } else if (arg == "-root") {
      const char* env = std::getenv("XSCREENSAVER_WINDOW");
      options.launch.foreignWindow = true;
      if (!ParseWindowId(env, options.launch.foreignWindowId)) {
        std::fprintf(stderr, "quillmoor: -root needs XSCREENSAVER_WINDOW\n");
        return false;
      }
    } else if (arg == "-window-id") {
      options.launch.foreignWindow = true;
      if (!ParseWindowId(value(), options.launch.foreignWindowId)) return false;
    } else if (arg == "--help" || arg == "-h") {
      options.help = true;
      return true;
    } else {
      rest.push_back(argv[i]);
    }
  }
  // XScreenSaver may pass its window only in the environment.
  if (!options.launch.foreignWindow && rest.size() == 1 && options.snapshotPath.empty() &&
      options.benchSeconds == 0) {
    std::uint64_t id = 0;
    if (ParseWindowId(std::getenv("XSCREENSAVER_WINDOW"), id)) {
      options.launch.foreignWindow = true;
      options.launch.foreignWindowId = id;
    }
  }
  const bool headless = !options.snapshotPath.empty() || options.benchSeconds > 0;
  options.launch.headless = headless;
  options.launch.simulatedTime = !options.snapshotPath.empty();
  options.launch.runSeconds = options.snapshotPath.empty() ? options.benchSeconds
                                                            : options.snapshotSeconds;
  if (headless) rest.assign({argv[0], "/s"});
  options.launch.commandLine = qm::JoinCommandLine(int(rest.size()), rest.data());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseArguments(argc, argv, options)) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  if (options.help) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (!options.reportPath.empty() && options.snapshotPath.empty()) {
    std::fputs("quillmoor: --report needs --snapshot\n", stderr);
    std::fputs(kUsage, stderr);
    return 2;
  }
  const bool headless = options.launch.headless;
  auto windows = std::make_unique<qm::SdlWindowSystem>(
      headless ? qm::SdlWindowSystem::VideoDriver::Offscreen
               : qm::SdlWindowSystem::VideoDriver::Default);
  qm::WindowSystem* windowSystem = windows.get();
  qm::SetMessageBoxSink([windowSystem](HWND owner, std::string_view text,
                                       std::string_view caption, UINT flags) {
    windowSystem->MessageBox(owner, text, caption, flags);
  });

  qm::RegistryFile registry(qm::RegistryFile::DefaultPath());
  registry.Load();  // an unreadable file reads as no values: the defaults apply

  qm::SimulatedClock simulated;
  std::unique_ptr<qm::SnapshotRun> snapshot;
  std::unique_ptr<qm::BenchmarkRun> bench;
  if (!options.snapshotPath.empty()) {
    qm::SetClock(&simulated);
    snapshot = std::make_unique<qm::SnapshotRun>(simulated, options.snapshotSeconds,
                                                 options.snapshotPath);
    snapshot->SetReportPath(options.reportPath);
    g_theApp.SetRunObserver(snapshot.get());
  } else if (options.benchSeconds > 0) {
    bench = std::make_unique<qm::BenchmarkRun>(options.benchSeconds);
    g_theApp.SetRunObserver(bench.get());
  }
  options.launch.seedGiven = options.seedGiven;
  options.launch.seed = options.seed;

  g_theApp.SetWebFiles(options.webPath, options.saveWebPath);
  g_theApp.SetServices(windowSystem, &registry, options.launch);
  const int dialogStatus = g_theApp.WinMain(0);
  // A run closed without EndRun (the test window closed, the preview's parent gone) still
  // hands its scene and device back while the window system they live in exists.
  qm::TextureTable::Instance().ReleaseAll();
  g_theApp.ReleaseScene();
  g_theApp.ReleaseDisplayDevice();

  int status = dialogStatus;
  if (snapshot && !snapshot->Written()) {
    std::fprintf(stderr, "quillmoor: no snapshot was written\n");
    status = 1;
  } else if (snapshot && !options.reportPath.empty() && !snapshot->ReportWritten()) {
    status = 1;
  } else if (g_theApp.WebStoreFailed()) {
    std::fprintf(stderr, "quillmoor: the web could not be written\n");
    status = 1;
  }
  if (bench) bench->Report(options.launch.width, options.launch.height);
  qm::SetMessageBoxSink(nullptr);
  qm::SetClock(nullptr);
  return status;
}
