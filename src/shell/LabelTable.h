// LabelTable: every text of the configuration dialog and the About box, by key.
//
// The table is a UTF-8 resource ("CustomData" 484) where a line #key# is followed by its
// value line. LoadLabels decodes it once at start-up with the saver's own small UTF-8
// decoder into at most 200 lines; GetLabel finds a key without regard to case and returns
// the value as single-byte text (the low byte of each code unit). The About text is split
// at '%' into at most seven lines. Translations are further tables of the same form.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

class LabelTable {
 public:
  static constexpr std::size_t kMaxLines = 200;
  static constexpr std::size_t kAboutLines = 7;

  // Decodes `data` into lines (lines past the capacity are ignored).
  void Load(std::span<const std::uint8_t> data);
  // The value of `key`, or "" when the table lacks it.
  std::string GetLabel(std::u16string_view key) const;
  std::string GetLabel(std::string_view key) const;

  std::size_t LineCount() const { return m_lines.size(); }
  const std::u16string& Line(std::size_t i) const { return m_lines[i]; }

  // Value of screensaver_configuration, kept at load for the single-instance check.
  const std::string& ConfigurationTitle() const { return m_configurationTitle; }
  // The About text split at '%' (always seven entries, unused ones empty).
  const std::vector<std::string>& AboutLines() const { return m_aboutLines; }

 private:
  std::vector<std::u16string> m_lines;
  std::string m_configurationTitle;
  std::vector<std::string> m_aboutLines = std::vector<std::string>(kAboutLines);
};

// Splits a value at each '%' into at most `maxLines` lines; the rest of the text after
// the last kept '%' is dropped.
std::vector<std::string> SplitAboutText(std::string_view text, std::size_t maxLines);

// The process-wide table; LoadLabels fills it from resource 484 in the user's language
// where the saver carries one (resource type "CustomData.<language>"), else in English.
LabelTable& Labels();
void LoadLabels();
void LoadLabelsFor(std::string_view language);
// The two-letter language of the user's messages from LC_ALL, LC_MESSAGES or LANG (the
// first one set): "de" for de_DE.UTF-8, "" for C, POSIX or nothing.
std::string UserLanguage();
std::string LanguageOfLocale(std::string_view locale);
std::string GetLabel(std::string_view key);

}  // namespace qm
