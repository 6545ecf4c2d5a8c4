// Texture painters: see Textures.h.
//
// Sections: bark; leaves; creature skins; threads, rays and environment.
#include "Textures.h"

#include <algorithm>
#include <cmath>

#include "GenMath.h"
#include "Noise.h"

namespace qm::gen {

namespace {

// Leaf shape in unit space (u across -1..1, v from stem 0 to tip 1): inside > 0.
float LeafShape(float u, float v) {
  if (v < 0 || v > 1) return -1;
  float half = 0.95f * std::pow(std::sin(kPi * std::pow(v, 0.8f)), 0.85f) * (1 - 0.25f * v);
  return half - std::fabs(u);
}

// Paints one leaf into img inside the box (x0, y0)-(x1, y1), stem at the bottom middle.
void DrawLeaf(Image& img, float x0, float y0, float x1, float y1, Rgba base, uint32_t seed, float angle) {
  float cx = (x0 + x1) / 2, cy = (y0 + y1) / 2, w = (x1 - x0) / 2, h = (y1 - y0);
  float ca = std::cos(angle), sa = std::sin(angle);
  int ix0 = std::max(0, static_cast<int>(cx - h)), ix1 = std::min(img.Width() - 1, static_cast<int>(cx + h));
  int iy0 = std::max(0, static_cast<int>(cy - h)), iy1 = std::min(img.Height() - 1, static_cast<int>(cy + h));
  for (int y = iy0; y <= iy1; ++y)
    for (int x = ix0; x <= ix1; ++x) {
      float dx = x + 0.5f - cx, dy = y + 0.5f - cy;
      float rx = dx * ca - dy * sa, ry = dx * sa + dy * ca;
      float u = rx / w, v = 0.5f - ry / h;  // v = 0 at the stem (bottom)
      float inside = LeafShape(u, v);
      float stem = (v < 0.02f && v > -0.12f && std::fabs(u) < 0.05f) ? 1.0f : 0.0f;
      if (inside <= -0.02f && stem == 0) continue;
      float edge = Smoothstep(-0.02f, 0.03f, inside);
      float vein = std::fabs(u) < 0.035f ? 1.0f : 0.0f;
      float side = std::fabs(std::fmod(std::fabs(u) * 1.2f + v * 2.4f, 0.26f) - 0.13f);
      float sideVein = (side < 0.012f && std::fabs(u) < 0.8f) ? 0.7f : 0.0f;
      float cell = Cellular(u * 14, v * 14, seed) * 0.25f;
      float grain = Fbm(u * 5 + 3, v * 5, seed, 3);
      float light = 0.78f + 0.3f * grain - cell * 0.5f + 0.18f * (1 - std::fabs(u));
      Rgba c = base * light;
      c = MixRgba(c, {base.r * 1.35f + 0.1f, base.g * 1.25f + 0.08f, base.b * 1.1f, 1}, std::max(vein, sideVein) * 0.6f);
      c = MixRgba(c, {base.r * 0.6f + 0.15f, base.g * 0.55f + 0.1f, base.b * 0.4f, 1},
                  Smoothstep(0.06f, 0.0f, inside) * 0.5f);
      float a = std::max(edge, stem);
      if (stem > 0) c = {0.35f, 0.4f, 0.2f, 1};
      Rgba& p = img.At(x, y);
      float keep = 1 - a;
      p = {p.r * keep + c.r * a, p.g * keep + c.g * a, p.b * keep + c.b * a, std::max(p.a, a)};
    }
}

}  // namespace

// ---- bark ---------------------------------------------------------------------------------

Image PaintBark(int size, bool big) {
  // Long bark plates (cells stretched along the trunk) split by deep furrows, fibres along
  // the grain, and moss or lichen settling in the furrows.
  Image img(size, size);
  uint32_t seed = big ? 101 : 202;
  const int cellsU = big ? 9 : 12, cellsV = 2;
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      float u = static_cast<float>(x) / size, v = static_cast<float>(y) / size;
      float wu = (Fbm(u * 6, v * 3, seed + 1, 3, 6, 3) - 0.5f) * 0.5f;
      float edge = CellularEdge((u + wu / cellsU) * cellsU, v * cellsV, seed, cellsU, cellsV);
      float rough = Fbm(u * 24, v * 12, seed + 7, 3, 24, 12);
      float furrow = 1 - Smoothstep(0.02f, 0.16f + 0.1f * rough, edge);
      float fibre = Fbm(u * 96, v * 6, seed + 2, 3, 96, 6);
      float grit = Fbm(u * 40, v * 40, seed + 3, 2, 40, 40);
      float crown = Smoothstep(0.0f, 0.5f, edge);  // plates bulge toward their middle
      float l = (0.3f + 0.45f * crown) * (0.6f + 0.55f * fibre) * (0.85f + 0.3f * grit);
      l *= 1 - 0.85f * furrow;
      Rgba c = big ? Rgba{0.5f * l + 0.02f, 0.43f * l + 0.02f, 0.36f * l + 0.015f, 1}
                   : Rgba{0.56f * l + 0.04f, 0.45f * l + 0.035f, 0.35f * l + 0.02f, 1};
      float moss = Smoothstep(0.5f, 0.72f, Fbm(u * 5 + wu, v * 4, seed + 4, 4, 5, 4)) * (0.3f + 0.7f * furrow);
      c = MixRgba(c, Rgba{0.27f, 0.38f, 0.12f, 1} * (0.6f + 0.7f * grit), moss * (big ? 0.6f : 0.3f));
      float lichen = Smoothstep(0.74f, 0.8f, Fbm(u * 9, v * 9, seed + 6, 3, 9, 9)) * (1 - furrow);
      c = MixRgba(c, Rgba{0.55f, 0.6f, 0.48f, 1} * (0.8f + 0.3f * grit), lichen * 0.3f);
      img.At(x, y) = c;
    }
  return img;
}

// ---- leaves -------------------------------------------------------------------------------

Image PaintLeaf(int size) {
  Image img(size, size, {0.3f, 0.42f, 0.18f, 0});
  DrawLeaf(img, size * 0.12f, size * 0.02f, size * 0.88f, size * 0.98f, {0.36f, 0.56f, 0.2f, 1}, 303, 0);
  return img;
}

Image PaintLeafSpray(int size) {
  Image img(size, size, {0.25f, 0.35f, 0.15f, 0});
  Rng rng(404);
  // A thin stem from the bottom middle, leaves alternating along it.
  for (int y = size / 6; y < size; ++y) {
    float x = size / 2 + std::sin(y * 0.02f) * size * 0.03f;
    for (int dx = -2; dx <= 2; ++dx) {
      int ix = static_cast<int>(x) + dx;
      img.At(ix, y) = {0.3f, 0.28f, 0.18f, 1};
    }
  }
  for (int k = 0; k < 9; ++k) {
    float t = 0.15f + 0.09f * k;
    float cy = size * (1 - t);
    float side = (k % 2 == 0) ? -1.0f : 1.0f;
    float len = size * (0.28f - 0.012f * k);
    float cx = size / 2 + side * len * 0.45f;
    Rgba base{0.3f + rng.Range(0, 0.1f), 0.5f + rng.Range(0, 0.12f), 0.17f + rng.Range(0, 0.06f), 1};
    DrawLeaf(img, cx - len * 0.25f, cy - len / 2, cx + len * 0.25f, cy + len / 2, base, 500 + k, side * 1.1f);
  }
  DrawLeaf(img, size * 0.4f, size * 0.0f, size * 0.6f, size * 0.24f, {0.34f, 0.55f, 0.2f, 1}, 520, 0);
  return img;
}

// ---- creature skins -----------------------------------------------------------------------

namespace {

// Fills the dark legs-and-head region and the body region with the painter's colours.
template <typename BodyFn>
Image PaintSkin(int size, Rgba dark, uint32_t seed, BodyFn body) {
  Image img(size, size);
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      float u = (x + 0.5f) / size, v = (y + 0.5f) / size;
      float n = Fbm(u * 16, v * 16, seed, 3);
      if (v >= skin::kBodyV1) {
        img.At(x, y) = dark * (0.75f + 0.5f * n);
        img.At(x, y).a = 1;
      } else {
        img.At(x, y) = body(u, v / skin::kBodyV1, n);
      }
    }
  return img;
}

}  // namespace

Image PaintSpiderSkin(int size) {
  // Garden-spider abdomen: brown with a pale cross of spots and a darker leaf-shaped band.
  return PaintSkin(size, {0.2f, 0.14f, 0.09f, 1}, 601, [](float u, float v, float n) {
    Rgba c = Rgba{0.45f, 0.3f, 0.17f, 1} * (0.7f + 0.6f * n);
    float band = std::fabs(u - 0.5f) < 0.12f + 0.06f * std::sin(v * 18) ? 1.0f : 0.0f;
    c = MixRgba(c, {0.22f, 0.13f, 0.07f, 1}, band * 0.6f * Smoothstep(0.1f, 0.3f, v));
    float spots = Smoothstep(0.35f, 0.1f, Cellular(u * 10, v * 8, 602));
    c = MixRgba(c, {0.9f, 0.84f, 0.7f, 1}, spots * 0.5f * (std::fabs(u - 0.5f) < 0.25f ? 1.0f : 0.4f));
    c.a = 1;
    return c;
  });
}

Image PaintAntSkin(int size) {
  // Red-brown wood ant: glossy dark gaster, warmer thorax, fine hairs as speckles.
  return PaintSkin(size, {0.16f, 0.08f, 0.05f, 1}, 611, [](float u, float v, float n) {
    float stripes = 0.5f + 0.5f * std::sin(v * 40);
    Rgba c = Rgba{0.35f, 0.13f, 0.07f, 1} * (0.6f + 0.5f * n + 0.15f * stripes);
    c = MixRgba(c, {0.08f, 0.05f, 0.04f, 1}, Smoothstep(0.5f, 0.7f, u) * 0.7f);
    c.a = 1;
    return c;
  });
}

Image PaintBugSkin(int size) {
  // Ground beetle: dark bronze-green wing cases with fine grooves.
  return PaintSkin(size, {0.08f, 0.09f, 0.07f, 1}, 621, [](float u, float v, float n) {
    float groove = std::pow(std::fabs(std::sin(u * kPi * 18)), 6.0f);
    float sheen = 0.5f + 0.5f * std::sin(v * 4 + u * 3);
    Rgba c{0.12f + 0.1f * sheen, 0.2f + 0.12f * sheen, 0.1f + 0.04f * sheen, 1};
    c = c * (0.75f + 0.4f * n - 0.35f * groove);
    c.a = 1;
    return c;
  });
}

Image PaintLadybirdSkin(int size) {
  // Wing cases: glossy red with black spots; the right half of the dark strip holds the
  // black head shield with two white patches, the membrane wings use the lower-right corner.
  Image img = PaintSkin(size, {0.05f, 0.04f, 0.04f, 1}, 631, [](float u, float v, float n) {
    Rgba c = Rgba{0.82f, 0.1f, 0.06f, 1} * (0.85f + 0.25f * n);
    const float spots[][2] = {{0.25f, 0.3f}, {0.75f, 0.3f}, {0.5f, 0.55f}, {0.2f, 0.75f}, {0.8f, 0.75f}};
    for (auto& s : spots) {
      float d = std::hypot((u - s[0]) * 1.4f, v - s[1]);
      c = MixRgba(c, {0.04f, 0.03f, 0.03f, 1}, Smoothstep(0.11f, 0.09f, d));
    }
    c.a = 1;
    return c;
  });
  for (int y = static_cast<int>(size * skin::kBodyV1); y < size; ++y)
    for (int x = size / 2; x < size; ++x) {
      float u = (x - size / 2 + 0.5f) / (size / 2), v = (y + 0.5f - size * skin::kBodyV1) / (size * (1 - skin::kBodyV1));
      float n = Fbm(u * 8, v * 8, 632, 3);
      bool membrane = u > 0.5f;
      Rgba c = membrane ? Rgba{0.55f, 0.45f, 0.32f, 1} * (0.8f + 0.3f * n) : Rgba{0.06f, 0.05f, 0.05f, 1};
      if (membrane && std::fabs(std::sin(u * 30 + v * 6)) < 0.1f) c = c * 0.6f;
      if (!membrane && std::hypot(u - 0.12f, v - 0.5f) < 0.09f) c = {0.92f, 0.9f, 0.85f, 1};
      if (!membrane && std::hypot(u - 0.38f, v - 0.5f) < 0.09f) c = {0.92f, 0.9f, 0.85f, 1};
      img.At(x, y) = c;
    }
  return img;
}

// ---- threads, rays, environment -----------------------------------------------------------

Image PaintThread(int size, bool spiral) {
  Image img(size, size);
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      float u = (x + 0.5f) / size, v = (y + 0.5f) / size;
      float core = std::exp(-std::pow((u - 0.5f) * 4.5f, 2.0f));
      float glint = 0.75f + 0.25f * std::sin(v * kPi * 2 * (spiral ? 12 : 4));
      if (spiral) glint *= 0.85f + 0.15f * Fbm(v * 64, 0.5f, 711, 2, 64, 0);
      float l = core * glint;
      img.At(x, y) = {l * 0.95f, l * 0.96f, l, 1};
    }
  return img;
}

Image PaintRays(int size) {
  Image img(size, size, {0, 0, 0, 1});
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      float u = (x + 0.5f) / size, v = (y + 0.5f) / size;
      float l = 0;
      const float beams[][3] = {{0.3f, 0.07f, 0.8f}, {0.5f, 0.12f, 1.0f}, {0.68f, 0.05f, 0.6f}, {0.8f, 0.09f, 0.5f}};
      for (auto& b : beams) {
        float centre = b[0] + (v - 0.5f) * 0.12f;
        l += b[2] * std::exp(-std::pow((u - centre) / b[1], 2.0f));
      }
      float along = Smoothstep(0.0f, 0.25f, v) * Smoothstep(1.0f, 0.6f, v);
      float flicker = 0.8f + 0.2f * Fbm(u * 20, v * 3, 801, 3);
      float edge = Smoothstep(0.0f, 0.15f, u) * Smoothstep(1.0f, 0.85f, u);
      l *= along * flicker * edge * 0.55f;
      img.At(x, y) = {l * 1.0f, l * 0.95f, l * 0.75f, 1};
    }
  return img;
}

Image PaintEnvironment(int size) {
  // A sphere map of the glade: bright sky through the canopy above, greens around, dark
  // floor below, with a warm sun spot.
  Image img(size, size);
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      float u = (x + 0.5f) / size * 2 - 1, v = (y + 0.5f) / size * 2 - 1;
      float r = std::min(1.0f, std::hypot(u, v));
      float up = -v;
      float canopy = Fbm(u * 5 + 10, v * 5, 901, 4);
      Rgba sky{0.85f, 0.92f, 0.95f, 1}, leaves{0.22f, 0.4f, 0.16f, 1}, floor{0.18f, 0.13f, 0.08f, 1};
      Rgba c = MixRgba(leaves * (0.6f + 0.8f * canopy), sky, Smoothstep(0.55f, 0.8f, canopy) * Smoothstep(-0.2f, 0.6f, up));
      c = MixRgba(c, floor, Smoothstep(0.1f, -0.6f, up));
      c = c * (1.1f - 0.3f * r * r);
      float sun = std::exp(-(std::pow(u + 0.35f, 2.0f) + std::pow(v + 0.45f, 2.0f)) / 0.02f);
      c = c + Rgba{1, 0.95f, 0.8f, 0} * sun;
      c.a = 1;
      img.At(x, y) = c;
    }
  return img;
}

}  // namespace qm::gen
