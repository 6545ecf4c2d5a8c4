// Rar20Encoder: the RAR 2.0 compressor (LZ77 with hash chains, plus the multimedia mode).
//
// RarPacker feeds it the entries of an archive in order. Entries of a solid archive share
// one stream: the window, the code tables, the distance ring and the audio predictors carry
// over unless Reset() is called. Each entry's output is its own bit stream: it starts with
// tables (or with a new-tables symbol when it continues a stream whose tables no longer
// fit) and new tables follow whenever the statistics of a block make them pay. What it
// writes is exactly what Rar20Decoder and other RAR 2.0 readers decode.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace qm {

// How an entry is split for the multimedia mode: an LZ-coded header, then audio samples
// interleaved as `channels` byte streams.
struct AudioLayout {
  std::uint32_t lzPrefix = 0;
  int channels = 1;
};

// Finds the layout of a WAV file from its header, else the channel count (1 to 4) whose
// byte-wise differences are smallest.
AudioLayout ChooseAudioLayout(const std::uint8_t* data, std::size_t size);

class Rar20Encoder {
 public:
  // level 1 (fastest) to 5 (best): how hard the match finder searches.
  explicit Rar20Encoder(int level);
  ~Rar20Encoder();

  // The next entry starts a fresh stream.
  void Reset();

  // Compresses one entry; audio selects the multimedia mode (null: LZ only). The stream
  // ends with one symbol that is not a new-tables symbol and two zero bytes: readers that
  // look for tables after the last byte of a solid entry then find none in the padding,
  // and readers that peek a full code ahead find enough bits.
  std::vector<std::uint8_t> Encode(const std::uint8_t* data, std::size_t size,
                                   const AudioLayout* audio);

 private:
  struct State;
  std::unique_ptr<State> m_state;
};

}  // namespace qm
