// AudioBackend: the audio library as the music player sees it.
//
// MusicPlayer calls these operations in a fixed order: Load, Init, Start, GetVolume,
// SetVolume, Set3DFactors, StreamCreateFromMemory, StreamPlay while starting; StreamFree,
// Free, Unload while stopping. The platform's back end (MixerAudio) plays through an audio
// library loaded at run time; tests put a recording back end in its place. Every operation
// may fail: a missing library or audio device means silence, never a failed start.
#pragma once

#include <cstdint>
#include <span>

#include "d3d/WinTypes.h"

namespace qm {

// A music stream of the back end; 0 is no stream.
using AudioStream = std::uint32_t;

class AudioBackend {
 public:
  virtual ~AudioBackend() = default;

  // Makes the library's entry points usable; false when the library cannot be loaded.
  virtual bool Load() = 0;
  // Drops the library; the device must be closed first.
  virtual void Unload() = 0;

  // Opens the output device at this frequency (stereo); false when there is none.
  virtual bool Init(int frequency, HWND window) = 0;
  // Starts the output running.
  virtual bool Start() = 0;
  // Closes the output device, stopping whatever still plays.
  virtual void Free() = 0;

  // The music volume as a percentage, 0 to 100.
  virtual std::uint32_t GetVolume() = 0;
  virtual bool SetVolume(std::uint32_t percent) = 0;
  // Distance, roll-off and Doppler factors of 3D sound; a back end without 3D ignores them.
  virtual bool Set3DFactors(float distance, float rolloff, float doppler) = 0;

  // A stream that decodes the bytes in place (they must outlive the stream); 0 on failure.
  virtual AudioStream StreamCreateFromMemory(std::span<const std::uint8_t> bytes) = 0;
  // Plays the stream from its start; with loop it repeats until freed.
  virtual bool StreamPlay(AudioStream stream, bool loop) = 0;
  // Stops and frees the stream.
  virtual bool StreamFree(AudioStream stream) = 0;
};

}  // namespace qm
