#include "media/AudioPredictor.h"

#include <cstdlib>

namespace qm {
namespace {

constexpr std::uint32_t kAdjustPeriodMask = 0x1F;   // weights adapt every 32 bytes
constexpr int kWeightLow = -16;
constexpr int kWeightHigh = 16;

}  // namespace

void AudioPredictor::Reset() {
  m_channels = {};
  m_channelDelta = 0;
}

int AudioPredictor::Predict(Channel& ch) {
  ++ch.byteCount;
  ch.delta[3] = ch.delta[2];
  ch.delta[2] = ch.delta[1];
  ch.delta[1] = ch.lastDelta - ch.delta[0];
  ch.delta[0] = ch.lastDelta;
  const int sum = 8 * ch.lastByte + ch.weight[0] * ch.delta[0] + ch.weight[1] * ch.delta[1] +
                  ch.weight[2] * ch.delta[2] + ch.weight[3] * ch.delta[3] +
                  ch.weight[4] * m_channelDelta;
  return (sum >> 3) & 0xFF;
}

void AudioPredictor::Learn(Channel& ch, std::uint8_t codedDelta, int output) {
  const int d = static_cast<int>(static_cast<std::int8_t>(codedDelta)) * 8;
  ch.error[0] += std::abs(d);
  for (int i = 0; i < 4; ++i) {
    ch.error[1 + 2 * i] += std::abs(d - ch.delta[i]);
    ch.error[2 + 2 * i] += std::abs(d + ch.delta[i]);
  }
  ch.error[9] += std::abs(d - m_channelDelta);
  ch.error[10] += std::abs(d + m_channelDelta);

  m_channelDelta = ch.lastDelta = static_cast<std::int8_t>(output - ch.lastByte);
  ch.lastByte = output;
  if ((ch.byteCount & kAdjustPeriodMask) == 0) AdjustWeights(ch);
}

void AudioPredictor::AdjustWeights(Channel& ch) {
  std::size_t best = 0;
  for (std::size_t i = 1; i < ch.error.size(); ++i)
    if (ch.error[i] < ch.error[best]) best = i;
  ch.error = {};
  if (best == 0) return;
  int& weight = ch.weight[(best - 1) / 2];
  const bool lower = (best & 1) != 0;
  if (lower && weight >= kWeightLow) --weight;
  if (!lower && weight < kWeightHigh) ++weight;
}

std::uint8_t AudioPredictor::Decode(int channel, std::uint8_t delta) {
  Channel& ch = m_channels[channel];
  const int output = (Predict(ch) - delta) & 0xFF;
  Learn(ch, delta, output);
  return static_cast<std::uint8_t>(output);
}

std::uint8_t AudioPredictor::Encode(int channel, std::uint8_t byte) {
  Channel& ch = m_channels[channel];
  const auto delta = static_cast<std::uint8_t>(Predict(ch) - byte);
  Learn(ch, delta, byte);
  return delta;
}

}  // namespace qm
