// ImageDecoder: recognises an image file in memory (JPEG, BMP, TGA, DDS) and decodes it.
//
// Called by the D3DX texture loader with archive entries and resources, and by the fuzz
// target. The file kind is told by its first bytes (TGA, which has none, is tried last).
// Every decoder checks each read against the buffer: truncated or corrupt input gives
// ImageStatus::InvalidData, never a read out of bounds.
#pragma once

#include <cstdint>
#include <span>

#include "d3dx/Image.h"

namespace qm {

// Decodes `bytes` into `out`. maxDimension lowers the size limit (tests and fuzzing use a
// small one to keep runs short); it never raises it above kMaxImageDimension.
ImageStatus DecodeImage(std::span<const std::uint8_t> bytes, DecodedImage& out,
                        std::uint32_t maxDimension = kMaxImageDimension);

}  // namespace qm
