// The forest glade model ("forest.X"): trunks, twigs and the side twigs forking off them, a
// fallen log, the forest floor with its leaf litter, swaying branches and leaf clusters on
// their stalks, plus the invisible carrier frames the scene reads by name: proto_frame (the
// web's frame), path00.., fly_path00.., drops_path00.., Leaves00.., leaf_path, leaf_triangles
// and Branch00... Everything is laid out in view space of the saver's camera; BuildForest
// shifts it into file space so that the loader's re-centring on the mean vertex puts the web
// in the middle of the view.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "XModel.h"

namespace qm::gen {

// Where the glade's geometry sits in the file: file position = view position + this offset.
// Chosen so that the drops the scene places at start (web-frame z of 150 to 210) land on the
// web.
constexpr Vec3 kForestFileOffset{-45, 0, 180};

// Fallen leaves lie this far above the floor's surface at least; their curl, and the small
// steps that keep overlapping leaves apart, lift parts of them up to kLitterReach above it.
constexpr float kLitterLift = 0.25f;
constexpr float kLitterReach = 2.0f;

// A bark-covered limb of the glade in view space: its axis, the radius of its bark at each
// axis point, and the limb it grows out of (empty for the trunks and the fallen log, whose
// ends lie beyond the view). A limb with a parent ends in the air, tapering to a point.
struct ForestLimb {
  std::string name;
  std::vector<Vec3> axis;
  std::vector<float> radii;
  std::string parent;
};

// The plane (y, in view space) the web hangs in, and the corners of its frame, in order, on
// the twigs that hold it.
constexpr float kWebY = -20;
extern const Vec3 kFrameLoop[8];

// Every limb: trunks, the log, the twigs that carry the web and their side twigs. Frames of
// the forest model are named after them.
std::vector<ForestLimb> ForestLimbs();

XModel BuildForest();

// The most vertices the forest may have: the time the saver takes to load forest.X grows
// with them, and this is what it has been tuned to.
constexpr size_t kForestVertexBudget = 10500;

// Mean and largest distance from it of every vertex that is not exactly at the origin, the
// way the loader measures a model (frame matrices applied).
void MeasureModel(const XModel& model, Vec3& centre, float& radius, size_t& vertexCount);

}  // namespace qm::gen
