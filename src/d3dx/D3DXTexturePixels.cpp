// Pixel conversion for D3DXTexturePixels.h. Narrow channels are rounded to the nearest
// level rather than truncated, so that white stays white and mid-grey stays centred.
#include "d3dx/D3DXTexturePixels.h"

#include <bit>
#include <cstring>

namespace qm {

namespace {

// An 8-bit channel scaled to `bits` bits, rounded.
std::uint32_t Narrow(std::uint32_t argb, int shift, int bits) {
  const std::uint32_t value = (argb >> shift) & 0xFF;
  const std::uint32_t maximum = (1u << bits) - 1;
  return (value * maximum + 127) / 255;
}

std::uint16_t To16(std::uint32_t c, D3DFORMAT format) {
  switch (format) {
    case D3DFMT_R5G6B5:
      return static_cast<std::uint16_t>(Narrow(c, 16, 5) << 11 | Narrow(c, 8, 6) << 5 |
                                        Narrow(c, 0, 5));
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5: {
      const std::uint32_t alpha = format == D3DFMT_X1R5G5B5 || (c >> 24) >= 0x80 ? 1 : 0;
      return static_cast<std::uint16_t>(alpha << 15 | Narrow(c, 16, 5) << 10 |
                                        Narrow(c, 8, 5) << 5 | Narrow(c, 0, 5));
    }
    default:  // A4R4G4B4
      return static_cast<std::uint16_t>(Narrow(c, 24, 4) << 12 | Narrow(c, 16, 4) << 8 |
                                        Narrow(c, 8, 4) << 4 | Narrow(c, 0, 4));
  }
}

}  // namespace

bool IsWritableTextureFormat(D3DFORMAT format) {
  switch (format) {
    case D3DFMT_A8R8G8B8: case D3DFMT_X8R8G8B8: case D3DFMT_R5G6B5:
    case D3DFMT_X1R5G5B5: case D3DFMT_A1R5G5B5: case D3DFMT_A4R4G4B4:
      return true;
    default:
      return false;
  }
}

std::uint32_t WritableFormatBytes(D3DFORMAT format) {
  return format == D3DFMT_A8R8G8B8 || format == D3DFMT_X8R8G8B8 ? 4 : 2;
}

void WriteTextureRow(const std::uint32_t* argb, std::uint32_t width, D3DFORMAT format,
                     void* out) {
  // 0xAARRGGBB values already sit in memory as B, G, R, A on this machine.
  static_assert(std::endian::native == std::endian::little);
  if (format == D3DFMT_A8R8G8B8) {
    std::memcpy(out, argb, static_cast<std::size_t>(width) * 4);
    return;
  }
  auto* bytes = static_cast<std::uint8_t*>(out);
  for (std::uint32_t x = 0; x < width; ++x) {
    if (format == D3DFMT_X8R8G8B8) {
      const std::uint32_t value = argb[x] | 0xFF000000u;
      bytes[4 * x] = static_cast<std::uint8_t>(value);  // B, G, R, A in memory
      bytes[4 * x + 1] = static_cast<std::uint8_t>(value >> 8);
      bytes[4 * x + 2] = static_cast<std::uint8_t>(value >> 16);
      bytes[4 * x + 3] = static_cast<std::uint8_t>(value >> 24);
    } else {
      const std::uint16_t value = To16(argb[x], format);
      bytes[2 * x] = static_cast<std::uint8_t>(value);
      bytes[2 * x + 1] = static_cast<std::uint8_t>(value >> 8);
    }
  }
}

}  // namespace qm
