// MusicPlayer: start and stop of the looping music over the audio back end.
#include "sound/MusicPlayer.h"

#include <algorithm>

#include "platform/EmbeddedResources.h"
#include "shell/RunLog.h"

namespace qm {

namespace {

constexpr std::uint32_t kMaxVolumePercent = 100;
// The back end has no 3D sound to shape; the factors are the neutral ones.
constexpr float kNeutral3DFactor = 1.0f;

}  // namespace

MusicPlayer::MusicPlayer(AudioBackend& backend, RunLog& log) : m_backend(backend), m_log(log) {}

MusicPlayer::~MusicPlayer() { StopMusic(); }

void MusicPlayer::UseMusic(std::span<const std::uint8_t> bytes) {
  m_bOwnMusic = true;
  m_music = bytes;
}

std::span<const std::uint8_t> MusicPlayer::MusicBytes() const {
  return m_bOwnMusic ? m_music : FindEmbeddedResource(kMusicResourceType, kMusicResource);
}

void MusicPlayer::StartMusic(bool musicOn, std::uint32_t volumePercent, HWND window) {
  if (!musicOn) return;
  StopMusic();  // a second start must not leave the first one's library behind
  if (LoadAudioLibrary() != kLoaded) {
    m_log.Write("Music is silent: the audio library is missing.");
  } else if (InitAudio(window, volumePercent) != 0) {
    m_log.Write("Music is silent: no audio output could be opened.");
  } else {
    const std::span<const std::uint8_t> music = MusicBytes();
    if (music.empty()) {
      m_log.Write("Music is silent: the music resource is missing.");
    } else {
      hMusicStream = m_backend.StreamCreateFromMemory(music);
      if (hMusicStream != 0 && !m_backend.StreamPlay(hMusicStream, true)) {
        m_backend.StreamFree(hMusicStream);
        hMusicStream = 0;
      }
      if (hMusicStream == 0) m_log.Write("Music is silent: the music could not be played.");
    }
  }
  // Nothing plays: the output and the library are handed back at once, so a silent saver
  // holds neither while it runs.
  if (hMusicStream == 0) UnloadAudioLibrary();
  m_log.Write("SoundSys Init Comlete.");
}

void MusicPlayer::StopMusic() {
  if (hMusicStream != 0) m_backend.StreamFree(hMusicStream);
  hMusicStream = 0;
  UnloadAudioLibrary();
}

int MusicPlayer::LoadAudioLibrary() {
  if (m_bLibraryLoaded) return kLoaded;
  m_bLibraryLoaded = m_backend.Load();
  return m_bLibraryLoaded ? kLoaded : kNotLoaded;
}

int MusicPlayer::InitAudio(HWND window, std::uint32_t volumePercent) {
  if (!m_bLibraryLoaded || !m_backend.Init(kOutputFrequency, window)) return kInitFailed;
  m_bOutputOpen = true;
  m_backend.Start();
  dwInitialVolume = m_backend.GetVolume();
  m_backend.SetVolume(std::min(volumePercent, kMaxVolumePercent));
  m_backend.Set3DFactors(kNeutral3DFactor, kNeutral3DFactor, kNeutral3DFactor);
  return 0;
}

void MusicPlayer::UnloadAudioLibrary() {
  if (!m_bLibraryLoaded) return;
  // The library's threads play from its code: the output closes before the code goes.
  if (m_bOutputOpen) m_backend.Free();
  m_bOutputOpen = false;
  m_backend.Unload();
  m_bLibraryLoaded = false;
}

}  // namespace qm
