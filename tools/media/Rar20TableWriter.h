// Rar20TableWriter: writes the code-length header that starts every RAR 2.0 table block.
//
// Rar20Encoder calls it whenever it switches tables. Lengths are sent as changes against
// the lengths the decoder remembers from the previous block (or against zeros, whichever is
// shorter), with runs of repeats and zeros, all coded by a 19-symbol bit-length table.
#pragma once

#include <cstdint>

#include "BitWriter.h"

namespace qm {

// What a table header sets: block kind, channels of an audio block, the new code lengths.
struct TableHeader {
  bool audio = false;
  int channels = 1;
  const std::uint8_t* lengths = nullptr;
  int count = 0;
};

// Bits the header would take, given the decoder's remembered lengths.
std::uint64_t TableHeaderBits(const TableHeader& header, const std::uint8_t* remembered);

// Writes the header and updates remembered (1028 lengths) as the decoder will.
void WriteTableHeader(BitWriter& out, const TableHeader& header, std::uint8_t* remembered);

}  // namespace qm
