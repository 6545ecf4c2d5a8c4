// Test-only writers of ImageTestFiles.h.
#include "ImageTestFiles.h"

#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

namespace qm::test {

TestPicture MakeGradient(std::uint32_t width, std::uint32_t height, std::uint32_t alpha) {
  TestPicture p{width, height, {}};
  for (std::uint32_t y = 0; y < height; ++y) {
    for (std::uint32_t x = 0; x < width; ++x) {
      const std::uint32_t a = alpha != 0 ? alpha : (x + y) * 20 % 256;
      p.pixels.push_back((a << 24) | ((x * 16 & 0xFF) << 16) | ((y * 16 & 0xFF) << 8) |
                         ((x ^ y) & 0xFF));
    }
  }
  return p;
}

void PutLe16(Bytes& out, std::uint32_t value) {
  out.push_back(static_cast<std::uint8_t>(value));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void PutLe32(Bytes& out, std::uint32_t value) {
  PutLe16(out, value & 0xFFFF);
  PutLe16(out, value >> 16);
}

namespace {

void PutBmpHeaders(Bytes& out, std::uint32_t width, std::uint32_t height, int bitCount,
                   bool topDown, std::uint32_t paletteEntries, std::uint32_t imageBytes) {
  const std::uint32_t offset = 14 + 40 + paletteEntries * 4;
  out.push_back('B');
  out.push_back('M');
  PutLe32(out, offset + imageBytes);
  PutLe32(out, 0);
  PutLe32(out, offset);
  PutLe32(out, 40);
  PutLe32(out, width);
  PutLe32(out, topDown ? static_cast<std::uint32_t>(-static_cast<std::int32_t>(height)) : height);
  PutLe16(out, 1);
  PutLe16(out, static_cast<std::uint32_t>(bitCount));
  PutLe32(out, 0);  // BI_RGB
  PutLe32(out, imageBytes);
  PutLe32(out, 2835);
  PutLe32(out, 2835);
  PutLe32(out, paletteEntries);
  PutLe32(out, 0);
}

}  // namespace

Bytes WriteBmp(const TestPicture& picture, int bitCount, bool topDown) {
  const std::uint32_t bytesPerPixel = static_cast<std::uint32_t>(bitCount) / 8;
  const std::uint32_t stride = (picture.width * bytesPerPixel + 3) / 4 * 4;
  Bytes out;
  PutBmpHeaders(out, picture.width, picture.height, bitCount, topDown, 0, stride * picture.height);
  for (std::uint32_t row = 0; row < picture.height; ++row) {
    const std::uint32_t y = topDown ? row : picture.height - 1 - row;
    std::size_t written = 0;
    for (std::uint32_t x = 0; x < picture.width; ++x) {
      const std::uint32_t c = picture.At(x, y);
      for (std::uint32_t b = 0; b < bytesPerPixel; ++b) out.push_back((c >> (8 * b)) & 0xFF);
      written += bytesPerPixel;
    }
    for (; written < stride; ++written) out.push_back(0);
  }
  return out;
}

Bytes WriteBmp8(std::uint32_t width, std::uint32_t height, const std::vector<std::uint8_t>& indices,
                const std::vector<std::uint32_t>& palette, bool topDown) {
  const std::uint32_t stride = (width + 3) / 4 * 4;
  Bytes out;
  PutBmpHeaders(out, width, height, 8, topDown, static_cast<std::uint32_t>(palette.size()),
                stride * height);
  for (std::uint32_t c : palette) PutLe32(out, c & 0xFFFFFF);
  for (std::uint32_t row = 0; row < height; ++row) {
    const std::uint32_t y = topDown ? row : height - 1 - row;
    for (std::uint32_t x = 0; x < stride; ++x) out.push_back(x < width ? indices[y * width + x] : 0);
  }
  return out;
}

namespace {

void PutTgaPixel(Bytes& out, std::uint32_t c, int bitCount) {
  if (bitCount == 8) {
    out.push_back((c >> 8) & 0xFF);
    return;
  }
  out.push_back(c & 0xFF);
  out.push_back((c >> 8) & 0xFF);
  out.push_back((c >> 16) & 0xFF);
  if (bitCount == 32) out.push_back(c >> 24);
}

}  // namespace

Bytes WriteTga(const TestPicture& picture, int bitCount, bool rle, bool topFirst) {
  Bytes out = {0, 0, static_cast<std::uint8_t>((bitCount == 8 ? 3 : 2) | (rle ? 8 : 0)), 0, 0, 0,
               0, 0, 0, 0, 0, 0};
  PutLe16(out, picture.width);
  PutLe16(out, picture.height);
  out.push_back(static_cast<std::uint8_t>(bitCount));
  out.push_back(static_cast<std::uint8_t>((bitCount == 32 ? 8 : 0) | (topFirst ? 0x20 : 0)));
  std::vector<std::uint32_t> stored;
  for (std::uint32_t row = 0; row < picture.height; ++row) {
    const std::uint32_t y = topFirst ? row : picture.height - 1 - row;
    for (std::uint32_t x = 0; x < picture.width; ++x) stored.push_back(picture.At(x, y));
  }
  if (!rle) {
    for (std::uint32_t c : stored) PutTgaPixel(out, c, bitCount);
    return out;
  }
  // Runs of equal pixels become repeat packets, everything else raw packets; packets may
  // cross rows, as the format allows.
  std::size_t i = 0;
  while (i < stored.size()) {
    std::size_t run = 1;
    while (i + run < stored.size() && run < 128 && stored[i + run] == stored[i]) ++run;
    if (run > 1) {
      out.push_back(static_cast<std::uint8_t>(0x80 | (run - 1)));
      PutTgaPixel(out, stored[i], bitCount);
    } else {
      std::size_t raw = 1;
      while (i + raw < stored.size() && raw < 128 &&
             (i + raw + 1 >= stored.size() || stored[i + raw] != stored[i + raw + 1])) {
        ++raw;
      }
      out.push_back(static_cast<std::uint8_t>(raw - 1));
      for (std::size_t k = 0; k < raw; ++k) PutTgaPixel(out, stored[i + k], bitCount);
      run = raw;
    }
    i += run;
  }
  return out;
}

namespace {

void PutDdsHeader(Bytes& out, std::uint32_t width, std::uint32_t height, std::uint32_t levels,
                  std::uint32_t pixelFlags, std::uint32_t fourCc, int bitCount,
                  const std::uint32_t masks[4]) {
  out = {'D', 'D', 'S', ' '};
  PutLe32(out, 124);
  PutLe32(out, 0x1 | 0x2 | 0x4 | 0x1000 | (levels > 1 ? 0x20000 : 0));
  PutLe32(out, height);
  PutLe32(out, width);
  PutLe32(out, 0);
  PutLe32(out, 0);
  PutLe32(out, levels);
  for (int i = 0; i < 11; ++i) PutLe32(out, 0);
  PutLe32(out, 32);
  PutLe32(out, pixelFlags);
  PutLe32(out, fourCc);
  PutLe32(out, static_cast<std::uint32_t>(bitCount));
  for (int i = 0; i < 4; ++i) PutLe32(out, masks[i]);
  PutLe32(out, 0x1000 | (levels > 1 ? 0x400008 : 0));
  for (int i = 0; i < 4; ++i) PutLe32(out, 0);
}

// Packs one 0xAARRGGBB pixel into a masked layout.
std::uint32_t PackMasked(std::uint32_t argb, const std::uint32_t masks[4]) {
  std::uint32_t value = 0;
  const int shifts[4] = {16, 8, 0, 24};
  for (int c = 0; c < 4; ++c) {
    if (masks[c] == 0) continue;
    const std::uint32_t shift = static_cast<std::uint32_t>(__builtin_ctz(masks[c]));
    const std::uint32_t bits = static_cast<std::uint32_t>(__builtin_popcount(masks[c]));
    const std::uint32_t channel = (argb >> shifts[c]) & 0xFF;
    value |= ((channel >> (8 - bits)) << shift) & masks[c];
  }
  return value;
}

}  // namespace

Bytes WriteDdsMasked(const TestPicture& picture, int bitCount, std::uint32_t redMask,
                     std::uint32_t greenMask, std::uint32_t blueMask, std::uint32_t alphaMask,
                     std::uint32_t levels) {
  const std::uint32_t masks[4] = {redMask, greenMask, blueMask, alphaMask};
  Bytes out;
  PutDdsHeader(out, picture.width, picture.height, levels, 0x40 | (alphaMask != 0 ? 1 : 0), 0,
               bitCount, masks);
  std::uint32_t width = picture.width, height = picture.height, step = 1;
  for (std::uint32_t level = 0; level < levels; ++level) {
    for (std::uint32_t y = 0; y < height; ++y) {
      for (std::uint32_t x = 0; x < width; ++x) {
        const std::uint32_t value = PackMasked(picture.At(x * step, y * step), masks);
        for (int b = 0; b < bitCount / 8; ++b) out.push_back((value >> (8 * b)) & 0xFF);
      }
    }
    width = width > 1 ? width / 2 : 1;
    height = height > 1 ? height / 2 : 1;
    step *= 2;
  }
  return out;
}

Bytes WriteDdsDxt(std::uint32_t width, std::uint32_t height, const std::string& fourCc,
                  const Bytes& blocks, std::uint32_t levels) {
  const std::uint32_t masks[4] = {0, 0, 0, 0};
  const std::uint32_t code = static_cast<std::uint32_t>(fourCc[0]) |
                             (static_cast<std::uint32_t>(fourCc[1]) << 8) |
                             (static_cast<std::uint32_t>(fourCc[2]) << 16) |
                             (static_cast<std::uint32_t>(fourCc[3]) << 24);
  Bytes out;
  PutDdsHeader(out, width, height, levels, 0x4, code, 0, masks);
  out.insert(out.end(), blocks.begin(), blocks.end());
  return out;
}

Bytes WriteJpeg(const TestPicture& picture, int quality, bool grey, bool progressive) {
  jpeg_compress_struct info;
  jpeg_error_mgr errors;
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = picture.width;
  info.image_height = picture.height;
  info.input_components = grey ? 1 : 3;
  info.in_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, quality, TRUE);
  if (progressive) jpeg_simple_progression(&info);
  jpeg_start_compress(&info, TRUE);
  std::vector<JSAMPLE> row(picture.width * 3);
  while (info.next_scanline < info.image_height) {
    for (std::uint32_t x = 0; x < picture.width; ++x) {
      const std::uint32_t c = picture.At(x, info.next_scanline);
      if (grey) {
        row[x] = static_cast<JSAMPLE>((c >> 8) & 0xFF);
      } else {
        row[3 * x] = static_cast<JSAMPLE>((c >> 16) & 0xFF);
        row[3 * x + 1] = static_cast<JSAMPLE>((c >> 8) & 0xFF);
        row[3 * x + 2] = static_cast<JSAMPLE>(c & 0xFF);
      }
    }
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  Bytes out(buffer, buffer + size);
  std::free(buffer);
  return out;
}

bool ColorsClose(std::uint32_t a, std::uint32_t b, int tolerance) {
  for (int shift = 0; shift < 32; shift += 8) {
    const int ca = static_cast<int>((a >> shift) & 0xFF), cb = static_cast<int>((b >> shift) & 0xFF);
    if (std::abs(ca - cb) > tolerance) return false;
  }
  return true;
}

}  // namespace qm::test
