// XFileInfo: the `info` command of quillmoor-xfile, printing an X file's structure as JSON.
//
// Prints the frame tree (names, file matrices, meshes with declared and built counts,
// materials and texture names), the animation sets (animations, targets, key kinds, key
// counts, length in ticks), AnimTicksPerSecond and the bounding sphere.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "d3d/WinTypes.h"

namespace qm {

// Prints the JSON for a file image; returns the process exit code (0, or 1 on a bad file).
int PrintXFileInfo(const std::string& label, const std::vector<BYTE>& file, std::ostream& out,
                   std::ostream& err);

}  // namespace qm
