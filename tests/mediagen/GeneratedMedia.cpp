// Test helper: see GeneratedMedia.h.
#include "GeneratedMedia.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <unistd.h>

#include "MediaGenerator.h"

namespace qm::test {

namespace fs = std::filesystem;

namespace {

// Removes the generated folder when the test program ends.
struct Cleanup {
  std::string dir;
  ~Cleanup() {
    std::error_code ec;
    if (!dir.empty()) fs::remove_all(dir, ec);
  }
};

}  // namespace

const std::string& GeneratedMediaDir() {
  static Cleanup cleanup;
  static const std::string dir = [] {
    std::string d = (fs::temp_directory_path() / ("qm-mediagen-test-" + std::to_string(getpid()))).string();
    fs::remove_all(d);
    gen::GeneratorOptions o;
    o.outDir = d;
    o.skipMusic = true;
    cleanup.dir = d;
    return gen::GenerateMedia(o) == 0 ? d : std::string();
  }();
  return dir;
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

std::vector<std::string> ListFiles(const std::string& dir) {
  std::vector<std::string> out;
  if (!fs::exists(dir)) return out;
  for (const auto& e : fs::recursive_directory_iterator(dir))
    if (e.is_regular_file()) out.push_back(fs::relative(e.path(), dir).string());
  std::sort(out.begin(), out.end());
  return out;
}

}  // namespace qm::test
