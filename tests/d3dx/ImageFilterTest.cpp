// Resizing, mip reduction and colour keying.
#include <gtest/gtest.h>

#include "d3dx/ImageFilter.h"

namespace qm::test {
namespace {

Image Filled(std::uint32_t width, std::uint32_t height, std::uint32_t argb) {
  Image image;
  EXPECT_TRUE(image.Allocate(width, height));
  std::fill(image.pixels.get(), image.pixels.get() + image.PixelCount(), argb);
  return image;
}

TEST(ImageFilterTest, HalvingAveragesEachTwoByTwoSquare) {
  Image src = Filled(4, 2, 0);
  const std::uint32_t square[4] = {0xFF000000u, 0xFFFFFFFFu, 0x00804020u, 0x80808080u};
  src.Row(0)[0] = square[0];
  src.Row(0)[1] = square[1];
  src.Row(1)[0] = square[2];
  src.Row(1)[1] = square[3];
  Image dst;
  ASSERT_EQ(HalveImage(src, ImageFilterKind::Box, dst), ImageStatus::Ok);
  ASSERT_EQ(dst.width, 2u);
  ASSERT_EQ(dst.height, 1u);
  // Rounded means: alpha 638/4, red 511/4, green 447/4, blue 415/4.
  EXPECT_EQ(dst.Row(0)[0], 0xA0807068u);
  EXPECT_EQ(dst.Row(0)[1], 0u);
}

TEST(ImageFilterTest, HalvingStripsAndOddSizesKeepsTheMean) {
  Image strip = Filled(4, 1, 0xFF000000u);
  strip.Row(0)[1] = 0xFF0000FFu;  // blue 255 next to 0
  Image dst;
  ASSERT_EQ(HalveImage(strip, ImageFilterKind::Box, dst), ImageStatus::Ok);
  EXPECT_EQ(dst.width, 2u);
  EXPECT_EQ(dst.height, 1u);
  EXPECT_EQ(dst.Row(0)[0] & 0xFF, 128u);

  const Image odd = Filled(5, 3, 0x40806040u);
  ASSERT_EQ(HalveImage(odd, ImageFilterKind::Box, dst), ImageStatus::Ok);
  EXPECT_EQ(dst.width, 2u);
  EXPECT_EQ(dst.height, 1u);
  EXPECT_EQ(dst.Row(0)[1], 0x40806040u);  // a flat picture stays flat
}

TEST(ImageFilterTest, ResizeUpAndDownKeepsFlatAreasAndEdgesInPlace) {
  // Left half black, right half white: the edge stays in the middle at any size.
  Image src = Filled(4, 4, 0xFF000000u);
  for (std::uint32_t y = 0; y < 4; ++y) src.Row(y)[2] = src.Row(y)[3] = 0xFFFFFFFFu;
  Image big;
  ASSERT_EQ(ResizeImage(src, 16, 8, ImageFilterKind::Linear, big), ImageStatus::Ok);
  EXPECT_EQ(big.Row(3)[0], 0xFF000000u);
  EXPECT_EQ(big.Row(3)[15], 0xFFFFFFFFu);
  EXPECT_LT(big.Row(3)[7] & 0xFF, 128u);
  EXPECT_GE(big.Row(3)[8] & 0xFF, 128u);

  Image small;
  ASSERT_EQ(ResizeImage(src, 2, 2, ImageFilterKind::Linear, small), ImageStatus::Ok);
  EXPECT_EQ(small.Row(1)[0], 0xFF000000u);
  EXPECT_EQ(small.Row(1)[1], 0xFFFFFFFFu);
  ASSERT_EQ(ResizeImage(src, 3, 1, ImageFilterKind::Linear, small), ImageStatus::Ok);
  EXPECT_EQ(small.Row(0)[1], 0xFF808080u);  // the middle third straddles the edge

  ASSERT_EQ(ResizeImage(src, 2, 2, ImageFilterKind::Point, small), ImageStatus::Ok);
  EXPECT_EQ(small.Row(0)[1], 0xFFFFFFFFu);
}

TEST(ImageFilterTest, NoFilterCopiesToTheTopLeftAndClearsTheRest) {
  const Image src = Filled(2, 2, 0xFF112233u);
  Image dst;
  ASSERT_EQ(ResizeImage(src, 4, 3, ImageFilterKind::None, dst), ImageStatus::Ok);
  EXPECT_EQ(dst.Row(1)[1], 0xFF112233u);
  EXPECT_EQ(dst.Row(1)[2], 0u);
  EXPECT_EQ(dst.Row(2)[0], 0u);
}

TEST(ImageFilterTest, ColorKeyMatchesAllThirtyTwoBits) {
  Image image = Filled(2, 1, 0xFFFF00FFu);
  image.Row(0)[1] = 0x80FF00FFu;
  ApplyColorKey(image, 0xFFFF00FFu);
  EXPECT_EQ(image.Row(0)[0], 0u);
  EXPECT_EQ(image.Row(0)[1], 0x80FF00FFu);
}

TEST(ImageFilterTest, SizeHelpersAndFilterValues) {
  EXPECT_EQ(ImageMipChainLength(512, 512), 10u);
  EXPECT_EQ(ImageMipChainLength(256, 128), 9u);
  EXPECT_EQ(ImageMipChainLength(1, 1), 1u);
  EXPECT_EQ(ImageMipChainLength(8192, 8192), kMaxImageLevels);
  EXPECT_EQ(ImageRoundUpToPowerOfTwo(1), 1u);
  EXPECT_EQ(ImageRoundUpToPowerOfTwo(300), 512u);
  EXPECT_EQ(ImageRoundUpToPowerOfTwo(256), 256u);
  EXPECT_EQ(FilterKindFromD3DX(0xFFFFFFFFu, ImageFilterKind::Box), ImageFilterKind::Box);
  EXPECT_EQ(FilterKindFromD3DX(2 | 0x80000, ImageFilterKind::Box), ImageFilterKind::Point);
}

}  // namespace
}  // namespace qm::test
