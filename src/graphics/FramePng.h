// FramePng: a presented frame written as a PNG picture.
//
// Snapshots of the saver and of single models read the frame back from the device as
// 0xAARRGGBB pixels, rows from the top, and store it with this one writer.
#pragma once

#include <string>
#include <vector>

#include "d3d/WinTypes.h"

namespace qm {

// Writes the pixels as an 8-bit RGB PNG (alpha dropped); false on any failure.
bool WriteFramePng(const std::string& path, const std::vector<DWORD>& pixels, UINT width,
                   UINT height);

}  // namespace qm
