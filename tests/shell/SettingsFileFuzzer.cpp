// libFuzzer target: the settings file. Any bytes parse; what a save writes reads back with
// the same values, and a value set reads back as set.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/RegistryFile.h"

namespace {

constexpr std::string_view kKey = "Software\\VORTANE Studio\\Quillmoor 3D Screensaver";
constexpr std::string_view kNames[] = {"ShowFPS", "Width", "Music", "Background", "x"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  qm::RegistryFile registry("/nonexistent/settings.reg");
  registry.Parse(std::string_view(reinterpret_cast<const char*>(data), size));
  qm::RegistryFile again("/nonexistent/settings.reg");
  again.Parse(registry.Serialize());
  for (std::string_view name : kNames) {
    if (registry.QueryDword(kKey, name) != again.QueryDword(kKey, name)) std::abort();
  }
  registry.SetDword(kKey, "Width", 0x1234u);
  if (registry.QueryDword(kKey, "Width") != 0x1234u) std::abort();
  return 0;
}
