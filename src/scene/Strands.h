// Strands: the web's anchors along the twigs, from the forest frames "drops_path%02d".
//
// Placing the first drops begins here: each strand frame becomes a path (like a walking
// path, its up vectors taken from the "tree_branch01" meshes), and its points become pinned
// web nodes joined by strand links, in the web's own space. Strands that share an end point
// share one node, so a spider or a drop can pass from one to the other.
#pragma once

#include <vector>

#include "d3dx/D3DXMath.h"
#include "scene/ScenePaths.h"

namespace qm {

class Cobweb;
class XFileModel;

inline constexpr char kStrandFormat[] = "drops_path%02d";
inline constexpr char kStrandTreeText[] = "tree_branch01";

// Points of different strands closer than this are one node.
inline constexpr float kStrandShareDistance = 0.001f;

// Appends the strands' nodes and links to the web; webInverse carries world points into the
// web's space. Returns the number of nodes made.
int AddStrandsToWeb(const std::vector<PathRecord>& strands, const D3DXMATRIX& webInverse,
                    Cobweb* web);

// Reads the strand frames of the forest and adds them to the web; returns the strand count.
int BuildStrands(XFileModel& forest, const D3DXMATRIX& webInverse, Cobweb* web);

}  // namespace qm
