// Rar20Decoder: the RAR 2.0 decompressor (LZ77 over a 1 MB window plus the multimedia mode).
//
// MediaArchive's ExtractEntry creates one per extraction and feeds it entries in archive
// order. An entry that continues a solid stream keeps the window, the code tables, the
// distance ring and the audio predictors of the entry before it; any other entry starts
// from a clean state. Decoded bytes are appended to the caller's buffer when the window is
// about to overwrite unflushed bytes and at the end. Corrupt input ends in failure, never
// in a read or write outside the window, the buffer or the packed data.
#pragma once

#include <cstdint>
#include <memory>

#include "media/AudioPredictor.h"
#include "media/HuffmanTable.h"
#include "media/Rar20BitInput.h"
#include "media/Rar20Format.h"

namespace qm {

class Rar20Cipher;

// Where one entry's packed data comes from and where its bytes go.
struct Rar20Entry {
  const std::uint8_t* packed = nullptr;
  std::uint32_t packedSize = 0;
  std::uint32_t unpackedSize = 0;
  bool continuesSolid = false;     // keeps the state of the entry before it
  Rar20Cipher* cipher = nullptr;   // null: the packed data is plain
  std::uint8_t* output = nullptr;  // unpackedSize bytes, or null to decode for the window only
};

class Rar20Decoder {
 public:
  // Allocates the window; false when memory is short.
  bool Init();

  // Decodes one entry; false on corrupt data or when it would produce too many bytes.
  bool Decode(const Rar20Entry& entry);

 private:
  void ResetState();
  bool ReadTables();
  bool ReadLengths(const HuffmanTable& bitLengths, int count);
  bool BuildTables();
  void ReadTablesAfterLastSymbol();
  bool DecodeAudioSymbol();
  bool DecodeLzSymbol();
  bool CopyMatch(std::uint32_t length, std::uint32_t distance);
  bool ReadLengthAfterRing(std::uint32_t distance, std::uint32_t& length);
  void PutByte(std::uint8_t b);
  bool Flush();

  std::unique_ptr<std::uint8_t[]> m_window;
  std::uint32_t m_unpPtr = 0;     // next window position to write
  std::uint32_t m_flushedPtr = 0; // window position up to which bytes went out
  std::uint32_t m_history = 0;    // bytes in the window since the last reset (up to its size)

  Rar20BitInput m_in;
  const Rar20Entry* m_entry = nullptr;
  std::uint64_t m_produced = 0;   // bytes this entry decoded
  std::uint64_t m_written = 0;    // bytes this entry flushed

  bool m_tablesRead = false;
  bool m_audioBlock = false;
  int m_channels = 1;
  int m_channel = 0;
  std::uint8_t m_lengths[rar20::kRememberedLengths] = {};
  HuffmanTable m_main, m_dist, m_repLen;
  HuffmanTable m_audio[rar20::kMaxChannels];
  AudioPredictor m_predictor;

  std::uint32_t m_ring[4] = {};
  std::uint32_t m_ringPos = 0;
  std::uint32_t m_lastDist = 0;
  std::uint32_t m_lastLength = 0;
};

}  // namespace qm
