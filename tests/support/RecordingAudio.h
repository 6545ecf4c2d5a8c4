// RecordingAudio: an audio back end for tests that records every call as text.
//
// Each step can be made to fail, so that tests walk the music player's silent paths. The
// one stream it hands out is number 7.
#pragma once

#include <string>
#include <vector>

#include "sound/AudioBackend.h"

namespace qm::testing {

class RecordingAudio : public AudioBackend {
 public:
  bool failLoad = false, failInit = false, failCreate = false, failPlay = false;
  std::vector<std::string> calls;

  bool Load() override { return Note("Load", !failLoad); }
  void Unload() override { calls.push_back("Unload"); }
  bool Init(int frequency, HWND) override {
    return Note("Init " + std::to_string(frequency), !failInit);
  }
  bool Start() override { return Note("Start", true); }
  void Free() override { calls.push_back("Free"); }
  std::uint32_t GetVolume() override {
    calls.push_back("GetVolume");
    return 100;
  }
  bool SetVolume(std::uint32_t percent) override {
    return Note("SetVolume " + std::to_string(percent), true);
  }
  bool Set3DFactors(float d, float r, float p) override {
    return Note("Set3DFactors " + std::to_string(d + r + p), true);
  }
  AudioStream StreamCreateFromMemory(std::span<const std::uint8_t> bytes) override {
    calls.push_back("StreamCreate " + std::to_string(bytes.size()));
    return failCreate ? 0 : 7;
  }
  bool StreamPlay(AudioStream stream, bool loop) override {
    return Note("StreamPlay " + std::to_string(stream) + (loop ? " loop" : " once"), !failPlay);
  }
  bool StreamFree(AudioStream stream) override {
    return Note("StreamFree " + std::to_string(stream), true);
  }

 private:
  bool Note(std::string call, bool result) {
    calls.push_back(std::move(call));
    return result;
  }
};

}  // namespace qm::testing
