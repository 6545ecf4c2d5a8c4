// Entry point of the saver program.
//
// Reads the options (ProgramOptions: snapshots, benchmarks, the run log, XScreenSaver's
// window and per-run settings), builds the platform services, and hands the rest of the
// command line to the application object as the screen-saver switches (/s, /c, /p ID, /t, /a).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "app/HeadlessRun.h"
#include "app/ProgramOptions.h"
#include "graphics/FrameTimer.h"
#include "graphics/TextureTable.h"
#include "platform/Clock.h"
#include "platform/RegistryFile.h"
#include "platform/SdlWindowSystem.h"
#include "scene/ForestSaver.h"
#include "shell/CommandLine.h"
#include "shell/MessageBox.h"
#include "shell/SaverApp.h"

namespace {

// The application object of this process, constructed before main as the design wants.
qm::ForestSaver g_theApp;

// Mode, test window and preview draw on a display; without one they would end silently.
bool NeedsDisplay(const qm::ProgramOptions& options) {
  if (options.launch.headless) return false;
  if (options.launch.foreignWindow) return true;
  const qm::SaverMode mode = qm::ParseCommandLine(options.launch.commandLine).mode;
  return mode == qm::Saver || mode == qm::SaverMode::Test || mode == qm::Preview;
}

void ReportNoDisplay() {
  const char* display = std::getenv("DISPLAY");
  if (display == nullptr || *display == '\0') {
    std::fputs("quillmoor: no display was found (DISPLAY is not set); "
               "--snapshot FILE.png draws without one\n", stderr);
  } else {
    std::fprintf(stderr, "quillmoor: no display was found (cannot open DISPLAY=%s)\n", display);
  }
}

}  // namespace

int main(int argc, char** argv) {
  qm::ProgramOptions options;
  const qm::ParseResult parsed =
      qm::ParseProgramOptions(argc, argv, std::getenv("XSCREENSAVER_WINDOW"), options);
  switch (parsed.outcome) {
    case qm::ParseOutcome::Help:
      std::fputs(qm::UsageText(), stdout);
      return 0;
    case qm::ParseOutcome::Version:
      std::printf("quillmoor %s\n", QM_VERSION);
      return 0;
    case qm::ParseOutcome::Error:
      std::fprintf(stderr, "quillmoor: %s\n", parsed.error.c_str());
      std::fputs(qm::UsageText(), stderr);
      return 2;
    case qm::ParseOutcome::Run:
      break;
  }
  const bool headless = options.launch.headless;
  auto windows = std::make_unique<qm::SdlWindowSystem>(
      headless ? qm::SdlWindowSystem::VideoDriver::Offscreen
               : qm::SdlWindowSystem::VideoDriver::Default);
  if (NeedsDisplay(options) && !windows->HasVideo()) {
    ReportNoDisplay();
    return 1;
  }
  qm::WindowSystem* windowSystem = windows.get();
  qm::SetMessageBoxSink([windowSystem](HWND owner, std::string_view text,
                                       std::string_view caption, UINT flags) {
    windowSystem->MessageBox(owner, text, caption, flags);
  });


  qm::RegistryFile registry(qm::RegistryFile::DefaultPath());
  if (!registry.Load()) {  // an unreadable file reads as no values: the defaults apply
    std::fprintf(stderr, "quillmoor: cannot read %s; the defaults apply\n",
                 registry.Path().c_str());
  }
  // The dialog saves what it shows: the per-run switches must never reach it.
  const bool configMode = !options.launch.foreignWindow && !headless &&
                          qm::ParseCommandLine(options.launch.commandLine).mode == qm::Config;
  if (!configMode) qm::ApplySettingOverrides(options, registry);

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
  g_theApp.SetWebFiles(options.webPath, options.saveWebPath);
  g_theApp.SetServices(windowSystem, &registry, options.launch);
  const int dialogStatus = g_theApp.WinMain(0);
  // A run closed without EndRun (the test window closed, the preview's parent gone) still
  // hands its scene and device back while the window system they live in exists.
  qm::TextureTable::Instance().ReleaseAll();
  g_theApp.ReleaseScene();
  g_theApp.ReleaseDisplayDevice();

  int status = dialogStatus;
  if (!g_theApp.m_bCanRun && !g_theApp.NotRunReason().empty() &&
      (headless || options.launch.foreignWindow)) {
    std::fprintf(stderr, "quillmoor: %s\n", g_theApp.NotRunReason().c_str());
  }
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
