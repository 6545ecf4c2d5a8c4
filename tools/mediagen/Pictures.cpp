// Picture painters: see Pictures.h.
//
// Sections: backdrops; derived pictures; the web emblem; clock glyphs.
#include "Pictures.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "GenMath.h"
#include "Noise.h"

namespace qm::gen {

namespace {

// Colours and light of one backdrop.
struct Mood {
  Rgba top, middle, floor;  // canopy light, foliage, forest floor
  Rgba trunk;               // distant trunks
  Rgba bokeh;               // out-of-focus highlights
  float haze;               // 0 clear .. 1 thick mist
  int bokehCount;
  float bokehSize;
  float lightX;             // where the light comes from (0 left .. 1 right)
};

Mood MoodOf(int mood) {
  switch (mood) {
    case 1:  // morning: fresh greens, low golden light from the left, a little haze
      return {Rgb8(214, 220, 170), Rgb8(92, 126, 64), Rgb8(70, 58, 38), Rgb8(52, 56, 40), Rgb8(255, 226, 150),
              0.25f, 70, 14, 0.15f};
    case 2:  // midday: bright, saturated, light from above
      return {Rgb8(236, 244, 200), Rgb8(84, 140, 52), Rgb8(84, 70, 40), Rgb8(48, 58, 32), Rgb8(250, 255, 215),
              0.08f, 90, 12, 0.55f};
    case 3:  // evening: warm amber, long light from the right
      return {Rgb8(246, 178, 98), Rgb8(110, 92, 48), Rgb8(66, 42, 26), Rgb8(58, 38, 28), Rgb8(255, 190, 110),
              0.15f, 60, 16, 0.85f};
    case 4:  // mist: pale and soft
      return {Rgb8(206, 214, 204), Rgb8(112, 136, 104), Rgb8(88, 84, 70), Rgb8(78, 90, 76),
              Rgb8(235, 240, 230), 0.5f, 30, 20, 0.45f};
    default:  // after rain: deep wet greens, many small sparkles
      return {Rgb8(180, 214, 200), Rgb8(44, 98, 52), Rgb8(46, 40, 30), Rgb8(30, 42, 32), Rgb8(220, 240, 255),
              0.12f, 160, 7, 0.35f};
  }
}

// Pictures are painted in units of their height: u runs 0..aspect across, v 0..1 down, so
// that every shape keeps its proportions whatever the picture's width.
void PaintBackdropBase(Image& img, const Mood& m, uint32_t seed) {
  const int w = img.Width(), h = img.Height();
  const float aspect = static_cast<float>(w) / h;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      float u = (x + 0.5f) / h, v = (y + 0.5f) / h;
      float foliage = Fbm(u * 5, v * 5, seed, 5);
      Rgba c = MixRgba(m.top, m.middle, Smoothstep(0.05f, 0.55f, v + (foliage - 0.5f) * 0.5f));
      c = MixRgba(c, m.floor, Smoothstep(0.62f, 0.85f, v + (foliage - 0.5f) * 0.15f));
      float gaps = Smoothstep(0.6f, 0.78f, Fbm(u * 7 + 3, v * 7, seed + 1, 4)) * Smoothstep(0.7f, 0.1f, v);
      c = MixRgba(c, m.top * 1.1f, gaps * 0.8f);
      float light = std::exp(-std::pow((u / aspect - m.lightX) / 0.45f, 2.0f)) * 0.25f;
      c = c * (0.85f + light + 0.3f * (foliage - 0.5f));
      img.At(x, y) = c;
    }
  // Distant trunks, darker toward the floor.
  Rng rng(seed + 2);
  for (int t = 0; t < 9; ++t) {
    float cx = rng.Range(0, 1) * w, width = rng.Range(0.02f, 0.09f) * h, lean = rng.Range(-0.05f, 0.05f);
    float depth = rng.Range(0.2f, 0.85f);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        float d = std::fabs(x - (cx + lean * y)) / width;
        if (d > 1) continue;
        float k = Smoothstep(1, 0.6f, d) * (1 - depth * 0.8f);
        img.At(x, y) = MixRgba(img.At(x, y), m.trunk * (0.8f + 0.3f * (1 - d)), k);
      }
  }
}

void AddBokeh(Image& img, const Mood& m, uint32_t seed) {
  Rng rng(seed + 3);
  const int w = img.Width(), h = img.Height();
  for (int k = 0; k < m.bokehCount; ++k) {
    float u = rng.Range(0, 1), v = rng.Range(0, 0.75f);
    float near = std::exp(-std::pow((u - m.lightX) / 0.5f, 2.0f));
    float r = m.bokehSize * rng.Range(0.5f, 1.6f) * h / 512;
    Rgba c = m.bokeh;
    c.a = rng.Range(0.08f, 0.3f) * (0.4f + near) * (1 - v);
    img.Splat(u * w, v * h, r, c, 0.25f, true);
  }
}

}  // namespace

// ---- backdrops ----------------------------------------------------------------------------

Image PaintBackdropView(int mood, int height) {
  Mood m = MoodOf(mood);
  uint32_t seed = 1000u + static_cast<uint32_t>(mood) * 37u;
  const int width = static_cast<int>(std::lround(height * kBackdropQuadAspect));
  // The soft base is painted small (it is blurred far below that resolution anyway) and
  // enlarged; the highlights are splashed on at full size so their rims stay round.
  Image base(width / 4, height / 4);
  PaintBackdropBase(base, m, seed);
  base.Blur(height / 160.0f, false);
  Image img = base.Resized(width, height);
  AddBokeh(img, m, seed);
  img.Blur(height / 400.0f + 1, false);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      float v = (y + 0.5f) / height;
      Rgba& p = img.At(x, y);
      float haze = m.haze * (1 - 0.5f * v);
      p = MixRgba(p, m.top * 0.95f, haze);
      p.a = 1;
    }
  return img;
}

Image BackdropTexture(const Image& view, int size) {
  // Squeezed across: the quad stretches it back to the view's proportions, and a square
  // power-of-two picture loads without being resampled.
  return view.Resized(size, size);
}

// ---- derived pictures ---------------------------------------------------------------------

Image CroppedTo(const Image& img, int w, int h) {
  // The largest centred rectangle of the target's proportions, then resized.
  float scale = std::min(static_cast<float>(img.Width()) / w, static_cast<float>(img.Height()) / h);
  int cw = std::clamp(static_cast<int>(std::lround(w * scale)), 1, img.Width());
  int ch = std::clamp(static_cast<int>(std::lround(h * scale)), 1, img.Height());
  int x0 = (img.Width() - cw) / 2, y0 = (img.Height() - ch) / 2;
  Image crop(cw, ch);
  for (int y = 0; y < ch; ++y)
    for (int x = 0; x < cw; ++x) crop.At(x, y) = img.At(x0 + x, y0 + y);
  return crop.Resized(w, h);
}

Image Thumbnail(const Image& background, int size, bool dim) {
  Image t = CroppedTo(background, size, size);
  if (dim)
    for (int y = 0; y < size; ++y)
      for (int x = 0; x < size; ++x) {
        Rgba& p = t.At(x, y);
        float grey = (p.r + p.g + p.b) / 3;
        p = MixRgba(p, {grey, grey, grey, 1}, 0.6f) * 0.45f;
        p.a = 1;
      }
  return t;
}

namespace {

// Soft light strokes of an orb web (radii and spiral) centred at (cx, cy) with radius r.
void DrawWeb(Image& img, float cx, float cy, float r, Rgba colour) {
  const float step = 2 * kPi / 14;
  for (int y = 0; y < img.Height(); ++y)
    for (int x = 0; x < img.Width(); ++x) {
      float dx = x + 0.5f - cx, dy = y + 0.5f - cy, d = std::hypot(dx, dy);
      if (d > r) continue;
      float a = std::atan2(dy, dx);
      float frac = a / step - std::round(a / step);
      float radiusLine = Smoothstep(1.2f, 0.3f, d * std::fabs(std::sin(frac * step)));
      float turns = d / r * 9 + a / (2 * kPi);
      float spiral = Smoothstep(0.1f, 0.0f, std::fabs(turns - std::round(turns)) * r / 9 * 0.1f) *
                     (d > r * 0.12f ? 1.0f : 0.0f);
      float k = std::max(radiusLine, spiral * 0.8f) * Smoothstep(r, r * 0.85f, d);
      img.At(x, y) = MixRgba(img.At(x, y), colour, k * colour.a);
    }
}

}  // namespace

Image PaintLoadingBackdrop(const Image& background) {
  Image img = CroppedTo(background, 512, 512);
  for (int y = 0; y < 512; ++y)
    for (int x = 0; x < 512; ++x) {
      float d = std::hypot(x / 512.0f - 0.5f, y / 512.0f - 0.5f);
      img.At(x, y) = img.At(x, y) * (1.05f - d * 0.9f);
      img.At(x, y).a = 1;
    }
  DrawWeb(img, 256, 230, 170, {1, 1, 0.95f, 0.35f});
  return img;
}

Image PaintLogo() {
  Image img(256, 128, {1, 1, 1, 0});
  Image web(256, 128, {0, 0, 0, 0});
  DrawWeb(web, 200, 64, 58, {1, 1, 1, 1});
  for (int y = 0; y < 128; ++y)
    for (int x = 0; x < 256; ++x) {
      float a = (web.At(x, y).r + web.At(x, y).g + web.At(x, y).b) / 3;
      img.At(x, y) = {1, 0.97f, 0.88f, a * 0.85f};
    }
  // A leaf beside the web.
  for (int y = 0; y < 128; ++y)
    for (int x = 0; x < 256; ++x) {
      float u = (x - 110) / 60.0f, v = (y - 64) / 26.0f;
      float inside = 1 - (u * u + v * v * (1 + u * 0.3f));
      if (inside <= 0 || x < 50) continue;
      float vein = std::fabs(v) < 0.06f ? 0.25f : 0.0f;
      Rgba c{0.55f + vein, 0.8f + vein, 0.35f + vein, Smoothstep(0, 0.15f, inside) * 0.9f};
      Rgba& p = img.At(x, y);
      p = MixRgba(p, c, c.a);
      p.a = std::max(p.a, c.a);
    }
  return img;
}

Image PaintBlankCorner() { return Image(1, 1, {1, 1, 1, 0}); }

Image PaintEmblemPicture(const Image& background, int w, int h) {
  Image img = CroppedTo(background, w, h);
  DrawWeb(img, w * 0.5f, h * 0.45f, std::min(w, h) * 0.42f, {1, 1, 0.95f, 0.55f});
  return img;
}

Image PaintIcon(int size) {
  Image img(size, size, {0, 0, 0, 0});
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      float u = (x + 0.5f) / size * 2 - 1, v = (y + 0.5f) / size * 2 - 1;
      float d = std::pow(std::pow(std::fabs(u), 4.0f) + std::pow(std::fabs(v), 4.0f), 0.25f);
      float a = Smoothstep(1.0f, 0.93f, d);
      Rgba c = MixRgba(Rgb8(120, 170, 80), Rgb8(30, 60, 28), Smoothstep(-1, 1, v));
      img.At(x, y) = {c.r, c.g, c.b, a};
    }
  Image web(size, size, {0, 0, 0, 0});
  DrawWeb(web, size * 0.5f, size * 0.5f, size * 0.44f, {1, 1, 1, 1});
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      Rgba& p = img.At(x, y);
      float k = web.At(x, y).r * p.a;
      p = {p.r + (1 - p.r) * k, p.g + (1 - p.g) * k, p.b + (0.9f - p.b) * k, p.a};
    }
  img.Splat(size * 0.5f, size * 0.5f, size * 0.09f, {0.1f, 0.07f, 0.05f, 1}, 0.3f, false);
  return img;
}

// ---- clock glyphs -------------------------------------------------------------------------

namespace {

// Strokes of a glyph in a box 0..1 (x right, y down).
std::vector<std::array<float, 4>> Strokes(const std::string& g) {
  const float l = 0.25f, r = 0.75f, t = 0.12f, m = 0.5f, b = 0.88f;
  std::array<float, 4> seg[7] = {{l, t, r, t}, {r, t, r, m}, {r, m, r, b}, {l, b, r, b},
                                 {l, m, l, b}, {l, t, l, m}, {l, m, r, m}};
  const char* masks[10] = {"abcdef", "bc", "abged", "abgcd", "fgbc", "afgcd", "afgedc", "abc", "abcdefg", "abcdfg"};
  std::vector<std::array<float, 4>> out;
  auto fromMask = [&](const char* mask) {
    for (const char* c = mask; *c; ++c) out.push_back(seg[*c - 'a']);
  };
  if (g.size() == 1 && g[0] >= '0' && g[0] <= '9') fromMask(masks[g[0] - '0']);
  else if (g == "A") fromMask("abcefg");
  else if (g == "P") fromMask("abefg");
  else if (g == "M") out = {{l, b, l, t}, {l, t, 0.5f, 0.55f}, {0.5f, 0.55f, r, t}, {r, t, r, b}};
  else if (g == "ddot") out = {{0.5f, 0.33f, 0.5f, 0.33f}, {0.5f, 0.67f, 0.5f, 0.67f}};
  else if (g == "dot") out = {{0.5f, 0.86f, 0.5f, 0.86f}};
  return out;
}

float SegmentDistance(float px, float py, const std::array<float, 4>& s) {
  float dx = s[2] - s[0], dy = s[3] - s[1];
  float len2 = dx * dx + dy * dy;
  float t = len2 > 0 ? std::clamp(((px - s[0]) * dx + (py - s[1]) * dy) / len2, 0.0f, 1.0f) : 0;
  return std::hypot(px - s[0] - dx * t, py - s[1] - dy * t);
}

}  // namespace

Image PaintDigit(const std::string& glyph, int size) {
  Image img(size, size, {0, 0, 0, 1});
  auto strokes = Strokes(glyph);
  bool dots = glyph == "ddot" || glyph == "dot";
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      float px = (x + 0.5f) / size, py = (y + 0.5f) / size;
      float d = 10;
      for (const auto& s : strokes) d = std::min(d, SegmentDistance(px, py, s));
      float w = dots ? 0.07f : 0.055f;
      float core = Smoothstep(w + 0.02f, w - 0.01f, d);
      float glow = std::exp(-d * d / 0.01f) * 0.25f;
      float l = std::min(1.0f, core + glow);
      img.At(x, y) = {l * 0.95f, l, l * 0.92f, 1};
    }
  return img;
}

}  // namespace qm::gen
