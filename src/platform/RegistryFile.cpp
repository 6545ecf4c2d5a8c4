#include "platform/RegistryFile.h"

#include "platform/AsciiCase.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace qm {

namespace {

constexpr std::string_view kRoot = "HKEY_CURRENT_USER\\";
constexpr std::string_view kFirstLine = "Windows Registry Editor Version 5.00";
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr char32_t kReplacement = 0xFFFD;

// ---- UTF-16 <-> UTF-8 ------------------------------------------------------------------

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += char(c);
  } else if (c < 0x800) {
    out += char(0xC0 | (c >> 6));
    out += char(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += char(0xE0 | (c >> 12));
    out += char(0x80 | ((c >> 6) & 0x3F));
    out += char(0x80 | (c & 0x3F));
  } else {
    out += char(0xF0 | (c >> 18));
    out += char(0x80 | ((c >> 12) & 0x3F));
    out += char(0x80 | ((c >> 6) & 0x3F));
    out += char(0x80 | (c & 0x3F));
  }
}

// UTF-16 code units after the byte-order mark to UTF-8; broken surrogates and an odd last
// byte become U+FFFD.
std::string Utf16ToUtf8(std::string_view bytes, bool bigEndian) {
  std::string out;
  out.reserve(bytes.size() / 2);
  const auto unit = [&](std::size_t i) {
    const auto a = static_cast<unsigned char>(bytes[i]);
    const auto b = static_cast<unsigned char>(bytes[i + 1]);
    return bigEndian ? char32_t(a << 8 | b) : char32_t(b << 8 | a);
  };
  std::size_t i = 0;
  for (; i + 1 < bytes.size(); i += 2) {
    char32_t c = unit(i);
    if (c >= 0xD800 && c < 0xDC00 && i + 3 < bytes.size()) {
      const char32_t low = unit(i + 2);
      if (low >= 0xDC00 && low < 0xE000) {
        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        i += 2;
      } else {
        c = kReplacement;
      }
    } else if (c >= 0xD800 && c < 0xE000) {
      c = kReplacement;
    }
    AppendUtf8(out, c);
  }
  if (i < bytes.size()) AppendUtf8(out, kReplacement);
  return out;
}

// The next code point of UTF-8 text at `i` (moved past it); U+FFFD for a broken sequence.
char32_t NextCodePoint(std::string_view s, std::size_t& i) {
  const auto lead = static_cast<unsigned char>(s[i++]);
  if (lead < 0x80) return lead;
  const int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : -1;
  if (extra < 0 || lead > 0xF4) return kReplacement;
  char32_t c = lead & (0x3F >> extra);
  for (int k = 0; k < extra; ++k) {
    if (i >= s.size() || (static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) return kReplacement;
    c = c << 6 | (static_cast<unsigned char>(s[i++]) & 0x3F);
  }
  return c;
}

std::string Utf8ToUtf16(std::string_view text, bool bigEndian) {
  std::string out;
  out.reserve(text.size() * 2 + 2);
  const auto put = [&](char32_t unit) {
    const char high = char(unit >> 8), low = char(unit & 0xFF);
    out += bigEndian ? high : low;
    out += bigEndian ? low : high;
  };
  put(0xFEFF);
  for (std::size_t i = 0; i < text.size();) {
    const char32_t c = NextCodePoint(text, i);
    if (c >= 0x10000) {
      put(0xD800 + ((c - 0x10000) >> 10));
      put(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      put(c);
    }
  }
  return out;
}

// ---- Lines -----------------------------------------------------------------------------

std::string_view TrimRight(std::string_view s) {
  while (!s.empty() && (s.back() == '\r' || s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

// Splits a value line "Name"=data into the unescaped name and the data; false for any
// other line.
bool SplitValueLine(std::string_view line, std::string& name, std::string_view& data) {
  line = TrimRight(line);
  if (line.empty() || line.front() != '"') return false;
  name.clear();
  std::size_t i = 1;
  for (; i < line.size() && line[i] != '"'; ++i) {
    if (line[i] == '\\' && i + 1 < line.size()) ++i;
    name += line[i];
  }
  if (i >= line.size() || i + 1 >= line.size() || line[i + 1] != '=') return false;
  data = line.substr(i + 2);
  return true;
}

// Reads "dword:XXXXXXXX" (exactly 8 hex digits); anything else is not a 4-byte DWORD.
std::optional<std::uint32_t> ParseDword(std::string_view data) {
  constexpr std::string_view kPrefix = "dword:";
  if (data.size() != kPrefix.size() + 8 || !EqualNoCaseAscii(data.substr(0, kPrefix.size()), kPrefix))
    return std::nullopt;
  std::uint32_t value = 0;
  for (char c : data.substr(kPrefix.size())) {
    int digit;
    if (c >= '0' && c <= '9') digit = c - '0';
    else if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    else return std::nullopt;
    value = value << 4 | std::uint32_t(digit);
  }
  return value;
}

std::string QuoteName(std::string_view name) {
  std::string out = "\"";
  for (char c : name) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

std::string FormatDwordLine(std::string_view name, std::uint32_t value) {
  char hex[16];
  std::snprintf(hex, sizeof hex, "%08x", value);
  return QuoteName(name) + "=dword:" + hex;
}

}  // namespace

RegistryFile::RegistryFile(std::filesystem::path path) : m_path(std::move(path)) {}

std::filesystem::path RegistryFile::DefaultPath() {
  std::filesystem::path base;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg) {
    base = xdg;
  } else if (const char* home = std::getenv("HOME"); home && *home) {
    base = std::filesystem::path(home) / ".config";
  } else {
    base = "/tmp";
  }
  return base / "quillmoor" / "settings.reg";
}

bool RegistryFile::Load() {
  m_preamble.clear();
  m_sections.clear();
  m_encoding = Encoding::Utf8;
  std::error_code ec;
  if (!std::filesystem::exists(m_path, ec)) return !ec;
  // Checked on the open descriptor, so that a file swapped in between cannot slip past:
  // a device (/dev/zero) or a FIFO would never end, a huge file would fill the memory.
  const int fd = ::open(m_path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) ||
      std::uintmax_t(info.st_size) > kMaxFileBytes) {
    ::close(fd);
    return false;
  }
  std::string text(static_cast<std::size_t>(info.st_size), '\0');
  std::size_t got = 0;
  bool failed = false;
  while (got < text.size()) {
    const ssize_t n = ::read(fd, text.data() + got, text.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      failed = n < 0;
      break;
    }
    got += std::size_t(n);
  }
  ::close(fd);
  if (failed) return false;
  text.resize(got);  // a file that shrank meanwhile is read as far as it goes
  Parse(text);
  return true;
}

void RegistryFile::Parse(std::string_view bytes) {
  m_encoding = Encoding::Utf8;
  if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE') {
    m_encoding = Encoding::Utf16LittleEndian;
    ParseText(Utf16ToUtf8(bytes.substr(2), false));
  } else if (bytes.size() >= 2 && bytes[0] == '\xFE' && bytes[1] == '\xFF') {
    m_encoding = Encoding::Utf16BigEndian;
    ParseText(Utf16ToUtf8(bytes.substr(2), true));
  } else {
    if (bytes.substr(0, kUtf8Bom.size()) == kUtf8Bom) bytes.remove_prefix(kUtf8Bom.size());
    ParseText(bytes);
  }
}

void RegistryFile::ParseText(std::string_view text) {
  m_preamble.clear();
  m_sections.clear();
  while (!text.empty()) {
    std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    std::string_view trimmed = TrimRight(line);
    if (trimmed.size() >= 2 && trimmed.front() == '[' && trimmed.back() == ']') {
      m_sections.push_back({std::string(trimmed.substr(1, trimmed.size() - 2)), {}});
    } else if (m_sections.empty()) {
      if (trimmed != kFirstLine && !trimmed.empty()) m_preamble.emplace_back(trimmed);
    } else {
      m_sections.back().lines.emplace_back(trimmed);
    }
  }
  // Blank lines that separate sections are written anew by Serialize.
  for (Section& section : m_sections) {
    while (!section.lines.empty() && section.lines.back().empty()) section.lines.pop_back();
  }
}

std::string RegistryFile::Serialize() const {
  std::string out(kFirstLine);
  out += "\n";
  for (const std::string& line : m_preamble) out += line + "\n";
  for (const Section& section : m_sections) {
    out += "\n[" + section.header + "]\n";
    for (const std::string& line : section.lines) out += line + "\n";
  }
  return out;
}

bool RegistryFile::Save() const {
  std::error_code ec;
  std::filesystem::create_directories(m_path.parent_path(), ec);
  std::string text = Serialize();
  if (m_encoding != Encoding::Utf8) {
    text = Utf8ToUtf16(text, m_encoding == Encoding::Utf16BigEndian);
  }
  const std::string temp = m_path.string() + ".tmp." + std::to_string(::getpid());
  int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  std::size_t written = 0;
  while (written < text.size()) {
    ssize_t n = ::write(fd, text.data() + written, text.size() - written);
    if (n <= 0) break;
    written += std::size_t(n);
  }
  bool ok = written == text.size() && ::fsync(fd) == 0;
  ok = ::close(fd) == 0 && ok;
  if (ok) ok = std::rename(temp.c_str(), m_path.c_str()) == 0;
  if (!ok) std::remove(temp.c_str());
  return ok;
}

RegistryFile::Section* RegistryFile::FindSection(std::string_view fullKey) {
  Section* found = nullptr;
  for (Section& section : m_sections)
    if (EqualNoCaseAscii(section.header, fullKey)) found = &section;
  return found;
}

const RegistryFile::Section* RegistryFile::FindSection(std::string_view fullKey) const {
  return const_cast<RegistryFile*>(this)->FindSection(fullKey);
}

std::optional<std::uint32_t> RegistryFile::QueryDword(std::string_view key,
                                                      std::string_view name) const {
  const std::string fullKey = std::string(kRoot) + std::string(key);
  std::string lineName;
  std::string_view data;
  // Every section of the key counts and the last line of a name wins, as when a registry
  // file is imported.
  std::optional<std::uint32_t> found;
  bool seen = false;
  for (const Section& section : m_sections) {
    if (!EqualNoCaseAscii(section.header, fullKey)) continue;
    for (const std::string& line : section.lines) {
      if (SplitValueLine(line, lineName, data) && EqualNoCaseAscii(lineName, name)) {
        found = ParseDword(data);
        seen = true;
      }
    }
  }
  return seen ? found : std::nullopt;
}

void RegistryFile::SetDword(std::string_view key, std::string_view name, std::uint32_t value) {
  const std::string fullKey = std::string(kRoot) + std::string(key);
  std::string lineName;
  std::string_view data;
  // The line that wins on reading is the one to change.
  std::string* target = nullptr;
  for (Section& section : m_sections) {
    if (!EqualNoCaseAscii(section.header, fullKey)) continue;
    for (std::string& line : section.lines)
      if (SplitValueLine(line, lineName, data) && EqualNoCaseAscii(lineName, name)) target = &line;
  }
  if (target) {
    *target = FormatDwordLine(name, value);
    return;
  }
  Section* section = FindSection(fullKey);
  if (!section) {
    m_sections.push_back({fullKey, {}});
    section = &m_sections.back();
  }
  section->lines.push_back(FormatDwordLine(name, value));
}

}  // namespace qm
