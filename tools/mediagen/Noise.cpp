// Deterministic random numbers and noise: see Noise.h.
#include "Noise.h"

#include <cmath>

namespace qm::gen {

uint32_t Rng::Next() {
  m_state ^= m_state >> 12;
  m_state ^= m_state << 25;
  m_state ^= m_state >> 27;
  return static_cast<uint32_t>((m_state * 0x2545F4914F6CDD1Dull) >> 32);
}

static uint32_t Mix32(uint32_t h) {
  h ^= h >> 16;
  h *= 0x7feb352dU;
  h ^= h >> 15;
  h *= 0x846ca68bU;
  h ^= h >> 16;
  return h;
}

float Hash2(int x, int y, uint32_t seed) {
  uint32_t h = Mix32(static_cast<uint32_t>(x) * 0x8da6b343U ^ static_cast<uint32_t>(y) * 0xd8163841U ^
                     seed * 0xcb1ab31fU);
  return (h >> 8) * (1.0f / 16777216.0f);
}

float Hash3(int x, int y, int z, uint32_t seed) {
  return Hash2(x, y * 7919 + z * 104729, seed);
}

static int Wrap(int v, int p) {
  if (p <= 0) return v;
  int r = v % p;
  return r < 0 ? r + p : r;
}

static float Fade(float t) { return t * t * (3 - 2 * t); }

float ValueNoise(float x, float y, uint32_t seed, int px, int py) {
  float fx = std::floor(x), fy = std::floor(y);
  int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
  float tx = Fade(x - fx), ty = Fade(y - fy);
  int x0 = Wrap(ix, px), x1 = Wrap(ix + 1, px), y0 = Wrap(iy, py), y1 = Wrap(iy + 1, py);
  float a = Hash2(x0, y0, seed), b = Hash2(x1, y0, seed);
  float c = Hash2(x0, y1, seed), d = Hash2(x1, y1, seed);
  return Mix(Mix(a, b, tx), Mix(c, d, tx), ty);
}

float Fbm(float x, float y, uint32_t seed, int octaves, int px, int py) {
  float sum = 0, amp = 1, norm = 0;
  for (int o = 0; o < octaves; ++o) {
    sum += amp * ValueNoise(x, y, seed + static_cast<uint32_t>(o) * 101u, px, py);
    norm += amp;
    amp *= 0.5f;
    x *= 2;
    y *= 2;
    px *= 2;
    py *= 2;
  }
  return sum / norm;
}

float Cellular(float x, float y, uint32_t seed, int px, int py) {
  int ix = static_cast<int>(std::floor(x)), iy = static_cast<int>(std::floor(y));
  float best = 10;
  for (int dy = -1; dy <= 1; ++dy)
    for (int dx = -1; dx <= 1; ++dx) {
      int cx = ix + dx, cy = iy + dy;
      int hx = Wrap(cx, px), hy = Wrap(cy, py);
      float fx = cx + Hash2(hx, hy, seed), fy = cy + Hash2(hx, hy, seed + 17u);
      float d = std::sqrt((fx - x) * (fx - x) + (fy - y) * (fy - y));
      if (d < best) best = d;
    }
  return best;
}

float CellularEdge(float x, float y, uint32_t seed, int px, int py) {
  int ix = static_cast<int>(std::floor(x)), iy = static_cast<int>(std::floor(y));
  float f1 = 10, f2 = 10;
  for (int dy = -2; dy <= 2; ++dy)
    for (int dx = -2; dx <= 2; ++dx) {
      int cx = ix + dx, cy = iy + dy;
      int hx = Wrap(cx, px), hy = Wrap(cy, py);
      float fx = cx + Hash2(hx, hy, seed), fy = cy + Hash2(hx, hy, seed + 17u);
      float d = std::sqrt((fx - x) * (fx - x) + (fy - y) * (fy - y));
      if (d < f1) {
        f2 = f1;
        f1 = d;
      } else if (d < f2) {
        f2 = d;
      }
    }
  return f2 - f1;
}

float Noise1(float x, uint32_t seed) {
  float f = std::floor(x);
  int i = static_cast<int>(f);
  return Mix(Hash2(i, 0, seed), Hash2(i + 1, 0, seed), Fade(x - f));
}

float Smoothstep(float e0, float e1, float x) {
  float t = Clamp01((x - e0) / (e1 - e0));
  return t * t * (3 - 2 * t);
}

float Clamp01(float v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }
float Mix(float a, float b, float t) { return a + (b - a) * t; }

}  // namespace qm::gen
