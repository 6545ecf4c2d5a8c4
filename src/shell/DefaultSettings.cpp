#include "shell/DefaultSettings.h"

#include <cstdlib>

#include "platform/EmbeddedResources.h"
#include "shell/MessageBox.h"

namespace qm {

namespace {

constexpr int kDefaultSettingsResource = 496;

// "Wrong format of file def_settings.txt" and "Parameter not found in file
// def_settings.txt", in Windows-1251 as the design shows them.
constexpr char kBadLineText[] =
    "\xed\xe5\xef\xf0\xe0\xe2\xe8\xeb\xfc\xed\xfb\xe9 \xf4\xee\xf0\xec\xe0\xf2 "
    "\xf4\xe0\xe9\xeb\xe0 def_settings.txt";
constexpr char kMissingKeyText[] =
    "\xcd\xe5 \xed\xe0\xe9\xe4\xe5\xed \xef\xe0\xf0\xe0\xec\xe5\xf2\xf0 \xe2 "
    "\xf4\xe0\xe9\xeb\xe5 def_settings.txt";

std::string LowerAscii(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return s;
}

// Keeps the printable bytes above the blank, drops the comment, lower-cases.
std::string CleanLine(std::span<const std::uint8_t> raw) {
  std::string line;
  for (std::uint8_t byte : raw) {
    if (byte <= 0x20 || byte >= 0x80) continue;
    line += char(byte);
  }
  if (std::size_t semicolon = line.find(';'); semicolon != std::string::npos)
    line.erase(semicolon);
  return LowerAscii(line);
}

}  // namespace

void DefaultSettingsText::Append(std::string key, std::string value) {
  if (m_count >= kCapacity) return;
  m_pairs[m_count++] = {std::move(key), std::move(value)};
}

void DefaultSettingsText::Parse(std::span<const std::uint8_t> text) {
  m_count = 0;
  std::size_t pos = 0;
  while (pos < text.size()) {
    // A line ends at a carriage return; a line feed alone does not end it (and is dropped
    // as a control byte), so a text with line feeds only is one line.
    std::size_t end = pos;
    while (end < text.size() && text[end] != '\r') ++end;
    std::string line = CleanLine(text.subspan(pos, end - pos));
    pos = end + 1;
    if (pos < text.size() && text[pos] == '\n') ++pos;
    if (line.empty()) continue;
    std::size_t equals = line.find('=');
    if (equals == std::string::npos) {
      MessageBoxA(0, kBadLineText, "", MB_OK);
      Append(line, line);
      continue;
    }
    Append(line.substr(0, equals), line.substr(equals + 1));
  }
}

std::string DefaultSettingsText::GetDefault(const char* key) const {
  const std::string wanted = LowerAscii(key);
  for (std::size_t i = 0; i < m_count; ++i)
    if (m_pairs[i].key == wanted) return m_pairs[i].value;
  MessageBoxA(0, kMissingKeyText, key, MB_OK);
  return {};
}

std::int32_t DefaultSettingsText::GetDefaultInt(const char* key) const {
  const std::string value = GetDefault(key);
  if (value == "true") return 1;
  if (value == "false") return 0;
  return std::atoi(value.c_str());
}

const DefaultSettingsText& DefaultSettings() {
  static const DefaultSettingsText table = [] {
    DefaultSettingsText parsed;
    parsed.Parse(FindEmbeddedResource("CustomData", kDefaultSettingsResource));
    return parsed;
  }();
  return table;
}

}  // namespace qm
