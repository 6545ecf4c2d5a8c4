// Test helper: a small reader of X files in the text format, enough to check what the media
// generator writes (frames with names, matrices and meshes; animation sets with rotation
// keys and frame references). It reports the first syntax error instead of guessing.
#pragma once

#include <array>
#include <string>
#include <vector>

namespace qm::test {

// One mesh as read: positions, counts of the other blocks, faces and material indices.
struct ReadMesh {
  std::vector<std::array<float, 3>> positions;
  std::vector<std::array<float, 3>> normals;
  std::vector<std::array<unsigned, 3>> faces;
  size_t normalFaces = 0, uvCount = 0, materialCount = 0;
  std::vector<unsigned> faceMaterials;
  std::vector<std::string> textures;
};

// One frame as read.
struct ReadFrame {
  std::string name;
  std::array<float, 16> matrix{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  std::vector<ReadMesh> meshes;
  std::vector<ReadFrame> children;
};

// One animation: its target frame and rotation keys (time, w, x, y, z).
struct ReadAnimation {
  std::string frame;
  std::vector<std::array<float, 5>> keys;
};

struct ReadSet {
  std::string name;
  std::vector<ReadAnimation> animations;
};

struct ReadModel {
  std::vector<ReadFrame> frames;
  std::vector<ReadSet> sets;
  unsigned ticksPerSecond = 0;
};

// Parses the text; false with a message in `error` when it does not follow the format.
bool ReadXText(const std::string& text, ReadModel& model, std::string& error);

}  // namespace qm::test
