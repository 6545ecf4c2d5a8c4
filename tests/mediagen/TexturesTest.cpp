// Textures that repeat over a surface: the bark wraps around limbs and repeats along them,
// the floor's texture repeats in both directions, so their opposite edges must meet without
// a visible seam.
#include "Textures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace qm::test {
namespace {

float Difference(const gen::Rgba& a, const gen::Rgba& b) {
  return std::fabs(a.r - b.r) + std::fabs(a.g - b.g) + std::fabs(a.b - b.b);
}

// Mean colour difference across the wrap-around edge and between neighbours inside, per
// direction: a seam shows up as an edge difference well above the inside one.
void ExpectSeamless(const gen::Image& img, const std::string& name) {
  const int w = img.Width(), h = img.Height();
  double edgeX = 0, insideX = 0, edgeY = 0, insideY = 0;
  for (int y = 0; y < h; ++y) {
    edgeX += Difference(img.At(w - 1, y), img.At(0, y));
    for (int x = 0; x + 1 < w; ++x) insideX += Difference(img.At(x, y), img.At(x + 1, y)) / (w - 1);
  }
  for (int x = 0; x < w; ++x) {
    edgeY += Difference(img.At(x, h - 1), img.At(x, 0));
    for (int y = 0; y + 1 < h; ++y) insideY += Difference(img.At(x, y), img.At(x, y + 1)) / (h - 1);
  }
  EXPECT_LT(edgeX, 1.6 * insideX) << name << ": seam where u wraps";
  EXPECT_LT(edgeY, 1.6 * insideY) << name << ": seam where v wraps";
}

TEST(MediagenTexturesTest, BarkAndFloorRepeatWithoutSeams) {
  ExpectSeamless(gen::PaintBark(512, true), "trunk bark");
  ExpectSeamless(gen::PaintBark(256, false), "twig bark");
  ExpectSeamless(gen::PaintForestFloor(512), "forest floor");
}

}  // namespace
}  // namespace qm::test
