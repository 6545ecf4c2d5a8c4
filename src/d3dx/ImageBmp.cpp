// DecodeBmp: Windows bitmaps with 1-, 4- and 8-bit palettes, 16-, 24- and 32-bit pixels
// (plain or with bit-field masks), stored bottom-up or top-down. Run-length compressed
// bitmaps are refused.
//
// Layout: a 14-byte file header ("BM", size, reserved, offset of the pixels), an info header
// whose first 4 bytes give its own size (12 for the old OS/2 form, 40 and up otherwise), an
// optional palette, then rows padded to 4 bytes.
#include <cstdlib>

#include "d3dx/ImageFormatDecoders.h"

namespace qm {

namespace {

constexpr std::uint32_t kFileHeaderSize = 14;
constexpr std::uint32_t kCoreHeaderSize = 12;
constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiBitfields = 3;
constexpr std::uint32_t kBiAlphaBitfields = 6;

// What the headers say.
struct BmpHeader {
  std::uint32_t pixelOffset = 0;
  std::uint32_t headerSize = 0;
  std::int64_t width = 0;
  std::int64_t height = 0;  // negative: rows stored from the top
  std::uint32_t bitCount = 0;
  std::uint32_t compression = kBiRgb;
  std::uint32_t paletteCount = 0;
  std::uint32_t masks[4] = {0, 0, 0, 0};  // red, green, blue, alpha
};

bool ReadHeader(ImageBytes bytes, BmpHeader& h) {
  if (!InBounds(bytes.size(), 0, kFileHeaderSize + 4)) return false;
  const std::uint8_t* p = bytes.data();
  h.pixelOffset = ReadLe32(p + 10);
  h.headerSize = ReadLe32(p + kFileHeaderSize);
  if (!InBounds(bytes.size(), kFileHeaderSize, h.headerSize)) return false;
  const std::uint8_t* info = p + kFileHeaderSize;
  if (h.headerSize == kCoreHeaderSize) {
    h.width = ReadLe16(info + 4);
    h.height = ReadLe16(info + 6);
    h.bitCount = ReadLe16(info + 10);
    return true;
  }
  if (h.headerSize < kInfoHeaderSize) return false;
  h.width = static_cast<std::int32_t>(ReadLe32(info + 4));
  h.height = static_cast<std::int32_t>(ReadLe32(info + 8));
  h.bitCount = ReadLe16(info + 14);
  h.compression = ReadLe32(info + 16);
  h.paletteCount = ReadLe32(info + 32);
  // Masks sit inside the longer headers, or right after the 40-byte one.
  const std::uint32_t maskCount = h.compression == kBiAlphaBitfields ? 4 : 3;
  if (h.compression == kBiBitfields || h.compression == kBiAlphaBitfields) {
    if (!InBounds(bytes.size(), kFileHeaderSize + kInfoHeaderSize, 4 * maskCount)) return false;
    for (std::uint32_t i = 0; i < maskCount; ++i) h.masks[i] = ReadLe32(info + 40 + 4 * i);
    if (h.headerSize >= 56) h.masks[3] = ReadLe32(info + 52);
  }
  return true;
}

// The 0xAARRGGBB palette; entries are B, G, R (and a reserved byte unless the header is the
// old 12-byte form).
bool ReadPalette(ImageBytes bytes, const BmpHeader& h, std::uint32_t palette[256]) {
  const std::uint32_t maxEntries = 1u << h.bitCount;
  std::uint32_t count = h.paletteCount == 0 ? maxEntries : h.paletteCount;
  if (count > maxEntries) count = maxEntries;
  const std::uint32_t entrySize = h.headerSize == kCoreHeaderSize ? 3 : 4;
  std::uint64_t start = kFileHeaderSize + static_cast<std::uint64_t>(h.headerSize);
  if (h.compression == kBiBitfields) start += 12;
  if (!InBounds(bytes.size(), start, static_cast<std::uint64_t>(count) * entrySize)) return false;
  for (std::uint32_t i = 0; i < 256; ++i) palette[i] = 0xFF000000u;  // out-of-range indices
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint8_t* e = bytes.data() + start + static_cast<std::uint64_t>(i) * entrySize;
    palette[i] = PackArgb(0xFF, e[2], e[1], e[0]);
  }
  return true;
}

// Decides the channel masks and the source format of 16- and 32-bit pixels.
void ChooseMasks(BmpHeader& h, DecodedImage& out) {
  const bool explicitMasks = h.compression == kBiBitfields || h.compression == kBiAlphaBitfields;
  if (!explicitMasks) {
    // Plain 16-bit pixels are X1R5G5B5; plain 32-bit ones X8R8G8B8 (the fourth byte unused).
    if (h.bitCount == 16) {
      h.masks[0] = 0x7C00; h.masks[1] = 0x03E0; h.masks[2] = 0x001F; h.masks[3] = 0;
    } else {
      h.masks[0] = 0xFF0000; h.masks[1] = 0xFF00; h.masks[2] = 0xFF; h.masks[3] = 0;
    }
  }
  out.hasAlpha = h.masks[3] != 0;
  if (h.bitCount == 32) {
    out.sourceFormat = out.hasAlpha ? ImagePixelFormat::A8R8G8B8 : ImagePixelFormat::X8R8G8B8;
  } else if (h.masks[1] == 0x07E0) {
    out.sourceFormat = ImagePixelFormat::R5G6B5;
  } else {
    out.sourceFormat = out.hasAlpha ? ImagePixelFormat::A1R5G5B5 : ImagePixelFormat::X1R5G5B5;
  }
}

// Converts one stored row of `width` pixels.
void ConvertRow(const std::uint8_t* row, const BmpHeader& h, const std::uint32_t* palette,
                const MaskLayout& layout, std::uint32_t width, std::uint32_t* out) {
  for (std::uint32_t x = 0; x < width; ++x) {
    switch (h.bitCount) {
      case 1: out[x] = palette[(row[x / 8] >> (7 - x % 8)) & 1]; break;
      case 4: out[x] = palette[(row[x / 2] >> (x % 2 == 0 ? 4 : 0)) & 0xF]; break;
      case 8: out[x] = palette[row[x]]; break;
      case 16: out[x] = layout.ToArgb(ReadLe16(row + 2 * x)); break;
      case 24: out[x] = PackArgb(0xFF, row[3 * x + 2], row[3 * x + 1], row[3 * x]); break;
      default: out[x] = layout.ToArgb(ReadLe32(row + 4 * x)); break;
    }
  }
}

bool SupportedLayout(const BmpHeader& h) {
  switch (h.bitCount) {
    case 1: case 4: case 8: case 24: return h.compression == kBiRgb;
    case 16: case 32:
      return h.compression == kBiRgb || h.compression == kBiBitfields ||
             h.compression == kBiAlphaBitfields;
    default: return false;
  }
}

}  // namespace

ImageStatus DecodeBmp(ImageBytes bytes, DecodedImage& out, std::uint32_t maxDimension) {
  BmpHeader h;
  if (!ReadHeader(bytes, h) || !SupportedLayout(h)) return ImageStatus::InvalidData;
  if (h.width <= 0 || h.height == 0) return ImageStatus::InvalidData;
  const std::uint64_t width = static_cast<std::uint64_t>(h.width);
  const std::uint64_t height = static_cast<std::uint64_t>(std::llabs(h.height));
  if (width > maxDimension || height > maxDimension) return ImageStatus::TooLarge;

  const std::uint64_t stride = (width * h.bitCount + 31) / 32 * 4;
  if (!InBounds(bytes.size(), h.pixelOffset, stride * height)) return ImageStatus::InvalidData;

  std::uint32_t palette[256] = {};
  if (h.bitCount <= 8) {
    if (!ReadPalette(bytes, h, palette)) return ImageStatus::InvalidData;
    out.sourceFormat = ImagePixelFormat::P8;
  } else if (h.bitCount == 24) {
    out.sourceFormat = ImagePixelFormat::R8G8B8;
  } else {
    ChooseMasks(h, out);
  }
  const MaskLayout layout(h.masks[0], h.masks[1], h.masks[2], h.masks[3]);

  Image& image = out.levels[0];
  if (!image.Allocate(static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height))) {
    return ImageStatus::OutOfMemory;
  }
  const bool topDown = h.height < 0;
  for (std::uint32_t y = 0; y < image.height; ++y) {
    const std::uint64_t storedRow = topDown ? y : image.height - 1 - y;
    const std::uint8_t* row = bytes.data() + h.pixelOffset + storedRow * stride;
    ConvertRow(row, h, palette, layout, image.width, image.Row(y));
  }
  out.fileFormat = ImageFileFormat::Bmp;
  out.levelCount = 1;
  return ImageStatus::Ok;
}

}  // namespace qm
