// AsciiCase: comparisons that ignore the case of the letters A to Z only.
//
// Resource types, registry keys and value names compare this way on Windows whatever the
// locale; so do they here.
#pragma once

#include <string_view>

namespace qm {

constexpr char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

constexpr bool EqualNoCaseAscii(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  return true;
}

}  // namespace qm
