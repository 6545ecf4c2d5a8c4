// qm-image-fuzz-seeds FOLDER: writes the image fuzzer's seeds, one small file of every
// layout the decoders take (JPEG baseline, grey and progressive; BMP of every depth and
// header form; TGA true colour, grey and colour-mapped, plain and run-length; DDS by masks
// and DXT1 to DXT5 with mip levels). The files are kept in tests/d3dx/fuzz-seeds/image;
// this program writes them again when a layout is added.
#include <cstdio>
#include <string>
#include <vector>

#include "d3dx/ImageTestFiles.h"

namespace {

using qm::test::Bytes;
using qm::test::PutLe16;
using qm::test::PutLe32;
using qm::test::TestPicture;

// A BMP of any depth: `rows` hold the stored rows (bottom first, padded), `extra` the
// palette or masks that follow the info header of `headerSize` bytes (12, 40 or 56).
Bytes Bmp(std::uint32_t width, std::uint32_t height, int bitCount, std::uint32_t compression,
          std::uint32_t headerSize, const Bytes& extra, const Bytes& rows) {
  Bytes out{'B', 'M'};
  const std::uint32_t offset = 14 + headerSize + static_cast<std::uint32_t>(extra.size());
  PutLe32(out, offset + static_cast<std::uint32_t>(rows.size()));
  PutLe32(out, 0);
  PutLe32(out, offset);
  PutLe32(out, headerSize);
  if (headerSize == 12) {
    PutLe16(out, width);
    PutLe16(out, height);
    PutLe16(out, 1);
    PutLe16(out, static_cast<std::uint32_t>(bitCount));
  } else {
    PutLe32(out, width);
    PutLe32(out, height);
    PutLe16(out, 1);
    PutLe16(out, static_cast<std::uint32_t>(bitCount));
    PutLe32(out, compression);
    PutLe32(out, static_cast<std::uint32_t>(rows.size()));
    PutLe32(out, 2835);
    PutLe32(out, 2835);
    PutLe32(out, 0);
    PutLe32(out, 0);
    out.resize(14 + headerSize, 0);  // the longer headers' fields stay zero
  }
  out.insert(out.end(), extra.begin(), extra.end());
  out.insert(out.end(), rows.begin(), rows.end());
  return out;
}

// A palette of `count` entries of 3 or 4 bytes.
Bytes Palette(int count, int entrySize) {
  Bytes out;
  for (int i = 0; i < count; ++i) {
    out.push_back(std::uint8_t(i * 40));
    out.push_back(std::uint8_t(255 - i * 16));
    out.push_back(std::uint8_t(i * 90));
    if (entrySize == 4) out.push_back(0);
  }
  return out;
}

Bytes Masks(std::initializer_list<std::uint32_t> masks) {
  Bytes out;
  for (std::uint32_t m : masks) PutLe32(out, m);
  return out;
}

// `height` rows of `stride` bytes counting up from `start`.
Bytes Rows(std::uint32_t height, std::uint32_t stride, std::uint8_t start = 0) {
  Bytes out;
  for (std::uint32_t i = 0; i < height * stride; ++i) out.push_back(std::uint8_t(start + i * 37));
  return out;
}

// TGA by hand for the layouts the test writer has no call for.
Bytes Tga(std::uint8_t type, std::uint8_t pixelBits, std::uint8_t descriptor,
          std::uint16_t mapLength, std::uint8_t mapBits, const Bytes& map, const Bytes& pixels,
          std::uint16_t width, std::uint16_t height) {
  Bytes out{3, std::uint8_t(mapLength ? 1 : 0), type};
  PutLe16(out, 0);
  PutLe16(out, mapLength);
  out.push_back(mapBits);
  PutLe16(out, 0);
  PutLe16(out, 0);
  PutLe16(out, width);
  PutLe16(out, height);
  out.push_back(pixelBits);
  out.push_back(descriptor);
  out.insert(out.end(), {'i', 'd', '!'});  // the image id the first byte counts
  out.insert(out.end(), map.begin(), map.end());
  out.insert(out.end(), pixels.begin(), pixels.end());
  return out;
}

// DXT blocks for a width x height picture and its levels down to 1 x 1.
Bytes DxtBlocks(std::uint32_t width, std::uint32_t height, std::uint32_t blockBytes) {
  std::uint32_t blocks = 0;
  for (std::uint32_t w = width, h = height;; w = w > 1 ? w / 2 : 1, h = h > 1 ? h / 2 : 1) {
    blocks += ((w + 3) / 4) * ((h + 3) / 4);
    if (w == 1 && h == 1) break;
  }
  return Rows(blocks, blockBytes, 0x5A);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: qm-image-fuzz-seeds FOLDER\n");
    return 2;
  }
  using namespace qm::test;
  const TestPicture picture = MakeGradient(6, 5);
  const TestPicture translucent = MakeGradient(5, 4, 0);
  const TestPicture jpegPicture = MakeGradient(16, 9);
  const std::vector<std::uint8_t> indices = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
  const std::vector<std::uint32_t> palette = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00,
                                              0xFF00FF, 0x00FFFF, 0x808080, 0x400000, 0x004000,
                                              0x000040, 0xFFFFFF};
  // 8 x 2 grey, run-length: per row a run of four and four raw pixels.
  const Bytes greyRuns = {0x83, 200, 0x03, 1, 2, 3, 4, 0x83, 50, 0x03, 9, 8, 7, 6};

  const std::vector<std::pair<const char*, Bytes>> seeds = {
      {"baseline.jpg", WriteJpeg(jpegPicture, 75)},
      {"grey.jpg", WriteJpeg(jpegPicture, 50, true)},
      {"progressive.jpg", WriteJpeg(jpegPicture, 60, false, true)},
      {"rgb24.bmp", WriteBmp(picture, 24)},
      {"rgb24_topdown.bmp", WriteBmp(picture, 24, true)},
      {"rgb32.bmp", WriteBmp(picture, 32)},
      {"pal8.bmp", WriteBmp8(4, 3, indices, palette)},
      {"pal4.bmp", Bmp(7, 3, 4, 0, 40, Palette(16, 4), Rows(3, 4))},
      {"pal1.bmp", Bmp(9, 3, 1, 0, 40, Palette(2, 4), Rows(3, 4))},
      {"core_pal8.bmp", Bmp(3, 2, 8, 0, 12, Palette(256, 3), Rows(2, 4))},
      {"core_rgb24.bmp", Bmp(3, 2, 24, 0, 12, {}, Rows(2, 12))},
      {"rgb565.bmp", Bmp(3, 2, 16, 3, 40, Masks({0xF800, 0x07E0, 0x001F}), Rows(2, 8))},
      {"rgb555.bmp", Bmp(3, 2, 16, 0, 40, {}, Rows(2, 8))},
      {"argb32_masks.bmp",
       Bmp(3, 2, 32, 6, 40, Masks({0xFF0000, 0xFF00, 0xFF, 0xFF000000}), Rows(2, 12))},
      {"argb32_v3.bmp",
       Bmp(3, 2, 32, 3, 56, {}, Rows(2, 12))},  // the masks inside the header, left zero
      {"rgb24.tga", WriteTga(picture, 24, false, false)},
      {"argb32_top.tga", WriteTga(translucent, 32, false, true)},
      {"grey8.tga", WriteTga(picture, 8, false, false)},
      {"rgb24_rle.tga", WriteTga(picture, 24, true, false)},
      {"argb32_rle.tga", WriteTga(translucent, 32, true, true)},
      {"grey8_rle.tga", WriteTga(picture, 8, true, true)},
      {"rgb16_alpha.tga", Tga(2, 16, 0x01, 0, 0, {}, Rows(2, 6), 3, 2)},
      {"rgb15_right.tga", Tga(2, 15, 0x10, 0, 0, {}, Rows(2, 6), 3, 2)},
      {"grey16.tga", Tga(3, 16, 0x08, 0, 0, {}, Rows(2, 6), 3, 2)},
      {"mapped24.tga", Tga(1, 8, 0, 4, 24, Palette(4, 3), {0, 1, 2, 3, 3, 2}, 3, 2)},
      {"mapped16_rle.tga", Tga(9, 8, 0x21, 3, 16, Rows(1, 6), {0x82, 1, 0x02, 0, 2, 1}, 3, 2)},
      {"grey8_rle_mixed.tga", Tga(11, 8, 0, 0, 0, {}, greyRuns, 8, 2)},
      {"argb32_mips.dds", WriteDdsMasked(translucent, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000, 3)},
      {"xrgb32.dds", WriteDdsMasked(picture, 32, 0xFF0000, 0xFF00, 0xFF, 0)},
      {"rgb24.dds", WriteDdsMasked(picture, 24, 0xFF0000, 0xFF00, 0xFF, 0)},
      {"rgb565.dds", WriteDdsMasked(picture, 16, 0xF800, 0x07E0, 0x001F, 0)},
      {"argb1555.dds", WriteDdsMasked(picture, 16, 0x7C00, 0x03E0, 0x1F, 0x8000, 2)},
      {"argb4444.dds", WriteDdsMasked(picture, 16, 0x0F00, 0x00F0, 0x000F, 0xF000)},
      {"l8.dds", WriteDdsMasked(picture, 8, 0xFF, 0, 0, 0)},
      {"dxt1.dds", WriteDdsDxt(8, 8, "DXT1", DxtBlocks(8, 8, 8), 4)},
      {"dxt2.dds", WriteDdsDxt(4, 4, "DXT2", DxtBlocks(4, 4, 16), 1)},
      {"dxt3.dds", WriteDdsDxt(8, 4, "DXT3", DxtBlocks(8, 4, 16), 4)},
      {"dxt4.dds", WriteDdsDxt(4, 4, "DXT4", DxtBlocks(4, 4, 16), 1)},
      {"dxt5.dds", WriteDdsDxt(6, 5, "DXT5", DxtBlocks(6, 5, 16), 3)},
  };
  for (const auto& [name, bytes] : seeds) {
    const std::string path = std::string(argv[1]) + "/" + name;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) {
      std::fprintf(stderr, "qm-image-fuzz-seeds: cannot write %s\n", path.c_str());
      return 1;
    }
    std::fclose(f);
  }
  return 0;
}
