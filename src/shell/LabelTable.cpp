#include "shell/LabelTable.h"

#include <cctype>
#include <cstdlib>

#include "platform/EmbeddedResources.h"

namespace qm {

namespace {

constexpr int kLabelResource = 484;

char16_t LowerAscii(char16_t c) { return (c >= u'A' && c <= u'Z') ? char16_t(c - u'A' + u'a') : c; }

// Decodes one code unit at `pos` and advances past it. Bytes past the end read as 0, so a
// sequence cut off at the end of the data never reads beyond it.
char16_t DecodeUnit(std::span<const std::uint8_t> data, std::size_t& pos) {
  auto byteAt = [&](std::size_t i) -> std::uint8_t { return i < data.size() ? data[i] : 0; };
  const std::uint8_t b0 = byteAt(pos), b1 = byteAt(pos + 1), b2 = byteAt(pos + 2);
  if (b0 == 0xEF && b1 == 0xBB && b2 == 0xBF) {
    pos += 3;
    return 0;
  }
  if (b0 < 0x80) {
    pos += 1;
    return b0;
  }
  if ((b0 & 0xF0) == 0xE0) {
    pos += 3;
    return char16_t(((b0 & 0x0F) << 12) | ((b1 & 0x3F) << 6) | (b2 & 0x3F));
  }
  if ((b0 & 0xE0) == 0xC0) {
    pos += 2;
    return char16_t(((b0 & 0x1F) << 6) | (b1 & 0x3F));
  }
  // A continuation byte or a lead byte of a form the decoder does not know: skip it.
  pos += 1;
  return 0;
}

std::u16string ReadLine(std::span<const std::uint8_t> data, std::size_t& pos) {
  std::u16string line;
  while (pos < data.size()) {
    const char16_t unit = DecodeUnit(data, pos);
    if (unit == 10) break;
    if (unit != 0 && unit != 13) line += unit;
  }
  return line;
}

std::string ToSingleByte(const std::u16string& text) {
  std::string out;
  out.reserve(text.size());
  for (char16_t unit : text) out += char(unit & 0xFF);
  return out;
}

}  // namespace

void LabelTable::Load(std::span<const std::uint8_t> data) {
  m_lines.clear();
  std::size_t pos = 0;
  while (pos < data.size()) {
    std::u16string line = ReadLine(data, pos);
    if (m_lines.size() >= kMaxLines) continue;  // read on, so the whole resource is walked
    if (!line.empty() && line.front() == u'#') {
      for (std::size_t i = 1; i + 1 < line.size(); ++i) line[i] = LowerAscii(line[i]);
    }
    m_lines.push_back(std::move(line));
  }
  m_configurationTitle = GetLabel("screensaver_configuration");
  m_aboutLines = SplitAboutText(GetLabel("about_window_text"), kAboutLines);
}

std::string LabelTable::GetLabel(std::u16string_view key) const {
  std::u16string wanted(key);
  for (char16_t& c : wanted) c = LowerAscii(c);
  for (std::size_t i = 0; i + 1 < m_lines.size(); ++i) {
    const std::u16string& line = m_lines[i];
    if (line.empty() || line.front() != u'#') continue;
    if (line.size() < 1 + wanted.size()) continue;
    if (line.compare(1, wanted.size(), wanted) != 0) continue;
    const std::size_t difference = line.size() > wanted.size() ? line.size() - wanted.size()
                                                               : wanted.size() - line.size();
    if (difference <= 2) return ToSingleByte(m_lines[i + 1]);
  }
  return {};
}

std::string LabelTable::GetLabel(std::string_view key) const {
  std::u16string wide;
  for (char c : key) wide += char16_t(static_cast<unsigned char>(c));
  return GetLabel(std::u16string_view(wide));
}

std::vector<std::string> SplitAboutText(std::string_view text, std::size_t maxLines) {
  std::vector<std::string> lines(maxLines);
  std::size_t index = 0;
  for (char c : text) {
    if (c == '%') {
      if (++index >= maxLines) break;
      continue;
    }
    lines[index] += c;
  }
  return lines;
}

LabelTable& Labels() {
  static LabelTable table;
  return table;
}

std::string LanguageOfLocale(std::string_view locale) {
  if (locale.size() < 2 || locale == "POSIX" || locale[0] == 'C' ||
      (locale.size() > 2 && std::isalpha(static_cast<unsigned char>(locale[2]))))
    return {};
  std::string language(locale.substr(0, 2));
  for (char& c : language) {
    if (!std::isalpha(static_cast<unsigned char>(c))) return {};
    c = char(std::tolower(static_cast<unsigned char>(c)));
  }
  return language;
}

std::string UserLanguage() {
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(name);
    if (value && *value) return LanguageOfLocale(value);
  }
  return {};
}

void LoadLabelsFor(std::string_view language) {
  std::span<const std::uint8_t> table;
  if (!language.empty())
    table = FindEmbeddedResource("CustomData." + std::string(language), kLabelResource);
  if (table.empty()) table = FindEmbeddedResource("CustomData", kLabelResource);
  Labels().Load(table);
}

void LoadLabels() { LoadLabelsFor(UserLanguage()); }

std::string GetLabel(std::string_view key) { return Labels().GetLabel(key); }

}  // namespace qm
