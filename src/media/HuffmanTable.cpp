#include "media/HuffmanTable.h"

#include <cstring>

namespace qm {

bool HuffmanTable::Build(const std::uint8_t* lengths, int count) {
  int perLength[16] = {};
  for (int i = 0; i < count; ++i) ++perLength[lengths[i] & 15];
  perLength[0] = 0;

  std::int64_t available = 1;
  for (int len = 1; len <= 15; ++len) {
    available = available * 2 - perLength[len];
    if (available < 0) return false;
  }

  std::uint32_t code = 0;   // first code of the current length, right-aligned
  int index = 0;
  m_limit[0] = 0;
  m_firstIndex[0] = 0;
  for (int len = 1; len <= 15; ++len) {
    code = (code + perLength[len - 1]) << 1;
    m_firstIndex[len] = static_cast<std::uint16_t>(index);
    index += perLength[len];
    m_limit[len] = (code + perLength[len]) << (16 - len);
  }

  int next[16];
  for (int len = 0; len <= 15; ++len) next[len] = m_firstIndex[len];
  for (int i = 0; i < count; ++i) {
    const int len = lengths[i] & 15;
    if (len != 0) m_symbols[next[len]++] = static_cast<std::uint16_t>(i);
  }

  std::memset(m_quick, 0, sizeof m_quick);
  std::uint32_t first = 0;
  for (int len = 1; len <= kQuickBits; ++len) {
    first = m_limit[len - 1];
    for (int k = 0; k < perLength[len]; ++k) {
      const std::uint32_t start = (first >> kQuickShift) + (std::uint32_t(k) << (kQuickBits - len));
      const std::uint32_t span = 1u << (kQuickBits - len);
      const auto entry = static_cast<std::uint16_t>(len << 12 | m_symbols[m_firstIndex[len] + k]);
      for (std::uint32_t j = 0; j < span; ++j) m_quick[start + j] = entry;
    }
  }
  return true;
}

int HuffmanTable::DecodeSlow(Rar20BitInput& in, std::uint32_t bits) const {
  for (int len = 1; len <= 15; ++len) {
    if (bits < m_limit[len]) {
      in.Skip(static_cast<std::uint32_t>(len));
      return m_symbols[m_firstIndex[len] + ((bits - m_limit[len - 1]) >> (16 - len))];
    }
  }
  return -1;
}

}  // namespace qm
