// XFileLexer: splits the body of an X file (after its 16-byte header) into tokens.
//
// Text files and binary files give the same token stream, so that XFileParser reads both
// with one grammar: binary keyword tokens come out as names ("template", "DWORD"), and the
// numbers of binary integer and float lists come out one token per value. Every read is
// bounds-checked; malformed input gives an Error token, never a read past the buffer.
#pragma once

#include <cstddef>
#include <string_view>

#include "d3dx/XFileTypes.h"

// What a token is.
enum class XFileTokenKind : BYTE {
  End, Error, Name, String, Number, Integer, Float, Guid,
  OBrace, CBrace, OParen, CParen, OBracket, CBracket, Dot, Ellipsis, Comma, Semicolon
};

// One token. Text numbers keep their text (the reader converts them to the member's type);
// binary numbers carry their value.
struct XFileToken {
  XFileTokenKind kind = XFileTokenKind::End;
  std::string_view text;  // Name, String, Number
  DWORD integer = 0;      // Integer
  double real = 0.0;      // Float
  XFileGuid guid;         // Guid
};

// Converts a number token for an integer member; false when it is not a number.
bool XFileTokenToDword(const XFileToken& token, DWORD* out);
// Converts a number token for a float member; false when it is not a number.
bool XFileTokenToDouble(const XFileToken& token, double* out);

class XFileLexer {
 public:
  XFileLexer(const BYTE* data, size_t size, bool binary, bool doubles);

  // The next token without consuming it.
  const XFileToken& Peek();
  // Consumes and returns the next token.
  XFileToken Take();
  // Consumes the token Peek returned, without copying it.
  void Drop() { m_peeked = false; }
  // Copies up to `max` values straight out of the binary float list being read (none when
  // not inside one, or after a Peek); returns how many. Lets big arrays skip token-by-token
  // reading.
  size_t TakeFloatRun(BYTE* out, size_t max);  // 4-byte floats, any alignment
  // Bytes not yet consumed: an upper bound for how many more values can follow.
  size_t Remaining() const { return m_size - m_pos; }
  // Where the lexer stands, for error messages.
  size_t Offset() const { return m_pos; }

 private:
  XFileToken Lex();
  XFileToken LexText();
  XFileToken LexBinary();
  XFileToken LexBinaryToken(WORD code);
  XFileToken LexTextWord();
  XFileToken LexTextGuid();
  XFileToken LexTextString();
  XFileToken NextListValue();
  bool ReadDword(DWORD* out);
  bool ReadBytes(size_t count, const BYTE** out);
  void SkipTextSpace();

  const BYTE* m_data;
  size_t m_size;
  size_t m_pos = 0;
  bool m_binary;
  bool m_doubles;
  bool m_peeked = false;
  XFileToken m_peek;
  // The rest of a binary integer or float list being handed out one value at a time.
  DWORD m_listLeft = 0;
  bool m_listIsFloat = false;
};
