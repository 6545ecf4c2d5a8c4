// The creature models as the scene plays them: the animation sets each kind asks for, keys
// that turn frames that exist, a length above zero for every set (rotation keys only), unit
// quaternions, the skins they name, and a shape that faces -x with +z up.
#include "Creatures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <set>

#include "mediagen/XTextReader.h"

namespace qm::test {
namespace {

struct Expected {
  const char* file;
  const char* texture;
  std::vector<std::string> sets;
};

const Expected kKinds[] = {{"spider.X", "spider01.jpg", {"move", "on_thread", "wait"}},
                           {"ant.X", "ant01.jpg", {"wait", "move"}},
                           {"bug.X", "bug.jpg", {"wait", "move"}},
                           {"ladybird.X", "ladybirdWings01.jpg", {"wait", "move", "to_fly", "fly"}}};

void Collect(const ReadFrame& f, std::set<std::string>& names, std::set<std::string>& textures,
             std::vector<std::array<float, 3>>& root) {
  names.insert(f.name);
  for (const ReadMesh& m : f.meshes) textures.insert(m.textures.begin(), m.textures.end());
  for (const ReadFrame& c : f.children) Collect(c, names, textures, root);
}

TEST(MediagenCreaturesTest, EachKindHasItsAnimationSetsAndSkin) {
  std::vector<gen::NamedModel> models = gen::BuildCreatures();
  ASSERT_EQ(models.size(), 4u);
  for (const Expected& kind : kKinds) {
    const gen::NamedModel* found = nullptr;
    for (const gen::NamedModel& m : models)
      if (m.fileName == kind.file) found = &m;
    ASSERT_NE(found, nullptr) << kind.file;
    ReadModel model;
    std::string error;
    ASSERT_TRUE(ReadXText(gen::WriteXText(found->model), model, error)) << kind.file << ": " << error;
    EXPECT_EQ(model.ticksPerSecond, 4800u);
    std::set<std::string> frames, textures;
    std::vector<std::array<float, 3>> unused;
    for (const ReadFrame& f : model.frames) Collect(f, frames, textures, unused);
    EXPECT_EQ(textures, std::set<std::string>{kind.texture}) << kind.file;
    std::vector<std::string> setNames;
    for (const ReadSet& s : model.sets) {
      setNames.push_back(s.name);
      float length = 0;
      for (const ReadAnimation& a : s.animations) {
        EXPECT_TRUE(frames.count(a.frame)) << kind.file << " " << s.name << " turns a missing frame " << a.frame;
        ASSERT_GE(a.keys.size(), 2u);
        for (size_t k = 0; k < a.keys.size(); ++k) {
          const auto& key = a.keys[k];
          EXPECT_NEAR(std::sqrt(key[1] * key[1] + key[2] * key[2] + key[3] * key[3] + key[4] * key[4]), 1.0f, 1e-3f);
          if (k > 0) {
            EXPECT_GT(key[0], a.keys[k - 1][0]) << "key times rise";
          }
        }
        length = std::max(length, a.keys.back()[0]);
      }
      EXPECT_GT(length, 0) << kind.file << " " << s.name;
    }
    EXPECT_EQ(setNames, kind.sets) << kind.file;
  }
}

TEST(MediagenCreaturesTest, BodiesFaceMinusXWithBackUp) {
  for (const gen::NamedModel& m : gen::BuildCreatures()) {
    // The head end (the few vertices farthest along -x) must be narrower than the body, and
    // the legs reach down to the lowest vertices while the back is on top.
    float minX = 1e9f, maxX = -1e9f, minZ = 1e9f, maxZ = -1e9f;
    gen::ForEachFrame(m.model.frames[0], gen::Mat4{}, [&](const gen::XFrame& f, const gen::Mat4& c) {
      for (const gen::XMesh& mesh : f.meshes)
        for (gen::Vec3 p : mesh.positions) {
          gen::Vec3 w = gen::TransformPoint(c, p);
          minX = std::min(minX, w.x);
          maxX = std::max(maxX, w.x);
          minZ = std::min(minZ, w.z);
          maxZ = std::max(maxZ, w.z);
        }
    });
    EXPECT_GT(maxX - minX, 3) << m.fileName;
    EXPECT_GE(minZ, -0.5f) << m.fileName << ": feet stand on z = 0";
    EXPECT_GT(maxZ, 1.5f) << m.fileName;
    // Antennae, palps or the head: something reaches farther forward (-x) than the
    // abdomen reaches back for every insect except the long-bodied spider.
    if (m.fileName != "spider.X") {
      EXPECT_LT(minX, -2.5f) << m.fileName;
    }
  }
}

}  // namespace
}  // namespace qm::test
