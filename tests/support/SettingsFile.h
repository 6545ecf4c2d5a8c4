// Reading a settings file back in tests: its exact bytes, or one of the saver's values.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include "platform/RegistryFile.h"
#include "shell/SaverSettings.h"

namespace qm::testing {

inline std::string FileBytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// The saver's value `name` as a fresh process would read it from `file`.
inline std::optional<std::uint32_t> StoredValue(const std::filesystem::path& file,
                                                const char* name) {
  RegistryFile registry(file);
  registry.Load();
  return registry.QueryDword(kSettingsKey, name);
}

}  // namespace qm::testing
