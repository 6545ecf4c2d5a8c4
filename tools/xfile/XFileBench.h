// XFileBench: the `bench` command of quillmoor-xfile.
//
// Generates a large grid mesh (200 000 triangles by default) with normals, texture
// coordinates and a material, writes it as a text and a binary X file, then times our
// parse + mesh build on each beside `assimp info` (raw and with its default processing) on
// the same files in the same run, and prints the figures.
#pragma once

#include <ostream>
#include <string>

namespace qm {

struct XFileBenchOptions {
  unsigned triangles = 200000;
  std::string directory = "/tmp/quillmoor-xfile-bench";
  int runs = 5;
  bool withAssimp = true;
};

int RunXFileBench(const XFileBenchOptions& options, std::ostream& out, std::ostream& err);

}  // namespace qm
