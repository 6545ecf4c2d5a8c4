#include "shell/MessageBox.h"

#include <cstdio>

namespace qm {

namespace {

MessageBoxSink& Sink() {
  static MessageBoxSink sink;
  return sink;
}

// Unicode code points of Windows-1251 bytes 0x80 to 0xBF; 0xC0 to 0xFF are U+0410 to U+044F.
constexpr char16_t kHighHalf[64] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409,
    0x2039, 0x040A, 0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0xFFFD, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0,
    0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB,
    0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6,
    0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457};

void AppendUtf8(std::string& out, char32_t code) {
  if (code < 0x80) {
    out += char(code);
  } else if (code < 0x800) {
    out += char(0xC0 | (code >> 6));
    out += char(0x80 | (code & 0x3F));
  } else {
    out += char(0xE0 | (code >> 12));
    out += char(0x80 | ((code >> 6) & 0x3F));
    out += char(0x80 | (code & 0x3F));
  }
}

}  // namespace

void SetMessageBoxSink(MessageBoxSink sink) { Sink() = std::move(sink); }

std::string Cp1251ToUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (unsigned char c : text) {
    if (c < 0x80) AppendUtf8(out, c);
    else if (c < 0xC0) AppendUtf8(out, kHighHalf[c - 0x80]);
    else AppendUtf8(out, char32_t(0x0410 + (c - 0xC0)));
  }
  return out;
}

}  // namespace qm

int MessageBoxA(HWND owner, const char* text, const char* caption, UINT flags) {
  const std::string utf8Text = qm::Cp1251ToUtf8(text ? text : "");
  const std::string utf8Caption = qm::Cp1251ToUtf8(caption ? caption : "");
  if (auto& sink = qm::Sink()) {
    sink(owner, utf8Text, utf8Caption, flags);
  } else {
    std::fprintf(stderr, "%s: %s\n", utf8Caption.c_str(), utf8Text.c_str());
  }
  return 1;  // IDOK
}
