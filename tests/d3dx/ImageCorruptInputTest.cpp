// Truncated and damaged files: every decoder must refuse them (or decode something of the
// stated size) without reading outside the buffer. The buffers are copied to exact-size
// heap blocks so that a sanitizer build sees any overrun.
#include <gtest/gtest.h>

#include <memory>

#include "ImageTestFiles.h"
#include "d3dx/ImageDecoder.h"

namespace qm::test {
namespace {

ImageStatus DecodeExact(const Bytes& bytes, std::size_t length) {
  std::unique_ptr<std::uint8_t[]> copy(new std::uint8_t[length == 0 ? 1 : length]);
  std::copy_n(bytes.begin(), length, copy.get());
  DecodedImage out;
  return DecodeImage(std::span<const std::uint8_t>(copy.get(), length), out, 64);
}

std::vector<Bytes> SampleFiles() {
  const TestPicture picture = MakeGradient(9, 7, 0);
  Bytes dxt;
  for (int i = 0; i < 6 * 16; ++i) dxt.push_back(static_cast<std::uint8_t>(i * 37));
  return {WriteBmp(picture, 24),
          WriteBmp(picture, 32, true),
          WriteBmp8(2, 2, {0, 1, 1, 0}, {0x112233, 0x445566}),
          WriteTga(picture, 32, false, false),
          WriteTga(picture, 24, true, true),
          WriteDdsMasked(picture, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000, 3),
          WriteDdsDxt(9, 7, "DXT5", dxt),
          WriteJpeg(picture, 75)};
}

TEST(ImageCorruptInputTest, EveryTruncationIsRefused) {
  for (const Bytes& file : SampleFiles()) {
    ASSERT_EQ(DecodeExact(file, file.size()), ImageStatus::Ok);
    for (std::size_t length = 0; length < file.size(); ++length) {
      EXPECT_NE(DecodeExact(file, length), ImageStatus::Ok)
          << "file of " << file.size() << " bytes cut to " << length;
    }
  }
}

TEST(ImageCorruptInputTest, DamagedHeadersAreRefusedOrStayInBounds) {
  // Flipping each header byte through a few values must never crash; whatever decodes must
  // have a sane size.
  for (const Bytes& file : SampleFiles()) {
    const std::size_t headerBytes = std::min<std::size_t>(file.size(), 140);
    for (std::size_t i = 0; i < headerBytes; ++i) {
      for (std::uint8_t value : {0x00, 0x01, 0x7F, 0x80, 0xFF}) {
        Bytes damaged = file;
        damaged[i] = value;
        DecodedImage out;
        std::unique_ptr<std::uint8_t[]> copy(new std::uint8_t[damaged.size()]);
        std::copy(damaged.begin(), damaged.end(), copy.get());
        if (DecodeImage(std::span<const std::uint8_t>(copy.get(), damaged.size()), out, 64) ==
            ImageStatus::Ok) {
          EXPECT_GE(out.levelCount, 1u);
          EXPECT_LE(out.Width(), 64u);
          EXPECT_LE(out.Height(), 64u);
        }
      }
    }
  }
}

TEST(ImageCorruptInputTest, UnknownAndUnsupportedKindsAreRefused) {
  DecodedImage out;
  const Bytes png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 13, 'I', 'H', 'D', 'R',
                     0, 0, 0, 1, 0, 0, 0, 1, 8, 6, 0, 0, 0};
  EXPECT_EQ(DecodeImage(png, out), ImageStatus::InvalidData);
  EXPECT_EQ(DecodeImage(Bytes{}, out), ImageStatus::InvalidData);

  // A cube-map DDS and an RLE bitmap are valid files this loader does not take.
  Bytes cube = WriteDdsMasked(MakeGradient(2, 2), 32, 0xFF0000, 0xFF00, 0xFF, 0);
  cube[4 + 108] = 0x00;
  cube[4 + 109] = 0x02;  // DDSCAPS2_CUBEMAP
  EXPECT_EQ(DecodeImage(cube, out), ImageStatus::InvalidData);
  Bytes rle = WriteBmp8(2, 2, {0, 1, 1, 0}, {0, 0xFFFFFF});
  rle[30] = 1;  // BI_RLE8
  EXPECT_EQ(DecodeImage(rle, out), ImageStatus::InvalidData);
}

}  // namespace
}  // namespace qm::test
