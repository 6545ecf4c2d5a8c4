// Picture operations: see Image.h.
#include "Image.h"

#include <algorithm>
#include <cmath>

namespace qm::gen {

Rgba MixRgba(Rgba p, Rgba q, float t) { return p * (1 - t) + q * t; }
Rgba Rgb8(int r, int g, int b) { return {r / 255.0f, g / 255.0f, b / 255.0f, 1}; }

Image::Image(int w, int h, Rgba fill) : m_w(w), m_h(h), m_px(static_cast<size_t>(w) * h, fill) {}

Rgba Image::Sample(float x, float y, bool wrap) const {
  x -= 0.5f;
  y -= 0.5f;
  float fx = std::floor(x), fy = std::floor(y);
  int x0 = static_cast<int>(fx), y0 = static_cast<int>(fy);
  float tx = x - fx, ty = y - fy;
  auto px = [&](int ix, int iy) -> const Rgba& {
    if (wrap) {
      ix = ((ix % m_w) + m_w) % m_w;
      iy = ((iy % m_h) + m_h) % m_h;
    } else {
      ix = std::clamp(ix, 0, m_w - 1);
      iy = std::clamp(iy, 0, m_h - 1);
    }
    return At(ix, iy);
  };
  Rgba top = MixRgba(px(x0, y0), px(x0 + 1, y0), tx);
  Rgba bottom = MixRgba(px(x0, y0 + 1), px(x0 + 1, y0 + 1), tx);
  return MixRgba(top, bottom, ty);
}

Image Image::Resized(int w, int h) const {
  Image out(w, h);
  float sx = static_cast<float>(m_w) / w, sy = static_cast<float>(m_h) / h;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      if (sx <= 1 && sy <= 1) {
        out.At(x, y) = Sample((x + 0.5f) * sx, (y + 0.5f) * sy, false);
        continue;
      }
      int x0 = static_cast<int>(x * sx), x1 = std::max(x0 + 1, static_cast<int>((x + 1) * sx));
      int y0 = static_cast<int>(y * sy), y1 = std::max(y0 + 1, static_cast<int>((y + 1) * sy));
      Rgba sum{0, 0, 0, 0};
      for (int yy = y0; yy < y1 && yy < m_h; ++yy)
        for (int xx = x0; xx < x1 && xx < m_w; ++xx) sum = sum + At(xx, yy);
      out.At(x, y) = sum * (1.0f / static_cast<float>((x1 - x0) * (y1 - y0)));
    }
  return out;
}

void Image::BoxPass(int r, bool horizontal, bool wrap) {
  int len = horizontal ? m_w : m_h, lines = horizontal ? m_h : m_w;
  std::vector<Rgba> line(len);
  for (int l = 0; l < lines; ++l) {
    auto at = [&](int i) -> Rgba& { return horizontal ? At(i, l) : At(l, i); };
    auto src = [&](int i) {
      if (wrap) i = ((i % len) + len) % len;
      else i = std::clamp(i, 0, len - 1);
      return at(i);
    };
    for (int i = 0; i < len; ++i) line[i] = at(i);
    Rgba sum{0, 0, 0, 0};
    for (int i = -r; i <= r; ++i) sum = sum + src(i);
    std::vector<Rgba> out(len);
    float inv = 1.0f / static_cast<float>(2 * r + 1);
    for (int i = 0; i < len; ++i) {
      out[i] = sum * inv;
      sum = sum + src(i + r + 1) + src(i - r) * -1.0f;
    }
    for (int i = 0; i < len; ++i) at(i) = out[i];
  }
}

void Image::Blur(float radius, bool wrap) {
  int r = std::max(1, static_cast<int>(radius / 1.7f));
  for (int pass = 0; pass < 3; ++pass) {
    BoxPass(r, true, wrap);
    BoxPass(r, false, wrap);
  }
}

void Image::Splat(float cx, float cy, float radius, Rgba colour, float softness, bool additive) {
  int x0 = std::max(0, static_cast<int>(cx - radius - 1)), x1 = std::min(m_w - 1, static_cast<int>(cx + radius + 1));
  int y0 = std::max(0, static_cast<int>(cy - radius - 1)), y1 = std::min(m_h - 1, static_cast<int>(cy + radius + 1));
  for (int y = y0; y <= y1; ++y)
    for (int x = x0; x <= x1; ++x) {
      float d = std::sqrt((x + 0.5f - cx) * (x + 0.5f - cx) + (y + 0.5f - cy) * (y + 0.5f - cy)) / radius;
      if (d >= 1) continue;
      float edge = softness <= 0 ? 1.0f : std::clamp((1 - d) / softness, 0.0f, 1.0f);
      float k = edge * colour.a;
      Rgba& p = At(x, y);
      if (additive) {
        p.r += colour.r * k;
        p.g += colour.g * k;
        p.b += colour.b * k;
      } else {
        p.r += (colour.r - p.r) * k;
        p.g += (colour.g - p.g) * k;
        p.b += (colour.b - p.b) * k;
      }
    }
}

void Image::Scale(float s) {
  for (Rgba& p : m_px) {
    p.r *= s;
    p.g *= s;
    p.b *= s;
  }
}

}  // namespace qm::gen
