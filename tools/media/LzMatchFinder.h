// LzMatchFinder: finds repeated byte strings for the RAR 2.0 encoder with hash chains.
//
// Positions are offsets in one growing stream buffer (the bytes of every entry of a solid
// stream so far). Every position is entered into a chain keyed by its next three bytes and
// into a table of the last place of each byte pair; the encoder asks for the longest match
// within the 1 MB window, searching at most chainLimit earlier places.
#pragma once

#include <cstdint>
#include <vector>

namespace qm {

class LzMatchFinder {
 public:
  void Reset();
  // Enters every position below `end` not yet entered (the stream must hold end + 2 bytes).
  void InsertUpTo(const std::vector<std::uint8_t>& data, std::uint32_t end);
  // The longest match for pos of at most maxLength bytes, nearest first among equals.
  void FindLongest(const std::vector<std::uint8_t>& data, std::uint32_t pos,
                   std::uint32_t maxLength, int chainLimit, std::uint32_t niceLength,
                   std::uint32_t& length, std::uint32_t& distance) const;
  // Distance to the last earlier place of the two bytes at pos, 0 when none.
  std::uint32_t PairDistance(const std::vector<std::uint8_t>& data, std::uint32_t pos) const;

 private:
  static constexpr int kHashBits = 17;
  std::vector<std::int32_t> m_head;
  std::vector<std::int32_t> m_prev;
  std::vector<std::int32_t> m_lastPair;
  std::uint32_t m_inserted = 0;
};

// Number of equal bytes at pos and pos - distance, up to maxLength.
inline std::uint32_t MatchLength(const std::vector<std::uint8_t>& data, std::uint32_t pos,
                                 std::uint32_t distance, std::uint32_t maxLength) {
  const std::uint8_t* a = data.data() + pos;
  const std::uint8_t* b = a - distance;
  std::uint32_t n = 0;
  while (n < maxLength && a[n] == b[n]) ++n;
  return n;
}

}  // namespace qm
