// qm-mediagen: the media generator's command line.
//   qm-mediagen OUTDIR [--preview DIR] [--no-music]
#include <cstdio>
#include <cstring>

#include "MediaGenerator.h"

int main(int argc, char** argv) {
  qm::gen::GeneratorOptions options;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--preview") == 0 && i + 1 < argc) options.previewDir = argv[++i];
    else if (std::strcmp(argv[i], "--no-music") == 0) options.skipMusic = true;
    else if (argv[i][0] != '-' && options.outDir.empty()) options.outDir = argv[i];
    else {
      std::fprintf(stderr, "usage: qm-mediagen OUTDIR [--preview DIR] [--no-music]\n");
      return 2;
    }
  }
  if (options.outDir.empty()) {
    std::fprintf(stderr, "usage: qm-mediagen OUTDIR [--preview DIR] [--no-music]\n");
    return 2;
  }
  return qm::gen::GenerateMedia(options);
}
