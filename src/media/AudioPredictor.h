// AudioPredictor: the adaptive byte predictor of the RAR 2.0 multimedia mode.
//
// Each channel (1 to 4 interleaved byte streams) predicts its next byte from its last byte,
// its last four deltas and the delta of the channel before it, and every 32 bytes nudges
// one of five weights toward the smallest accumulated error. Rar20Decoder turns coded
// deltas into bytes with it; the packer runs the same steps to turn bytes into deltas, so
// both sides stay in lockstep.
#pragma once

#include <array>
#include <cstdint>

namespace qm {

class AudioPredictor {
 public:
  static constexpr int kMaxChannels = 4;

  // Clears every channel and the shared channel delta.
  void Reset();

  // Decoding: the byte that a coded delta stands for on this channel.
  std::uint8_t Decode(int channel, std::uint8_t delta);

  // Encoding: the delta that codes this byte; updates the state exactly as Decode would.
  std::uint8_t Encode(int channel, std::uint8_t byte);

 private:
  // One channel's weights, recent deltas, error sums and last byte.
  struct Channel {
    std::array<int, 5> weight{};   // K1..K5
    std::array<int, 4> delta{};    // D1..D4
    int lastDelta = 0;
    std::array<std::uint32_t, 11> error{};
    std::uint32_t byteCount = 0;
    int lastByte = 0;
  };

  int Predict(Channel& ch);
  void Learn(Channel& ch, std::uint8_t codedDelta, int output);
  static void AdjustWeights(Channel& ch);

  std::array<Channel, kMaxChannels> m_channels{};
  int m_channelDelta = 0;
};

}  // namespace qm
