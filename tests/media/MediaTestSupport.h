// MediaTestSupport: helpers shared by the media tests (files, extraction, unar, sample data).
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "media/MediaArchive.h"

namespace qm::test {

using Bytes = std::vector<std::uint8_t>;

inline Bytes ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFile(const std::filesystem::path& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// The entry's bytes through ExtractEntry, or nothing when it fails.
inline std::optional<Bytes> Extract(const Bytes& archive, const std::string& name,
                                    const char* password = nullptr) {
  MediaArchive a{archive.data(), std::uint32_t(archive.size()), 0};
  std::uint8_t* buffer = nullptr;
  std::uint32_t count = 0;
  if (!ExtractEntry(name.c_str(), &a, password, &buffer, &count)) {
    if (buffer != nullptr || count != 0) return Bytes{0xBA, 0xD0};   // failure must be clean
    return std::nullopt;
  }
  Bytes out(buffer, buffer + count);
  std::free(buffer);
  return out;
}

// A fresh empty folder under the system's temporary folder.
inline std::filesystem::path FreshTempDir(const std::string& name) {
  auto dir = std::filesystem::temp_directory_path() / ("qm-media-test-" + name);
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir;
}

inline bool HaveCommand(const char* name) {
  return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0;
}

// A deterministic byte generator for sample data.
struct SampleRandom {
  std::uint32_t state;
  explicit SampleRandom(std::uint32_t seed) : state(seed) {}
  std::uint32_t Next() {
    state = state * 1664525u + 1013904223u;
    return state >> 8;
  }
};

// Text with the repetitions of an X file: numbers, braces and keywords.
inline Bytes MeshText(std::size_t size, std::uint32_t seed) {
  SampleRandom r(seed);
  std::string s = "xof 0303txt 0032\nFrame proto_frame {\n Mesh {\n";
  while (s.size() < size) {
    s += "  " + std::to_string(int(r.Next() % 2000) - 1000) + "." +
         std::to_string(r.Next() % 1000) + ";" + std::to_string(r.Next() % 97) + ".5;0.0;,\n";
    if (r.Next() % 16 == 0) s += " }\n MeshNormals {\n";
  }
  s.resize(size);
  return Bytes(s.begin(), s.end());
}

inline Bytes Noise(std::size_t size, std::uint32_t seed) {
  SampleRandom r(seed);
  Bytes b(size);
  for (auto& x : b) x = std::uint8_t(r.Next());
  return b;
}

// A PCM WAV file: a stereo chord with some noise, 8 or 16 bits per sample.
inline Bytes PcmWav(int bits, std::size_t frames, std::uint32_t seed) {
  SampleRandom r(seed);
  const int channels = 2, bytesPerSample = bits / 8, align = channels * bytesPerSample;
  const std::uint32_t dataSize = std::uint32_t(frames * align);
  Bytes b;
  auto put = [&b](std::uint32_t v, int n) {
    for (int i = 0; i < n; ++i) b.push_back(std::uint8_t(v >> (8 * i)));
  };
  b.insert(b.end(), {'R', 'I', 'F', 'F'});
  put(36 + dataSize, 4);
  b.insert(b.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  put(16, 4), put(1, 2), put(channels, 2), put(22050, 4), put(22050 * align, 4);
  put(align, 2), put(bits, 2);
  b.insert(b.end(), {'d', 'a', 't', 'a'});
  put(dataSize, 4);
  double phase = 0;
  for (std::size_t i = 0; i < frames; ++i, phase += 0.031) {
    for (int c = 0; c < channels; ++c) {
      const double v = 0.45 * std::sin(phase * (c + 1)) + 0.2 * std::sin(phase * 3.7) +
                       (int(r.Next() % 200) - 100) / 20000.0;
      if (bits == 8) put(std::uint32_t(128 + v * 127), 1);
      else put(std::uint32_t(std::int32_t(v * 32767)) & 0xFFFF, 2);
    }
  }
  return b;
}

}  // namespace qm::test
