#include "LzMatchFinder.h"

#include "media/Rar20Format.h"

#include <algorithm>

namespace qm {
namespace {

// Farthest distance the encoder uses; a little below the window keeps every reader safe.
constexpr std::uint32_t kMaxDistance = rar20::kWindowSize - rar20::kFlushMargin;

std::uint32_t Hash3(const std::uint8_t* p, int bits) {
  const std::uint32_t v = std::uint32_t(p[0]) << 16 | std::uint32_t(p[1]) << 8 | p[2];
  return (v * 2654435761u) >> (32 - bits);
}

}  // namespace

void LzMatchFinder::Reset() {
  m_head.assign(std::size_t(1) << kHashBits, -1);
  m_prev.assign(rar20::kWindowSize, -1);
  m_lastPair.assign(65536, -1);
  m_inserted = 0;
}

void LzMatchFinder::InsertUpTo(const std::vector<std::uint8_t>& data, std::uint32_t end) {
  const std::uint32_t limit = data.size() >= 3 ? std::uint32_t(data.size() - 2) : 0;
  for (; m_inserted < end; ++m_inserted) {
    const std::uint32_t p = m_inserted;
    if (p + 1 < data.size()) m_lastPair[data[p] << 8 | data[p + 1]] = std::int32_t(p);
    if (p >= limit) continue;
    const std::uint32_t h = Hash3(data.data() + p, kHashBits);
    m_prev[p & rar20::kWindowMask] = m_head[h];
    m_head[h] = std::int32_t(p);
  }
}

void LzMatchFinder::FindLongest(const std::vector<std::uint8_t>& data, std::uint32_t pos,
                                std::uint32_t maxLength, int chainLimit,
                                std::uint32_t niceLength, std::uint32_t& length,
                                std::uint32_t& distance) const {
  length = 0;
  distance = 0;
  if (maxLength < 3 || pos + 3 > data.size()) return;
  std::int32_t cand = m_head[Hash3(data.data() + pos, kHashBits)];
  for (int tries = chainLimit; cand >= 0 && tries > 0; --tries) {
    const std::uint32_t c = std::uint32_t(cand);
    if (c >= pos || pos - c > kMaxDistance) break;
    if (length == 0 || data[c + length] == data[pos + length]) {
      const std::uint32_t n = MatchLength(data, pos, pos - c, maxLength);
      if (n > length) {
        length = n;
        distance = pos - c;
        if (n >= niceLength || n >= maxLength) break;
      }
    }
    const std::int32_t next = m_prev[c & rar20::kWindowMask];
    if (next >= cand) break;
    cand = next;
  }
  if (length < 3) length = distance = 0;
}

std::uint32_t LzMatchFinder::PairDistance(const std::vector<std::uint8_t>& data,
                                          std::uint32_t pos) const {
  if (pos + 2 > data.size()) return 0;
  const std::int32_t last = m_lastPair[data[pos] << 8 | data[pos + 1]];
  return last >= 0 && std::uint32_t(last) < pos ? pos - std::uint32_t(last) : 0;
}

}  // namespace qm
