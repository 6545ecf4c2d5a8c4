// DefaultSettings: the key = value text of defaults carried in the executable.
//
// The text (resource "CustomData" 496, Windows-1251, CR LF lines) is read once, before the
// entry point runs, into a table of at most 100 lower-cased pairs. GetDefault and
// GetDefaultInt look keys up without regard to case. The base default record and the
// scene default record are filled from it (see SaverSettings.h).
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace qm {

// One key = value pair of the text, both lower-cased.
struct DefaultPair {
  std::string key;
  std::string value;
};

class DefaultSettingsText {
 public:
  static constexpr std::size_t kCapacity = 100;

  // Parses the text; lines past the capacity are ignored.
  void Parse(std::span<const std::uint8_t> text);
  // The lower-cased value of the first pair whose key equals `key` (any case). A key the
  // text lacks shows a message box with the key as caption and gives "".
  std::string GetDefault(const char* key) const;
  // "true" 1, "false" 0, else the leading decimal number as by atoi.
  std::int32_t GetDefaultInt(const char* key) const;

  std::size_t Count() const { return m_count; }
  const DefaultPair& Pair(std::size_t i) const { return m_pairs[i]; }

 private:
  void Append(std::string key, std::string value);

  DefaultPair m_pairs[kCapacity];
  std::size_t m_count = 0;
};

// The process-wide table, parsed from resource 496 at first use.
const DefaultSettingsText& DefaultSettings();

}  // namespace qm
