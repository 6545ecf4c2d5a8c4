// PcmLoudness: reads what SDL's "disk" audio driver wrote and measures how loud it is.
//
// The driver writes the output device's raw samples to SDL_DISKAUDIOFILE; the saver opens
// its output as signed 16-bit stereo in the machine's byte order. Music tests run the saver
// with that driver and compare the loudness (RMS) of stretches of the file.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

namespace qm::testing {

inline constexpr int kDiskRate = 44100;
inline constexpr int kDiskChannels = 2;

// Every sample of the file (both channels interleaved); empty when there is no file.
inline std::vector<std::int16_t> ReadPcm16(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<std::int16_t> samples;
  std::int16_t sample = 0;
  while (in.read(reinterpret_cast<char*>(&sample), sizeof sample)) samples.push_back(sample);
  return samples;
}

// Index of the first sample that is not silence (the output runs before the music starts),
// or the sample count when all are silent.
inline std::size_t FirstSound(const std::vector<std::int16_t>& samples) {
  std::size_t i = 0;
  while (i < samples.size() && std::abs(samples[i]) < 2) ++i;
  return i - i % kDiskChannels;
}

// Root mean square of the samples from `first`, over `seconds` of stereo; 0 for a stretch
// the file does not reach.
inline double Rms(const std::vector<std::int16_t>& samples, std::size_t first, double seconds) {
  const auto count = static_cast<std::size_t>(seconds * kDiskRate) * kDiskChannels;
  if (count == 0 || first + count > samples.size()) return 0.0;
  double sum = 0.0;
  for (std::size_t i = first; i < first + count; ++i) sum += double(samples[i]) * samples[i];
  return std::sqrt(sum / double(count));
}

// The stretch of `seconds` that starts `after` seconds past the first sound.
inline double RmsAfterStart(const std::vector<std::int16_t>& samples, double after,
                            double seconds) {
  const std::size_t start = FirstSound(samples);
  return Rms(samples, start + static_cast<std::size_t>(after * kDiskRate) * kDiskChannels,
             seconds);
}

}  // namespace qm::testing
