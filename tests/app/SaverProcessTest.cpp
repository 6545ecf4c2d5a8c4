// The saver program as a user runs it: real processes on the X display (xvfb-run in the
// test script), windows found by their title, keys typed with xdotool.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "platform/InstanceLock.h"
#include "platform/RegistryFile.h"
#include "shell/SaverSettings.h"
#include "support/DisplayTurn.h"

extern char** environ;

namespace qm {
namespace {

using namespace std::chrono_literals;

const char* const kProgram = QM_BINARY_DIR "/src/app/quillmoor";
constexpr const char* kTitle = "D3D QUILLMOOR3D";

// One saver process with its own settings and lock folders.
class SaverProcess {
 public:
  // `environment` replaces variables of this process (an entry "NAME" alone removes one).
  // Standard output and error go to the file "output.txt" in `home`.
  SaverProcess(const std::filesystem::path& home, std::vector<std::string> args,
               const std::vector<std::string>& environment = {}) {
    std::vector<std::string> env;
    auto replaced = [&](const std::string& entry) {
      for (const std::string& change : environment) {
        const std::string name = change.substr(0, change.find('='));
        if (entry.rfind(name + "=", 0) == 0) return true;
      }
      return false;
    };
    for (char** e = environ; *e; ++e) {
      const std::string entry = *e;
      if (entry.rfind("XDG_", 0) != 0 && entry.rfind("HOME=", 0) != 0 && !replaced(entry))
        env.push_back(entry);
    }
    for (const std::string& change : environment)
      if (change.find('=') != std::string::npos) env.push_back(change);
    env.push_back("HOME=" + home.string());
    env.push_back("XDG_CONFIG_HOME=" + (home / "config").string());
    env.push_back("XDG_RUNTIME_DIR=" + home.string());
    args.insert(args.begin(), kProgram);
    std::vector<char*> argv, envp;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, home.c_str());
    const std::string output = (home / "output.txt").string();
    posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    if (posix_spawn(&m_pid, kProgram, &actions, nullptr, argv.data(), envp.data()) != 0) m_pid = -1;
    posix_spawn_file_actions_destroy(&actions);
  }
  ~SaverProcess() {
    if (m_pid > 0 && !m_exited) {
      kill(m_pid, SIGKILL);
      waitpid(m_pid, nullptr, 0);
    }
  }
  // Waits for the process to end; its exit status, or -1 when it was still running.
  int WaitExit(std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
      int status = 0;
      if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
        m_exited = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      }
      std::this_thread::sleep_for(20ms);
    }
    return -1;
  }
  void Signal(int number) { kill(m_pid, number); }
  bool Started() const { return m_pid > 0; }

 private:
  pid_t m_pid = -1;
  bool m_exited = false;
};

// Top-level windows titled kTitle, with their sizes.
std::vector<std::pair<Window, XWindowAttributes>> SaverWindows(Display* display) {
  std::vector<std::pair<Window, XWindowAttributes>> found;
  std::function<void(Window)> walk = [&](Window window) {
    char* name = nullptr;
    if (XFetchName(display, window, &name) && name) {
      XWindowAttributes attributes{};
      XGetWindowAttributes(display, window, &attributes);
      if (std::string(name) == kTitle && attributes.map_state == IsViewable)
        found.emplace_back(window, attributes);
      XFree(name);
    }
    Window root, parent, *children = nullptr;
    unsigned count = 0;
    if (XQueryTree(display, window, &root, &parent, &children, &count)) {
      for (unsigned i = 0; i < count; ++i) walk(children[i]);
      if (children) XFree(children);
    }
  };
  walk(DefaultRootWindow(display));
  return found;
}

class SaverProcessTest : public ::testing::Test {
 protected:
  std::filesystem::path home = std::filesystem::temp_directory_path() /
                               ("qm-process-" + std::to_string(getpid()));
  Display* display = nullptr;
  std::unique_ptr<testing::DisplayTurn> turn;

  void SetUp() override {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no X display";
    turn = std::make_unique<testing::DisplayTurn>();
    // A busy server can refuse a connection for a moment while the last test's go away.
    for (int i = 0; i < 50 && !display; ++i) {
      display = XOpenDisplay(nullptr);
      if (!display) std::this_thread::sleep_for(100ms);
    }
    ASSERT_NE(display, nullptr);
    // Windows of the saver come and go while the tree is walked: ignore BadWindow.
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    std::filesystem::create_directories(home);
  }
  void TearDown() override {
    if (display) XCloseDisplay(display);
    turn.reset();
    std::filesystem::remove_all(home);
  }
  // Waits until `count` saver windows are on the screen.
  std::vector<std::pair<Window, XWindowAttributes>> WaitForWindows(std::size_t count) {
    for (int i = 0; i < 250; ++i) {
      auto windows = SaverWindows(display);
      if (windows.size() >= count) return windows;
      std::this_thread::sleep_for(40ms);
    }
    return SaverWindows(display);
  }
  static int Type(const char* key) {
    return std::system((std::string("xdotool key ") + key + " >/dev/null 2>&1").c_str());
  }
  std::string ReadLog(const char* name = "Saver_Log.txt") {
    std::ifstream in(home / name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  std::string Output() { return ReadLog("output.txt"); }
  // A plain mapped X window, as a screen saver daemon gives one to a saver.
  Window GivenWindow(int x, int y, int width, int height) {
    const Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), x, y,
                                              unsigned(width), unsigned(height), 0, 0, 0);
    XMapWindow(display, window);
    XSync(display, False);
    return window;
  }
  // The share of pixels of a window's area that are not black.
  double LitShare(Window window, int x, int y, int width, int height) {
    XImage* image = XGetImage(display, window, x, y, unsigned(width), unsigned(height), AllPlanes, ZPixmap);
    if (!image) return 0;
    int lit = 0;
    for (int yy = 0; yy < height; ++yy)
      for (int xx = 0; xx < width; ++xx) lit += (XGetPixel(image, xx, yy) & 0xFFFFFF) > 0x101010;
    XDestroyImage(image);
    return double(lit) / (double(width) * height);
  }
  // Waits until the area is mostly drawn.
  bool WaitUntilLit(Window window, int x, int y, int width, int height) {
    for (int i = 0; i < 300; ++i) {
      if (LitShare(window, x, y, width, height) > 0.6) return true;
      std::this_thread::sleep_for(100ms);
    }
    return false;
  }
};

TEST_F(SaverProcessTest, TestWindowKeepsRunningOnKeysAndEndsInOrderOnSigterm) {
  SaverProcess saver(home, {"/t", "--log"});
  ASSERT_TRUE(saver.Started());
  auto windows = WaitForWindows(1);
  ASSERT_EQ(windows.size(), 1u);
  EXPECT_EQ(windows[0].second.width, 600);
  EXPECT_EQ(windows[0].second.height, 400);
  std::this_thread::sleep_for(500ms);
  Type("a");
  Type("Escape");
  EXPECT_EQ(saver.WaitExit(700ms), -1) << "a key must not end the test window";
  saver.Signal(SIGTERM);
  EXPECT_EQ(saver.WaitExit(10s), 0);
  const std::string log = ReadLog();
  EXPECT_EQ(log.rfind("Log started\r\n\r\n", 0), 0u) << log;
  EXPECT_NE(log.find("Create Saver Window complete"), std::string::npos);
  EXPECT_NE(log.find("All Data Was Loaded."), std::string::npos);
  EXPECT_NE(log.find("\r\n\r\nLog finished\r\n"), std::string::npos) << "EndRun closes the log";
}

TEST_F(SaverProcessTest, SaverCoversTheScreenEndsOnAKeyAndRefusesASecondInstance) {
  SaverProcess saver(home, {"/s"});
  auto windows = WaitForWindows(1);
  ASSERT_EQ(windows.size(), 1u);  // Xvfb has one display
  EXPECT_EQ(windows[0].second.width, DisplayWidth(display, DefaultScreen(display)));
  EXPECT_EQ(windows[0].second.height, DisplayHeight(display, DefaultScreen(display)));

  SaverProcess second(home, {"/s"});
  EXPECT_EQ(second.WaitExit(5s), 0) << "a second instance ends at once";
  EXPECT_EQ(SaverWindows(display).size(), 1u);

  std::this_thread::sleep_for(300ms);
  Type("space");
  EXPECT_EQ(saver.WaitExit(10s), 0);
  EXPECT_TRUE(SaverWindows(display).empty());
  EXPECT_FALSE(std::filesystem::exists(home / "Saver_Log.txt")) << "the log is off as shipped";
}

TEST_F(SaverProcessTest, PasswordChangeAndAMissingPreviewParentEndAtOnce) {
  SaverProcess change(home, {"/a", "1234"});
  EXPECT_EQ(change.WaitExit(5s), 0);
  SaverProcess preview(home, {"/p", "123456789"});
  EXPECT_EQ(preview.WaitExit(5s), 0);
  EXPECT_TRUE(SaverWindows(display).empty());
}

TEST_F(SaverProcessTest, SettingsWrittenByOneProcessAreReadByTheNext) {
  const std::filesystem::path file = home / "config" / "quillmoor" / "settings.reg";
  const pid_t writer = fork();
  if (writer == 0) {
    RegistryFile registry(file);
    registry.Load();
    SaverSettings settings = BaseDefaults();
    settings.m_bShowFPS = 1;
    settings.m_iMusicVolume = 33;
    WriteSettings(registry, settings);
    _exit(registry.Save() ? 0 : 1);
  }
  int status = 0;
  waitpid(writer, &status, 0);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  RegistryFile registry(file);
  ASSERT_TRUE(registry.Load());
  SaverSettings read = BaseDefaults();
  ReadSettings(registry, read);
  EXPECT_EQ(read.m_bShowFPS, 1);
  EXPECT_EQ(read.m_iMusicVolume, 33);

  // The saver itself reads that file: with the counter on, a run still starts and ends.
  SaverProcess saver(home, {"/t"});
  ASSERT_EQ(WaitForWindows(1).size(), 1u);
  saver.Signal(SIGTERM);
  // The signal is taken once the scene has loaded, which takes long on a loaded machine.
  EXPECT_EQ(saver.WaitExit(60s), 0);
}

TEST_F(SaverProcessTest, HeadlessSnapshotHasTheRequestedSize) {
  SaverProcess snapshot(home, {"--snapshot", "shot.png", "--size", "320x240", "--time", "0.5"});
  ASSERT_EQ(snapshot.WaitExit(60s), 0);
  std::ifstream png(home / "shot.png", std::ios::binary);
  unsigned char header[24] = {};
  png.read(reinterpret_cast<char*>(header), sizeof header);
  ASSERT_TRUE(png.good());
  const auto be32 = [&](int at) {
    return (header[at] << 24) | (header[at + 1] << 16) | (header[at + 2] << 8) | header[at + 3];
  };
  EXPECT_EQ(be32(16), 320);
  EXPECT_EQ(be32(20), 240);
}

// Headless runs need no display and take no turn at it.
class HeadlessProcessTest : public ::testing::Test {
 protected:
  std::filesystem::path home = std::filesystem::temp_directory_path() /
                               ("qm-headless-" + std::to_string(getpid()));
  void SetUp() override { std::filesystem::create_directories(home); }
  void TearDown() override { std::filesystem::remove_all(home); }
  std::string Read(const char* name) {
    std::ifstream in(home / name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
};

// The benchmark's report, as scripts/bench.sh and scripts/soak.sh read it: every line there,
// and numbers that fit together (the memory at the loading screen is part of the peak, and
// the peak at least what is resident at the end). The figures themselves are not judged.
TEST_F(HeadlessProcessTest, BenchmarkReportsEveryFigureInOrder) {
  SaverProcess bench(home, {"--bench", "1", "--size", "160x120", "-no-music"});
  ASSERT_EQ(bench.WaitExit(120s), 0) << Read("output.txt");
  const std::string out = Read("output.txt");
  std::smatch frame, start, memory, fill;
  ASSERT_TRUE(std::regex_search(out, frame, std::regex(
      R"(benchmark 160x120: (\d+) frames in [\d.]+ s = ([\d.]+) fps, [\d.]+ ms/frame \(update [\d.]+ ms, drawing [\d.]+ ms\))")))
      << out;
  EXPECT_GT(std::stoi(frame[1]), 0);
  ASSERT_TRUE(std::regex_search(out, start, std::regex(
      R"(start-up: loading screen at (\d+) ms, first scene frame at (\d+) ms)"))) << out;
  EXPECT_LE(std::stoi(start[1]), std::stoi(start[2]));
  ASSERT_TRUE(std::regex_search(out, memory, std::regex(
      R"(memory: ([\d.]+) MB resident at \d+ s, ([\d.]+) MB at the end, peak ([\d.]+) MB, of which ([\d.]+) MB before the scene)")))
      << out;
  const double end = std::stod(memory[2]), peak = std::stod(memory[3]);
  const double beforeScene = std::stod(memory[4]);
  EXPECT_GT(beforeScene, 0);
  EXPECT_LE(beforeScene, peak);
  EXPECT_LE(end, peak);
  ASSERT_TRUE(std::regex_search(out, fill, std::regex(
      R"(fill floor 160x120: [\d.]+ screens drawn in (\d+) draws \(\d+ empty\) and [\d.]+ cleared, floor ([\d.]+) ms, frame [\d.]+ ms, ratio ([\d.]+))")))
      << out;
  EXPECT_GT(std::stoi(fill[1]), 0);
  EXPECT_GT(std::stod(fill[2]), 0);
  EXPECT_GT(std::stod(fill[3]), 0);
}

// An hour of scene time with every object active: nothing turns into a non-number, the spider
// finishes its web and rests on it, and every animal is on one of the forest's paths. Only
// the last frame is drawn, so the hour costs the update alone.
TEST_F(HeadlessProcessTest, AnHourOfSceneTimeLeavesEveryObjectSound) {
  SaverProcess soak(home, {"--snapshot", "soak.png", "--size", "160x120", "--time", "3600",
                           "--seed", "7", "--report", "soak.json", "-rays"});
  ASSERT_EQ(soak.WaitExit(600s), 0) << Read("output.txt");
  // The report, with its layout whitespace taken out.
  const std::string report = std::regex_replace(Read("soak.json"), std::regex(R"(\s+)"), "");
  ASSERT_FALSE(report.empty());
  EXPECT_NE(report.find(R"("non_finite":0})"), std::string::npos);
  EXPECT_NE(report.find(R"("web_finished":true)"), std::string::npos);
  EXPECT_NE(report.find(R"("rays_enabled":true)"), std::string::npos);
  std::smatch paths;
  ASSERT_TRUE(std::regex_search(report, paths, std::regex(R"re("walking_paths":(\d+))re")));
  const int walking = std::stoi(paths[1]);
  ASSERT_GT(walking, 0);
  const std::regex animal(
      R"re(\{"kind":"(\w+)","state":"(\w+)","position":\[[^\]]*\],"path":(-?\d+),"param":([^}]*)\})re");
  int ants = 0;
  for (auto it = std::sregex_iterator(report.begin(), report.end(), animal);
       it != std::sregex_iterator(); ++it) {
    const std::smatch& m = *it;
    const std::string kind = m[1], state = m[2];
    const int path = std::stoi(m[3]);
    const double param = std::stod(m[4]);
    ants += kind == "ant";
    EXPECT_NE(state, "unknown") << kind;
    // A ladybird in the air keeps the path it took off from.
    EXPECT_TRUE(path >= 0 && path < walking) << kind << " " << state << " on path " << path;
    EXPECT_TRUE(param >= 0 && param <= 1) << kind << " " << state << " at " << param;
  }
  EXPECT_GT(ants, 0);
}

TEST_F(SaverProcessTest, TyposAndUnsoundNumbersAreRefusedBeforeAnythingOpens) {
  for (std::vector<std::string> args : std::vector<std::vector<std::string>>{
           {"--snapshto", "x.png"}, {"--snapshot", "x.png", "--time", "nan"},
           {"--snapshot", "x.png", "--time", "inf"}, {"--bench", "-3"}}) {
    SaverProcess saver(home, args);
    EXPECT_EQ(saver.WaitExit(5s), 2) << args[0];
  }
  EXPECT_NE(Output().find("unknown option --snapshto"), std::string::npos) << Output();
  EXPECT_NE(Output().find("usage: quillmoor"), std::string::npos);
  EXPECT_TRUE(SaverWindows(display).empty());
  SaverProcess version(home, {"--version"});
  EXPECT_EQ(version.WaitExit(5s), 0);
  EXPECT_NE(Output().find("quillmoor 1."), std::string::npos);
}

TEST_F(SaverProcessTest, WithoutADisplayTheOnScreenModesSaySoAndFail) {
  for (const char* mode : {"/s", "/t"}) {
    SaverProcess saver(home, {mode}, {"DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER"});
    EXPECT_EQ(saver.WaitExit(10s), 1) << mode;
  }
  EXPECT_NE(Output().find("no display was found"), std::string::npos) << Output();
}

TEST_F(SaverProcessTest, ASnapshotRefusedBecauseASaverRunsSaysWhy) {
  ::setenv("XDG_RUNTIME_DIR", home.c_str(), 1);
  InstanceLock saverWindow;
  ASSERT_TRUE(saverWindow.Acquire("VS D3D QUILLMOOR3D"));
  ::unsetenv("XDG_RUNTIME_DIR");
  SaverProcess snapshot(home, {"--snapshot", "shot.png", "--size", "64x64", "--time", "0"});
  EXPECT_EQ(snapshot.WaitExit(20s), 1);
  EXPECT_NE(Output().find("another instance of the saver"), std::string::npos) << Output();
  EXPECT_NE(Output().find("no snapshot was written"), std::string::npos);
}

TEST_F(SaverProcessTest, SaversInGivenWindowsRunSideBySideAndFollowAResize) {
  const Window left = GivenWindow(0, 0, 160, 120);
  const Window right = GivenWindow(200, 0, 120, 160);
  char id[32];
  std::snprintf(id, sizeof id, "0x%lx", static_cast<unsigned long>(left));
  SaverProcess first(home, {"-window-id", id});
  std::snprintf(id, sizeof id, "%lu", static_cast<unsigned long>(right));
  SaverProcess second(home, {"-window-id", id});
  EXPECT_TRUE(WaitUntilLit(left, 0, 0, 160, 120)) << Output();
  EXPECT_TRUE(WaitUntilLit(right, 0, 0, 120, 160)) << Output();
  EXPECT_EQ(first.WaitExit(0ms), -1) << "both run: neither refuses the other";
  EXPECT_EQ(second.WaitExit(0ms), -1) << Output();

  // Grown to three times its size, the window is filled, not only its old corner.
  XResizeWindow(display, left, 480, 360);
  XSync(display, False);
  EXPECT_TRUE(WaitUntilLit(left, 240, 0, 240, 180)) << "the top right quarter stays black";
  first.Signal(SIGTERM);
  second.Signal(SIGTERM);
  EXPECT_EQ(first.WaitExit(10s), 0);
  EXPECT_EQ(second.WaitExit(10s), 0);
  XDestroyWindow(display, left);
  XDestroyWindow(display, right);
}

}  // namespace
}  // namespace qm
