// DecodeTga: Truevision Targa files, uncompressed and run-length encoded: true colour with
// 15, 16, 24 or 32 bits, greyscale with 8 bits (16 with alpha), and 8-bit colour-mapped.
//
// Layout: an 18-byte header, an image id, an optional colour map, then the pixels, bottom
// row first unless bit 5 of the descriptor says top first (bit 4: right to left). The low
// four descriptor bits count the alpha bits: a 32-bit file without them has no alpha.
// TGA has no signature, so the header is checked strictly before anything is read.
#include <algorithm>
#include <memory>
#include <new>

#include "d3dx/ImageFormatDecoders.h"

namespace qm {

namespace {

constexpr std::uint32_t kHeaderSize = 18;
constexpr std::uint8_t kTypeColorMapped = 1;
constexpr std::uint8_t kTypeTrueColor = 2;
constexpr std::uint8_t kTypeGrey = 3;
constexpr std::uint8_t kRleFlag = 8;
constexpr std::uint8_t kDescriptorRightToLeft = 0x10;
constexpr std::uint8_t kDescriptorTopFirst = 0x20;

// The header fields that matter.
struct TgaHeader {
  std::uint8_t idLength;
  std::uint8_t colorMapType;
  std::uint8_t baseType;  // image type without the RLE flag
  bool rle;
  std::uint16_t mapFirst, mapLength;
  std::uint8_t mapEntryBits;
  std::uint16_t width, height;
  std::uint8_t pixelBits;
  std::uint8_t descriptor;
};

bool ValidDepth(const TgaHeader& h) {
  switch (h.baseType) {
    case kTypeColorMapped:
      return h.colorMapType == 1 && h.pixelBits == 8 &&
             (h.mapEntryBits == 15 || h.mapEntryBits == 16 || h.mapEntryBits == 24 ||
              h.mapEntryBits == 32);
    case kTypeTrueColor:
      return h.pixelBits == 15 || h.pixelBits == 16 || h.pixelBits == 24 || h.pixelBits == 32;
    case kTypeGrey: return h.pixelBits == 8 || h.pixelBits == 16;
    default: return false;
  }
}

bool ReadHeader(ImageBytes bytes, TgaHeader& h) {
  if (bytes.size() < kHeaderSize) return false;
  const std::uint8_t* p = bytes.data();
  h = {p[0], p[1], static_cast<std::uint8_t>(p[2] & ~kRleFlag), (p[2] & kRleFlag) != 0,
       ReadLe16(p + 3), ReadLe16(p + 5), p[7], ReadLe16(p + 12), ReadLe16(p + 14), p[16], p[17]};
  if (h.colorMapType > 1 || (p[2] & ~(kRleFlag | 3)) != 0) return false;
  return ValidDepth(h);
}

// Converts one stored pixel (bytes little-endian) to 0xAARRGGBB.
class TgaPixelReader {
 public:
  TgaPixelReader(const TgaHeader& h, const std::uint32_t* colorMap)
      : m_header(h), m_colorMap(colorMap), m_alpha((h.descriptor & 0x0F) != 0) {}

  std::uint32_t BytesPerPixel() const { return (m_header.pixelBits + 7) / 8; }
  bool HasAlpha() const {
    return m_header.baseType == kTypeGrey ? m_header.pixelBits == 16 : m_alpha;
  }

  // False for a colour-map index outside the map.
  bool Convert(const std::uint8_t* p, std::uint32_t& argb) const {
    switch (m_header.baseType) {
      case kTypeColorMapped: {
        if (p[0] < m_header.mapFirst || p[0] - m_header.mapFirst >= m_header.mapLength) {
          return false;
        }
        argb = m_colorMap[p[0] - m_header.mapFirst];
        return true;
      }
      case kTypeGrey:
        argb = PackArgb(m_header.pixelBits == 16 ? p[1] : 0xFF, p[0], p[0], p[0]);
        return true;
      default:
        argb = TrueColor(p, m_header.pixelBits, m_alpha);
        return true;
    }
  }

  static std::uint32_t TrueColor(const std::uint8_t* p, std::uint32_t bits, bool alpha) {
    if (bits == 24) return PackArgb(0xFF, p[2], p[1], p[0]);
    if (bits == 32) return PackArgb(alpha ? p[3] : 0xFF, p[2], p[1], p[0]);
    static const MaskLayout kWithAlpha(0x7C00, 0x03E0, 0x001F, 0x8000);
    static const MaskLayout kOpaque(0x7C00, 0x03E0, 0x001F, 0);
    const std::uint32_t value = ReadLe16(p);
    return (alpha && bits == 16 ? kWithAlpha : kOpaque).ToArgb(value);
  }

 private:
  const TgaHeader& m_header;
  const std::uint32_t* m_colorMap;
  bool m_alpha;
};

// Reads the colour map into 0xAARRGGBB entries; `offset` moves past it.
bool ReadColorMap(ImageBytes bytes, const TgaHeader& h, std::uint64_t& offset,
                  std::unique_ptr<std::uint32_t[]>& map) {
  if (h.colorMapType == 0) return true;
  const std::uint32_t entryBytes = (h.mapEntryBits + 7u) / 8u;
  const std::uint64_t size = static_cast<std::uint64_t>(h.mapLength) * entryBytes;
  if (!InBounds(bytes.size(), offset, size)) return false;
  if (h.baseType == kTypeColorMapped) {
    map.reset(new (std::nothrow) std::uint32_t[h.mapLength + 1u]);
    if (map == nullptr) return false;
    const bool alpha = (h.descriptor & 0x0F) != 0;
    for (std::uint32_t i = 0; i < h.mapLength; ++i) {
      map[i] = TgaPixelReader::TrueColor(bytes.data() + offset + i * entryBytes, h.mapEntryBits,
                                         alpha);
    }
  }
  offset += size;
  return true;
}

// Decodes count pixels in stored order into `out`, plain or run-length encoded.
ImageStatus ReadPixels(ImageBytes bytes, std::uint64_t offset, const TgaHeader& h,
                       const TgaPixelReader& reader, std::uint32_t* out, std::size_t count) {
  const std::uint32_t step = reader.BytesPerPixel();
  std::size_t done = 0;
  while (done < count) {
    std::size_t run = count - done;
    bool repeat = false;
    if (h.rle) {
      if (!InBounds(bytes.size(), offset, 1)) return ImageStatus::InvalidData;
      const std::uint8_t packet = bytes[offset++];
      repeat = (packet & 0x80) != 0;
      run = std::min<std::size_t>((packet & 0x7Fu) + 1u, count - done);  // no run past the end
    }
    const std::uint64_t stored = repeat ? 1 : run;
    if (!InBounds(bytes.size(), offset, stored * step)) return ImageStatus::InvalidData;
    for (std::size_t i = 0; i < run; ++i) {
      const std::uint8_t* p = bytes.data() + offset + (repeat ? 0 : i * step);
      if (!reader.Convert(p, out[done + i])) return ImageStatus::InvalidData;
    }
    offset += stored * step;
    done += run;
  }
  return ImageStatus::Ok;
}

// Puts the stored rows into top-to-bottom, left-to-right order.
void Reorient(Image& image, std::uint8_t descriptor) {
  if ((descriptor & kDescriptorTopFirst) == 0) {
    for (std::uint32_t y = 0; y < image.height / 2; ++y) {
      std::swap_ranges(image.Row(y), image.Row(y) + image.width,
                       image.Row(image.height - 1 - y));
    }
  }
  if ((descriptor & kDescriptorRightToLeft) != 0) {
    for (std::uint32_t y = 0; y < image.height; ++y) {
      std::reverse(image.Row(y), image.Row(y) + image.width);
    }
  }
}

ImagePixelFormat SourceFormat(const TgaHeader& h, bool alpha) {
  switch (h.baseType) {
    case kTypeColorMapped: return ImagePixelFormat::P8;
    case kTypeGrey: return h.pixelBits == 16 ? ImagePixelFormat::A8L8 : ImagePixelFormat::L8;
    default: break;
  }
  if (h.pixelBits == 24) return ImagePixelFormat::R8G8B8;
  if (h.pixelBits == 32) return alpha ? ImagePixelFormat::A8R8G8B8 : ImagePixelFormat::X8R8G8B8;
  return alpha && h.pixelBits == 16 ? ImagePixelFormat::A1R5G5B5 : ImagePixelFormat::X1R5G5B5;
}

}  // namespace

ImageStatus DecodeTga(ImageBytes bytes, DecodedImage& out, std::uint32_t maxDimension) {
  TgaHeader h;
  if (!ReadHeader(bytes, h) || h.width == 0 || h.height == 0) return ImageStatus::InvalidData;
  if (h.width > maxDimension || h.height > maxDimension) return ImageStatus::TooLarge;

  std::uint64_t offset = kHeaderSize + h.idLength;
  std::unique_ptr<std::uint32_t[]> colorMap;
  if (!ReadColorMap(bytes, h, offset, colorMap)) return ImageStatus::InvalidData;
  // The pixels cannot fit in fewer bytes than this (128-pixel runs at best); checking first
  // keeps a short file from making a large allocation.
  const TgaPixelReader reader(h, colorMap.get());
  const std::uint64_t pixelCount = static_cast<std::uint64_t>(h.width) * h.height;
  const std::uint64_t leastData = h.rle ? (pixelCount + 127) / 128 * (1 + reader.BytesPerPixel())
                                         : pixelCount * reader.BytesPerPixel();
  if (!InBounds(bytes.size(), offset, leastData)) return ImageStatus::InvalidData;

  Image& image = out.levels[0];
  if (!image.Allocate(h.width, h.height)) return ImageStatus::OutOfMemory;
  const ImageStatus status =
      ReadPixels(bytes, offset, h, reader, image.pixels.get(), image.PixelCount());
  if (status != ImageStatus::Ok) return status;
  Reorient(image, h.descriptor);

  out.fileFormat = ImageFileFormat::Tga;
  out.hasAlpha = reader.HasAlpha();
  out.sourceFormat = SourceFormat(h, out.hasAlpha);
  out.levelCount = 1;
  return ImageStatus::Ok;
}

}  // namespace qm
