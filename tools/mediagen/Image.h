// A floating-point RGBA picture and the operations the texture painters share.
// Painters write linear 0..1 values per channel; the file writers (ImageFiles.h) clamp and
// quantise them. Coordinates start at the top-left corner.
#pragma once

#include <cstddef>
#include <vector>

namespace qm::gen {

// One pixel: red, green, blue, alpha in 0..1.
struct Rgba {
  float r = 0, g = 0, b = 0, a = 1;
};

inline Rgba operator+(Rgba p, Rgba q) { return {p.r + q.r, p.g + q.g, p.b + q.b, p.a + q.a}; }
inline Rgba operator*(Rgba p, float s) { return {p.r * s, p.g * s, p.b * s, p.a * s}; }
Rgba MixRgba(Rgba p, Rgba q, float t);
// Colour from 0..255 components.
Rgba Rgb8(int r, int g, int b);

// A width x height picture.
class Image {
 public:
  Image() = default;
  Image(int w, int h, Rgba fill = {});
  int Width() const { return m_w; }
  int Height() const { return m_h; }
  Rgba& At(int x, int y) { return m_px[static_cast<size_t>(y) * m_w + x]; }
  const Rgba& At(int x, int y) const { return m_px[static_cast<size_t>(y) * m_w + x]; }
  // Bilinear sample at pixel coordinates; wraps around when wrap is set, else clamps.
  Rgba Sample(float x, float y, bool wrap) const;
  // Resized copy (box filter when shrinking, bilinear when growing).
  Image Resized(int w, int h) const;
  // Gaussian-like blur (three box passes) with the given radius in pixels.
  void Blur(float radius, bool wrap);
  // Alpha-blends a soft disc of the colour onto the picture (radius in pixels).
  void Splat(float cx, float cy, float radius, Rgba colour, float softness, bool additive);
  // Multiplies every colour channel by s (alpha unchanged).
  void Scale(float s);

 private:
  void BoxPass(int r, bool horizontal, bool wrap);
  int m_w = 0, m_h = 0;
  std::vector<Rgba> m_px;
};

}  // namespace qm::gen
