// ImageFilter: resizing, mip-level reduction and colour keying of decoded pictures.
//
// The D3DX texture loader calls these between decoding and filling the texture: ResizeImage
// when the texture's size differs from the file's, HalveImage for each generated mip level,
// ApplyColorKey when a colour key is given. All work on 0xAARRGGBB pixels with each channel
// filtered on its own (no premultiplication, as the original library does).
#pragma once

#include <cstdint>

#include "d3dx/Image.h"

namespace qm {

// How pixels are combined when the size changes; the values follow D3DX_FILTER_*.
enum class ImageFilterKind : std::uint32_t {
  None = 1,      // no scaling: copied to the top left, the rest transparent black
  Point = 2,     // nearest source pixel
  Linear = 3,    // bilinear when enlarging, area average when reducing
  Triangle = 4,  // treated as Linear
  Box = 5,       // treated as Linear (a 2 x 2 mean when exactly halving)
};

// Takes the low bits of a D3DX filter value (D3DX_DEFAULT and unknown values give Linear
// for resizing, Box for mip levels).
ImageFilterKind FilterKindFromD3DX(std::uint32_t filter, ImageFilterKind fallback);

// dst = src at width x height.
ImageStatus ResizeImage(const Image& src, std::uint32_t width, std::uint32_t height,
                        ImageFilterKind filter, Image& dst);

// dst = the next mip level of src: half the size in each dimension (at least 1).
ImageStatus HalveImage(const Image& src, ImageFilterKind filter, Image& dst);

// Replaces every pixel equal to key (all 32 bits) with transparent black.
void ApplyColorKey(Image& image, std::uint32_t key);

}  // namespace qm
