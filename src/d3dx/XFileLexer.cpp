// XFileLexer: text and binary tokenising of X-file bodies.
//
// Sections: binary token codes; number conversion; text tokens; binary tokens.
#include "d3dx/XFileLexer.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <iterator>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

// ---- Binary token codes of the X-file format ------------------------------------------
constexpr WORD kTokName = 1;
constexpr WORD kTokString = 2;
constexpr WORD kTokInteger = 3;
constexpr WORD kTokGuid = 5;
constexpr WORD kTokIntegerList = 6;
constexpr WORD kTokFloatList = 7;
constexpr WORD kTokOBrace = 10;
constexpr WORD kTokCBrace = 11;
constexpr WORD kTokOParen = 12;
constexpr WORD kTokCParen = 13;
constexpr WORD kTokOBracket = 14;
constexpr WORD kTokCBracket = 15;
constexpr WORD kTokDot = 18;
constexpr WORD kTokComma = 19;
constexpr WORD kTokSemicolon = 20;
constexpr WORD kTokTemplate = 31;
constexpr WORD kTokFirstType = 40;  // WORD .. ARRAY, in order
constexpr const char* kTypeKeywords[] = {"WORD",  "DWORD",  "FLOAT", "DOUBLE",  "CHAR",
                                         "UCHAR", "SWORD",  "SDWORD", "VOID",   "STRING",
                                         "UNICODE", "CSTRING", "array"};

XFileToken Punct(XFileTokenKind kind) {
  XFileToken token;
  token.kind = kind;
  return token;
}

XFileToken ErrorToken() { return Punct(XFileTokenKind::Error); }

bool IsTextSpecial(BYTE c) {
  return c <= ' ' || c == '{' || c == '}' || c == '[' || c == ']' || c == '(' || c == ')' ||
         c == ',' || c == ';' || c == '<' || c == '>' || c == '"';
}

bool LooksNumeric(std::string_view word) {
  char c = word[0];
  if (c == '-' || c == '+' || c == '.') {
    return word.size() > 1 && (std::isdigit(static_cast<unsigned char>(word[1])) ||
                               (word[1] == '.' && word.size() > 2));
  }
  return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

// Some exporters print NaN and infinity the C runtime way ("-1.#IND00", "1.#QNAN0").
bool IsRuntimeNanText(const char* rest, const char* end) { return rest < end && *rest == '#'; }

}  // namespace

// ---- Number conversion -------------------------------------------------------------------

bool XFileTokenToDouble(const XFileToken& token, double* out) {
  switch (token.kind) {
    case XFileTokenKind::Float:
      *out = token.real;
      return true;
    case XFileTokenKind::Integer:
      *out = token.integer;
      return true;
    case XFileTokenKind::Number: {
      const char* begin = token.text.data();
      const char* end = begin + token.text.size();
      if (begin < end && *begin == '+') ++begin;
      double value = 0.0;
      auto result = std::from_chars(begin, end, value);
      if (result.ec == std::errc::result_out_of_range) {
        value = 0.0;  // denormals and overflows: the value is unusable either way
      } else if (result.ec != std::errc()) {
        return false;
      }
      if (result.ptr != end && !IsRuntimeNanText(result.ptr, end)) return false;
      *out = IsRuntimeNanText(result.ptr, end) ? 0.0 : value;
      return true;
    }
    default:
      return false;
  }
}

bool XFileTokenToDword(const XFileToken& token, DWORD* out) {
  if (token.kind == XFileTokenKind::Integer) {
    *out = token.integer;
    return true;
  }
  if (token.kind == XFileTokenKind::Number) {
    const char* begin = token.text.data();
    const char* end = begin + token.text.size();
    if (begin < end && *begin == '+') ++begin;
    long long value = 0;
    auto result = std::from_chars(begin, end, value);
    if (result.ec == std::errc() && result.ptr == end) {
      *out = static_cast<DWORD>(value);  // negative values wrap as a C cast would
      return true;
    }
  }
  double real = 0.0;
  if (!XFileTokenToDouble(token, &real) || !std::isfinite(real) || real < -2147483648.0 ||
      real > 4294967295.0) {
    return false;
  }
  *out = real < 0 ? static_cast<DWORD>(static_cast<long long>(real)) : static_cast<DWORD>(real);
  return true;
}

// ---- Common ------------------------------------------------------------------------------

XFileLexer::XFileLexer(const BYTE* data, size_t size, bool binary, bool doubles)
    : m_data(data), m_size(size), m_binary(binary), m_doubles(doubles) {}

const XFileToken& XFileLexer::Peek() {
  if (!m_peeked) {
    m_peek = Lex();
    m_peeked = true;
  }
  return m_peek;
}

XFileToken XFileLexer::Take() {
  if (m_peeked) {
    m_peeked = false;
    return m_peek;
  }
  return Lex();
}

XFileToken XFileLexer::Lex() { return m_binary ? LexBinary() : LexText(); }

bool XFileLexer::ReadBytes(size_t count, const BYTE** out) {
  if (count > m_size - m_pos) return false;
  *out = m_data + m_pos;
  m_pos += count;
  return true;
}

bool XFileLexer::ReadDword(DWORD* out) {
  const BYTE* p = nullptr;
  if (!ReadBytes(4, &p)) return false;
  std::memcpy(out, p, 4);
  return true;
}

// ---- Text tokens -------------------------------------------------------------------------

void XFileLexer::SkipTextSpace() {
  while (m_pos < m_size) {
    BYTE c = m_data[m_pos];
    if (c <= ' ') {
      ++m_pos;
    } else if (c == '#' || (c == '/' && m_pos + 1 < m_size && m_data[m_pos + 1] == '/')) {
      while (m_pos < m_size && m_data[m_pos] != '\n') ++m_pos;
    } else {
      return;
    }
  }
}

XFileToken XFileLexer::LexText() {
  SkipTextSpace();
  if (m_pos >= m_size) return Punct(XFileTokenKind::End);
  switch (m_data[m_pos]) {
    case '{': ++m_pos; return Punct(XFileTokenKind::OBrace);
    case '}': ++m_pos; return Punct(XFileTokenKind::CBrace);
    case '[': ++m_pos; return Punct(XFileTokenKind::OBracket);
    case ']': ++m_pos; return Punct(XFileTokenKind::CBracket);
    case '(': ++m_pos; return Punct(XFileTokenKind::OParen);
    case ')': ++m_pos; return Punct(XFileTokenKind::CParen);
    case ',': ++m_pos; return Punct(XFileTokenKind::Comma);
    case ';': ++m_pos; return Punct(XFileTokenKind::Semicolon);
    case '<': return LexTextGuid();
    case '"': return LexTextString();
    case '>': return ErrorToken();
    default: return LexTextWord();
  }
}

XFileToken XFileLexer::LexTextWord() {
  size_t start = m_pos;
  while (m_pos < m_size && !IsTextSpecial(m_data[m_pos])) ++m_pos;
  XFileToken token;
  token.text = std::string_view(reinterpret_cast<const char*>(m_data + start), m_pos - start);
  if (token.text == "...") {
    token.kind = XFileTokenKind::Ellipsis;
  } else if (token.text == ".") {
    token.kind = XFileTokenKind::Dot;
  } else {
    token.kind = LooksNumeric(token.text) ? XFileTokenKind::Number : XFileTokenKind::Name;
  }
  return token;
}

XFileToken XFileLexer::LexTextGuid() {
  size_t start = ++m_pos;
  while (m_pos < m_size && m_data[m_pos] != '>') ++m_pos;
  if (m_pos >= m_size) return ErrorToken();
  const char* text = reinterpret_cast<const char*>(m_data + start);
  size_t length = m_pos - start;
  ++m_pos;
  while (length > 0 && *text == ' ') { ++text; --length; }
  while (length > 0 && text[length - 1] == ' ') --length;
  XFileToken token;
  token.kind = XFileTokenKind::Guid;
  return XFileParseGuid(text, length, &token.guid) ? token : ErrorToken();
}

XFileToken XFileLexer::LexTextString() {
  size_t start = ++m_pos;
  while (m_pos < m_size && m_data[m_pos] != '"') ++m_pos;
  if (m_pos >= m_size) return ErrorToken();  // unterminated
  XFileToken token;
  token.kind = XFileTokenKind::String;
  token.text = std::string_view(reinterpret_cast<const char*>(m_data + start), m_pos - start);
  ++m_pos;
  return token;
}

// ---- Binary tokens -----------------------------------------------------------------------

XFileToken XFileLexer::NextListValue() {
  --m_listLeft;
  XFileToken token;
  if (!m_listIsFloat) {
    token.kind = XFileTokenKind::Integer;
    return ReadDword(&token.integer) ? token : ErrorToken();
  }
  token.kind = XFileTokenKind::Float;
  const BYTE* p = nullptr;
  if (!ReadBytes(m_doubles ? 8 : 4, &p)) return ErrorToken();
  if (m_doubles) {
    std::memcpy(&token.real, p, 8);
  } else {
    float value = 0.0f;
    std::memcpy(&value, p, 4);
    token.real = value;
  }
  return token;
}

size_t XFileLexer::TakeFloatRun(BYTE* out, size_t max) {
  if (m_peeked || !m_listIsFloat) return 0;
  size_t count = std::min<size_t>(max, m_listLeft);
  size_t size = m_doubles ? 8 : 4;
  const BYTE* p = m_data + m_pos;  // the list's length was checked against the buffer
  if (m_doubles) {
    for (size_t i = 0; i < count; ++i) {
      double value;
      std::memcpy(&value, p + i * size, 8);
      float single = static_cast<float>(value);
      std::memcpy(out + i * 4, &single, 4);
    }
  } else {
    std::memcpy(out, p, count * 4);
  }
  m_pos += count * size;
  m_listLeft -= static_cast<DWORD>(count);
  return count;
}

XFileToken XFileLexer::LexBinary() {
  // A list token only announces values: loop so that empty lists cost no stack.
  for (;;) {
    if (m_listLeft > 0) return NextListValue();
    if (m_pos >= m_size) return Punct(XFileTokenKind::End);
    const BYTE* p = nullptr;
    if (!ReadBytes(2, &p)) return ErrorToken();
    WORD code = static_cast<WORD>(p[0] | (p[1] << 8));
    if (code != kTokIntegerList && code != kTokFloatList) return LexBinaryToken(code);
    if (!ReadDword(&m_listLeft)) return ErrorToken();
    m_listIsFloat = code == kTokFloatList;
    size_t valueSize = m_listIsFloat && m_doubles ? 8 : 4;
    if (m_listLeft > Remaining() / valueSize) {
      m_listLeft = 0;
      return ErrorToken();
    }
  }
}

XFileToken XFileLexer::LexBinaryToken(WORD code) {
  const BYTE* p = nullptr;
  XFileToken token;
  switch (code) {
    case kTokName:
    case kTokString: {
      DWORD length = 0;
      if (!ReadDword(&length) || !ReadBytes(length, &p)) return ErrorToken();
      token.kind = code == kTokName ? XFileTokenKind::Name : XFileTokenKind::String;
      token.text = std::string_view(reinterpret_cast<const char*>(p), length);
      return token;
    }
    case kTokInteger:
      token.kind = XFileTokenKind::Integer;
      return ReadDword(&token.integer) ? token : ErrorToken();
    case kTokGuid:
      if (!ReadBytes(16, &p)) return ErrorToken();
      token.kind = XFileTokenKind::Guid;
      std::memcpy(&token.guid.data1, p, 4);
      std::memcpy(&token.guid.data2, p + 4, 2);
      std::memcpy(&token.guid.data3, p + 6, 2);
      std::memcpy(token.guid.data4, p + 8, 8);
      return token;
    case kTokOBrace: return Punct(XFileTokenKind::OBrace);
    case kTokCBrace: return Punct(XFileTokenKind::CBrace);
    case kTokOParen: return Punct(XFileTokenKind::OParen);
    case kTokCParen: return Punct(XFileTokenKind::CParen);
    case kTokOBracket: return Punct(XFileTokenKind::OBracket);
    case kTokCBracket: return Punct(XFileTokenKind::CBracket);
    case kTokDot: return Punct(XFileTokenKind::Dot);
    case kTokComma: return Punct(XFileTokenKind::Comma);
    case kTokSemicolon: return Punct(XFileTokenKind::Semicolon);
    case kTokTemplate:
      token.kind = XFileTokenKind::Name;
      token.text = "template";
      return token;
    default:
      if (code >= kTokFirstType && code < kTokFirstType + std::size(kTypeKeywords)) {
        token.kind = XFileTokenKind::Name;
        token.text = kTypeKeywords[code - kTokFirstType];
        return token;
      }
      return ErrorToken();  // angle brackets and unknown codes have no place in data
  }
}
