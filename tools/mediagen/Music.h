// The saver's music (SOUND 468): a slow forest piece composed from fixed seeds (soft pads on
// a pentatonic progression, plucked notes and a few bells in a small reverb), rendered at
// 44100 Hz stereo and encoded as Ogg Vorbis. The end is cross-faded into the start so the
// loop joins without a click.
#pragma once

#include <vector>

#include "ImageFiles.h"

namespace qm::gen {

constexpr int kMusicRate = 44100;
constexpr int kMusicSeconds = 96;

// Interleaved stereo samples in -1..1, exactly kMusicSeconds long, looping seamlessly.
std::vector<float> RenderMusic();
// The rendered music as an Ogg Vorbis file.
Bytes ComposeMusicOgg();
// Interleaved stereo samples in -1..1 at kMusicRate as an Ogg Vorbis file.
Bytes EncodeOggVorbis(const std::vector<float>& pcm);

}  // namespace qm::gen
