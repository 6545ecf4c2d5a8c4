// DecodeDds: DirectDraw surface files holding one 2D texture with its own mip levels:
// DXT1 (with its 1-bit alpha), DXT2/DXT3 (explicit 4-bit alpha), DXT4/DXT5 (interpolated
// alpha), decompressed to 32-bit pixels, and uncompressed pixels of 8, 16, 24 or 32 bits
// described by channel masks (A8R8G8B8, X8R8G8B8, R8G8B8, A1R5G5B5, R5G6B5, L8 ...).
// Cube maps, volumes and the extended DX10 header are refused.
//
// Layout: "DDS ", a 124-byte header (flags, height, width, pitch, depth, mip count, a
// 32-byte pixel format, caps), then each level in turn, largest first. Premultiplied DXT2
// and DXT4 are taken as they are stored.
#include <algorithm>

#include "d3dx/ImageFormatDecoders.h"

namespace qm {

namespace {

constexpr std::uint32_t kMagicSize = 4;
constexpr std::uint32_t kHeaderSize = 124;
constexpr std::uint32_t kFlagMipMapCount = 0x20000;
constexpr std::uint32_t kPixelAlphaPixels = 0x1;
constexpr std::uint32_t kPixelAlphaOnly = 0x2;
constexpr std::uint32_t kPixelFourCc = 0x4;
constexpr std::uint32_t kPixelRgb = 0x40;
constexpr std::uint32_t kPixelLuminance = 0x20000;
constexpr std::uint32_t kCapsMipMap = 0x400000;
constexpr std::uint32_t kCaps2CubeMap = 0x200;
constexpr std::uint32_t kCaps2Volume = 0x200000;

// The header fields that matter.
struct DdsHeader {
  std::uint32_t flags, height, width, mipCount;
  std::uint32_t pixelFlags, fourCc, bitCount;
  std::uint32_t masks[4];  // red, green, blue, alpha
  std::uint32_t caps, caps2;
};

bool ReadHeader(ImageBytes bytes, DdsHeader& h) {
  if (!InBounds(bytes.size(), 0, kMagicSize + kHeaderSize)) return false;
  const std::uint8_t* p = bytes.data() + kMagicSize;
  if (ReadLe32(p) != kHeaderSize) return false;
  h.flags = ReadLe32(p + 4);
  h.height = ReadLe32(p + 8);
  h.width = ReadLe32(p + 12);
  h.mipCount = ReadLe32(p + 24);
  h.pixelFlags = ReadLe32(p + 76);
  h.fourCc = ReadLe32(p + 80);
  h.bitCount = ReadLe32(p + 84);
  for (int i = 0; i < 4; ++i) h.masks[i] = ReadLe32(p + 88 + 4 * i);
  h.caps = ReadLe32(p + 104);
  h.caps2 = ReadLe32(p + 108);
  return true;
}

// ---------------------------------------------------------------------------------------------
// DXT blocks: 4 x 4 pixels each
// ---------------------------------------------------------------------------------------------

std::uint32_t Expand565(std::uint16_t c) {
  const std::uint32_t r = (c >> 11) & 31, g = (c >> 5) & 63, b = c & 31;
  return PackArgb(0xFF, (r << 3) | (r >> 2), (g << 2) | (g >> 4), (b << 3) | (b >> 2));
}

// Weighted mean of two 0xAARRGGBB colours: (wa * a + wb * b) / (wa + wb) per channel.
std::uint32_t Blend(std::uint32_t a, std::uint32_t b, std::uint32_t wa, std::uint32_t wb) {
  std::uint32_t result = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const std::uint32_t ca = (a >> shift) & 0xFF, cb = (b >> shift) & 0xFF;
    result |= ((wa * ca + wb * cb) / (wa + wb)) << shift;
  }
  return result;
}

// The colour half of a block. DXT1 blocks with c0 <= c1 have three colours and transparent
// black; the other formats always use four colours.
void DecodeColorBlock(const std::uint8_t* block, bool allowTransparent, std::uint32_t out[16]) {
  const std::uint16_t c0 = ReadLe16(block), c1 = ReadLe16(block + 2);
  std::uint32_t palette[4] = {Expand565(c0), Expand565(c1), 0, 0};
  if (c0 > c1 || !allowTransparent) {
    palette[2] = Blend(palette[0], palette[1], 2, 1);
    palette[3] = Blend(palette[0], palette[1], 1, 2);
  } else {
    palette[2] = Blend(palette[0], palette[1], 1, 1);
    palette[3] = 0;
  }
  const std::uint32_t indices = ReadLe32(block + 4);
  for (int i = 0; i < 16; ++i) out[i] = palette[(indices >> (2 * i)) & 3];
}

void DecodeExplicitAlpha(const std::uint8_t* block, std::uint32_t pixels[16]) {
  for (int i = 0; i < 16; ++i) {
    const std::uint32_t a4 = (block[i / 2] >> (4 * (i % 2))) & 0xF;
    pixels[i] = (pixels[i] & 0x00FFFFFF) | ((a4 * 17) << 24);
  }
}

void DecodeInterpolatedAlpha(const std::uint8_t* block, std::uint32_t pixels[16]) {
  const std::uint32_t a0 = block[0], a1 = block[1];
  std::uint32_t alpha[8] = {a0, a1, 0, 0, 0, 0, 0, 255};
  if (a0 > a1) {
    for (std::uint32_t i = 1; i < 7; ++i) alpha[i + 1] = ((7 - i) * a0 + i * a1) / 7;
  } else {
    for (std::uint32_t i = 1; i < 5; ++i) alpha[i + 1] = ((5 - i) * a0 + i * a1) / 5;
  }
  std::uint64_t bits = 0;
  for (int i = 0; i < 6; ++i) bits |= static_cast<std::uint64_t>(block[2 + i]) << (8 * i);
  for (int i = 0; i < 16; ++i) {
    pixels[i] = (pixels[i] & 0x00FFFFFF) | (alpha[(bits >> (3 * i)) & 7] << 24);
  }
}

// Bytes per 4 x 4 block of a DXT format, 0 for anything else.
std::uint32_t DxtBlockSize(std::uint32_t fourCc) {
  switch (static_cast<ImagePixelFormat>(fourCc)) {
    case ImagePixelFormat::Dxt1: return 8;
    case ImagePixelFormat::Dxt2: case ImagePixelFormat::Dxt3:
    case ImagePixelFormat::Dxt4: case ImagePixelFormat::Dxt5: return 16;
    default: return 0;
  }
}

void DecodeDxtLevel(const std::uint8_t* data, std::uint32_t fourCc, Image& image) {
  const auto format = static_cast<ImagePixelFormat>(fourCc);
  const std::uint32_t blockSize = DxtBlockSize(fourCc);
  const std::uint32_t blocksWide = (image.width + 3) / 4, blocksHigh = (image.height + 3) / 4;
  for (std::uint32_t by = 0; by < blocksHigh; ++by) {
    for (std::uint32_t bx = 0; bx < blocksWide; ++bx) {
      const std::uint8_t* block =
          data + (static_cast<std::size_t>(by) * blocksWide + bx) * blockSize;
      std::uint32_t pixels[16];
      if (format == ImagePixelFormat::Dxt1) {
        DecodeColorBlock(block, true, pixels);
      } else {
        DecodeColorBlock(block + 8, false, pixels);
        if (format == ImagePixelFormat::Dxt2 || format == ImagePixelFormat::Dxt3) {
          DecodeExplicitAlpha(block, pixels);
        } else {
          DecodeInterpolatedAlpha(block, pixels);
        }
      }
      // Blocks at the right and bottom edges may reach past the picture.
      for (std::uint32_t py = 0; py < 4 && by * 4 + py < image.height; ++py) {
        for (std::uint32_t px = 0; px < 4 && bx * 4 + px < image.width; ++px) {
          image.Row(by * 4 + py)[bx * 4 + px] = pixels[py * 4 + px];
        }
      }
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Uncompressed pixels
// ---------------------------------------------------------------------------------------------

std::uint32_t ReadPixelBits(const std::uint8_t* p, std::uint32_t bytesPerPixel) {
  std::uint32_t value = 0;
  for (std::uint32_t i = 0; i < bytesPerPixel; ++i) {
    value |= static_cast<std::uint32_t>(p[i]) << (8 * i);
  }
  return value;
}

void DecodeMaskedLevel(const std::uint8_t* data, const DdsHeader& h, Image& image) {
  const std::uint32_t bytesPerPixel = h.bitCount / 8;
  // Luminance files give the grey level in the red mask; alpha-only files only alpha.
  const bool luminance = (h.pixelFlags & kPixelLuminance) != 0;
  const bool alpha = (h.pixelFlags & (kPixelAlphaPixels | kPixelAlphaOnly)) != 0;
  const MaskLayout layout(h.masks[0], luminance ? h.masks[0] : h.masks[1],
                          luminance ? h.masks[0] : h.masks[2], alpha ? h.masks[3] : 0);
  const std::size_t pitch = static_cast<std::size_t>(image.width) * bytesPerPixel;
  for (std::uint32_t y = 0; y < image.height; ++y) {
    const std::uint8_t* row = data + y * pitch;
    std::uint32_t* out = image.Row(y);
    for (std::uint32_t x = 0; x < image.width; ++x) {
      out[x] = layout.ToArgb(ReadPixelBits(row + x * bytesPerPixel, bytesPerPixel));
    }
  }
}

ImagePixelFormat MaskedFormat(const DdsHeader& h, bool alpha) {
  const std::uint32_t r = h.masks[0], g = h.masks[1], b = h.masks[2], a = alpha ? h.masks[3] : 0;
  if ((h.pixelFlags & kPixelLuminance) != 0) {
    return h.bitCount == 8 ? ImagePixelFormat::L8 : ImagePixelFormat::A8L8;
  }
  if (h.bitCount == 32 && r == 0xFF0000 && g == 0xFF00 && b == 0xFF) {
    return a == 0xFF000000u ? ImagePixelFormat::A8R8G8B8 : ImagePixelFormat::X8R8G8B8;
  }
  if (h.bitCount == 24 && r == 0xFF0000 && g == 0xFF00 && b == 0xFF) {
    return ImagePixelFormat::R8G8B8;
  }
  if (h.bitCount == 16 && r == 0xF800 && g == 0x07E0 && b == 0x1F) {
    return ImagePixelFormat::R5G6B5;
  }
  if (h.bitCount == 16 && r == 0x7C00 && g == 0x03E0 && b == 0x1F) {
    return a == 0x8000 ? ImagePixelFormat::A1R5G5B5 : ImagePixelFormat::X1R5G5B5;
  }
  if (h.bitCount == 16 && r == 0xF00 && g == 0xF0 && b == 0xF && a == 0xF000) {
    return ImagePixelFormat::A4R4G4B4;
  }
  return ImagePixelFormat::Unknown;  // still decoded through its masks
}

// ---------------------------------------------------------------------------------------------
// The file
// ---------------------------------------------------------------------------------------------

// Bytes of one level of the file's format at the given size.
std::uint64_t LevelSize(const DdsHeader& h, std::uint32_t width, std::uint32_t height) {
  const std::uint32_t blockSize = DxtBlockSize(h.fourCc);
  if ((h.pixelFlags & kPixelFourCc) != 0) {
    return static_cast<std::uint64_t>((width + 3) / 4) * ((height + 3) / 4) * blockSize;
  }
  return static_cast<std::uint64_t>(width) * height * (h.bitCount / 8);
}

// Checks that the pixel format is one this decoder reads, and fills in the source format.
bool ClassifyFormat(const DdsHeader& h, DecodedImage& out) {
  if ((h.pixelFlags & kPixelFourCc) != 0) {
    if (DxtBlockSize(h.fourCc) == 0) return false;
    out.sourceFormat = static_cast<ImagePixelFormat>(h.fourCc);
    out.hasAlpha = true;
    return true;
  }
  if ((h.pixelFlags & (kPixelRgb | kPixelLuminance | kPixelAlphaOnly)) == 0) return false;
  if (h.bitCount != 8 && h.bitCount != 16 && h.bitCount != 24 && h.bitCount != 32) return false;
  out.hasAlpha = (h.pixelFlags & (kPixelAlphaPixels | kPixelAlphaOnly)) != 0 && h.masks[3] != 0;
  out.sourceFormat = MaskedFormat(h, out.hasAlpha);
  return true;
}

}  // namespace

ImageStatus DecodeDds(ImageBytes bytes, DecodedImage& out, std::uint32_t maxDimension) {
  DdsHeader h;
  if (!ReadHeader(bytes, h) || h.width == 0 || h.height == 0) return ImageStatus::InvalidData;
  if ((h.caps2 & (kCaps2CubeMap | kCaps2Volume)) != 0) return ImageStatus::InvalidData;
  if (h.width > maxDimension || h.height > maxDimension) return ImageStatus::TooLarge;
  if (!ClassifyFormat(h, out)) return ImageStatus::InvalidData;

  std::uint32_t levels = 1;
  if ((h.flags & kFlagMipMapCount) != 0 || (h.caps & kCapsMipMap) != 0) {
    levels = std::clamp<std::uint32_t>(h.mipCount, 1, ImageMipChainLength(h.width, h.height));
  }
  std::uint64_t offset = kMagicSize + kHeaderSize;
  std::uint32_t width = h.width, height = h.height;
  for (std::uint32_t level = 0; level < levels; ++level) {
    const std::uint64_t size = LevelSize(h, width, height);
    if (!InBounds(bytes.size(), offset, size)) return ImageStatus::InvalidData;
    Image& image = out.levels[level];
    if (!image.Allocate(width, height)) return ImageStatus::OutOfMemory;
    if ((h.pixelFlags & kPixelFourCc) != 0) {
      DecodeDxtLevel(bytes.data() + offset, h.fourCc, image);
    } else {
      DecodeMaskedLevel(bytes.data() + offset, h, image);
    }
    offset += size;
    width = std::max<std::uint32_t>(1, width / 2);
    height = std::max<std::uint32_t>(1, height / 2);
  }
  out.fileFormat = ImageFileFormat::Dds;
  out.levelCount = levels;
  return ImageStatus::Ok;
}

}  // namespace qm
