#include "Rar20Encoder.h"

#include "BitWriter.h"
#include "HuffmanEncoder.h"
#include "LzMatchFinder.h"
#include "Rar20TableWriter.h"
#include "media/AudioPredictor.h"
#include "media/Rar20Format.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>

namespace qm {

using namespace rar20;

namespace {

// ---- Tuning ---------------------------------------------------------------------------
constexpr std::size_t kLzBlockTokens = 16384;   // statistics are weighed per block
constexpr std::uint32_t kAudioBlockBytes = 16384;
constexpr std::uint32_t kMaxMatch = 257;
constexpr int kCostLiteral = 9;   // rough symbol costs in bits that rank the choices
constexpr int kCostRepeat = 5;
constexpr int kCostRing = 8;
constexpr int kCostShort = 6;
constexpr int kCostLong = 12;
constexpr std::uint32_t kAudioProbeBytes = 65536;
// Zero bytes after the last symbol: some readers peek a whole code length ahead and refuse
// a stream that ends right after its last code.
constexpr int kTailBytes = 2;

struct LevelTuning {
  int chainLimit;
  std::uint32_t niceLength;
  bool lazy;
};
constexpr LevelTuning kLevels[5] = {
    {8, 32, false}, {24, 64, true}, {64, 128, true}, {160, 200, true}, {400, kMaxMatch, true}};

// ---- Symbol slots ---------------------------------------------------------------------
template <std::size_t N, typename T>
int Slot(const std::array<T, N>& bases, std::uint32_t v) {
  int s = 0;
  while (s + 1 < int(N) && bases[s + 1] <= v) ++s;
  return s;
}

std::uint32_t RingBonus(std::uint32_t d) {
  return (d >= kDistBonus1) + (d >= kDistBonus2) + (d >= kDistBonus3);
}
std::uint32_t LongBonus(std::uint32_t d) { return (d >= kDistBonus2) + (d >= kDistBonus3); }

// One coded step of an LZ block: a main symbol and what follows it.
struct LzToken {
  std::uint16_t main;
  std::uint8_t sub;        // distance symbol (long) or length symbol (ring)
  std::uint8_t bits1, bits2;
  std::uint32_t extra1, extra2;
};

enum class MatchKind { kLiteral, kRepeat, kRing, kShort, kLong };

// A way to code the bytes at one position, with its estimated gain in bits.
struct Choice {
  MatchKind kind = MatchKind::kLiteral;
  std::uint32_t length = 1;
  std::uint32_t distance = 0;
  int ring = 0;
  int gain = 0;
};

// The code lengths of one block, per alphabet.
struct Tables {
  bool audio = false;
  int channels = 1;
  std::array<std::uint8_t, kRememberedLengths> lengths{};   // LZ: main|dist|replen
  std::array<std::uint16_t, kRememberedLengths> codes{};

  int Count() const { return audio ? channels * kAudioSymbols : kLzTableSize; }
  void MakeCodes() {
    if (audio) {
      for (int c = 0; c < channels; ++c)
        BuildCanonicalCodes(&lengths[c * kAudioSymbols], kAudioSymbols, &codes[c * kAudioSymbols]);
      return;
    }
    BuildCanonicalCodes(&lengths[0], kMainSymbols, &codes[0]);
    BuildCanonicalCodes(&lengths[kMainSymbols], kDistSymbols, &codes[kMainSymbols]);
    BuildCanonicalCodes(&lengths[kMainSymbols + kDistSymbols], kRepLenSymbols,
                        &codes[kMainSymbols + kDistSymbols]);
  }
};

// Code lengths for one alphabet; `forced` always gets a code, and so do at least two symbols.
void AlphabetLengths(std::uint32_t* counts, int n, int forced, std::uint8_t* lengths) {
  if (forced >= 0 && counts[forced] == 0) counts[forced] = 1;
  int used = 0;
  for (int i = 0; i < n; ++i) used += counts[i] != 0;
  for (int i = 0; used < 2; ++i)
    if (counts[i] == 0) counts[i] = 1, ++used;
  BuildCodeLengths(counts, n, kMaxCodeLength, lengths);
}

}  // namespace

// ---- Layout of multimedia entries -----------------------------------------------------

namespace {
std::uint32_t Le32At(const std::uint8_t* p) {
  return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
         std::uint32_t(p[3]) << 24;
}

bool WavLayout(const std::uint8_t* data, std::size_t size, AudioLayout& layout) {
  if (size < 12 || std::memcmp(data, "RIFF", 4) != 0 || std::memcmp(data + 8, "WAVE", 4) != 0)
    return false;
  int blockAlign = 0;
  for (std::size_t pos = 12; pos + 8 <= size;) {
    const std::uint32_t chunk = Le32At(data + pos + 4);
    if (std::memcmp(data + pos, "fmt ", 4) == 0 && pos + 22 <= size)
      blockAlign = data[pos + 20] | data[pos + 21] << 8;
    if (std::memcmp(data + pos, "data", 4) == 0) {
      if (blockAlign <= 0) return false;
      layout.lzPrefix = static_cast<std::uint32_t>(pos + 8);
      layout.channels = std::min(blockAlign, kMaxChannels);
      return true;
    }
    pos += 8 + std::size_t(chunk) + (chunk & 1);
  }
  return false;
}
}  // namespace

AudioLayout ChooseAudioLayout(const std::uint8_t* data, std::size_t size) {
  AudioLayout layout;
  if (WavLayout(data, size, layout)) return layout;
  const std::size_t n = std::min<std::size_t>(size, kAudioProbeBytes);
  std::uint64_t best = ~0ull;
  for (int c = 1; c <= kMaxChannels; ++c) {
    std::uint64_t sum = 0;
    for (std::size_t i = std::size_t(c); i < n; ++i)
      sum += std::abs(int(std::int8_t(data[i] - data[i - c])));
    if (sum < best) best = sum, layout.channels = c;
  }
  return layout;
}

// ---- Encoder state --------------------------------------------------------------------

struct Rar20Encoder::State {
  LevelTuning tuning{};
  std::vector<std::uint8_t> data;   // every byte of the stream so far
  LzMatchFinder finder;
  AudioPredictor predictor;
  std::array<std::uint8_t, kRememberedLengths> remembered{};
  Tables current;
  bool haveTables = false;   // the decoder has tables for this stream
  int channel = 0;
  std::uint32_t ring[4] = {};
  std::uint32_t ringPos = 0, lastDist = 0, lastLength = 0;
  BitWriter* out = nullptr;

  void ResetStream();
  void EncodeLz(std::uint32_t pos, std::uint32_t end);
  void EncodeAudio(std::uint32_t pos, std::uint32_t end, int channels);
  Choice BestAt(std::uint32_t pos, std::uint32_t end) const;
  LzToken MakeToken(const Choice& c);
  void UseTables(Tables& fresh, const std::vector<std::uint32_t>& usedCounts);
  void WriteSymbol(int index) { out->Write(current.codes[index], current.lengths[index]); }
  void WriteLzToken(const LzToken& t);
  void WriteFiller();
};

void Rar20Encoder::State::ResetStream() {
  data.clear();
  finder.Reset();
  predictor.Reset();
  remembered.fill(0);
  haveTables = false;
  channel = 0;
  std::fill(std::begin(ring), std::end(ring), 0u);
  ringPos = lastDist = lastLength = 0;
}

// Weighs the block's own tables against the ones in force and switches when they pay.
void Rar20Encoder::State::UseTables(Tables& fresh, const std::vector<std::uint32_t>& counts) {
  bool switchTables = !haveTables || current.audio != fresh.audio ||
                      current.channels != fresh.channels;
  std::uint64_t oldBits = 0, newBits = 0;
  for (int i = 0; i < fresh.Count() && !switchTables; ++i) {
    if (counts[i] != 0 && current.lengths[i] == 0) switchTables = true;
    oldBits += std::uint64_t(counts[i]) * current.lengths[i];
    newBits += std::uint64_t(counts[i]) * fresh.lengths[i];
  }
  if (!switchTables) {
    const int switchSym = current.audio ? channel * kAudioSymbols + kSymAudioNewTables
                                        : kSymNewTables;
    const TableHeader h{fresh.audio, fresh.channels, fresh.lengths.data(), fresh.Count()};
    newBits += TableHeaderBits(h, remembered.data()) + current.lengths[switchSym];
    switchTables = newBits < oldBits;
  }
  if (!switchTables) return;
  if (haveTables)
    WriteSymbol(current.audio ? channel * kAudioSymbols + kSymAudioNewTables : kSymNewTables);
  const TableHeader h{fresh.audio, fresh.channels, fresh.lengths.data(), fresh.Count()};
  WriteTableHeader(*out, h, remembered.data());
  fresh.MakeCodes();
  current = fresh;
  haveTables = true;
}

}  // namespace qm

namespace qm {

// ---- LZ blocks ------------------------------------------------------------------------

Choice Rar20Encoder::State::BestAt(std::uint32_t pos, std::uint32_t end) const {
  Choice best;
  const std::uint32_t maxLen = std::min(kMaxMatch, end - pos);
  if (maxLen < 2) return best;
  auto consider = [&best](const Choice& c) {
    if (c.gain > best.gain) best = c;
  };
  if (lastLength >= 2 && lastLength <= maxLen && lastDist > 0 && lastDist <= pos &&
      MatchLength(data, pos, lastDist, lastLength) == lastLength)
    consider({MatchKind::kRepeat, lastLength, lastDist, 0,
              int(lastLength) * kCostLiteral - kCostRepeat});
  for (int k = 0; k < 4; ++k) {
    const std::uint32_t d = ring[(ringPos + 3 - k) & 3];
    if (d == 0 || d > pos) continue;
    const std::uint32_t len = MatchLength(data, pos, d, maxLen);
    if (len < 2 + RingBonus(d)) continue;
    const int r = Slot(kLengthBase, len - 2 - RingBonus(d));
    consider({MatchKind::kRing, len, d, k, int(len) * kCostLiteral - kCostRing - kLengthBits[r]});
  }
  std::uint32_t len = 0, dist = 0;
  finder.FindLongest(data, pos, maxLen, tuning.chainLimit, tuning.niceLength, len, dist);
  if (len >= 3 + LongBonus(dist)) {
    const int s = Slot(kLengthBase, len - 3 - LongBonus(dist));
    const int ds = Slot(kDistBase, dist - 1);
    consider({MatchKind::kLong, len, dist, 0,
              int(len) * kCostLiteral - kCostLong - kLengthBits[s] - kDistBits[ds]});
  }
  if (best.length < 3) {
    const std::uint32_t d = finder.PairDistance(data, pos);
    if (d >= 1 && d <= 256) {
      const int s = Slot(kShortBase, d - 1);
      consider({MatchKind::kShort, 2, d, 0, 2 * kCostLiteral - kCostShort - kShortBits[s]});
    }
  }
  return best;
}

LzToken Rar20Encoder::State::MakeToken(const Choice& c) {
  LzToken t{};
  const std::uint32_t d = c.distance, len = c.length;
  switch (c.kind) {
    case MatchKind::kLiteral:
      return t;
    case MatchKind::kRepeat:
      t.main = kSymRepeatLast;
      break;
    case MatchKind::kRing: {
      const std::uint32_t base = len - 2 - RingBonus(d);
      const int r = Slot(kLengthBase, base);
      t.main = std::uint16_t(kSymRingFirst + c.ring);
      t.sub = std::uint8_t(r);
      t.bits2 = kLengthBits[r];
      t.extra2 = base - kLengthBase[r];
      break;
    }
    case MatchKind::kShort: {
      const int s = Slot(kShortBase, d - 1);
      t.main = std::uint16_t(kSymShortFirst + s);
      t.bits1 = kShortBits[s];
      t.extra1 = d - 1 - kShortBase[s];
      break;
    }
    case MatchKind::kLong: {
      const std::uint32_t base = len - 3 - LongBonus(d);
      const int s = Slot(kLengthBase, base);
      const int ds = Slot(kDistBase, d - 1);
      t.main = std::uint16_t(kSymLongFirst + s);
      t.bits1 = kLengthBits[s];
      t.extra1 = base - kLengthBase[s];
      t.sub = std::uint8_t(ds);
      t.bits2 = kDistBits[ds];
      t.extra2 = d - 1 - kDistBase[ds];
      break;
    }
  }
  ring[ringPos] = d;
  ringPos = (ringPos + 1) & 3;
  lastDist = d;
  lastLength = len;
  return t;
}

void Rar20Encoder::State::WriteLzToken(const LzToken& t) {
  WriteSymbol(t.main);
  if (t.main >= kSymLongFirst) {
    out->Write(t.extra1, t.bits1);
    WriteSymbol(kMainSymbols + t.sub);
    out->Write(t.extra2, t.bits2);
  } else if (t.main >= kSymShortFirst && t.main < kSymNewTables) {
    out->Write(t.extra1, t.bits1);
  } else if (t.main >= kSymRingFirst && t.main < kSymShortFirst) {
    WriteSymbol(kMainSymbols + kDistSymbols + t.sub);
    out->Write(t.extra2, t.bits2);
  }
}

void Rar20Encoder::State::EncodeLz(std::uint32_t pos, std::uint32_t end) {
  std::vector<LzToken> tokens;
  while (pos < end) {
    tokens.clear();
    std::vector<std::uint32_t> counts(kLzTableSize, 0);
    while (pos < end && tokens.size() < kLzBlockTokens) {
      finder.InsertUpTo(data, pos);
      Choice c = BestAt(pos, end);
      if (tuning.lazy && c.kind != MatchKind::kLiteral && c.length < tuning.niceLength) {
        finder.InsertUpTo(data, pos + 1);
        if (BestAt(pos + 1, end).gain > c.gain + kCostLiteral) c = Choice{};
      }
      LzToken t = MakeToken(c);
      if (c.kind == MatchKind::kLiteral) t.main = data[pos];
      ++counts[t.main];
      if (t.main >= kSymLongFirst) ++counts[kMainSymbols + t.sub];
      if (t.main >= kSymRingFirst && t.main < kSymShortFirst)
        ++counts[kMainSymbols + kDistSymbols + t.sub];
      tokens.push_back(t);
      pos += c.length;
    }
    Tables fresh;
    std::vector<std::uint32_t> padded = counts;
    AlphabetLengths(&padded[0], kMainSymbols, kSymNewTables, &fresh.lengths[0]);
    AlphabetLengths(&padded[kMainSymbols], kDistSymbols, -1, &fresh.lengths[kMainSymbols]);
    AlphabetLengths(&padded[kMainSymbols + kDistSymbols], kRepLenSymbols, -1,
                    &fresh.lengths[kMainSymbols + kDistSymbols]);
    UseTables(fresh, counts);
    for (const LzToken& t : tokens) WriteLzToken(t);
  }
  finder.InsertUpTo(data, end);
}

// ---- Audio blocks ---------------------------------------------------------------------

void Rar20Encoder::State::EncodeAudio(std::uint32_t pos, std::uint32_t end, int channels) {
  std::vector<std::uint8_t> deltas;
  while (pos < end) {
    const std::uint32_t blockEnd = std::min(end, pos + kAudioBlockBytes);
    const int first = channel < channels ? channel : 0;
    std::vector<std::uint32_t> counts(std::size_t(channels) * kAudioSymbols, 0);
    deltas.clear();
    int c = first;
    for (std::uint32_t p = pos; p < blockEnd; ++p) {
      const std::uint8_t d = predictor.Encode(c, data[p]);
      deltas.push_back(d);
      ++counts[std::size_t(c) * kAudioSymbols + d];
      c = (c + 1) % channels;
    }
    Tables fresh;
    fresh.audio = true;
    fresh.channels = channels;
    std::vector<std::uint32_t> padded = counts;
    for (int ch = 0; ch < channels; ++ch)
      AlphabetLengths(&padded[std::size_t(ch) * kAudioSymbols], kAudioSymbols,
                      kSymAudioNewTables, &fresh.lengths[std::size_t(ch) * kAudioSymbols]);
    UseTables(fresh, counts);
    channel = first;
    for (std::uint8_t d : deltas) {
      WriteSymbol(channel * kAudioSymbols + d);
      channel = (channel + 1) % channels;
    }
    pos = blockEnd;
  }
  finder.InsertUpTo(data, end);
}

void Rar20Encoder::State::WriteFiller() {
  if (!haveTables) return;
  if (current.audio) {
    for (int s = 0; s < kSymAudioNewTables; ++s)
      if (current.lengths[channel * kAudioSymbols + s] != 0) return WriteSymbol(channel * kAudioSymbols + s);
    return;
  }
  for (int s = 0; s < kMainSymbols; ++s)
    if (s != kSymNewTables && current.lengths[s] != 0) return WriteSymbol(s);
}

// ---- Public interface -----------------------------------------------------------------

Rar20Encoder::Rar20Encoder(int level) : m_state(std::make_unique<State>()) {
  m_state->tuning = kLevels[std::clamp(level, 1, 5) - 1];
  m_state->ResetStream();
}

Rar20Encoder::~Rar20Encoder() = default;

void Rar20Encoder::Reset() { m_state->ResetStream(); }

std::vector<std::uint8_t> Rar20Encoder::Encode(const std::uint8_t* data, std::size_t size,
                                               const AudioLayout* audio) {
  State& s = *m_state;
  BitWriter out;
  s.out = &out;
  const auto start = static_cast<std::uint32_t>(s.data.size());
  s.data.insert(s.data.end(), data, data + size);
  const auto end = static_cast<std::uint32_t>(s.data.size());
  if (audio != nullptr) {
    const std::uint32_t split = start + std::min<std::uint32_t>(audio->lzPrefix, end - start);
    s.EncodeLz(start, split);
    s.EncodeAudio(split, end, std::clamp(audio->channels, 1, kMaxChannels));
  } else {
    s.EncodeLz(start, end);
  }
  s.WriteFiller();
  out.AlignToByte();
  for (int i = 0; i < kTailBytes; ++i) out.Write(0, 8);
  s.out = nullptr;
  return std::move(out.Bytes());
}

}  // namespace qm
