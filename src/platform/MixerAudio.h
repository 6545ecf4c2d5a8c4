// MixerAudio: the music player's audio back end on SDL2_mixer.
//
// The mixer library is opened at run time (dlopen) and its entry points are looked up by
// name, so a machine without it still runs the saver, silently. Init opens SDL's audio
// subsystem and the mixer's output; a stream is the mixer's music decoded in place from
// memory (no file is written); the volume percentage maps linearly onto the mixer's music
// volume. ForestSaver makes one for its MusicPlayer; tests may name another library file.
#pragma once

#include <memory>
#include <string>

#include "sound/AudioBackend.h"

namespace qm {

// The mixer's music volume for a percentage: 0..100 onto 0..128, rounded.
int MixerVolumeFromPercent(std::uint32_t percent);
// The percentage of a mixer volume, rounded; the inverse of the above where it can be.
std::uint32_t PercentFromMixerVolume(int volume);

class MixerAudio : public AudioBackend {
 public:
  static constexpr const char* kDefaultLibrary = "libSDL2_mixer-2.0.so.0";

  explicit MixerAudio(std::string libraryFile = kDefaultLibrary);
  ~MixerAudio() override;  // closes and unloads what is still open
  MixerAudio(const MixerAudio&) = delete;
  MixerAudio& operator=(const MixerAudio&) = delete;

  bool Load() override;
  void Unload() override;
  bool Init(int frequency, HWND window) override;
  bool Start() override;
  void Free() override;
  std::uint32_t GetVolume() override;
  bool SetVolume(std::uint32_t percent) override;
  bool Set3DFactors(float distance, float rolloff, float doppler) override;
  AudioStream StreamCreateFromMemory(std::span<const std::uint8_t> bytes) override;
  bool StreamPlay(AudioStream stream, bool loop) override;
  bool StreamFree(AudioStream stream) override;

 private:
  struct Library;  // the opened library and its entry points

  std::string m_libraryFile;
  std::unique_ptr<Library> m_library;
  bool m_bOutputOpen = false;
  void* m_pMusic = nullptr;  // the one stream the saver plays (Mix_Music)
};

}  // namespace qm
