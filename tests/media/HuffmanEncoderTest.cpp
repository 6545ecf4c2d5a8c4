// Code lengths stay within 15 bits and always form a complete prefix code.
#include "HuffmanEncoder.h"

#include <gtest/gtest.h>

#include <vector>

namespace qm {
namespace {

double KraftSum(const std::vector<std::uint8_t>& lengths) {
  double sum = 0;
  for (auto len : lengths)
    if (len) sum += 1.0 / double(1u << len);
  return sum;
}

TEST(HuffmanEncoder, SkewedCountsAreLimitedTo15BitsAndStayComplete) {
  std::vector<std::uint32_t> counts(298, 0);
  std::uint32_t a = 1, b = 1;   // Fibonacci counts would need 40-bit codes unlimited
  for (int i = 0; i < 40; ++i) {
    counts[i * 7] = a;
    const std::uint32_t next = a + b;
    a = b;
    b = next;
  }
  std::vector<std::uint8_t> lengths(298);
  BuildCodeLengths(counts.data(), 298, 15, lengths.data());
  for (int i = 0; i < 298; ++i) {
    EXPECT_LE(lengths[i], 15);
    EXPECT_EQ(lengths[i] != 0, counts[i] != 0) << i;
  }
  EXPECT_DOUBLE_EQ(KraftSum(lengths), 1.0);
}

TEST(HuffmanEncoder, CanonicalCodesAreOrderedByLengthThenSymbol) {
  const std::uint8_t lengths[6] = {3, 2, 0, 3, 2, 2};
  std::uint16_t codes[6];
  BuildCanonicalCodes(lengths, 6, codes);
  EXPECT_EQ(codes[1], 0b00);
  EXPECT_EQ(codes[4], 0b01);
  EXPECT_EQ(codes[5], 0b10);
  EXPECT_EQ(codes[0], 0b110);
  EXPECT_EQ(codes[3], 0b111);
}

}  // namespace
}  // namespace qm
