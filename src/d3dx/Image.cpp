// Allocation and size helpers of Image.h.
#include "d3dx/Image.h"

#include <new>

namespace qm {

bool Image::Allocate(std::uint32_t newWidth, std::uint32_t newHeight) {
  pixels.reset();
  width = 0;
  height = 0;
  const std::size_t count = static_cast<std::size_t>(newWidth) * newHeight;
  if (count == 0) return false;
  pixels.reset(new (std::nothrow) std::uint32_t[count]);
  if (pixels == nullptr) return false;
  width = newWidth;
  height = newHeight;
  return true;
}

std::uint32_t ImageMipChainLength(std::uint32_t width, std::uint32_t height) {
  std::uint32_t levels = 1;
  while (width > 1 || height > 1) {
    width = width > 1 ? width / 2 : 1;
    height = height > 1 ? height / 2 : 1;
    ++levels;
  }
  return levels;
}

std::uint32_t ImageRoundUpToPowerOfTwo(std::uint32_t value) {
  std::uint32_t power = 1;
  while (power < value && power < 0x80000000u) power <<= 1;
  return power;
}

}  // namespace qm
