// MusicPlayer: the saver's music, one Ogg Vorbis piece looping while the saver runs.
//
// ForestSaver owns one and calls StartMusic from StartSound (after the scene has loaded)
// and StopMusic from StopSound (first at the end of a run). The music is resource SOUND 468,
// decoded straight from the executable's bytes by the audio back end, at the MusicVolume
// setting. Anything missing (the audio library, an output device, the music itself) leaves
// the saver silent without a message; StopMusic always hands back what StartMusic took.
#pragma once

#include <cstdint>
#include <span>

#include "d3d/WinTypes.h"
#include "sound/AudioBackend.h"

namespace qm {

class RunLog;

class MusicPlayer {
 public:
  static constexpr int kMusicResource = 468;
  static constexpr const char* kMusicResourceType = "SOUND";
  static constexpr int kOutputFrequency = 44100;
  static constexpr int kLoaded = 1;
  static constexpr int kNotLoaded = 0;
  static constexpr int kInitFailed = -1;

  // Neither the back end nor the log is owned; both must outlive the player.
  MusicPlayer(AudioBackend& backend, RunLog& log);
  ~MusicPlayer();  // stops what still plays
  MusicPlayer(const MusicPlayer&) = delete;
  MusicPlayer& operator=(const MusicPlayer&) = delete;

  // Plays these bytes instead of the carried resource (tests; an empty span is a missing
  // resource). The bytes must outlive the playing.
  void UseMusic(std::span<const std::uint8_t> bytes);

  // With music on: loads and initialises the library, then creates and plays the looping
  // stream at the volume (percent, clamped to 0..100), and logs that the sound system is up.
  // Does nothing with music off.
  void StartMusic(bool musicOn, std::uint32_t volumePercent, HWND window);
  // Frees the stream, closes the device and unloads the library, whichever of them exist.
  void StopMusic();

  // kLoaded or kNotLoaded.
  int LoadAudioLibrary();
  // 0, or kInitFailed when the library refuses to initialise the output.
  int InitAudio(HWND window, std::uint32_t volumePercent);
  // Closes the output when it is open and drops the library; nothing when none is loaded.
  void UnloadAudioLibrary();

  bool Playing() const { return hMusicStream != 0; }
  bool LibraryLoaded() const { return m_bLibraryLoaded; }
  // The library's volume found at start (kept for diagnosis only).
  std::uint32_t InitialVolume() const { return dwInitialVolume; }

 private:
  std::span<const std::uint8_t> MusicBytes() const;

  AudioBackend& m_backend;
  RunLog& m_log;
  bool m_bLibraryLoaded = false;
  bool m_bOutputOpen = false;
  AudioStream hMusicStream = 0;
  std::uint32_t dwInitialVolume = 0;
  bool m_bOwnMusic = false;  // UseMusic was called
  std::span<const std::uint8_t> m_music;
};

}  // namespace qm
