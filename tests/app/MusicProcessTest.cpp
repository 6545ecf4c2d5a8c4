// Music of the saver program as processes play it, heard through SDL's "disk" audio driver:
// the test window at two volumes, snapshots silent, and the XScreenSaver case of one
// process per monitor where only one plays and another takes over after it.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <X11/Xlib.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/RegistryFile.h"
#include "shell/SaverSettings.h"
#include "support/DisplayTurn.h"
#include "support/PcmLoudness.h"

extern char** environ;

namespace qm {
namespace {

using namespace std::chrono_literals;
using testing::ReadPcm16;
using testing::RmsAfterStart;

const char* const kProgram = QM_BINARY_DIR "/src/app/quillmoor";

// A saver process with the run log on, working in a folder of its own, where its audio goes
// to "audio.raw"; killed at the end if still running.
class AudibleSaver {
 public:
  AudibleSaver(const std::filesystem::path& home, const std::string& name,
               std::vector<std::string> args)
      : m_folder(home / name) {
    std::filesystem::create_directories(m_folder);
    std::vector<std::string> env = {"HOME=" + home.string(),
                                    "XDG_CONFIG_HOME=" + (home / "config").string(),
                                    "XDG_RUNTIME_DIR=" + home.string(),
                                    "SDL_AUDIODRIVER=disk",
                                    "SDL_DISKAUDIOFILE=" + AudioFile().string()};
    for (char** e = environ; *e; ++e) {
      const std::string entry = *e;
      const bool ours = entry.rfind("XDG_", 0) == 0 || entry.rfind("HOME=", 0) == 0 ||
                        entry.rfind("SDL_", 0) == 0;
      if (!ours) env.push_back(entry);
    }
    args.insert(args.begin(), {kProgram, "--log"});
    std::vector<char*> argv, envp;
    for (auto& a : args) argv.push_back(a.data());
    for (auto& e : env) envp.push_back(e.data());
    argv.push_back(nullptr);
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, m_folder.c_str());
    if (posix_spawn(&m_pid, kProgram, &actions, nullptr, argv.data(), envp.data()) != 0)
      m_pid = -1;
    posix_spawn_file_actions_destroy(&actions);
  }
  ~AudibleSaver() { Stop(SIGKILL); }
  bool Started() const { return m_pid > 0; }
  std::filesystem::path AudioFile() const { return m_folder / "audio.raw"; }
  std::vector<std::int16_t> Samples() const { return ReadPcm16(AudioFile()); }
  std::string Log() const {
    std::ifstream in(m_folder / "Saver_Log.txt", std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  // Waits (at most a minute: the software renderer loads slowly on a busy machine) until
  // the log holds the text.
  bool WaitForLog(const std::string& text) const {
    for (int i = 0; i < 600; ++i) {
      if (Log().find(text) != std::string::npos) return true;
      std::this_thread::sleep_for(100ms);
    }
    return false;
  }
  // Waits until the file holds this many seconds after its first sound (or gives up).
  void WaitForSound(double seconds) const {
    for (int i = 0; i < 600 && RmsAfterStart(Samples(), seconds, 0.01) == 0.0; ++i)
      std::this_thread::sleep_for(100ms);
  }
  // Ends the process with a signal and returns its exit status (-1 when it hung).
  int Stop(int signal = SIGTERM) {
    if (m_pid <= 0) return -1;
    kill(m_pid, signal);
    for (int i = 0; i < 500; ++i) {
      int status = 0;
      if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
        m_pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      }
      std::this_thread::sleep_for(20ms);
    }
    return -1;
  }

 private:
  std::filesystem::path m_folder;
  pid_t m_pid = -1;
};

class MusicProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no X display";
    turn = std::make_unique<testing::DisplayTurn>();
    std::filesystem::create_directories(home / "config" / "quillmoor");
  }
  void TearDown() override { std::filesystem::remove_all(home); }

  void StoreVolume(std::uint32_t percent) {
    RegistryFile registry(home / "config" / "quillmoor" / "settings.reg");
    registry.SetDword(kSettingsKey, "MusicVolume", percent);
    ASSERT_TRUE(registry.Save());
  }
  // Runs the test window until it has played a while and returns what it played.
  std::vector<std::int16_t> TestWindowAt(std::uint32_t percent) {
    StoreVolume(percent);
    AudibleSaver saver(home, "window" + std::to_string(percent), {"/t"});
    EXPECT_TRUE(saver.Started());
    saver.WaitForSound(2.1);
    EXPECT_EQ(saver.Stop(), 0);
    return saver.Samples();
  }
  static double Loudness(const std::vector<std::int16_t>& samples, double seconds = 2.0) {
    return RmsAfterStart(samples, 0.0, seconds);
  }

  std::filesystem::path home = std::filesystem::temp_directory_path() /
                               ("qm-music-process-" + std::to_string(getpid()));
  std::unique_ptr<testing::DisplayTurn> turn;
};

TEST_F(MusicProcessTest, TestWindowPlaysAtTheVolumeSettingAndSnapshotsStaySilent) {
  const auto loud = TestWindowAt(70);
  const auto soft = TestWindowAt(35);
  const double loudRms = Loudness(loud), softRms = Loudness(soft);
  std::printf("music RMS over 2 s from its start: volume 70 -> %.1f, volume 35 -> %.1f\n",
              loudRms, softRms);
  ASSERT_GT(softRms, 10.0) << "the test window plays music";
  EXPECT_NEAR(loudRms / softRms, 2.0, 0.15);

  AudibleSaver snapshot(home, "snapshot", {"--snapshot", "shot.png", "--size", "160x120",
                                           "--time", "0.2"});
  ASSERT_TRUE(snapshot.Started());
  ASSERT_TRUE(snapshot.WaitForLog("Log finished"));
  snapshot.Stop();
  EXPECT_FALSE(std::filesystem::exists(snapshot.AudioFile())) << "a snapshot opens no output";
}

TEST_F(MusicProcessTest, OfSeveralSaverProcessesOnePlaysAndTheNextTakesOver) {
  Display* display = XOpenDisplay(nullptr);
  ASSERT_NE(display, nullptr);
  const std::string root = std::to_string(DefaultRootWindow(display));
  XCloseDisplay(display);

  auto first = std::make_unique<AudibleSaver>(home, "first",
                                              std::vector<std::string>{"-window-id", root});
  first->WaitForSound(0.5);
  EXPECT_GT(Loudness(first->Samples(), 0.5), 10.0) << "the first process plays";

  AudibleSaver second(home, "second", {"-window-id", root});
  ASSERT_TRUE(second.WaitForLog("All Data Was Loaded."));
  EXPECT_NE(second.Log().find("Music plays in another saver process."), std::string::npos);
  std::this_thread::sleep_for(500ms);
  EXPECT_EQ(Loudness(second.Samples(), 0.5), 0.0) << "the second stays silent";

  EXPECT_EQ(first->Stop(), 0);
  first.reset();
  AudibleSaver third(home, "third", {"-window-id", root});
  third.WaitForSound(0.5);
  EXPECT_GT(Loudness(third.Samples(), 0.5), 10.0) << "the next one to start plays";
  EXPECT_EQ(Loudness(second.Samples(), 0.5), 0.0) << "a saver already running stays silent";
  EXPECT_EQ(second.Stop(), 0);
  EXPECT_EQ(third.Stop(), 0);
}

}  // namespace
}  // namespace qm
