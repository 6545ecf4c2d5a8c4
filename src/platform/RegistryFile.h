// RegistryFile: the per-user settings file that stands in for the registry.
//
// The file has the text form of a registry export: a "[HKEY_CURRENT_USER\...]" section per
// key and "Name"=dword:XXXXXXXX lines. Only 4-byte REG_DWORD values are read; every other
// line (other keys, other value types, comments) is kept as it is and written back, so a
// save never loses what the saver does not own. Saving is atomic: a temporary file is
// written, flushed and renamed over the old one.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

class RegistryFile {
 public:
  explicit RegistryFile(std::filesystem::path path);

  // $XDG_CONFIG_HOME/quillmoor/settings.reg, else ~/.config/quillmoor/settings.reg.
  static std::filesystem::path DefaultPath();

  // Reads the file. A missing file is an empty registry (true); an unreadable one, or
  // anything but a regular file (a FIFO, a folder), is empty too, but reports false.
  // Malformed lines are kept and ignored.
  bool Load();
  // Parses text as Load would read it from the file.
  void Parse(std::string_view text);
  // Writes the file atomically, creating its folder; false when it could not be written.
  bool Save() const;
  std::string Serialize() const;

  // The DWORD value `name` of key `key` (a path below HKEY_CURRENT_USER, backslashes).
  std::optional<std::uint32_t> QueryDword(std::string_view key, std::string_view name) const;
  void SetDword(std::string_view key, std::string_view name, std::uint32_t value);

  const std::filesystem::path& Path() const { return m_path; }

 private:
  // One section of the file: its header line and the raw lines that follow it.
  struct Section {
    std::string header;  // full key path as written between the brackets
    std::vector<std::string> lines;
  };

  Section* FindSection(std::string_view fullKey);
  const Section* FindSection(std::string_view fullKey) const;

  std::filesystem::path m_path;
  std::vector<std::string> m_preamble;  // lines before the first section
  std::vector<Section> m_sections;
};

}  // namespace qm
