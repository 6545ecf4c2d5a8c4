// BitWriter: appends bit fields to a byte vector, most significant bit first.
//
// The RAR 2.0 encoder writes table headers and symbols through it; the order of bits
// matches what Rar20BitInput reads back.
#pragma once

#include <cstdint>
#include <vector>

namespace qm {

class BitWriter {
 public:
  // Appends the low `bits` bits of value (0 to 24 bits).
  void Write(std::uint32_t value, int bits) {
    m_acc = (m_acc << bits) | (value & ((1u << bits) - 1));
    m_accBits += bits;
    while (m_accBits >= 8) {
      m_accBits -= 8;
      m_bytes.push_back(static_cast<std::uint8_t>(m_acc >> m_accBits));
    }
    m_acc &= (1ull << m_accBits) - 1;
  }

  // Pads the last partial byte with zero bits.
  void AlignToByte() {
    if (m_accBits > 0) Write(0, 8 - m_accBits);
  }

  std::uint64_t BitCount() const { return m_bytes.size() * 8ull + m_accBits; }
  std::vector<std::uint8_t>& Bytes() { return m_bytes; }

 private:
  std::vector<std::uint8_t> m_bytes;
  std::uint64_t m_acc = 0;
  int m_accBits = 0;
};

}  // namespace qm
