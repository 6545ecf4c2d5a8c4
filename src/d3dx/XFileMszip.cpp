// XFileMszip: MSZIP blocks through zlib's raw deflate.
#include "d3dx/XFileMszip.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

namespace {

constexpr size_t kHeaderSize = 16;          // "xof 0303bzip0032" precedes the size DWORD
constexpr size_t kBlockLimit = 32768;       // MSZIP blocks never unpack to more
constexpr size_t kDictionarySize = 32768;   // deflate's window
constexpr BYTE kSignature[2] = {'C', 'K'};

WORD ReadWord(const BYTE* p) { return static_cast<WORD>(p[0] | (p[1] << 8)); }

void PutWord(std::vector<BYTE>* out, WORD value) {
  out->push_back(static_cast<BYTE>(value));
  out->push_back(static_cast<BYTE>(value >> 8));
}

// Inflates one block's deflate data to exactly `size` bytes appended to *out.
bool InflateBlock(const BYTE* data, size_t length, size_t size, std::vector<BYTE>* out) {
  z_stream stream{};
  if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) return false;
  size_t history = std::min(out->size(), kDictionarySize);
  if (history > 0 &&
      inflateSetDictionary(&stream, out->data() + out->size() - history,
                           static_cast<uInt>(history)) != Z_OK) {
    inflateEnd(&stream);
    return false;
  }
  size_t start = out->size();
  out->resize(start + size);
  stream.next_in = const_cast<Bytef*>(data);
  stream.avail_in = static_cast<uInt>(length);
  stream.next_out = out->data() + start;
  stream.avail_out = static_cast<uInt>(size);
  int result = inflate(&stream, Z_FINISH);
  bool complete = (result == Z_STREAM_END || result == Z_BUF_ERROR || result == Z_OK) &&
                  stream.avail_out == 0;
  inflateEnd(&stream);
  return complete;
}

}  // namespace

size_t XFileMszipAllowance(size_t compressedSize) {
  return std::min(kXFileMaxExpandedBytes,
                  std::max(kXFileMinExpansionAllowance, compressedSize * kXFileMaxExpansionRatio));
}

XFileMszipResult XFileMszipDecompress(std::span<const BYTE> compressed, std::vector<BYTE>* out) {
  out->clear();
  if (compressed.size() < 4) return XFileMszipResult::Corrupt;
  DWORD total = 0;
  std::memcpy(&total, compressed.data(), 4);
  if (total < kHeaderSize) return XFileMszipResult::Corrupt;
  size_t expected = total - kHeaderSize;
  if (expected > XFileMszipAllowance(compressed.size())) return XFileMszipResult::TooLarge;
  size_t pos = 4;
  while (out->size() < expected) {
    if (compressed.size() - pos < 6) return XFileMszipResult::Corrupt;
    size_t size = ReadWord(compressed.data() + pos);
    size_t length = ReadWord(compressed.data() + pos + 2);
    pos += 4;
    if (size == 0 || size > kBlockLimit || size > expected - out->size()) {
      return XFileMszipResult::Corrupt;
    }
    if (length < 2 || length > compressed.size() - pos) return XFileMszipResult::Corrupt;
    if (std::memcmp(compressed.data() + pos, kSignature, 2) != 0) return XFileMszipResult::Corrupt;
    if (!InflateBlock(compressed.data() + pos + 2, length - 2, size, out)) {
      return XFileMszipResult::Corrupt;
    }
    pos += length;
  }
  return XFileMszipResult::Ok;
}

bool XFileMszipCompress(std::span<const BYTE> body, std::vector<BYTE>* out) {
  out->clear();
  DWORD total = static_cast<DWORD>(body.size() + kHeaderSize);
  out->resize(4);
  std::memcpy(out->data(), &total, 4);
  for (size_t start = 0; start < body.size(); start += kBlockLimit) {
    size_t size = std::min(kBlockLimit, body.size() - start);
    z_stream stream{};
    if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8,
                     Z_DEFAULT_STRATEGY) != Z_OK) {
      return false;
    }
    size_t history = std::min(start, kDictionarySize);
    if (history > 0) {
      deflateSetDictionary(&stream, body.data() + start - history, static_cast<uInt>(history));
    }
    std::vector<BYTE> packed(deflateBound(&stream, static_cast<uLong>(size)));
    stream.next_in = const_cast<Bytef*>(body.data() + start);
    stream.avail_in = static_cast<uInt>(size);
    stream.next_out = packed.data();
    stream.avail_out = static_cast<uInt>(packed.size());
    int result = deflate(&stream, Z_FINISH);
    size_t length = packed.size() - stream.avail_out;
    deflateEnd(&stream);
    if (result != Z_STREAM_END || length + 2 > 0xFFFF) return false;
    PutWord(out, static_cast<WORD>(size));
    PutWord(out, static_cast<WORD>(length + 2));
    out->insert(out->end(), kSignature, kSignature + 2);
    out->insert(out->end(), packed.begin(), packed.begin() + static_cast<long>(length));
  }
  return true;
}
