// Writes the seed corpus of the ExtractEntry fuzzer: small archives of every packer mode,
// each prefixed with the selector byte the fuzzer reads first.
#include <cstdio>
#include <string>
#include <vector>

#include "RarPacker.h"
#include "media/MediaArchive.h"

int main(int argc, char** argv) {
  if (argc != 2) return 1;
  std::vector<std::uint8_t> text, noise, wav(44, 0);
  for (int i = 0; i < 3000; ++i) text.push_back(std::uint8_t("mesh 1.0; 2.5; -3;\n"[i % 19]));
  std::uint32_t s = 7;
  for (int i = 0; i < 500; ++i) noise.push_back(std::uint8_t((s = s * 1103515245u + 12345u) >> 24));
  for (int i = 0; i < 2000; ++i) wav.push_back(std::uint8_t(128 + 100 * ((i / 2) % 40 - 20) / 20));
  const std::vector<qm::PackEntry> entries = {
      {"Digits", {}, true},      {"Digits\\digit_0.jpg", noise, false}, {"a.txt", text, false},
      {"music.wav", wav, false}, {"part3.x", text, false},              {"b.bin", {}, false}};
  struct Seed { const char* name; qm::PackMethod method; bool solid; const char* password; int selector; };
  const Seed seeds[] = {{"stored", qm::PackMethod::kStore, false, "", 0x02},
                        {"lz", qm::PackMethod::kCompress, false, "", 0x02},
                        {"lz_pw", qm::PackMethod::kCompress, false, "pw", 0x14},
                        {"audio", qm::PackMethod::kMultimedia, false, "", 0x03},
                        {"solid", qm::PackMethod::kCompress, true, qm::kMediaPassword, 0x24},
                        {"solid_audio", qm::PackMethod::kMultimedia, true, "", 0x03}};
  for (const Seed& seed : seeds) {
    qm::PackOptions options;
    options.method = seed.method;
    options.solid = seed.solid;
    options.password = seed.password;
    std::vector<std::uint8_t> archive;
    std::string error;
    if (!qm::PackArchive(entries, options, archive, error)) return 1;
    archive.insert(archive.begin(), std::uint8_t(seed.selector));
    const std::string path = std::string(argv[1]) + "/" + seed.name + ".rar";
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return 1;
    std::fwrite(archive.data(), 1, archive.size(), f);
    std::fclose(f);
  }
  return 0;
}
