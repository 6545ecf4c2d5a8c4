// qm-web-fuzz-seeds FOLDER: writes small web files for the web fuzzer as the scene stores a
// web (the web's section, then the drops'): a square frame alone, and the frame with two
// radii from a split, a spiral thread started from a radius and a drop hanging from it.
// The generated start files are far larger; these keep the fuzzer's mutations cheap. The
// files are kept in tests/creatures/fuzz-seeds/web.
#include <cstdio>
#include <string>

#include "SpiderTestWeb.h"
#include "creatures/WebFile.h"
#include "scene/DropSet.h"

namespace {

bool Write(const std::string& path, const qm::Cobweb& web, const qm::DropSet& drops) {
  qm::WebWriter writer;
  web.WriteSection(writer);
  drops.WriteSection(writer);
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  const bool ok = std::fwrite(writer.Bytes().data(), 1, writer.Bytes().size(), f) ==
                  writer.Bytes().size();
  return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: qm-web-fuzz-seeds FOLDER\n");
    return 2;
  }
  const std::string folder = argv[1];
  qm::Cobweb frameOnly;
  qm::DropSet noDrops(&frameOnly);
  qm::spidertest::AddSquareFrame(frameOnly, 20.0f);

  qm::Cobweb web;
  qm::DropSet drops(&web);
  qm::spidertest::AddSquareFrame(web, 20.0f);
  qm::WebThread radius = qm::spidertest::LooseThread(web, {-20, 0, -20}, {20, 0, 20}, 4);
  web.Radii.push_back(radius);
  qm::WebThread second = qm::spidertest::LooseThread(web, {20, 0, -20}, {-20, 0, 20}, 4);
  web.Radii.push_back(second);
  qm::WebThread spiral;
  web.StartThread(spiral, web.Radii[0], 0.3f, {5, 0, -5}, 2, 1.0f, 50.0f, 1.2f, false, 1.0f);
  web.Spiral.push_back(spiral);
  web.RebuildNodeLinks();
  drops.AddDrop({0, 0, 0}, 2.1f, 1.0f);
  for (int i = 0; i < 5; ++i) {
    web.Step(0.05f);
    drops.Step(0.05f);
  }
  if (!Write(folder + "/square_frame", frameOnly, noDrops) ||
      !Write(folder + "/radii_spiral_drop", web, drops)) {
    std::fprintf(stderr, "qm-web-fuzz-seeds: cannot write into %s\n", folder.c_str());
    return 1;
  }
  return 0;
}
