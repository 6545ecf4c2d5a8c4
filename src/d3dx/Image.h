// Image: pictures decoded from image files into 32-bit pixels, before they become textures.
//
// The decoders (ImageDecoder.h) fill a DecodedImage from file bytes; the filters
// (ImageFilter.h) resize and build mip levels; the D3DX texture loader turns the result
// into a Direct3D texture. Pixels are 0xAARRGGBB values (Direct3D's A8R8G8B8, bytes B, G,
// R, A in memory on this little-endian machine), rows from the top, without padding.
// Nothing here throws: allocation failures come back as ImageStatus::OutOfMemory.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace qm {

// Largest width or height any decoder accepts; bigger pictures are refused as TooLarge.
constexpr std::uint32_t kMaxImageDimension = 8192;
// Levels of a full mip chain of the largest image (8192 ... 1).
constexpr std::size_t kMaxImageLevels = 14;

// How a decode or filter step ended.
enum class ImageStatus {
  Ok,
  InvalidData,  // not a known format, corrupt, truncated, or a variant not supported
  TooLarge,     // a dimension above the limit
  OutOfMemory,
};

// The container the bytes came in; the values are those of D3DXIMAGE_FILEFORMAT.
enum class ImageFileFormat : std::uint32_t { Bmp = 0, Jpg = 1, Tga = 2, Png = 3, Dds = 4 };

// How the file stored its pixels; the values are the D3DFORMAT codes of Direct3D.
enum class ImagePixelFormat : std::uint32_t {
  Unknown = 0,
  R8G8B8 = 20,
  A8R8G8B8 = 21,
  X8R8G8B8 = 22,
  R5G6B5 = 23,
  X1R5G5B5 = 24,
  A1R5G5B5 = 25,
  A4R4G4B4 = 26,
  P8 = 41,
  L8 = 50,
  A8L8 = 51,
  Dxt1 = 0x31545844,  // 'DXT1'
  Dxt2 = 0x32545844,
  Dxt3 = 0x33545844,
  Dxt4 = 0x34545844,
  Dxt5 = 0x35545844,
};

// One picture: width x height pixels of 0xAARRGGBB.
struct Image {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::unique_ptr<std::uint32_t[]> pixels;

  // Makes room for width x height pixels (contents undefined); false when memory is short.
  bool Allocate(std::uint32_t newWidth, std::uint32_t newHeight);
  bool Empty() const { return pixels == nullptr; }
  std::size_t PixelCount() const { return static_cast<std::size_t>(width) * height; }
  std::uint32_t* Row(std::uint32_t y) { return pixels.get() + static_cast<std::size_t>(y) * width; }
  const std::uint32_t* Row(std::uint32_t y) const {
    return pixels.get() + static_cast<std::size_t>(y) * width;
  }
};

// What a decoder found in a file: the top level and, for DDS files, their own mip levels.
struct DecodedImage {
  ImageFileFormat fileFormat = ImageFileFormat::Bmp;
  ImagePixelFormat sourceFormat = ImagePixelFormat::Unknown;
  bool hasAlpha = false;  // the file carries transparency (alpha channel, DXT, 1-bit alpha)
  std::uint32_t levelCount = 0;
  std::array<Image, kMaxImageLevels> levels;

  std::uint32_t Width() const { return levels[0].width; }
  std::uint32_t Height() const { return levels[0].height; }
};

// The number of levels from width x height down to 1 x 1.
std::uint32_t ImageMipChainLength(std::uint32_t width, std::uint32_t height);

// The smallest power of two not below value (value >= 1).
std::uint32_t ImageRoundUpToPowerOfTwo(std::uint32_t value);

}  // namespace qm
