// libFuzzer target: a web file of arbitrary bytes must load whole or not at all, and a web
// that loaded must simulate, build its ribbons and write back without reading outside its
// lists.
#include <cstdint>
#include <cstdlib>

#include "creatures/Cobweb.h"
#include "creatures/WebFile.h"
#include "scene/DropSet.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  qm::Cobweb web;
  qm::DropSet drops(&web);
  drops.AddDrop({0, 0, 0}, 2.1f, 1.0f);
  qm::WebReader reader(data, size);
  if (!web.LoadFromMemory(reader)) return 0;
  drops.ReadSection(reader);
  for (int i = 0; i < 3; ++i) {
    web.Step(0.05f);
    drops.Step(0.05f);
  }
  web.BuildRibbons();
  if (!web.Threads0.empty()) web.SplitThread(web.Threads0[0], 0.5f);

  // What was read writes back as a section that reads again, while the simulation kept it
  // within what a file may hold (stiff links from a file may still blow up an explicit
  // step; such a web is not stored).
  if (web.UnstorableValues() != 0) return 0;
  qm::WebWriter writer;
  web.WriteSection(writer);
  qm::Cobweb again;
  if (!again.LoadFromMemory(writer.Bytes().data(), writer.Bytes().size())) std::abort();
  return 0;
}
