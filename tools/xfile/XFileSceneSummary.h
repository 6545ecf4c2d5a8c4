// XFileSceneSummary: what an X file holds, gathered the way the scene's model loader reads it.
//
// Walks the top-level objects of a parsed file: the frame tree with file matrices and
// meshes (built with XMeshBuild), the animation sets with their animations and keys, the
// AnimTicksPerSecond values and the bounding sphere of all mesh vertices placed by their
// frames. Used by `quillmoor-xfile info` and by the benchmark.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "d3dx/XFile.h"
#include "d3dx/XMesh.h"

namespace qm {

// One mesh of the tree with its built data.
struct XFileSummaryMesh {
  XMeshData mesh;
};

// One frame: name, FrameTransformMatrix (identity without one), meshes and child frames.
struct XFileSummaryFrame {
  std::string name;
  XMeshMatrix matrix;
  std::vector<XFileSummaryMesh> meshes;
  std::vector<XFileSummaryFrame> children;
};

// One AnimationKey block.
struct XFileSummaryKeys {
  DWORD keyType;
  DWORD count;
  DWORD lastTime;
};

// One Animation: the frame it moves and its key blocks.
struct XFileSummaryAnimation {
  std::string name;
  std::string target;
  std::vector<XFileSummaryKeys> keys;
};

// One AnimationSet; length follows the loader's rule (rotation and matrix keys only).
struct XFileSummaryAnimationSet {
  std::string name;
  std::vector<XFileSummaryAnimation> animations;
  DWORD lengthTicks = 0;
  DWORD lastKeyTicks = 0;  // over every kind of key
};

struct XFileSummary {
  XFileSummaryFrame root;  // unnamed; holds the file's top-level frames and meshes
  std::vector<XFileSummaryAnimationSet> animationSets;
  std::vector<DWORD> animTicksPerSecond;
  std::vector<std::string> otherObjects;  // templates of other top-level objects
  float center[3] = {0, 0, 0};
  float radius = 0;
};

// Parses a file image and gathers its summary; the HRESULT of the parse or mesh build.
HRESULT SummariseXFile(const std::vector<BYTE>& file, XFileSummary* summary, std::string* error);

}  // namespace qm
