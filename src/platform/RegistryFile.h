// RegistryFile: the per-user settings file that stands in for the registry.
//
// The file has the text form of a registry export: a "[HKEY_CURRENT_USER\...]" section per
// key and "Name"=dword:XXXXXXXX lines. Only 4-byte REG_DWORD values are read; every other
// line (other keys, other value types, comments) is kept as it is and written back, so a
// save never loses what the saver does not own. Saving is atomic: a temporary file is
// written, flushed and renamed over the old one. The file may be UTF-8 (with or without a
// byte-order mark) or UTF-16 with a byte-order mark, as regedit exports it; a save keeps the
// encoding it was read in. Only regular files up to kMaxFileBytes are read.
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
  // A settings file is a few hundred bytes; anything past this is not one.
  static constexpr std::uintmax_t kMaxFileBytes = 1u << 20;

  explicit RegistryFile(std::filesystem::path path);

  // $XDG_CONFIG_HOME/quillmoor/settings.reg, else ~/.config/quillmoor/settings.reg.
  static std::filesystem::path DefaultPath();

  // Reads the file. A missing file is an empty registry (true); an unreadable one, one that
  // is not a regular file or one larger than kMaxFileBytes is empty too, but reports false.
  // Malformed lines are kept and ignored.
  bool Load();
  // Parses the bytes of a file as Load reads them: a UTF-16 byte-order mark switches to
  // UTF-16, a UTF-8 one is dropped.
  void Parse(std::string_view text);
  // Writes the file atomically, creating its folder; false when it could not be written.
  bool Save() const;
  std::string Serialize() const;

  // The DWORD value `name` of key `key` (a path below HKEY_CURRENT_USER, backslashes).
  // When the key's section or the value appears more than once, the last one wins, as
  // when the file is imported.
  std::optional<std::uint32_t> QueryDword(std::string_view key, std::string_view name) const;
  void SetDword(std::string_view key, std::string_view name, std::uint32_t value);

  const std::filesystem::path& Path() const { return m_path; }

 private:
  // How the file's text was encoded; Save writes the same.
  enum class Encoding { Utf8, Utf16LittleEndian, Utf16BigEndian };

  // One section of the file: its header line and the raw lines that follow it.
  struct Section {
    std::string header;  // full key path as written between the brackets
    std::vector<std::string> lines;
  };

  // The last section of that key: the one whose values win.
  Section* FindSection(std::string_view fullKey);
  const Section* FindSection(std::string_view fullKey) const;
  void ParseText(std::string_view text);

  std::filesystem::path m_path;
  std::vector<std::string> m_preamble;  // lines before the first section
  std::vector<Section> m_sections;
  Encoding m_encoding = Encoding::Utf8;
};

}  // namespace qm
