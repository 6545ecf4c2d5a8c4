// Each decoder on files written here after the published layouts: exact pixels for the
// lossless formats, close pixels for JPEG, and the reported source format and alpha.
#include <gtest/gtest.h>

#include "ImageTestFiles.h"
#include "d3dx/ImageDecoder.h"

namespace qm::test {
namespace {

::testing::AssertionResult SamePixels(const Image& image, const TestPicture& expected,
                                      int tolerance = 0) {
  if (image.width != expected.width || image.height != expected.height) {
    return ::testing::AssertionFailure() << "size " << image.width << "x" << image.height;
  }
  for (std::uint32_t y = 0; y < image.height; ++y) {
    for (std::uint32_t x = 0; x < image.width; ++x) {
      if (!ColorsClose(image.Row(y)[x], expected.At(x, y), tolerance)) {
        return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is " << std::hex
                                             << image.Row(y)[x] << ", expected "
                                             << expected.At(x, y);
      }
    }
  }
  return ::testing::AssertionSuccess();
}

DecodedImage Decode(const Bytes& bytes, ImageStatus expected = ImageStatus::Ok) {
  DecodedImage out;
  EXPECT_EQ(DecodeImage(bytes, out), expected);
  return out;
}

TEST(ImageDecoderTest, BmpOf24And32BitsInBothRowOrders) {
  const TestPicture opaque = MakeGradient(5, 3);  // 15-byte rows need padding
  for (bool topDown : {false, true}) {
    DecodedImage image = Decode(WriteBmp(opaque, 24, topDown));
    EXPECT_TRUE(SamePixels(image.levels[0], opaque)) << "top-down " << topDown;
    EXPECT_EQ(image.fileFormat, ImageFileFormat::Bmp);
    EXPECT_EQ(image.sourceFormat, ImagePixelFormat::R8G8B8);
    EXPECT_FALSE(image.hasAlpha);
  }
  // Plain 32-bit bitmaps have no alpha: the fourth byte is ignored.
  const TestPicture translucent = MakeGradient(4, 4, 0x40);
  DecodedImage image = Decode(WriteBmp(translucent, 32, true));
  EXPECT_TRUE(SamePixels(image.levels[0], MakeGradient(4, 4)));
  EXPECT_EQ(image.sourceFormat, ImagePixelFormat::X8R8G8B8);
}

TEST(ImageDecoderTest, BmpWithPaletteAndBitFieldAlpha) {
  const std::vector<std::uint32_t> palette = {0x000000, 0xFF0000, 0x00FF00, 0x123456};
  const std::vector<std::uint8_t> indices = {0, 1, 2, 3, 3, 2, 1, 0, 1, 1, 1, 7};
  DecodedImage image = Decode(WriteBmp8(4, 3, indices, palette));
  EXPECT_EQ(image.sourceFormat, ImagePixelFormat::P8);
  EXPECT_EQ(image.levels[0].Row(0)[3], 0xFF123456u);
  EXPECT_EQ(image.levels[0].Row(1)[2], 0xFFFF0000u);
  EXPECT_EQ(image.levels[0].Row(2)[3], 0xFF000000u);  // an index past the palette is black

  // A 32-bit bitmap with a V5 header and an alpha mask keeps its alpha.
  Bytes bytes = {'B', 'M'};
  PutLe32(bytes, 14 + 124 + 4);
  PutLe32(bytes, 0);
  PutLe32(bytes, 14 + 124);
  PutLe32(bytes, 124);
  PutLe32(bytes, 1);
  PutLe32(bytes, 1);
  PutLe16(bytes, 1);
  PutLe16(bytes, 32);
  PutLe32(bytes, 3);  // BI_BITFIELDS
  for (int i = 0; i < 5; ++i) PutLe32(bytes, 0);
  for (std::uint32_t mask : {0x00FF0000u, 0x0000FF00u, 0x000000FFu, 0xFF000000u}) {
    PutLe32(bytes, mask);
  }
  bytes.resize(14 + 124, 0);
  PutLe32(bytes, 0x80112233);
  image = Decode(bytes);
  EXPECT_TRUE(image.hasAlpha);
  EXPECT_EQ(image.sourceFormat, ImagePixelFormat::A8R8G8B8);
  EXPECT_EQ(image.levels[0].Row(0)[0], 0x80112233u);
}

TEST(ImageDecoderTest, TgaPlainAndRunLengthInBothOrigins) {
  TestPicture picture = MakeGradient(7, 5, 0);
  for (int i = 3; i < 20; ++i) picture.pixels[i] = 0x80ABCDEF;  // a run crossing rows
  for (bool rle : {false, true}) {
    for (bool topFirst : {false, true}) {
      DecodedImage image = Decode(WriteTga(picture, 32, rle, topFirst));
      EXPECT_TRUE(SamePixels(image.levels[0], picture)) << "rle " << rle << " top " << topFirst;
      EXPECT_TRUE(image.hasAlpha);
      EXPECT_EQ(image.sourceFormat, ImagePixelFormat::A8R8G8B8);
      EXPECT_EQ(image.fileFormat, ImageFileFormat::Tga);
    }
  }
  const TestPicture opaque = MakeGradient(3, 2);
  DecodedImage image = Decode(WriteTga(opaque, 24, true, false));
  EXPECT_TRUE(SamePixels(image.levels[0], opaque));
  EXPECT_FALSE(image.hasAlpha);
  EXPECT_EQ(image.sourceFormat, ImagePixelFormat::R8G8B8);
}

TEST(ImageDecoderTest, TgaGreyscaleAndRightToLeft) {
  const TestPicture picture = MakeGradient(4, 2);
  DecodedImage image = Decode(WriteTga(picture, 8, false, true));
  EXPECT_EQ(image.sourceFormat, ImagePixelFormat::L8);
  const std::uint32_t g = (picture.At(2, 1) >> 8) & 0xFF;
  EXPECT_EQ(image.levels[0].Row(1)[2], 0xFF000000u | g << 16 | g << 8 | g);

  Bytes mirrored = WriteTga(picture, 24, false, true);
  mirrored[17] |= 0x10;  // stored right to left
  image = Decode(mirrored);
  EXPECT_EQ(image.levels[0].Row(0)[0], picture.At(3, 0));
  EXPECT_EQ(image.levels[0].Row(1)[3], picture.At(0, 1));
}

TEST(ImageDecoderTest, DdsUncompressedLayoutsByMask) {
  const TestPicture picture = MakeGradient(4, 4, 0);
  DecodedImage image = Decode(WriteDdsMasked(picture, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000));
  EXPECT_TRUE(SamePixels(image.levels[0], picture));
  EXPECT_EQ(image.sourceFormat, ImagePixelFormat::A8R8G8B8);
  EXPECT_TRUE(image.hasAlpha);

  image = Decode(WriteDdsMasked(picture, 32, 0xFF0000, 0xFF00, 0xFF, 0));
  EXPECT_EQ(image.sourceFormat, ImagePixelFormat::X8R8G8B8);
  EXPECT_FALSE(image.hasAlpha);
  EXPECT_EQ(image.levels[0].Row(3)[2] >> 24, 0xFFu);

  image = Decode(WriteDdsMasked(picture, 24, 0xFF0000, 0xFF00, 0xFF, 0));
  EXPECT_EQ(image.sourceFormat, ImagePixelFormat::R8G8B8);
  EXPECT_EQ(image.levels[0].Row(1)[1], picture.At(1, 1) | 0xFF000000u);

  // 16-bit layouts widen each channel to 8 bits (5 bits: 31 -> 255, 16 -> 132; 6 bits: 32 -> 130).
  const TestPicture solid{1, 1, {0xFFFF8000u}};
  image = Decode(WriteDdsMasked(solid, 16, 0xF800, 0x07E0, 0x001F, 0));
  EXPECT_EQ(image.sourceFormat, ImagePixelFormat::R5G6B5);
  EXPECT_EQ(image.levels[0].Row(0)[0], 0xFFFF8200u);
  image = Decode(WriteDdsMasked(TestPicture{1, 1, {0x00FF8000u}}, 16, 0x7C00, 0x03E0, 0x1F, 0x8000));
  EXPECT_EQ(image.sourceFormat, ImagePixelFormat::A1R5G5B5);
  EXPECT_EQ(image.levels[0].Row(0)[0], 0x00FF8400u);
}

TEST(ImageDecoderTest, DdsKeepsTheFilesOwnMipLevels) {
  const TestPicture picture = MakeGradient(8, 4, 0xFF);
  DecodedImage image = Decode(WriteDdsMasked(picture, 32, 0xFF0000, 0xFF00, 0xFF, 0, 4));
  ASSERT_EQ(image.levelCount, 4u);
  EXPECT_EQ(image.levels[1].width, 4u);
  EXPECT_EQ(image.levels[1].height, 2u);
  EXPECT_EQ(image.levels[3].width, 1u);
  EXPECT_EQ(image.levels[3].height, 1u);
  EXPECT_EQ(image.levels[2].Row(0)[1], picture.At(4, 0));  // the writer point-samples
}

Bytes DxtColorBlock(std::uint16_t c0, std::uint16_t c1, std::uint32_t indices) {
  Bytes b;
  PutLe16(b, c0);
  PutLe16(b, c1);
  PutLe32(b, indices);
  return b;
}

TEST(ImageDecoderTest, Dxt1FourColourAndTransparentModes) {
  // Red (0xF800) and blue (0x001F); indices run 0, 1, 2, 3 along each row.
  const std::uint32_t ramp = 0b11100100'11100100'11100100'11100100;
  DecodedImage image = Decode(WriteDdsDxt(4, 4, "DXT1", DxtColorBlock(0xF800, 0x001F, ramp)));
  EXPECT_EQ(image.sourceFormat, ImagePixelFormat::Dxt1);
  EXPECT_TRUE(image.hasAlpha);
  const std::uint32_t* row = image.levels[0].Row(2);
  EXPECT_EQ(row[0], 0xFFFF0000u);
  EXPECT_EQ(row[1], 0xFF0000FFu);
  EXPECT_EQ(row[2], 0xFFAA0055u);  // two thirds red
  EXPECT_EQ(row[3], 0xFF5500AAu);

  // c0 <= c1: three colours and transparent black.
  image = Decode(WriteDdsDxt(4, 4, "DXT1", DxtColorBlock(0x001F, 0xF800, ramp)));
  row = image.levels[0].Row(0);
  EXPECT_EQ(row[2], 0xFF7F007Fu);
  EXPECT_EQ(row[3], 0x00000000u);
}

TEST(ImageDecoderTest, Dxt3AndDxt5Alpha) {
  Bytes dxt3;
  for (int i = 0; i < 8; ++i) dxt3.push_back(static_cast<std::uint8_t>(0x1F));  // 15 then 1
  const Bytes white = DxtColorBlock(0xFFFF, 0xFFFF, 0);
  dxt3.insert(dxt3.end(), white.begin(), white.end());
  DecodedImage image = Decode(WriteDdsDxt(4, 4, "DXT3", dxt3));
  EXPECT_EQ(image.levels[0].Row(0)[0], 0xFFFFFFFFu);
  EXPECT_EQ(image.levels[0].Row(0)[1], 0x11FFFFFFu);

  // DXT5 with a0 = 255 > a1 = 0: index 2 is 6/7 of a0, index 1 is a1.
  Bytes dxt5 = {255, 0, 0b00'001'010, 0, 0, 0, 0, 0};
  dxt5.insert(dxt5.end(), white.begin(), white.end());
  image = Decode(WriteDdsDxt(4, 4, "DXT5", dxt5));
  EXPECT_EQ(image.levels[0].Row(0)[0] >> 24, 218u);
  EXPECT_EQ(image.levels[0].Row(0)[1] >> 24, 0u);
  EXPECT_EQ(image.levels[0].Row(0)[2] >> 24, 255u);
}

TEST(ImageDecoderTest, DxtSizesThatAreNotMultiplesOfFour) {
  // 6 x 2 needs 2 x 1 blocks; the pixels past the picture are dropped.
  Bytes blocks = DxtColorBlock(0xF800, 0xF800, 0);
  const Bytes second = DxtColorBlock(0x07E0, 0x07E0, 0);
  blocks.insert(blocks.end(), second.begin(), second.end());
  DecodedImage image = Decode(WriteDdsDxt(6, 2, "DXT1", blocks));
  ASSERT_EQ(image.levels[0].width, 6u);
  EXPECT_EQ(image.levels[0].Row(1)[3], 0xFFFF0000u);
  EXPECT_EQ(image.levels[0].Row(1)[5], 0xFF00FF00u);
}

TEST(ImageDecoderTest, JpegColourGreyAndProgressive) {
  // Smooth content survives JPEG at high quality within a few levels.
  TestPicture smooth{16, 16, {}};
  for (std::uint32_t y = 0; y < 16; ++y) {
    for (std::uint32_t x = 0; x < 16; ++x) {
      smooth.pixels.push_back(0xFF000000u | (x * 8 + 40) << 16 | (y * 8 + 60) << 8 | 100);
    }
  }
  DecodedImage image = Decode(WriteJpeg(smooth, 95));
  EXPECT_TRUE(SamePixels(image.levels[0], smooth, 6));
  EXPECT_EQ(image.fileFormat, ImageFileFormat::Jpg);
  EXPECT_EQ(image.sourceFormat, ImagePixelFormat::X8R8G8B8);
  EXPECT_FALSE(image.hasAlpha);

  image = Decode(WriteJpeg(smooth, 95, true));
  EXPECT_EQ(image.sourceFormat, ImagePixelFormat::L8);
  const std::uint32_t c = image.levels[0].Row(5)[5];
  EXPECT_EQ(c >> 24, 0xFFu);
  EXPECT_EQ((c >> 16) & 0xFF, c & 0xFF);
  EXPECT_NEAR(static_cast<int>(c & 0xFF), 5 * 8 + 60, 4);

  // A progressive file (several scans refining the coefficients) gives the same picture.
  image = Decode(WriteJpeg(smooth, 95, false, true));
  EXPECT_TRUE(SamePixels(image.levels[0], smooth, 6));
  EXPECT_EQ(image.sourceFormat, ImagePixelFormat::X8R8G8B8);
}

TEST(ImageDecoderTest, SizeLimitIsEnforced) {
  const TestPicture wide = MakeGradient(20, 1);
  DecodedImage out;
  EXPECT_EQ(DecodeImage(WriteBmp(wide, 24), out, 16), ImageStatus::TooLarge);
  EXPECT_EQ(DecodeImage(WriteTga(wide, 24, false, false), out, 16), ImageStatus::TooLarge);
  EXPECT_EQ(DecodeImage(WriteJpeg(wide, 80), out, 16), ImageStatus::TooLarge);
  EXPECT_EQ(DecodeImage(WriteDdsMasked(wide, 32, 0xFF0000, 0xFF00, 0xFF, 0), out, 16),
            ImageStatus::TooLarge);
  EXPECT_EQ(DecodeImage(WriteBmp(wide, 24), out, 20), ImageStatus::Ok);

  // The header alone claims 8193 x 1: refused before any pixel is read.
  Bytes huge = WriteTga(MakeGradient(1, 1), 24, false, false);
  huge[12] = 0x01;
  huge[13] = 0x20;
  EXPECT_EQ(DecodeImage(huge, out), ImageStatus::TooLarge);
  EXPECT_TRUE(out.levels[0].Empty());
}

}  // namespace
}  // namespace qm::test
