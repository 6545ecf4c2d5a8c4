// Writers of the picture formats the saver reads: JPEG (through libjpeg), 32-bit TGA with
// alpha, 24-bit BMP, uncompressed A8R8G8B8 DDS with its full mip chain, and PNG (through
// libpng) for the icon and for previews. Each writer returns the file's bytes; nothing
// that varies between runs (time stamps, comments) is written.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Image.h"

namespace qm::gen {

using Bytes = std::vector<uint8_t>;

Bytes EncodeJpeg(const Image& img, int quality);
Bytes EncodeTga(const Image& img);
Bytes EncodeBmp(const Image& img);
Bytes EncodeDds(const Image& img);
Bytes EncodePng(const Image& img);

// Writes bytes to a file, creating parent folders; false on failure.
bool WriteFileBytes(const std::string& path, const Bytes& data);

}  // namespace qm::gen
