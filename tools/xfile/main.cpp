// quillmoor-xfile: inspection and timing of X files.
//
//   quillmoor-xfile info SOURCE      the file's frames, meshes, animation sets as JSON
//   quillmoor-xfile snapshot SOURCE --out FILE.png [--set NAME] [--time SECONDS]
//                   [--size WxH] [--eye x,y,z --at x,y,z]   the model drawn offscreen
//   quillmoor-xfile bench [--triangles N] [--runs N] [--dir DIR] [--no-assimp]
// SOURCE is FILE.x, `--archive ID ENTRY` (an embedded archive) or `--rar FILE.rar ENTRY
// [-p PASSWORD]`.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "XFileBench.h"
#include "XFileInfo.h"
#include "XFileSnapshot.h"
#include "XFileSource.h"

namespace {

int Usage() {
  std::cerr << "usage: quillmoor-xfile info FILE.x|--archive ID ENTRY|--rar FILE.rar ENTRY "
               "[-p PASSWORD]\n"
               "       quillmoor-xfile snapshot FILE.x|--archive ID ENTRY|--rar FILE.rar ENTRY "
               "[-p PASSWORD] --out FILE.png [--set NAME] [--time SECONDS] [--size WxH] "
               "[--eye x,y,z --at x,y,z]\n"
               "       quillmoor-xfile bench [--triangles N] [--runs N] [--dir DIR] "
               "[--no-assimp]\n";
  return 2;
}

int Info(int argc, char** argv) {
  int i = 2;
  qm::XFileSourceRequest request;
  if (i >= argc || !qm::ParseXFileSource(argc, argv, &i, &request) || i != argc) return Usage();
  qm::XFileSourceData data;
  if (!qm::OpenXFileSource(request, &data, std::cerr)) return 1;
  return qm::PrintXFileInfo(data.label, data.file, std::cout, std::cerr);
}

bool ParseVector(const char* text, D3DXVECTOR3* out) {
  return std::sscanf(text, "%f,%f,%f", &out->x, &out->y, &out->z) == 3;
}

int Snapshot(int argc, char** argv) {
  qm::XFileSnapshotOptions options;
  int i = 2;
  if (i >= argc || !qm::ParseXFileSource(argc, argv, &i, &options.source)) return Usage();
  for (; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    D3DXVECTOR3 v;
    if (arg == "--out" && hasValue) {
      options.out = argv[++i];
    } else if (arg == "--set" && hasValue) {
      options.set = argv[++i];
    } else if (arg == "--time" && hasValue) {
      options.seconds = std::strtof(argv[++i], nullptr);
    } else if (arg == "--size" && hasValue) {
      if (std::sscanf(argv[++i], "%ux%u", &options.width, &options.height) != 2 ||
          options.width == 0 || options.height == 0 || options.width > 8192 ||
          options.height > 8192) {
        return Usage();
      }
    } else if ((arg == "--eye" || arg == "--at") && hasValue && ParseVector(argv[++i], &v)) {
      (arg == "--eye" ? options.eye : options.at) = v;
    } else {
      return Usage();
    }
  }
  if (options.out.empty() || options.eye.has_value() != options.at.has_value()) return Usage();
  return qm::RunXFileSnapshot(options, std::cout, std::cerr);
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
  if (command == "snapshot") return Snapshot(argc, argv);
  return Usage();
}
