// DecodeImage: tells the file kind from its first bytes and hands it to that decoder.
#include "d3dx/ImageDecoder.h"

#include <algorithm>
#include <bit>

#include "d3dx/ImageFormatDecoders.h"

namespace qm {

namespace {

bool StartsWith(ImageBytes bytes, std::initializer_list<std::uint8_t> prefix) {
  return bytes.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), bytes.begin());
}

}  // namespace

MaskChannel::MaskChannel(std::uint32_t mask) : m_mask(mask) {
  if (mask == 0) return;
  m_shift = static_cast<std::uint32_t>(std::countr_zero(mask));
  m_bits = static_cast<std::uint32_t>(std::countr_one(mask >> m_shift));
}

std::uint32_t MaskChannel::Extract(std::uint32_t pixel, std::uint32_t absent) const {
  if (m_bits == 0) return absent;
  const std::uint32_t value = (pixel & m_mask) >> m_shift;
  if (m_bits >= 8) return (value >> (m_bits - 8)) & 0xFF;
  const std::uint32_t maximum = (1u << m_bits) - 1;
  return ((value & maximum) * 255 + maximum / 2) / maximum;
}

ImageStatus DecodeImage(ImageBytes bytes, DecodedImage& out, std::uint32_t maxDimension) {
  out = DecodedImage{};
  maxDimension = std::min(maxDimension, kMaxImageDimension);
  ImageStatus status = ImageStatus::InvalidData;
  if (StartsWith(bytes, {'D', 'D', 'S', ' '})) {
    status = DecodeDds(bytes, out, maxDimension);
  } else if (StartsWith(bytes, {0xFF, 0xD8, 0xFF})) {
    status = DecodeJpeg(bytes, out, maxDimension);
  } else if (StartsWith(bytes, {'B', 'M'})) {
    status = DecodeBmp(bytes, out, maxDimension);
  } else {
    status = DecodeTga(bytes, out, maxDimension);
  }
  if (status != ImageStatus::Ok) out = DecodedImage{};
  return status;
}

}  // namespace qm
