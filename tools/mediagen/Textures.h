// Painters of the scene's textures: bark ("Tree_big.jpg" for trunks and the log,
// "Tree_small.jpg" for twigs), the forest floor ("Ground.jpg"), leaves with alpha cut-outs
// ("Leaves.dds", "Leaves_brunch.dds"), the creatures' skins, the thread textures, the
// light-ray picture and the environment map of the drops. Each painter is deterministic and
// returns a picture at the size the file is written at.
#pragma once

#include "Image.h"

namespace qm::gen {

// Trunk bark (big) or the finer bark of thin twigs; both tile in u and v.
Image PaintBark(int size, bool big);
// Soil, moss, small stones and fallen needles; tiles in u and v.
Image PaintForestFloor(int size);
Image PaintLeaf(int size);
Image PaintLeafSpray(int size);
Image PaintSpiderSkin(int size);
Image PaintAntSkin(int size);
Image PaintBugSkin(int size);
Image PaintLadybirdSkin(int size);
Image PaintThread(int size, bool spiral);
Image PaintRays(int size);
Image PaintEnvironment(int size);

// Where each creature skin keeps its parts (texture-space rectangles used by the meshes).
namespace skin {
constexpr float kBodyV1 = 0.75f;   // v 0..kBodyV1: the body's pattern
constexpr float kDarkU1 = 0.5f;    // u 0..kDarkU1, v kBodyV1..1: dark legs and head
}  // namespace skin

}  // namespace qm::gen
