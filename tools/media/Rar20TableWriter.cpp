#include "Rar20TableWriter.h"

#include "HuffmanEncoder.h"
#include "media/Rar20Format.h"

#include <cstring>
#include <vector>

namespace qm {
namespace {

using namespace rar20;

constexpr int kRepeatPrevious = 16;   // 3..6 copies of the previous length
constexpr int kFewZeros = 17;         // 3..10 zeros
constexpr int kManyZeros = 18;        // 11..138 zeros

// One coded step of the length list: a bit-length symbol and its extra bits.
struct LengthItem {
  std::uint8_t symbol;
  std::uint8_t extraBits;
  std::uint8_t extra;
};

std::vector<LengthItem> MakeItems(const TableHeader& h, const std::uint8_t* old) {
  std::vector<LengthItem> items;
  int i = 0;
  while (i < h.count) {
    const std::uint8_t v = h.lengths[i];
    int run = 1;
    if (v == 0) {
      while (i + run < h.count && run < 138 && h.lengths[i + run] == 0) ++run;
      if (run >= 11) {
        items.push_back({kManyZeros, 7, std::uint8_t(run - 11)});
        i += run;
        continue;
      }
      if (run >= 3) {
        items.push_back({kFewZeros, 3, std::uint8_t(run - 3)});
        i += run;
        continue;
      }
    } else if (i > 0 && v == h.lengths[i - 1]) {
      run = 0;
      while (i + run < h.count && run < 6 && h.lengths[i + run] == v) ++run;
      if (run >= 3) {
        items.push_back({kRepeatPrevious, 2, std::uint8_t(run - 3)});
        i += run;
        continue;
      }
    }
    items.push_back({std::uint8_t((v - old[i]) & 15), 0, 0});
    ++i;
  }
  return items;
}

// The bit-length table for a list of items, with at least two codes.
void ItemCodeLengths(const std::vector<LengthItem>& items, std::uint8_t* lengths) {
  std::uint32_t counts[kBitLengthSymbols] = {};
  for (const LengthItem& item : items) ++counts[item.symbol];
  int used = 0;
  for (std::uint32_t c : counts) used += c != 0;
  for (int s = 0; used < 2; ++s)
    if (counts[s] == 0) counts[s] = 1, ++used;
  BuildCodeLengths(counts, kBitLengthSymbols, kMaxCodeLength, lengths);
}

std::uint64_t ItemBits(const std::vector<LengthItem>& items) {
  std::uint8_t lengths[kBitLengthSymbols];
  ItemCodeLengths(items, lengths);
  std::uint64_t bits = 4 * kBitLengthSymbols;
  for (const LengthItem& item : items) bits += lengths[item.symbol] + item.extraBits;
  return bits;
}

// Chooses between coding against the remembered lengths and against zeros.
bool KeepRemembered(const TableHeader& h, const std::uint8_t* remembered,
                    std::vector<LengthItem>& items) {
  static const std::uint8_t kZeros[kRememberedLengths] = {};
  std::vector<LengthItem> kept = MakeItems(h, remembered);
  std::vector<LengthItem> fresh = MakeItems(h, kZeros);
  const bool keep = ItemBits(kept) <= ItemBits(fresh);
  items = keep ? std::move(kept) : std::move(fresh);
  return keep;
}

}  // namespace

std::uint64_t TableHeaderBits(const TableHeader& header, const std::uint8_t* remembered) {
  std::vector<LengthItem> items;
  KeepRemembered(header, remembered, items);
  return (header.audio ? 4 : 2) + ItemBits(items);
}

void WriteTableHeader(BitWriter& out, const TableHeader& header, std::uint8_t* remembered) {
  std::vector<LengthItem> items;
  const bool keep = KeepRemembered(header, remembered, items);
  out.Write(header.audio ? 1 : 0, 1);
  out.Write(keep ? 1 : 0, 1);
  if (header.audio) out.Write(std::uint32_t(header.channels - 1), 2);

  std::uint8_t lengths[kBitLengthSymbols];
  std::uint16_t codes[kBitLengthSymbols];
  ItemCodeLengths(items, lengths);
  BuildCanonicalCodes(lengths, kBitLengthSymbols, codes);
  for (std::uint8_t len : lengths) out.Write(len, 4);
  for (const LengthItem& item : items) {
    out.Write(codes[item.symbol], lengths[item.symbol]);
    if (item.extraBits != 0) out.Write(item.extra, item.extraBits);
  }
  if (!keep) std::memset(remembered, 0, kRememberedLengths);
  std::memcpy(remembered, header.lengths, static_cast<std::size_t>(header.count));
}

}  // namespace qm
