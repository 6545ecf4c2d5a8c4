// The music player over a recording back end: the order of the library calls, the log
// line, and that every way of failing leaves the saver silent and holding nothing.
#include "sound/MusicPlayer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "shell/RunLog.h"
#include "support/RecordingAudio.h"

namespace qm {
namespace {

using testing::RecordingAudio;

class MusicPlayerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    log.m_bEnabled = true;
    log.Open(logPath.c_str());
    player.UseMusic(music);
  }
  void TearDown() override { std::filesystem::remove(logPath); }
  std::string LogText() {
    std::ifstream in(logPath, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  bool Logged(const std::string& line) { return LogText().find(line + "\r\n") != std::string::npos; }

  const std::uint8_t music[5] = {'O', 'g', 'g', 'S', 0};
  std::string logPath = (std::filesystem::temp_directory_path() /
                         ("qm-music-log-" + std::to_string(getpid()) + ".txt")).string();
  RunLog log;
  RecordingAudio audio;
  MusicPlayer player{audio, log};
};

TEST_F(MusicPlayerTest, StartAndStopCallTheLibraryInOrderAndLogTheLine) {
  player.StartMusic(true, 70, 42);
  EXPECT_EQ(audio.calls, (std::vector<std::string>{
                             "Load", "Init 44100", "Start", "GetVolume", "SetVolume 70",
                             "Set3DFactors 3.000000", "StreamCreate 5", "StreamPlay 7 loop"}));
  EXPECT_TRUE(player.Playing());
  EXPECT_EQ(player.InitialVolume(), 100u);
  EXPECT_TRUE(Logged("SoundSys Init Comlete."));

  audio.calls.clear();
  player.StopMusic();
  EXPECT_EQ(audio.calls, (std::vector<std::string>{"StreamFree 7", "Free", "Unload"}));
  EXPECT_FALSE(player.Playing());
  EXPECT_FALSE(player.LibraryLoaded());

  audio.calls.clear();
  player.StopMusic();
  EXPECT_TRUE(audio.calls.empty()) << "a second stop finds nothing to release";
}

TEST_F(MusicPlayerTest, MusicOffTouchesNothingAndLogsNothing) {
  player.StartMusic(false, 70, 42);
  player.StopMusic();
  EXPECT_TRUE(audio.calls.empty());
  EXPECT_FALSE(Logged("SoundSys Init Comlete."));
}

TEST_F(MusicPlayerTest, VolumeAboveOneHundredIsPlayedAtOneHundred) {
  player.StartMusic(true, 250, 0);
  EXPECT_NE(std::find(audio.calls.begin(), audio.calls.end(), "SetVolume 100"),
            audio.calls.end());
}

TEST_F(MusicPlayerTest, EveryFailureIsSilentAndHandsBackWhatWasTaken) {
  struct Case {
    const char* name;
    void (*breakIt)(RecordingAudio&, MusicPlayer&);
    std::vector<std::string> calls;
    const char* reason;
  };
  const std::vector<Case> cases = {
      {"no library", [](RecordingAudio& a, MusicPlayer&) { a.failLoad = true; },
       {"Load"}, "Music is silent: the audio library is missing."},
      {"no output", [](RecordingAudio& a, MusicPlayer&) { a.failInit = true; },
       {"Load", "Init 44100", "Unload"}, "Music is silent: no audio output could be opened."},
      // Without its music the library and the output are not kept until the stop.
      {"no music", [](RecordingAudio&, MusicPlayer& p) { p.UseMusic({}); },
       {"Load", "Init 44100", "Start", "GetVolume", "SetVolume 70", "Set3DFactors 3.000000",
        "Free", "Unload"},
       "Music is silent: the music resource is missing."},
      {"undecodable music", [](RecordingAudio& a, MusicPlayer&) { a.failCreate = true; },
       {"Load", "Init 44100", "Start", "GetVolume", "SetVolume 70", "Set3DFactors 3.000000",
        "StreamCreate 5", "Free", "Unload"},
       "Music is silent: the music could not be played."},
      {"refused play", [](RecordingAudio& a, MusicPlayer&) { a.failPlay = true; },
       {"Load", "Init 44100", "Start", "GetVolume", "SetVolume 70", "Set3DFactors 3.000000",
        "StreamCreate 5", "StreamPlay 7 loop", "StreamFree 7", "Free", "Unload"},
       "Music is silent: the music could not be played."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RecordingAudio audioOfCase;
    MusicPlayer playerOfCase(audioOfCase, log);
    playerOfCase.UseMusic(music);
    c.breakIt(audioOfCase, playerOfCase);
    playerOfCase.StartMusic(true, 70, 42);
    EXPECT_EQ(audioOfCase.calls, c.calls);
    EXPECT_FALSE(playerOfCase.Playing());
    EXPECT_FALSE(playerOfCase.LibraryLoaded());
    EXPECT_TRUE(Logged(c.reason));
    audioOfCase.calls.clear();
    playerOfCase.StopMusic();
    EXPECT_TRUE(audioOfCase.calls.empty());
  }
  EXPECT_TRUE(Logged("SoundSys Init Comlete.")) << "the line ends every start with music on";
}

TEST_F(MusicPlayerTest, DestroyingAPlayingPlayerStopsIt) {
  {
    MusicPlayer scoped(audio, log);
    scoped.UseMusic(music);
    scoped.StartMusic(true, 50, 0);
    audio.calls.clear();
  }
  EXPECT_EQ(audio.calls, (std::vector<std::string>{"StreamFree 7", "Free", "Unload"}));
}

}  // namespace
}  // namespace qm
