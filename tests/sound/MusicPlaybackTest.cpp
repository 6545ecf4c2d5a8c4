// The music player on the real SDL2_mixer back end, heard through SDL's "disk" audio driver:
// the carried music is audible, nothing is written with music off, the output scales with
// the volume setting and a short piece keeps repeating. Also the volume mapping and a
// missing library.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

#include "Music.h"
#include "platform/EmbeddedResources.h"
#include "platform/MixerAudio.h"
#include "shell/RunLog.h"
#include "sound/MusicPlayer.h"
#include "support/PcmLoudness.h"

namespace qm {
namespace {

using namespace std::chrono_literals;
using testing::ReadPcm16;
using testing::RmsAfterStart;

// A steady sine of this many seconds, encoded as the saver's music is.
gen::Bytes ToneOgg(double seconds) {
  const auto frames = static_cast<std::size_t>(seconds * gen::kMusicRate);
  std::vector<float> pcm(frames * 2);
  for (std::size_t n = 0; n < frames; ++n) {
    const float s = 0.5f * float(std::sin(2.0 * M_PI * 441.0 * double(n) / gen::kMusicRate));
    pcm[2 * n] = pcm[2 * n + 1] = s;
  }
  return gen::EncodeOggVorbis(pcm);
}

class MusicPlaybackTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(folder);
    setenv("SDL_AUDIODRIVER", "disk", 1);
  }
  void TearDown() override { std::filesystem::remove_all(folder); }

  // Plays the music for a while into a fresh disk file and returns the file's samples.
  std::vector<std::int16_t> Play(std::span<const std::uint8_t> music, bool musicOn,
                                 std::uint32_t volume, std::chrono::milliseconds howLong,
                                 bool* played = nullptr) {
    const std::filesystem::path file = folder / ("out" + std::to_string(++runs) + ".raw");
    setenv("SDL_DISKAUDIOFILE", file.c_str(), 1);
    MixerAudio audio;
    RunLog log;
    log.m_bEnabled = false;
    MusicPlayer player(audio, log);
    player.UseMusic(music);
    player.StartMusic(musicOn, volume, 0);
    if (played) *played = player.Playing();
    std::this_thread::sleep_for(howLong);
    player.StopMusic();
    return ReadPcm16(file);
  }

  std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                 ("qm-music-" + std::to_string(getpid()));
  int runs = 0;
};

TEST_F(MusicPlaybackTest, CarriedMusicIsHeardAndMusicOffWritesNothing) {
  const auto music = FindEmbeddedResource("SOUND", MusicPlayer::kMusicResource);
  ASSERT_FALSE(music.empty()) << "the executable carries the music";
  bool played = false;
  const auto on = Play(music, true, 70, 1500ms, &played);
  ASSERT_TRUE(played) << "SDL's disk audio driver and SDL2_mixer must be available";
  EXPECT_GT(RmsAfterStart(on, 0.0, 1.0), 30.0);

  const auto off = Play(music, false, 70, 300ms);
  EXPECT_TRUE(off.empty()) << "with music off no output is opened";
}

TEST_F(MusicPlaybackTest, LoudnessFollowsTheVolumeSetting) {
  const gen::Bytes tone = ToneOgg(1.0);
  const auto loud = Play(tone, true, 70, 800ms);
  const auto soft = Play(tone, true, 35, 800ms);
  const double loudRms = RmsAfterStart(loud, 0.1, 0.5);
  const double softRms = RmsAfterStart(soft, 0.1, 0.5);
  ASSERT_GT(softRms, 0.0);
  // 0.5 full scale at 70 % is about 0.35 of full scale: an RMS near 8000.
  EXPECT_NEAR(loudRms, 0.5 * 0.7 / std::sqrt(2.0) * 32767, 600);
  EXPECT_NEAR(loudRms / softRms, 2.0, 0.1);
}

TEST_F(MusicPlaybackTest, AShortPieceKeepsRepeating) {
  const gen::Bytes tone = ToneOgg(0.3);
  const auto samples = Play(tone, true, 100, 1300ms);
  const double first = RmsAfterStart(samples, 0.05, 0.2);
  ASSERT_GT(first, 1000.0);
  // Stretches inside the second and the third pass, clear of the joins.
  EXPECT_GT(RmsAfterStart(samples, 0.4, 0.1), first * 0.8);
  EXPECT_GT(RmsAfterStart(samples, 0.7, 0.1), first * 0.8);
}

TEST(MixerAudioTest, VolumePercentMapsLinearlyOntoTheMixerScale) {
  EXPECT_EQ(MixerVolumeFromPercent(0), 0);
  EXPECT_EQ(MixerVolumeFromPercent(35), 45);
  EXPECT_EQ(MixerVolumeFromPercent(70), 90);
  EXPECT_EQ(MixerVolumeFromPercent(100), 128);
  EXPECT_EQ(MixerVolumeFromPercent(400), 128);
  for (std::uint32_t percent = 0; percent <= 100; ++percent)
    EXPECT_EQ(PercentFromMixerVolume(MixerVolumeFromPercent(percent)), percent);
}

TEST(MixerAudioTest, AMissingLibraryLeavesTheSaverSilent) {
  MixerAudio audio("libquillmoor-no-such-mixer.so.0");
  RunLog log;
  log.m_bEnabled = false;
  MusicPlayer player(audio, log);
  player.StartMusic(true, 70, 0);
  EXPECT_FALSE(player.Playing());
  EXPECT_FALSE(player.LibraryLoaded());
  EXPECT_FALSE(audio.Init(44100, 0)) << "nothing is called in a library that is not loaded";
}

}  // namespace
}  // namespace qm
