// HuffmanTable: a canonical Huffman decoding table built from code lengths (0 to 15).
//
// Rar20Decoder builds one per alphabet (main, distance, repeat length, bit length and one
// per audio channel) every time the stream brings new tables. Codes go to symbols in order
// of increasing length, then increasing symbol number. A 10-bit lookup answers short codes;
// longer ones fall back to the left-aligned limits per length.
#pragma once

#include <cstdint>

#include "media/Rar20BitInput.h"

namespace qm {

class HuffmanTable {
 public:
  static constexpr int kMaxSymbols = 298;

  // False when the lengths over-subscribe the code space (no decoder could use them).
  bool Build(const std::uint8_t* lengths, int count);

  // The next symbol, or -1 when the bits match no code (an incomplete or empty table).
  int Decode(Rar20BitInput& in) const {
    const std::uint32_t bits = in.Peek16();
    const std::uint16_t quick = m_quick[bits >> kQuickShift];
    if (quick != 0) {
      in.Skip(quick >> 12);
      return quick & 0x0FFF;
    }
    return DecodeSlow(in, bits);
  }

 private:
  static constexpr int kQuickBits = 10;
  static constexpr int kQuickShift = 16 - kQuickBits;

  int DecodeSlow(Rar20BitInput& in, std::uint32_t bits) const;

  std::uint32_t m_limit[16] = {};      // left-aligned end of the codes of each length
  std::uint16_t m_firstIndex[16] = {}; // index in m_symbols of each length's first code
  std::uint16_t m_symbols[kMaxSymbols] = {};
  std::uint16_t m_quick[1 << kQuickBits] = {};   // length << 12 | symbol; 0 = not short
};

}  // namespace qm
