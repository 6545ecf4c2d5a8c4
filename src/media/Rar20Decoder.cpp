#include "media/Rar20Decoder.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace qm {

using namespace rar20;

namespace {
constexpr std::uint32_t kBytesForLastTables = 5;   // fewer left: the stream simply ended
constexpr std::uint32_t kRunRepeatPrevious = 16;
constexpr std::uint32_t kRunShortZeros = 17;
}  // namespace

bool Rar20Decoder::Init() {
  m_window.reset(new (std::nothrow) std::uint8_t[kWindowSize]);
  if (!m_window) return false;
  ResetState();
  return true;
}

void Rar20Decoder::ResetState() {
  std::memset(m_window.get(), 0, kWindowSize);
  m_unpPtr = m_flushedPtr = m_history = 0;
  m_tablesRead = false;
  m_audioBlock = false;
  m_channels = 1;
  m_channel = 0;
  std::memset(m_lengths, 0, sizeof m_lengths);
  m_predictor.Reset();
  std::fill(std::begin(m_ring), std::end(m_ring), 0u);
  m_ringPos = m_lastDist = m_lastLength = 0;
}

bool Rar20Decoder::Decode(const Rar20Entry& entry) {
  m_entry = &entry;
  m_produced = m_written = 0;
  m_in.Start(entry.packed, entry.packedSize, entry.cipher);
  if (!entry.continuesSolid) ResetState();
  m_flushedPtr = m_unpPtr;
  if (entry.unpackedSize == 0) return true;
  if ((!entry.continuesSolid || !m_tablesRead) && !ReadTables()) return false;

  while (m_produced < entry.unpackedSize) {
    m_in.EnsureBuffered();
    if (m_in.Overrun()) return false;
    if (m_unpPtr != m_flushedPtr && ((m_flushedPtr - m_unpPtr) & kWindowMask) < kFlushMargin &&
        !Flush())
      return false;
    if (!(m_audioBlock ? DecodeAudioSymbol() : DecodeLzSymbol())) return false;
  }
  if (m_in.Overrun()) return false;
  ReadTablesAfterLastSymbol();
  return Flush();
}

// ---- Tables ---------------------------------------------------------------------------

bool Rar20Decoder::ReadTables() {
  m_in.EnsureBuffered();
  const std::uint32_t head = m_in.Peek16();
  m_audioBlock = (head & kTableAudioBit) != 0;
  if ((head & kTableKeepBit) == 0) std::memset(m_lengths, 0, sizeof m_lengths);
  m_in.Skip(2);
  int count = kLzTableSize;
  if (m_audioBlock) {
    m_channels = static_cast<int>((head >> 12) & 3) + 1;
    if (m_channel >= m_channels) m_channel = 0;
    m_in.Skip(2);
    count = m_channels * kAudioSymbols;
  }
  std::uint8_t bitLengths[kBitLengthSymbols];
  for (auto& len : bitLengths) len = static_cast<std::uint8_t>(m_in.Read(4));
  HuffmanTable bitTable;
  if (!bitTable.Build(bitLengths, kBitLengthSymbols) || !ReadLengths(bitTable, count))
    return false;
  m_tablesRead = true;
  return BuildTables();
}

bool Rar20Decoder::ReadLengths(const HuffmanTable& bitTable, int count) {
  std::uint8_t fresh[kRememberedLengths];
  int i = 0;
  while (i < count) {
    m_in.EnsureBuffered();
    if (m_in.Overrun()) return false;
    const int sym = bitTable.Decode(m_in);
    if (sym < 0) return false;
    if (sym < 16) {
      fresh[i] = static_cast<std::uint8_t>((m_lengths[i] + sym) & 15);
      ++i;
    } else if (sym == kRunRepeatPrevious) {
      if (i == 0) return false;
      for (std::uint32_t n = m_in.Read(2) + 3; n > 0 && i < count; --n, ++i) fresh[i] = fresh[i - 1];
    } else {
      std::uint32_t n = sym == kRunShortZeros ? m_in.Read(3) + 3 : m_in.Read(7) + 11;
      for (; n > 0 && i < count; --n) fresh[i++] = 0;
    }
  }
  std::memcpy(m_lengths, fresh, static_cast<std::size_t>(count));
  return true;
}

bool Rar20Decoder::BuildTables() {
  if (m_audioBlock) {
    for (int ch = 0; ch < m_channels; ++ch)
      if (!m_audio[ch].Build(m_lengths + ch * kAudioSymbols, kAudioSymbols)) return false;
    return true;
  }
  return m_main.Build(m_lengths, kMainSymbols) &&
         m_dist.Build(m_lengths + kMainSymbols, kDistSymbols) &&
         m_repLen.Build(m_lengths + kMainSymbols + kDistSymbols, kRepLenSymbols);
}

// Archivers end an entry of a solid stream with the tables of the next one: a new-tables
// symbol right after the last byte. Without reading them here the next entry would start
// with stale tables.
void Rar20Decoder::ReadTablesAfterLastSymbol() {
  if (m_in.BytesAfterPosition() < kBytesForLastTables) return;
  m_in.EnsureBuffered();
  if (m_audioBlock) {
    if (m_audio[m_channel].Decode(m_in) == kSymAudioNewTables) ReadTables();
  } else if (m_main.Decode(m_in) == kSymNewTables) {
    ReadTables();
  }
}

// ---- Symbols --------------------------------------------------------------------------

bool Rar20Decoder::DecodeAudioSymbol() {
  const int sym = m_audio[m_channel].Decode(m_in);
  if (sym < 0) return false;
  if (sym == kSymAudioNewTables) return ReadTables();
  PutByte(m_predictor.Decode(m_channel, static_cast<std::uint8_t>(sym)));
  if (++m_channel == m_channels) m_channel = 0;
  return true;
}

bool Rar20Decoder::DecodeLzSymbol() {
  const int sym = m_main.Decode(m_in);
  if (sym < 0) return false;
  if (sym < 256) {
    PutByte(static_cast<std::uint8_t>(sym));
    return true;
  }
  if (sym >= kSymLongFirst) {
    const int s = sym - kSymLongFirst;
    std::uint32_t length = kLengthBase[s] + 3 + m_in.Read(kLengthBits[s]);
    const int d = m_dist.Decode(m_in);
    if (d < 0) return false;
    const std::uint32_t distance = kDistBase[d] + 1 + m_in.Read(kDistBits[d]);
    if (distance >= kDistBonus2) ++length;
    if (distance >= kDistBonus3) ++length;
    return CopyMatch(length, distance);
  }
  if (sym == kSymNewTables) return ReadTables();
  if (sym == kSymRepeatLast) return CopyMatch(m_lastLength, m_lastDist);
  if (sym < kSymShortFirst) {
    const std::uint32_t distance = m_ring[(m_ringPos - std::uint32_t(sym - kSymRepeatLast)) & 3];
    std::uint32_t length = 0;
    return ReadLengthAfterRing(distance, length) && CopyMatch(length, distance);
  }
  const int s = sym - kSymShortFirst;
  return CopyMatch(2, kShortBase[s] + 1 + m_in.Read(kShortBits[s]));
}

bool Rar20Decoder::ReadLengthAfterRing(std::uint32_t distance, std::uint32_t& length) {
  const int r = m_repLen.Decode(m_in);
  if (r < 0) return false;
  length = kLengthBase[r] + 2 + m_in.Read(kLengthBits[r]);
  if (distance >= kDistBonus1) ++length;
  if (distance >= kDistBonus2) ++length;
  if (distance >= kDistBonus3) ++length;
  return true;
}

// ---- Window and output ----------------------------------------------------------------

void Rar20Decoder::PutByte(std::uint8_t b) {
  m_window[m_unpPtr] = b;
  m_unpPtr = (m_unpPtr + 1) & kWindowMask;
  ++m_produced;
  if (m_history < kWindowSize) ++m_history;
}

bool Rar20Decoder::CopyMatch(std::uint32_t length, std::uint32_t distance) {
  m_lastDist = m_ring[m_ringPos] = distance;
  m_ringPos = (m_ringPos + 1) & 3;
  m_lastLength = length;
  // A distance reaching before the first byte of the stream means corrupt data.
  if (distance == 0 || distance > m_history) return false;

  std::uint8_t* window = m_window.get();
  std::uint32_t src = (m_unpPtr - distance) & kWindowMask;
  if (distance >= length && src + length <= kWindowSize && m_unpPtr + length <= kWindowSize) {
    std::memcpy(window + m_unpPtr, window + src, length);
  } else {
    for (std::uint32_t i = 0; i < length; ++i)
      window[(m_unpPtr + i) & kWindowMask] = window[(src + i) & kWindowMask];
  }
  m_unpPtr = (m_unpPtr + length) & kWindowMask;
  m_produced += length;
  m_history = std::min(m_history + length, kWindowSize);
  return true;
}

bool Rar20Decoder::Flush() {
  const std::uint32_t n = (m_unpPtr - m_flushedPtr) & kWindowMask;
  if (m_written + n > m_entry->unpackedSize) return false;
  if (m_entry->output != nullptr) {
    std::uint8_t* out = m_entry->output + m_written;
    const std::uint32_t first = std::min(n, kWindowSize - m_flushedPtr);
    std::memcpy(out, m_window.get() + m_flushedPtr, first);
    std::memcpy(out + first, m_window.get(), n - first);
  }
  m_written += n;
  m_flushedPtr = m_unpPtr;
  return true;
}

}  // namespace qm
