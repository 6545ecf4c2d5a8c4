// Texture painters: see Textures.h.
//
// Sections: bark; forest floor; leaves; creature skins; threads, rays and environment.
#include "Textures.h"

#include <algorithm>
#include <cmath>
#include <vector>

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

namespace {

// A tiling height field (0 deep .. 1 high) and a companion mask, filled per pixel.
struct Relief {
  int size = 0;
  std::vector<float> height, mask;
  explicit Relief(int s) : size(s), height(static_cast<size_t>(s) * s), mask(static_cast<size_t>(s) * s) {}
  float H(int x, int y) const {
    x = (x % size + size) % size;
    y = (y % size + size) % size;
    return height[static_cast<size_t>(y) * size + x];
  }
  // Light on the relief from the upper left, about 1 on flat ground; `strength` scales the
  // slopes (the relief is a texture, so the light only has to read, not be exact).
  float Light(int x, int y, float strength) const {
    float dx = H(x + 1, y) - H(x - 1, y), dy = H(x, y + 1) - H(x, y - 1);
    return std::clamp(1.0f - (dx + dy) * strength, 0.35f, 1.6f);
  }
};

constexpr int kTrunkFurrows = 11;  // furrows around one width of the trunk texture

// The trunk's bark: ridges between furrows that run along the trunk. The furrows are the
// contour lines of a field that climbs steadily across the texture and wanders along it, so
// they bunch up and spread apart; where a furrow fades out, the ridges on either side join,
// and where it deepens again they split. Each ridge breaks across at its own heights.
void TrunkRelief(Relief& r, uint32_t seed) {
  const int n = r.size;
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) {
      float u = (x + 0.5f) / n, v = (y + 0.5f) / n;
      float wander = Fbm(u * 3, v * 1, seed, 4, 3, 1) - 0.5f;
      float wobble = Fbm(u * 10, v * 3, seed + 1, 3, 10, 3) - 0.5f;
      float f = u * kTrunkFurrows + wander * 3.0f + wobble * 0.4f;
      float cell = f - std::floor(f);
      float across = std::fabs(cell - 0.5f) * 2;  // 0 on a ridge's crest, 1 in a furrow
      float open = Smoothstep(0.3f, 0.6f, Fbm(u * 5, v * 4, seed + 2, 3, 5, 4));
      // A closing furrow narrows to a crack and vanishes rather than growing shallow.
      float width = (0.35f + 0.45f * Fbm(u * 7, v * 3, seed + 3, 2, 7, 3)) * open;
      float furrow = width > 0.01f ? Smoothstep(1 - width, 1 - width * 0.6f, across) * Smoothstep(0.01f, 0.08f, width) : 0.0f;
      int ridge = static_cast<int>(std::floor(f));
      ridge = (ridge % kTrunkFurrows + kTrunkFurrows) % kTrunkFurrows;
      float breakAt = v * 3 + Hash2(ridge, 0, seed + 4) + 0.12f * cell + 0.05f * wobble;
      float gap = std::fabs(breakAt - std::round(breakAt));
      float crack = Smoothstep(0.03f, 0.008f, gap) * (1 - across) * Smoothstep(0.3f, 0.6f, Hash2(ridge, 1, seed + 4));
      float scale = Fbm(u * 48, v * 12, seed + 5, 3, 48, 12);
      float h = (1 - 0.9f * furrow) * (0.85f + 0.15f * (1 - across * across)) - 0.45f * crack + 0.25f * (scale - 0.5f);
      size_t i = static_cast<size_t>(y) * n + x;
      r.height[i] = h;
      r.mask[i] = furrow;
    }
}

Image TrunkBark(int size) {
  // Grey-brown ridges, dark furrows, moss settling in the hollows in patches, a little pale
  // lichen on the crests.
  const uint32_t seed = 101;
  Relief r(size);
  TrunkRelief(r, seed);
  Image img(size, size);
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      float u = (x + 0.5f) / size, v = (y + 0.5f) / size;
      size_t i = static_cast<size_t>(y) * size + x;
      float h = r.height[i], furrow = r.mask[i];
      float fibre = Fbm(u * 128, v * 8, seed + 10, 3, 128, 8);
      float grit = Fbm(u * 64, v * 64, seed + 11, 2, 64, 64);
      float tone = Fbm(u * 3, v * 3, seed + 12, 3, 3, 3);
      Rgba crest = MixRgba(Rgb8(140, 126, 108), Rgb8(108, 92, 76), tone);
      Rgba hollow = Rgb8(30, 22, 16);
      Rgba c = MixRgba(hollow, crest, Smoothstep(0.2f, 0.75f, h));
      c = c * ((0.62f + 0.6f * fibre) * (0.85f + 0.3f * grit) * r.Light(x, y, 1.8f));
      float patch = Smoothstep(0.48f, 0.68f, Fbm(u * 4, v * 3, seed + 13, 4, 4, 3));
      float fuzz = Fbm(u * 160, v * 160, seed + 14, 2, 160, 160);
      float moss = patch * Smoothstep(0.15f, 0.7f, furrow + 0.25f * (1 - h));
      c = MixRgba(c, Rgb8(78, 104, 36) * (0.55f + 0.75f * fuzz), moss * 0.85f);
      float lichen = Smoothstep(0.7f, 0.78f, Fbm(u * 8, v * 8, seed + 15, 3, 8, 8)) * Smoothstep(0.75f, 0.95f, h);
      c = MixRgba(c, Rgb8(150, 160, 132) * (0.85f + 0.3f * grit), lichen * 0.5f);
      c.a = 1;
      img.At(x, y) = c;
    }
  return img;
}

// The thin twigs' bark: smooth and fine, with shallow streaks along the twig, pale
// breathing pores (short dashes across it), green-grey bloom in places and few, thin splits.
Image TwigBark(int size) {
  const uint32_t seed = 202;
  Relief r(size);
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      float u = (x + 0.5f) / size, v = (y + 0.5f) / size;
      float streak = Fbm(u * 24 + 2 * (Fbm(u * 2, v * 2, seed, 2, 2, 2) - 0.5f), v * 3, seed + 1, 3, 24, 3);
      float f = u * 5 + 1.2f * (Fbm(u * 2, v * 2, seed + 2, 3, 2, 2) - 0.5f);
      float split = Smoothstep(0.035f, 0.0f, std::fabs(f - std::round(f))) *
                    Smoothstep(0.6f, 0.72f, Fbm(u * 3, v * 4, seed + 3, 2, 3, 4));
      size_t i = static_cast<size_t>(y) * size + x;
      r.height[i] = 0.7f + 0.3f * streak - 0.5f * split;
      r.mask[i] = split;
    }
  Image img(size, size);
  const int poresU = 7, poresV = 9;
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      float u = (x + 0.5f) / size, v = (y + 0.5f) / size;
      size_t i = static_cast<size_t>(y) * size + x;
      float fibre = Fbm(u * 96, v * 6, seed + 10, 3, 96, 6);
      float tone = Fbm(u * 4, v * 4, seed + 11, 3, 4, 4);
      Rgba c = MixRgba(Rgb8(112, 90, 70), Rgb8(86, 74, 60), tone);
      c = c * ((0.8f + 0.3f * fibre) * r.Light(x, y, 1.5f));
      c = MixRgba(c, Rgb8(40, 30, 22), r.mask[i] * 0.6f);
      // Pores: one per cell of a coarse grid, squashed into dashes across the twig.
      float pu = u * poresU, pv = v * poresV;
      int cu = static_cast<int>(std::floor(pu)), cv = static_cast<int>(std::floor(pv));
      float pore = 0;
      for (int dv = -1; dv <= 1; ++dv)
        for (int du = -1; du <= 1; ++du) {
          int hu = ((cu + du) % poresU + poresU) % poresU, hv = ((cv + dv) % poresV + poresV) % poresV;
          float px = cu + du + Hash2(hu, hv, seed + 12), py = cv + dv + Hash2(hu, hv, seed + 13);
          float d = std::hypot((pu - px) * 2.2f, (pv - py) * 9.0f);
          pore = std::max(pore, Smoothstep(0.5f, 0.25f, d));
        }
      c = MixRgba(c, Rgb8(176, 158, 128), pore * 0.7f);
      float bloom = Smoothstep(0.58f, 0.75f, Fbm(u * 3, v * 5, seed + 14, 4, 3, 5));
      c = MixRgba(c, Rgb8(104, 116, 84), bloom * 0.3f);
      c.a = 1;
      img.At(x, y) = c;
    }
  return img;
}

}  // namespace

Image PaintBark(int size, bool big) { return big ? TrunkBark(size) : TwigBark(size); }

// ---- forest floor -------------------------------------------------------------------------

namespace {

// Dark soil with crumbs, moss cushions in patches.
void PaintSoilAndMoss(Image& img, uint32_t seed) {
  const int n = img.Width();
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) {
      float u = (x + 0.5f) / n, v = (y + 0.5f) / n;
      float tone = Fbm(u * 5, v * 5, seed, 4, 5, 5);
      float crumb = Fbm(u * 90, v * 90, seed + 1, 2, 90, 90);
      Rgba c = MixRgba(Rgb8(44, 32, 22), Rgb8(78, 60, 42), tone) * (0.7f + 0.5f * crumb);
      float patch = Fbm(u * 3, v * 3, seed + 2, 4, 3, 3) + 0.15f * (Fbm(u * 16, v * 16, seed + 3, 2, 16, 16) - 0.5f);
      float moss = Smoothstep(0.5f, 0.58f, patch);
      float shoots = Fbm(u * 200, v * 200, seed + 4, 2, 200, 200);
      Rgba green = MixRgba(Rgb8(58, 82, 26), Rgb8(112, 136, 46), Smoothstep(0.55f, 0.85f, patch)) *
                   (0.55f + 0.8f * shoots);
      c = MixRgba(c, green, moss);
      c.a = moss;  // remembered for the needles, which sink into moss
      img.At(x, y) = c;
    }
}

// Pebbles: domes with a soft shadow on the lower right, speckled, wrapping at the edges.
void PaintStones(Image& img, Rng& rng, int count) {
  const int n = img.Width();
  for (int k = 0; k < count; ++k) {
    float cx = rng.Range(0, static_cast<float>(n)), cy = rng.Range(0, static_cast<float>(n));
    float rx = rng.Range(3.0f, 10.0f) * n / 512, ry = rx * rng.Range(0.6f, 1.0f);
    float ang = rng.Range(0, kPi), ca = std::cos(ang), sa = std::sin(ang);
    Rgba base = MixRgba(Rgb8(120, 112, 100), Rgb8(150, 136, 112), rng.Uniform());
    uint32_t speckle = 3000u + static_cast<uint32_t>(k);
    int reach = static_cast<int>(rx * 1.5f) + 2;
    for (int y = -reach; y <= reach; ++y)
      for (int x = -reach; x <= reach; ++x) {
        float dx = x + 0.5f - (cx - std::floor(cx)), dy = y + 0.5f - (cy - std::floor(cy));
        float lx = (dx * ca + dy * sa) / rx, ly = (-dx * sa + dy * ca) / ry;
        float d = std::hypot(lx, ly);
        // Shadow first, offset toward the lower right.
        float sx = ((dx - rx * 0.3f) * ca + (dy - rx * 0.3f) * sa) / rx, sy = (-(dx - rx * 0.3f) * sa + (dy - rx * 0.3f) * ca) / ry;
        float shadow = Smoothstep(1.3f, 0.8f, std::hypot(sx, sy)) * 0.45f;
        int px = ((static_cast<int>(cx) + x) % n + n) % n, py = ((static_cast<int>(cy) + y) % n + n) % n;
        Rgba& p = img.At(px, py);
        float keepA = p.a;
        if (d >= 1) {
          p = p * (1 - shadow);
          p.a = keepA;
          continue;
        }
        float dome = std::sqrt(std::max(0.0f, 1 - d * d));
        float light = 0.55f + 0.45f * dome - 0.35f * (lx + ly) * 0.5f;
        Rgba c = base * (light * (0.85f + 0.3f * Hash2(px, py, speckle)));
        p = MixRgba(p, c, Smoothstep(1.0f, 0.85f, d));
        p.a = keepA * Smoothstep(0.85f, 1.0f, d);
      }
  }
}

// Fallen needles: thin, tapering, straight or slightly bent strokes in browns and rust, with
// a faint shadow; they lie on the soil and disappear into the moss.
void PaintNeedles(Image& img, Rng& rng, int count) {
  const int n = img.Width();
  const Rgba colours[] = {Rgb8(150, 96, 52), Rgb8(122, 78, 42), Rgb8(176, 130, 76), Rgb8(96, 66, 40)};
  for (int k = 0; k < count; ++k) {
    float x0 = rng.Range(0, static_cast<float>(n)), y0 = rng.Range(0, static_cast<float>(n));
    float len = rng.Range(40.0f, 90.0f) * n / 512, ang = rng.Range(0, 2 * kPi);
    float dx = std::cos(ang) * len, dy = std::sin(ang) * len;
    float width = rng.Range(1.2f, 2.0f) * n / 512;
    Rgba colour = colours[rng.Int(0, 3)] * rng.Range(0.8f, 1.1f);
    int bx0 = static_cast<int>(std::floor(std::min(x0, x0 + dx) - 3)), bx1 = static_cast<int>(std::ceil(std::max(x0, x0 + dx) + 3));
    int by0 = static_cast<int>(std::floor(std::min(y0, y0 + dy) - 3)), by1 = static_cast<int>(std::ceil(std::max(y0, y0 + dy) + 3));
    for (int y = by0; y <= by1; ++y)
      for (int x = bx0; x <= bx1; ++x) {
        float px = x + 0.5f - x0, py = y + 0.5f - y0;
        float t = std::clamp((px * dx + py * dy) / (len * len), 0.0f, 1.0f);
        float d = std::hypot(px - dx * t, py - dy * t);
        float w = width * (1 - 0.6f * t * t);  // thinner toward the tip
        float body = Smoothstep(w + 0.7f, w - 0.3f, d);
        float shadow = Smoothstep(w + 2.5f, w, std::hypot(px - 1.5f - dx * t, py - 1.5f - dy * t)) * 0.35f;
        if (body <= 0 && shadow <= 0) continue;
        Rgba& p = img.At((x % n + n) % n, (y % n + n) % n);
        float onTop = 1 - 0.8f * p.a;
        float keepA = p.a;
        p = p * (1 - shadow * onTop);
        p = MixRgba(p, colour * (0.85f + 0.3f * (1 - t)), body * onTop);
        p.a = keepA;
      }
  }
}

}  // namespace

Image PaintForestFloor(int size) {
  const uint32_t seed = 151;
  Image img(size, size);
  PaintSoilAndMoss(img, seed);
  Rng rng(seed);
  PaintStones(img, rng, size * 60 / 512);
  PaintNeedles(img, rng, size * 150 / 512);
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) img.At(x, y).a = 1;
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
