// Writers of small image files for the image and texture tests: BMP, TGA and DDS byte by
// byte after their published layouts, JPEG through libjpeg's compressor. Pictures are
// given as 0xAARRGGBB pixels, rows from the top.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qm::test {

using Bytes = std::vector<std::uint8_t>;

// A test picture: width x height pixels of 0xAARRGGBB.
struct TestPicture {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::vector<std::uint32_t> pixels;
  std::uint32_t At(std::uint32_t x, std::uint32_t y) const { return pixels[y * width + x]; }
};

// A picture whose every pixel differs: red = 16x, green = 16y, blue = x ^ y, alpha as given
// (or varying with x + y when alpha is 0).
TestPicture MakeGradient(std::uint32_t width, std::uint32_t height, std::uint32_t alpha = 0xFF);

void PutLe16(Bytes& out, std::uint32_t value);
void PutLe32(Bytes& out, std::uint32_t value);

// 24- or 32-bit BMP with the 40-byte header; topDown stores rows from the top (negative
// height). 32-bit files are written plainly (no masks), so their alpha does not count.
Bytes WriteBmp(const TestPicture& picture, int bitCount, bool topDown = false);
// 8-bit palettised BMP: `indices` (width x height) into `palette` (0x00RRGGBB).
Bytes WriteBmp8(std::uint32_t width, std::uint32_t height, const std::vector<std::uint8_t>& indices,
                const std::vector<std::uint32_t>& palette, bool topDown = false);

// TGA of 24 or 32 bits, or 8-bit grey (bitCount 8, the green channel is stored), optionally
// run-length encoded; topFirst sets the origin bit. 32-bit files declare 8 alpha bits.
Bytes WriteTga(const TestPicture& picture, int bitCount, bool rle, bool topFirst);

// DDS of one of the uncompressed layouts by masks, with `levels` levels each made by
// halving the picture with point sampling (only the top level is compared exactly).
Bytes WriteDdsMasked(const TestPicture& picture, int bitCount, std::uint32_t redMask,
                     std::uint32_t greenMask, std::uint32_t blueMask, std::uint32_t alphaMask,
                     std::uint32_t levels = 1);
// DDS header for a DXT format ("DXT1" ...) followed by the given block bytes.
Bytes WriteDdsDxt(std::uint32_t width, std::uint32_t height, const std::string& fourCc,
                  const Bytes& blocks, std::uint32_t levels = 1);

// JPEG through libjpeg, baseline unless progressive; grey writes one component.
Bytes WriteJpeg(const TestPicture& picture, int quality, bool grey = false,
                bool progressive = false);

// The channels of two 0xAARRGGBB colours differ by at most `tolerance`.
bool ColorsClose(std::uint32_t a, std::uint32_t b, int tolerance);

}  // namespace qm::test
