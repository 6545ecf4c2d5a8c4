// The settings dialog as a user meets it: `quillmoor /c` on the X display (xvfb-run in the
// test script), controls clicked and keys typed with xdotool, the settings file read back.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>

#include "platform/RegistryFile.h"
#include "shell/DialogTemplates.h"
#include "shell/SaverSettings.h"
#include "support/DisplayTurn.h"
#include "support/SettingsFile.h"

namespace qm {
namespace {

using namespace std::chrono_literals;
using testing::FileBytes;
using testing::StoredValue;

const char* const kProgram = QM_BINARY_DIR "/src/app/quillmoor";
constexpr const char* kDialogTitle = "Quillmoor 3D Screensaver Configuration";

std::string Output(const std::string& command) {
  std::string out;
  if (FILE* pipe = ::popen(command.c_str(), "r")) {
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe)) out += buffer;
    ::pclose(pipe);
  }
  return out;
}

class ConfigDialogProcessTest : public ::testing::Test {
 protected:
  std::filesystem::path home = std::filesystem::temp_directory_path() /
                               ("qm-dialog-process-" + std::to_string(::getpid()));
  std::filesystem::path file = home / "config" / "quillmoor" / "settings.reg";
  std::unique_ptr<testing::DisplayTurn> turn;
  pid_t pid = -1;
  long window = 0;
  double left = 0, top = 0, unitX = 0, unitY = 0;  // the dialog's place and pixels per unit

  void SetUp() override {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no X display (run under xvfb-run)";
    if (std::system("command -v xdotool >/dev/null 2>&1") != 0) GTEST_SKIP() << "no xdotool";
    turn = std::make_unique<testing::DisplayTurn>();
    std::filesystem::create_directories(file.parent_path());
  }
  void TearDown() override {
    if (pid > 0) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, nullptr, 0);
    }
    std::filesystem::remove_all(home);
  }

  void Start() {
    pid = ::fork();
    if (pid == 0) {
      ::setenv("HOME", home.c_str(), 1);
      ::setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
      ::setenv("XDG_RUNTIME_DIR", home.c_str(), 1);
      ::setenv("LANG", "C.UTF-8", 1);  // the English labels the test looks for
      ::unsetenv("LC_ALL");
      ::unsetenv("LC_MESSAGES");
      ::execl(kProgram, kProgram, "/c", static_cast<char*>(nullptr));
      ::_exit(127);
    }
    const std::string found = Output(std::string("timeout 30 xdotool search --sync --onlyvisible --name '") +
                                  kDialogTitle + "' 2>/dev/null");
    window = std::atol(found.c_str());
    ASSERT_NE(window, 0) << "the dialog did not appear";
    std::this_thread::sleep_for(300ms);
    // The dialog's size in pixels gives the font's units: 376 units wide, 322 high less
    // the 44 pixels the bottom row moved up.
    std::istringstream geometry(Output("xdotool getwindowgeometry --shell " + std::to_string(window)));
    std::string line;
    double width = 0, height = 0;
    while (std::getline(geometry, line)) {
      if (line.rfind("X=", 0) == 0) left = std::atof(line.c_str() + 2);
      if (line.rfind("Y=", 0) == 0) top = std::atof(line.c_str() + 2);
      if (line.rfind("WIDTH=", 0) == 0) width = std::atof(line.c_str() + 6);
      if (line.rfind("HEIGHT=", 0) == 0) height = std::atof(line.c_str() + 7);
    }
    ASSERT_GT(width, 0);
    unitX = width / ConfigDialogTemplate().width;
    unitY = (height + 44) / ConfigDialogTemplate().height;
    // Without a window manager keys go to the window under the pointer: rest it on the
    // dialog's picture, where it touches no control.
    char command[128];
    std::snprintf(command, sizeof command, "xdotool mousemove --sync %d %d >/dev/null 2>&1",
                  int(left + 300 * unitX), int(top + 50 * unitY));
    EXPECT_EQ(std::system(command), 0) << command;
  }
  // Clicks at a point given in dialog units.
  void ClickAt(double x, double y) {
    char command[160];
    std::snprintf(command, sizeof command, "xdotool mousemove --sync %d %d click 1 >/dev/null 2>&1",
                  int(left + x * unitX), int(top + y * unitY));
    EXPECT_EQ(std::system(command), 0) << command;
    std::this_thread::sleep_for(150ms);
  }
  // Clicks a check box or radio button on its box, a button in its middle.
  void Click(int id) {
    for (const TemplateControl& c : ConfigDialogTemplate().controls) {
      if (c.id != id) continue;
      const bool box = c.kind == ControlKind::CheckBox || c.kind == ControlKind::RadioButton;
      ClickAt(c.x + (box ? 4 : c.width / 2.0), c.y + c.height / 2.0);
      return;
    }
    ADD_FAILURE() << "no control " << id;
  }
  void DragGammaToTheRightEnd() {
    const double y = 104 + 6;
    char command[256];
    std::snprintf(command, sizeof command,
                  "xdotool mousemove --sync %d %d mousedown 1 mousemove --sync %d %d mouseup 1 "
                  ">/dev/null 2>&1",
                  int(left + 144 * unitX), int(top + y * unitY), int(left + 230 * unitX),
                  int(top + y * unitY));
    EXPECT_EQ(std::system(command), 0) << command;
    std::this_thread::sleep_for(150ms);
  }
  static void Type(const char* keys) {
    EXPECT_EQ(std::system((std::string("xdotool key ") + keys + " >/dev/null 2>&1").c_str()), 0);
    std::this_thread::sleep_for(150ms);
  }
  int WaitExit() {
    for (int i = 0; i < 500; ++i) {
      int status = 0;
      if (::waitpid(pid, &status, WNOHANG) == pid) {
        pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
      }
      std::this_thread::sleep_for(20ms);
    }
    return -1;
  }
  // The session both tests play: clicks on five controls and a background, a drag, keys.
  void ChangeSettings() {
    Click(1044);  // Show FPS on
    Click(1110);  // 24-hour clock
    Click(1055);  // random background off: only the chosen picture stays bright
    Click(1117);  // first background
    Click(1049);  // rays off
    DragGammaToTheRightEnd();
    Click(1045);  // exit on mouse move on ...
    Type("space space");  // ... off and on again from the keyboard
  }
  // With QM_DIALOG_SHOTS=DIR the session leaves pictures of the screen and the settings
  // file in DIR, for people to look at.
  static void Shot(const std::string& name) {
    const char* dir = std::getenv("QM_DIALOG_SHOTS");
    if (!dir) return;
    const std::string command = "import -window root '" + std::string(dir) + "/" + name + "'";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
  }
  void KeepFile(const std::string& name) const {
    if (const char* dir = std::getenv("QM_DIALOG_SHOTS"))
      std::filesystem::copy_file(file, std::filesystem::path(dir) / name,
                                 std::filesystem::copy_options::overwrite_existing);
  }
  std::string ReadFile() const { return FileBytes(file); }
  std::optional<std::uint32_t> Stored(const char* name) const { return StoredValue(file, name); }
};

TEST_F(ConfigDialogProcessTest, ClicksAndKeysThenEnterStoreTheSettings) {
  std::ofstream(file, std::ios::binary) << "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\"
                                        << kSettingsKey << "]\r\n\"Other\"=dword:00000009\r\n";
  Start();
  Shot("dialog.png");
  Click(1062);
  std::this_thread::sleep_for(500ms);
  Shot("about.png");
  Type("Escape");  // closes the About box only
  ChangeSettings();
  Shot("dialog-changed.png");
  Type("Return");  // Enter on a check box is OK
  EXPECT_EQ(WaitExit(), 0);
  KeepFile("settings-after-ok.reg");
  EXPECT_EQ(Stored("ShowFPS"), 2u);
  EXPECT_EQ(Stored("DigClock_24H"), 2u);
  EXPECT_EQ(Stored("Background"), 1u);
  EXPECT_EQ(Stored("RondomBackground"), 1u);
  EXPECT_EQ(Stored("EnableRays"), 1u);
  EXPECT_EQ(Stored("GmCntrl"), 200u);
  EXPECT_EQ(Stored("ExitOnMouseMove"), 2u);
  EXPECT_EQ(Stored("SFX"), 1u);
  EXPECT_EQ(Stored("Other"), 9u) << "values the saver does not know stay";
}

TEST_F(ConfigDialogProcessTest, TheSameSessionCancelledLeavesTheFileAsItWas) {
  const std::string original = "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\" +
                               std::string(kSettingsKey) + "]\r\n\"ShowFPS\"=dword:00000001\r\n";
  std::ofstream(file, std::ios::binary) << original;
  KeepFile("settings-before-cancel.reg");
  Start();
  ChangeSettings();
  Type("Escape");
  EXPECT_EQ(WaitExit(), 0);
  EXPECT_EQ(ReadFile(), original);
  KeepFile("settings-after-cancel.reg");
}

TEST_F(ConfigDialogProcessTest, TabWalksTheControlsInTheTemplatesOrder) {
  Start();
  // From "Use Desktop Settings": volume, music, gamma, antialiasing, web start, Show FPS
  // (the mode list is disabled and the SFX box hidden, so neither takes the focus).
  Type("Tab Tab Tab Tab Tab Tab space");
  Type("shift+Tab shift+Tab shift+Tab shift+Tab space");  // back to Enable Music
  Type("Return");
  EXPECT_EQ(WaitExit(), 0);
  EXPECT_EQ(Stored("ShowFPS"), 2u);
  EXPECT_EQ(Stored("Music"), 1u);
  EXPECT_EQ(Stored("UseDesktopSettings"), 2u);
}

TEST_F(ConfigDialogProcessTest, WithoutADisplayTheDialogSaysSoAndFails) {
  const std::string out = Output("env -u DISPLAY -u WAYLAND_DISPLAY HOME=" + home.string() +
                              " XDG_RUNTIME_DIR=" + home.string() + " " + kProgram +
                              " /c 2>&1; echo status=$?");
  EXPECT_NE(out.find("needs a display"), std::string::npos) << out;
  EXPECT_NE(out.find("status=1"), std::string::npos) << out;
}

// A program copied away from its dialog module (a package installed in part) must say what
// is missing, not blame the display, and must not crash.
TEST_F(ConfigDialogProcessTest, WithoutItsModuleTheDialogSaysWhatIsMissing) {
  const std::filesystem::path alone = home / "quillmoor";
  std::filesystem::copy_file(kProgram, alone);
  const std::string out = Output("env -u WAYLAND_DISPLAY HOME=" + home.string() +
                              " XDG_RUNTIME_DIR=" + home.string() + " " + alone.string() +
                              " /c 2>&1; echo status=$?");
  EXPECT_NE(out.find("quillmoor-gtk-dialog.so cannot be opened: it is not installed"),
            std::string::npos) << out;
  EXPECT_EQ(out.find("display"), std::string::npos) << out;
  EXPECT_NE(out.find("status=1"), std::string::npos) << out;
}

}  // namespace
}  // namespace qm
