// ImageFormatDecoders: the per-format decoders behind DecodeImage, and the small pixel
// helpers they share. Internal to the image library.
//
// Each decoder may assume only that `bytes` is the whole file; it checks every read itself,
// honours maxDimension (already clamped to kMaxImageDimension), and fills `out` completely
// (file format, source format, alpha flag, levels) on success.
#pragma once

#include <cstdint>
#include <span>

#include "d3dx/Image.h"

namespace qm {

using ImageBytes = std::span<const std::uint8_t>;

ImageStatus DecodeJpeg(ImageBytes bytes, DecodedImage& out, std::uint32_t maxDimension);
ImageStatus DecodeBmp(ImageBytes bytes, DecodedImage& out, std::uint32_t maxDimension);
ImageStatus DecodeTga(ImageBytes bytes, DecodedImage& out, std::uint32_t maxDimension);
ImageStatus DecodeDds(ImageBytes bytes, DecodedImage& out, std::uint32_t maxDimension);

// Little-endian reads; the caller has checked that the bytes exist.
inline std::uint16_t ReadLe16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t ReadLe32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// True when [offset, offset + count) lies inside a buffer of `size` bytes, without overflow.
inline bool InBounds(std::uint64_t size, std::uint64_t offset, std::uint64_t count) {
  return offset <= size && count <= size - offset;
}

inline std::uint32_t PackArgb(std::uint32_t a, std::uint32_t r, std::uint32_t g,
                              std::uint32_t b) {
  return (a << 24) | (r << 16) | (g << 8) | b;
}

// One colour channel described by a bit mask, as BMP and DDS files give them.
class MaskChannel {
 public:
  MaskChannel() = default;
  explicit MaskChannel(std::uint32_t mask);
  bool Present() const { return m_bits != 0; }
  // The channel's value scaled to 0..255; `absent` when the mask is empty.
  std::uint32_t Extract(std::uint32_t pixel, std::uint32_t absent) const;

 private:
  std::uint32_t m_mask = 0;
  std::uint32_t m_shift = 0;
  std::uint32_t m_bits = 0;
};

// The four channels of a masked pixel layout.
struct MaskLayout {
  MaskChannel red, green, blue, alpha;
  MaskLayout(std::uint32_t r, std::uint32_t g, std::uint32_t b, std::uint32_t a)
      : red(r), green(g), blue(b), alpha(a) {}
  std::uint32_t ToArgb(std::uint32_t pixel) const {
    return PackArgb(alpha.Extract(pixel, 0xFF), red.Extract(pixel, 0), green.Extract(pixel, 0),
                    blue.Extract(pixel, 0));
  }
};

}  // namespace qm
