// The saver under a real XScreenSaver daemon (Debian's xscreensaver package) on an Xvfb of
// its own: activation starts the saver, which draws the scene in the daemon's window, and
// deactivation (the daemon's SIGTERM) ends it, leaving no process, no lock file and the
// settings file as it was. (Xvfb cannot show the daemon two monitors: its Xinerama puts
// every screen at the origin. SaverProcessTest runs two savers in given windows instead.)
// XScreenSaver runs no hack as root, so under root the daemon runs as user 65534.
// QM_DAEMON_ARTIFACTS=FOLDER keeps the screenshot and the daemon's log there.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "graphics/FramePng.h"

extern char** environ;

namespace qm {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr uid_t kNobody = 65534;
const char* const kProgram = QM_BINARY_DIR "/src/app/quillmoor";
// The one monitor.
constexpr int kWidth = 640, kHeight = 480;

bool Executable(const char* path) { return access(path, X_OK) == 0; }

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// Runs a program with arguments and environment; its pid.
pid_t Spawn(const std::vector<std::string>& args, const std::vector<std::string>& env,
            const fs::path& cwd, const fs::path& output = {}) {
  std::vector<char*> argv, envp;
  std::vector<std::string> a = args, e = env;
  for (auto& s : a) argv.push_back(s.data());
  argv.push_back(nullptr);
  for (auto& s : e) envp.push_back(s.data());
  envp.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
  if (!output.empty()) {
    posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
  }
  pid_t pid = -1;
  if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

int WaitFor(pid_t pid, std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < end) {
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
    std::this_thread::sleep_for(20ms);
  }
  return -1;
}

// Process ids whose executable is the given file.
std::vector<pid_t> ProcessesOf(const fs::path& program) {
  std::vector<pid_t> found;
  for (const auto& entry : fs::directory_iterator("/proc")) {
    const std::string name = entry.path().filename();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::error_code ec;
    const fs::path exe = fs::read_symlink(entry.path() / "exe", ec);
    if (!ec && exe == program) found.push_back(pid_t(std::stoi(name)));
  }
  return found;
}

class XScreenSaverDaemonTest : public ::testing::Test {
 protected:
  fs::path dir, home, program, settings, runtime;
  pid_t xvfb = -1, daemon = -1;
  std::string display;
  Display* x = nullptr;
  bool asNobody = geteuid() == 0;

  void SetUp() override {
    for (const char* tool : {"/usr/bin/xscreensaver", "/usr/bin/xscreensaver-command",
                             "/usr/bin/Xvfb", "/usr/bin/setpriv"}) {
      if (!Executable(tool))
        GTEST_SKIP() << tool << " is missing (scripts/install-deps.sh installs it)";
    }
    char pattern[] = "/tmp/qm-xscreensaver-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir = pattern;
    home = dir / "home";
    runtime = home / "run";
    fs::create_directories(runtime);
    // A copy the other user can run, wherever the build folder lives.
    program = dir / "quillmoor";
    fs::copy_file(kProgram, program);
    fs::permissions(dir, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                             fs::perms::others_read | fs::perms::others_exec);
    fs::permissions(program, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                 fs::perms::others_read | fs::perms::others_exec);
    settings = home / "config" / "quillmoor" / "settings.reg";
    fs::create_directories(settings.parent_path());
    std::ofstream(settings) << "Windows Registry Editor Version 5.00\n\n"
                               "[HKEY_CURRENT_USER\\Software\\VORTANE Studio\\Quillmoor 3D Screensaver]\n"
                               "\"EnableRays\"=dword:00000001\n";
    std::ofstream(home / ".xscreensaver")
        << "timeout: 0:30:00\nlock: False\nmode: one\nselected: 0\nsplash: False\n"
           "fade: False\nunfade: False\ndpmsEnabled: False\n"
           "programs: GL: \"Quillmoor\" " << program.string() << " -root -fps \\n\n";
    if (asNobody) {
      for (const auto& entry : fs::recursive_directory_iterator(home))
        (void)!lchown(entry.path().c_str(), kNobody, kNobody);
      (void)!chown(home.c_str(), kNobody, kNobody);
    }
    StartXvfb();
    ASSERT_FALSE(display.empty()) << "Xvfb did not start";
    x = XOpenDisplay(display.c_str());
    ASSERT_NE(x, nullptr);
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
  }

  void TearDown() override {
    if (daemon > 0) {
      kill(daemon, SIGTERM);
      if (WaitFor(daemon, 5s) < 0) {
        kill(daemon, SIGKILL);
        waitpid(daemon, nullptr, 0);
      }
    }
    for (pid_t pid : ProcessesOf(program)) kill(pid, SIGKILL);
    if (x) XCloseDisplay(x);
    if (xvfb > 0) {
      kill(xvfb, SIGTERM);
      waitpid(xvfb, nullptr, 0);
    }
    if (const char* keep = std::getenv("QM_DAEMON_ARTIFACTS"); keep && !dir.empty()) {
      std::error_code ec;
      fs::copy(dir / "daemon.log", fs::path(keep) / "daemon.log", fs::copy_options::overwrite_existing, ec);
      fs::copy(dir / "screen.png", fs::path(keep) / "screen.png", fs::copy_options::overwrite_existing, ec);
    }
    if (!dir.empty()) fs::remove_all(dir);
  }

  void StartXvfb() {
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const std::vector<std::string> args = {
        "Xvfb", "-displayfd", std::to_string(ready[1]), "-ac", "-nolisten", "tcp", "-screen", "0",
        std::to_string(kWidth) + "x" + std::to_string(kHeight) + "x24"};
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) env.emplace_back(*e);
    xvfb = Spawn(args, env, dir, dir / "xvfb.log");
    close(ready[1]);
    char number[16] = {};
    const ssize_t got = read(ready[0], number, sizeof number - 1);
    close(ready[0]);
    // Appended rather than added to a literal: GCC 12 at -O3 warns falsely on the latter.
    if (got > 0) display.append(":").append(std::to_string(std::atoi(number)));
  }

  // The daemon's (and xscreensaver-command's) command line, as the ordinary user.
  std::vector<std::string> AsUser(std::vector<std::string> command) const {
    if (!asNobody) return command;
    std::vector<std::string> full = {"setpriv", "--reuid=65534", "--regid=65534",
                                     "--clear-groups", "--"};
    full.insert(full.end(), command.begin(), command.end());
    return full;
  }
  std::vector<std::string> UserEnvironment() const {
    return {"HOME=" + home.string(), "DISPLAY=" + display, "PATH=/usr/bin:/bin",
            "XDG_RUNTIME_DIR=" + runtime.string(), "XDG_CONFIG_HOME=" + (home / "config").string(),
            "LIBGL_ALWAYS_SOFTWARE=1",
            // The music plays into nothing: a sound server's client would leave its own
            // folder in the runtime directory, which is not the saver's to clean up.
            "SDL_AUDIODRIVER=dummy"};
  }
  int Command(const std::string& verb) {
    const pid_t pid = Spawn(AsUser({"xscreensaver-command", verb}), UserEnvironment(), home,
                            dir / "command.log");
    return WaitFor(pid, 10s);
  }

  // True when most of the screen shows more than black (the saver draws); `hash` tells one
  // picture from another.
  bool ScreenDrawn(bool save, std::size_t* hash = nullptr) {
    XImage* image = XGetImage(x, DefaultRootWindow(x), 0, 0, kWidth, kHeight, AllPlanes, ZPixmap);
    if (!image) return false;
    int lit = 0;
    std::vector<DWORD> pixels(std::size_t(image->width) * image->height);
    for (int yy = 0; yy < image->height; ++yy)
      for (int xx = 0; xx < image->width; ++xx) {
        const unsigned long p = XGetPixel(image, xx, yy);
        pixels[std::size_t(yy) * image->width + xx] = DWORD(p) | 0xFF000000u;
        if ((p & 0xFFFFFF) > 0x101010) ++lit;
        if (hash) *hash = *hash * 1099511628211u ^ p;
      }
    if (save) WriteFramePng((dir / "screen.png").string(), pixels, UINT(image->width), UINT(image->height));
    XDestroyImage(image);
    return lit > kWidth * kHeight / 2;
  }
};

TEST_F(XScreenSaverDaemonTest, ActivationDrawsTheSceneAndDeactivationLeavesNothing) {
  const std::string settingsBefore = ReadText(settings);
  const auto settingsTime = fs::last_write_time(settings);
  std::vector<std::string> daemonArgs = {"xscreensaver", "-no-splash", "-verbose"};
  daemon = Spawn(AsUser(daemonArgs), UserEnvironment(), home, dir / "daemon.log");
  ASSERT_GT(daemon, 0);
  bool activated = false;
  for (int i = 0; i < 50 && !activated; ++i) {
    activated = Command("-activate") == 0;
    if (!activated) std::this_thread::sleep_for(200ms);
  }
  ASSERT_TRUE(activated) << ReadText(dir / "daemon.log") << ReadText(dir / "command.log");

  // The saver draws the scene into the daemon's window: a picture that changes at every
  // look, unlike the loading screen's stages (the limit allows for a loaded machine).
  bool drawn = false;
  std::size_t last = 0;
  int changes = 0;
  for (int i = 0; i < 240 && !drawn; ++i) {
    std::this_thread::sleep_for(500ms);
    std::size_t hash = 0;
    const bool lit = ProcessesOf(program).size() == 1 && ScreenDrawn(false, &hash);
    changes = lit && hash != last ? changes + 1 : 0;
    last = hash;
    drawn = changes >= 4;
  }
  EXPECT_EQ(ProcessesOf(program).size(), 1u) << ReadText(dir / "daemon.log");
  EXPECT_TRUE(drawn) << ReadText(dir / "daemon.log");
  ScreenDrawn(true);

  // Deactivation: the daemon sends SIGTERM, and every saver ends in order.
  ASSERT_EQ(Command("-deactivate"), 0);
  bool gone = false;
  for (int i = 0; i < 300 && !gone; ++i) {
    std::this_thread::sleep_for(100ms);
    gone = ProcessesOf(program).empty();
  }
  EXPECT_TRUE(gone) << "a saver outlived SIGTERM";
  const std::string log = ReadText(dir / "daemon.log");
  EXPECT_EQ(log.find("crashed"), std::string::npos) << log;
  EXPECT_EQ(log.find("terminated with signal"), std::string::npos) << log;
  for (const auto& entry : fs::recursive_directory_iterator(runtime))
    ADD_FAILURE() << "left behind: " << entry.path();
  EXPECT_EQ(ReadText(settings), settingsBefore);
  EXPECT_EQ(fs::last_write_time(settings), settingsTime);
}

}  // namespace
}  // namespace qm
