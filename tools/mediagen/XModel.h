// In-memory form of the X files the generator writes: a tree of frames with meshes
// (positions, normals, texture coordinates, materials) and keyframed animation sets, and the
// text writer for the "xof 0303txt 0032" format with the standard templates (Frame,
// FrameTransformMatrix, Mesh, MeshNormals, MeshTextureCoords, MeshMaterialList, Material,
// TextureFilename, AnimTicksPerSecond, AnimationSet, Animation, AnimationKey). The forest and
// creature builders fill an XModel; MediaGenerator writes it; the previewer draws it.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "GenMath.h"
#include "Image.h"

namespace qm::gen {

// Surface appearance of a group of faces (the X-file Material record).
struct XMaterial {
  Rgba diffuse{1, 1, 1, 1};
  float power = 0;
  Vec3 specular{0, 0, 0};
  Vec3 emissive{0, 0, 0};
  std::string texture;  // empty: untextured
};

// One mesh: one normal and one texture coordinate per vertex, triangles only.
struct XMesh {
  std::string name;
  std::vector<Vec3> positions;
  std::vector<Vec3> normals;
  std::vector<std::array<float, 2>> uvs;
  std::vector<std::array<uint32_t, 3>> faces;
  std::vector<uint32_t> faceMaterials;
  std::vector<XMaterial> materials;

  uint32_t AddVertex(Vec3 p, Vec3 n, float u, float v);
  void AddTriangle(uint32_t a, uint32_t b, uint32_t c, uint32_t material = 0);
  // Appends another mesh (its material indices shifted by materialOffset).
  void Append(const XMesh& other, uint32_t materialOffset = 0);
  // Moves every vertex by m (normals by its rotation part, renormalised).
  void Transform(const Mat4& m);
};

// A named frame with its local matrix, meshes and children.
struct XFrame {
  std::string name;
  Mat4 matrix;
  std::vector<XMesh> meshes;
  std::vector<XFrame> children;

  XFrame* Find(const std::string& frameName);
};

// Rotation at a time in ticks (4800 per second).
struct RotationKey {
  uint32_t time = 0;
  Quat rotation;
};

// The keys that move one frame in one animation set.
struct XAnimation {
  std::string frame;
  std::vector<RotationKey> rotations;
};

// A named animation set (e.g. "move").
struct XAnimationSet {
  std::string name;
  std::vector<XAnimation> animations;
};

// A whole X file.
struct XModel {
  std::vector<XFrame> frames;
  std::vector<XAnimationSet> sets;
};

constexpr uint32_t kTicksPerSecond = 4800;

// The model in the X text format.
std::string WriteXText(const XModel& model);

// Calls fn(frame, combined matrix) for every frame, depth first, parents before children.
template <typename Fn>
void ForEachFrame(const XFrame& frame, const Mat4& parent, Fn&& fn) {
  Mat4 combined = frame.matrix * parent;
  fn(frame, combined);
  for (const XFrame& c : frame.children) ForEachFrame(c, combined, fn);
}

// Pose of a model: the local matrix of each animated frame at a time of one set (for previews).
void PoseModel(XModel& model, const std::string& set, float seconds);

}  // namespace qm::gen
