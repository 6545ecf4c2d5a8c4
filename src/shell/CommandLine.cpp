#include "shell/CommandLine.h"

namespace qm {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexDigitValue(char c) {
  if (IsDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The number at `pos` (the caller starts on a digit): decimal as atol reads it, or
// hexadecimal after "0x", the form in which xwininfo and XScreenSaver print window ids.
std::uint64_t ReadNumber(std::string_view text, std::size_t pos) {
  std::uint64_t value = 0;
  const bool hex = text[pos] == '0' && pos + 2 < text.size() &&
                   (text[pos + 1] == 'x' || text[pos + 1] == 'X') &&
                   HexDigitValue(text[pos + 2]) >= 0;
  if (hex) {
    for (pos += 2; pos < text.size() && HexDigitValue(text[pos]) >= 0; ++pos)
      value = value * 16 + std::uint64_t(HexDigitValue(text[pos]));
    return value;
  }
  while (pos < text.size() && IsDigit(text[pos])) {
    value = value * 10 + std::uint64_t(text[pos] - '0');
    ++pos;
  }
  return value;
}

std::size_t SkipProgramName(std::string_view text) {
  if (!text.empty() && text.front() == '"') {
    const std::size_t close = text.find('"', 1);
    return close == std::string_view::npos ? text.size() : close + 1;
  }
  const std::size_t blank = text.find(' ');
  return blank == std::string_view::npos ? text.size() : blank + 1;
}

}  // namespace

CommandLineChoice ParseCommandLine(std::string_view text) {
  CommandLineChoice choice;
  std::size_t pos = SkipProgramName(text);
  while (pos < text.size() && text[pos] != '/' && text[pos] != '-') ++pos;
  if (pos >= text.size()) return choice;
  // A switch at the very end reads the terminating NUL as its letter, which means Saver.
  const char letter = pos + 1 < text.size() ? text[pos + 1] : '\0';
  switch (letter) {
    case 'a': case 'A': choice.mode = ChangePassword; break;
    case 'c': case 'C': choice.mode = Config; break;
    case 'p': case 'P': choice.mode = Preview; break;
    case 't': case 'T': return {Test, 0};
    default: return {Saver, 0};
  }
  for (pos += 2; pos < text.size(); ++pos) {
    if (IsDigit(text[pos])) {
      choice.parentWindow = ReadNumber(text, pos);
      break;
    }
  }
  return choice;
}

std::string JoinCommandLine(int argc, const char* const* argv) {
  std::string text;
  for (int i = 0; i < argc; ++i) {
    std::string_view arg = argv[i] ? argv[i] : "";
    if (i > 0) text += ' ';
    if (i == 0 && arg.find(' ') != std::string_view::npos) {
      text += '"';
      text += arg;
      text += '"';
    } else {
      text += arg;
    }
  }
  return text;
}

}  // namespace qm
