// The animated creatures: "spider.X" (sets "move", "on_thread", "wait"), "ant.X" and
// "bug.X" ("wait", "move") and "ladybird.X" ("wait", "move", "to_fly", "fly", with wing
// cases that open and membrane wings that beat). Every model faces -x with +z up; legs
// (and antennae, wings) are frames turned by rotation keys only, so each set has a length.
#pragma once

#include <string>
#include <vector>

#include "XModel.h"

namespace qm::gen {

// A model with the archive entry name it is written under.
struct NamedModel {
  std::string fileName;
  XModel model;
};

std::vector<NamedModel> BuildCreatures();

}  // namespace qm::gen
