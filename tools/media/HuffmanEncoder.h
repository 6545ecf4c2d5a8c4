// HuffmanEncoder: code lengths of at most 15 bits from symbol counts, and canonical codes.
//
// The RAR 2.0 encoder builds every table it writes (main, distance, repeat length, audio,
// bit length) with these two functions. Lengths come from an ordinary Huffman tree; when
// the tree is deeper than the limit the counts are flattened and the tree is built again.
// Codes are assigned as HuffmanTable decodes them: by length, then by symbol number.
#pragma once

#include <cstdint>

namespace qm {

// lengths[i] = 0 for symbols of count 0; a lone used symbol gets length 1.
void BuildCodeLengths(const std::uint32_t* counts, int symbolCount, int maxLength,
                      std::uint8_t* lengths);

// codes[i] holds the code of symbol i right-aligned in lengths[i] bits.
void BuildCanonicalCodes(const std::uint8_t* lengths, int symbolCount, std::uint16_t* codes);

}  // namespace qm
