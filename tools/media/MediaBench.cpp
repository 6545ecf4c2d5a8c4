// The bench subcommand: extraction speed of the saver's reader beside unar on one archive.
//
// It makes about N MB of media-like data (mesh text, smooth pixels, noisy pixels, repeated
// records), packs it compressed and encrypted with the scene archive's settings, then times
// ExtractEntry over every entry in memory and `unar` extracting the same archive file.
#include "MediaTool.h"

#include "RarPacker.h"
#include "media/MediaArchive.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace qm::mediatool {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kRuns = 3;

// A small deterministic generator so that every run measures the same bytes.
struct Lcg {
  std::uint32_t state = 12345;
  std::uint32_t Next() {
    state = state * 214013u + 2531011u;
    return (state >> 16) & 0x7FFF;
  }
};

std::vector<std::uint8_t> MeshText(std::size_t size, Lcg& rng) {
  std::string s = "xof 0303txt 0032\nMesh {\n";
  char line[96];
  while (s.size() < size) {
    std::snprintf(line, sizeof line, "  %.6f;%.6f;%.6f;,\n", (rng.Next() % 20000) / 100.0 - 100,
                  (rng.Next() % 20000) / 100.0 - 100, (rng.Next() % 5000) / 100.0);
    s += line;
  }
  s.resize(size);
  return {s.begin(), s.end()};
}

std::vector<std::uint8_t> Pixels(std::size_t size, Lcg& rng, int noise) {
  std::vector<std::uint8_t> v(size);
  for (std::size_t i = 0; i < size; ++i)
    v[i] = std::uint8_t((i % 4096) / 32 + (i / 65536) * 3 + (noise ? rng.Next() % noise : 0));
  return v;
}

std::vector<std::uint8_t> Records(std::size_t size, Lcg& rng) {
  std::vector<std::uint8_t> v;
  while (v.size() < size) {
    const std::uint32_t id = rng.Next();
    const std::uint8_t rec[16] = {'W', 'E', 'B', 0, std::uint8_t(id), std::uint8_t(id >> 8), 0, 0,
                                  std::uint8_t(rng.Next() & 3), 0, 0x80, 0x3F, 0, 0, 0, 0};
    v.insert(v.end(), rec, rec + 16);
  }
  v.resize(size);
  return v;
}

double SecondsSince(Clock::time_point t) {
  return std::chrono::duration<double>(Clock::now() - t).count();
}

}  // namespace

int RunBench(int argc, char** argv) {
  std::size_t megabytes = 20;
  std::string dir = (fs::temp_directory_path() / "qm-media-bench").string();
  for (int i = 2; i + 1 < argc; i += 2) {
    const std::string arg = argv[i];
    if (arg == "--mb") megabytes = std::strtoul(argv[i + 1], nullptr, 10);
    else if (arg == "--dir") dir = argv[i + 1];
    else return Fail("bench takes --mb N and --dir DIR");
  }
  const std::size_t quarter = megabytes * 1024 * 1024 / 4;
  Lcg rng;
  std::vector<PackEntry> entries = {{"forest.X", MeshText(quarter, rng), false},
                                    {"background_01.raw", Pixels(quarter, rng, 8), false},
                                    {"Tree_big.raw", Pixels(quarter, rng, 0), false},
                                    {"cobweb_half.dat", Records(quarter, rng), false}};
  PackOptions options;
  options.password = kMediaPassword;
  std::vector<std::uint8_t> archive;
  std::string error;
  const auto packStart = Clock::now();
  if (!PackArchive(entries, options, archive, error)) return Fail(error);
  const double packSeconds = SecondsSince(packStart);

  std::error_code ec;
  fs::create_directories(dir, ec);
  const std::string archivePath = dir + "/bench.rar";
  if (!WriteWholeFile(archivePath, archive)) return Fail("cannot write " + archivePath);
  const double totalMb = double(quarter) * 4 / (1024.0 * 1024.0);
  std::printf("archive %s: %.1f MB of data in %.1f MB (packed in %.2f s)\n", archivePath.c_str(),
              totalMb, archive.size() / (1024.0 * 1024.0), packSeconds);

  double best = 1e9;
  for (int run = 0; run < kRuns; ++run) {
    const auto start = Clock::now();
    for (const PackEntry& e : entries) {
      MediaArchive a{archive.data(), std::uint32_t(archive.size()), 0};
      std::uint8_t* buffer = nullptr;
      std::uint32_t count = 0;
      if (!ExtractEntry(e.name.c_str(), &a, kMediaPassword, &buffer, &count) ||
          count != e.data.size())
        return Fail("our reader failed on " + e.name);
      std::free(buffer);
    }
    best = std::min(best, SecondsSince(start));
  }
  std::printf("quillmoor reader (in memory):  %8.1f MB/s  (%.3f s)\n", totalMb / best, best);

  const std::string outDir = dir + "/unar-out";
  const std::string command = "unar -q -f -D -o '" + outDir + "' -p '" + kMediaPassword +
                              "' '" + archivePath + "' >/dev/null 2>&1";
  double unarBest = 1e9;
  for (int run = 0; run < kRuns; ++run) {
    fs::remove_all(outDir, ec);
    const auto start = Clock::now();
    if (std::system(command.c_str()) != 0) {
      std::printf("unar: not available or failed\n");
      return 0;
    }
    unarBest = std::min(unarBest, SecondsSince(start));
  }
  std::printf("unar (process, writes files):  %8.1f MB/s  (%.3f s)\n", totalMb / unarBest,
              unarBest);
  fs::remove_all(outDir, ec);
  return 0;
}

}  // namespace qm::mediatool
