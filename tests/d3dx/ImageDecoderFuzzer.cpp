// libFuzzer target: every image decoder, then the filters on whatever decodes, as the
// texture loader would run them. The size limit is lowered so that runs stay fast.
#include <cstddef>
#include <cstdint>

#include "d3dx/ImageDecoder.h"
#include "d3dx/ImageFilter.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  qm::DecodedImage image;
  if (qm::DecodeImage(std::span<const std::uint8_t>(data, size), image, 256) !=
      qm::ImageStatus::Ok) {
    return 0;
  }
  qm::Image resized;
  qm::ResizeImage(image.levels[0], qm::ImageRoundUpToPowerOfTwo(image.Width()),
                  qm::ImageRoundUpToPowerOfTwo(image.Height()), qm::ImageFilterKind::Linear, resized);
  qm::Image half;
  qm::HalveImage(image.levels[0], qm::ImageFilterKind::Box, half);
  qm::ApplyColorKey(image.levels[0], 0xFF000000u);
  return 0;
}
