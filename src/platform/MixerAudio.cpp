// MixerAudio: SDL2_mixer opened at run time, behind the music player's back-end interface.
#include "platform/MixerAudio.h"

#include <dlfcn.h>

#include <SDL.h>

#if __has_include(<SDL_mixer.h>)
#include <SDL_mixer.h>
#define QM_HAVE_MIXER_HEADER 1
#else
#define QM_HAVE_MIXER_HEADER 0
#endif

namespace qm {

namespace {

#if QM_HAVE_MIXER_HEADER
constexpr int kMaxMixerVolume = MIX_MAX_VOLUME;
#else
constexpr int kMaxMixerVolume = 128;
#endif
constexpr std::uint32_t kMaxPercent = 100;
// The only stream this back end hands out: the saver plays one piece at a time.
constexpr AudioStream kMusicStream = 1;
// Output buffer in sample frames: about 46 ms at 44100 Hz, short enough to stop promptly.
constexpr int kChunkFrames = 2048;
constexpr int kStereo = 2;
constexpr int kLoopForever = -1;
constexpr int kQueryVolume = -1;

}  // namespace

int MixerVolumeFromPercent(std::uint32_t percent) {
  if (percent > kMaxPercent) percent = kMaxPercent;
  return int((percent * kMaxMixerVolume + kMaxPercent / 2) / kMaxPercent);
}

std::uint32_t PercentFromMixerVolume(int volume) {
  if (volume < 0) volume = 0;
  if (volume > kMaxMixerVolume) volume = kMaxMixerVolume;
  return (std::uint32_t(volume) * kMaxPercent + kMaxMixerVolume / 2) / kMaxMixerVolume;
}

#if QM_HAVE_MIXER_HEADER

struct MixerAudio::Library {
  void* handle = nullptr;
  decltype(&Mix_Init) init = nullptr;
  decltype(&Mix_Quit) quit = nullptr;
  decltype(&Mix_OpenAudio) openAudio = nullptr;
  decltype(&Mix_CloseAudio) closeAudio = nullptr;
  decltype(&Mix_VolumeMusic) volumeMusic = nullptr;
  decltype(&Mix_LoadMUS_RW) loadMusic = nullptr;
  decltype(&Mix_PlayMusic) playMusic = nullptr;
  decltype(&Mix_ResumeMusic) resumeMusic = nullptr;
  decltype(&Mix_HaltMusic) haltMusic = nullptr;
  decltype(&Mix_FreeMusic) freeMusic = nullptr;

  template <typename Function>
  bool Find(Function& entry, const char* name) {
    entry = reinterpret_cast<Function>(dlsym(handle, name));
    return entry != nullptr;
  }
  // Every entry point or none: a library missing one is not the library we expect.
  bool FindAll() {
    return Find(init, "Mix_Init") && Find(quit, "Mix_Quit") &&
           Find(openAudio, "Mix_OpenAudio") && Find(closeAudio, "Mix_CloseAudio") &&
           Find(volumeMusic, "Mix_VolumeMusic") && Find(loadMusic, "Mix_LoadMUS_RW") &&
           Find(playMusic, "Mix_PlayMusic") && Find(resumeMusic, "Mix_ResumeMusic") &&
           Find(haltMusic, "Mix_HaltMusic") && Find(freeMusic, "Mix_FreeMusic");
  }
};

#else

struct MixerAudio::Library {};

#endif

MixerAudio::MixerAudio(std::string libraryFile) : m_libraryFile(std::move(libraryFile)) {}

MixerAudio::~MixerAudio() {
  StreamFree(kMusicStream);
  Free();
  Unload();
}

#if QM_HAVE_MIXER_HEADER

bool MixerAudio::Load() {
  if (m_library) return true;
  auto library = std::make_unique<Library>();
  library->handle = dlopen(m_libraryFile.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!library->handle) return false;
  if (!library->FindAll()) {
    dlclose(library->handle);
    return false;
  }
  m_library = std::move(library);
  return true;
}

void MixerAudio::Unload() {
  if (!m_library) return;
  Free();  // the mixer's audio thread must not outlive its code
  dlclose(m_library->handle);
  m_library.reset();
}

bool MixerAudio::Init(int frequency, HWND /*window: SDL's output needs none*/) {
  if (!m_library) return false;
  if (m_bOutputOpen) return true;
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
  m_library->init(MIX_INIT_OGG);
  if (m_library->openAudio(frequency, AUDIO_S16SYS, kStereo, kChunkFrames) != 0) {
    m_library->quit();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return false;
  }
  m_bOutputOpen = true;
  return true;
}

bool MixerAudio::Start() {
  // The mixer's output runs from the moment it opens; only paused music needs a nudge.
  if (!m_bOutputOpen) return false;
  m_library->resumeMusic();
  return true;
}

void MixerAudio::Free() {
  if (!m_bOutputOpen) return;
  StreamFree(kMusicStream);
  m_library->closeAudio();
  m_library->quit();
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
  m_bOutputOpen = false;
}

std::uint32_t MixerAudio::GetVolume() {
  if (!m_bOutputOpen) return 0;
  return PercentFromMixerVolume(m_library->volumeMusic(kQueryVolume));
}

bool MixerAudio::SetVolume(std::uint32_t percent) {
  if (!m_bOutputOpen) return false;
  m_library->volumeMusic(MixerVolumeFromPercent(percent));
  return true;
}

bool MixerAudio::Set3DFactors(float, float, float) { return m_bOutputOpen; }

AudioStream MixerAudio::StreamCreateFromMemory(std::span<const std::uint8_t> bytes) {
  if (!m_bOutputOpen || bytes.empty() || m_pMusic) return 0;
  SDL_RWops* source = SDL_RWFromConstMem(bytes.data(), int(bytes.size()));
  if (!source) return 0;
  // The mixer owns the reader from here, also when it refuses the bytes.
  m_pMusic = m_library->loadMusic(source, SDL_TRUE);
  return m_pMusic ? kMusicStream : 0;
}

bool MixerAudio::StreamPlay(AudioStream stream, bool loop) {
  if (stream != kMusicStream || !m_pMusic) return false;
  return m_library->playMusic(static_cast<Mix_Music*>(m_pMusic), loop ? kLoopForever : 1) == 0;
}

bool MixerAudio::StreamFree(AudioStream stream) {
  if (stream != kMusicStream || !m_pMusic) return false;
  m_library->haltMusic();
  m_library->freeMusic(static_cast<Mix_Music*>(m_pMusic));
  m_pMusic = nullptr;
  return true;
}

#else  // built without the mixer's header: the library counts as missing

bool MixerAudio::Load() { return false; }
void MixerAudio::Unload() {}
bool MixerAudio::Init(int, HWND) { return false; }
bool MixerAudio::Start() { return false; }
void MixerAudio::Free() {}
std::uint32_t MixerAudio::GetVolume() { return 0; }
bool MixerAudio::SetVolume(std::uint32_t) { return false; }
bool MixerAudio::Set3DFactors(float, float, float) { return false; }
AudioStream MixerAudio::StreamCreateFromMemory(std::span<const std::uint8_t>) { return 0; }
bool MixerAudio::StreamPlay(AudioStream, bool) { return false; }
bool MixerAudio::StreamFree(AudioStream) { return false; }

#endif

}  // namespace qm
