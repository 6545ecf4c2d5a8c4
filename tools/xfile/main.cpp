// quillmoor-xfile: inspection and timing of X files.
//
//   quillmoor-xfile info FILE.x     the file's frames, meshes, animation sets as JSON
//   quillmoor-xfile bench [--triangles N] [--runs N] [--dir DIR] [--no-assimp]
#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "XFileBench.h"
#include "XFileInfo.h"

namespace {

int Usage() {
  std::cerr << "usage: quillmoor-xfile info FILE.x\n"
               "       quillmoor-xfile bench [--triangles N] [--runs N] [--dir DIR] "
               "[--no-assimp]\n";
  return 2;
}

int Info(int argc, char** argv) {
  // An entry of an embedded archive (`info --archive ID ENTRY`) is read here once the
  // archive reader exists; it hands the same byte vector to PrintXFileInfo.
  if (argc != 3) return Usage();
  std::ifstream in(argv[2], std::ios::binary);
  if (!in) {
    std::cerr << argv[2] << ": cannot open\n";
    return 1;
  }
  std::vector<BYTE> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return qm::PrintXFileInfo(argv[2], bytes, std::cout, std::cerr);
}

int Bench(int argc, char** argv) {
  qm::XFileBenchOptions options;
  for (int i = 2; i < argc; ++i) {
    std::string arg = argv[i];
    bool hasValue = i + 1 < argc;
    if (arg == "--triangles" && hasValue) {
      options.triangles = static_cast<unsigned>(std::strtoul(argv[++i], nullptr, 10));
      if (options.triangles < 2) return Usage();
    } else if (arg == "--runs" && hasValue) {
      options.runs = std::max(1, std::atoi(argv[++i]));
    } else if (arg == "--dir" && hasValue) {
      options.directory = argv[++i];
    } else if (arg == "--no-assimp") {
      options.withAssimp = false;
    } else {
      return Usage();
    }
  }
  return qm::RunXFileBench(options, std::cout, std::cerr);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  std::string command = argv[1];
  if (command == "info") return Info(argc, argv);
  if (command == "bench") return Bench(argc, argv);
  return Usage();
}
