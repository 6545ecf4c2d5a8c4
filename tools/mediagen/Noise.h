// Deterministic random numbers and tileable noise for the media generator.
// Every texture, mesh and tune is computed from fixed seeds with these functions, so two
// runs write identical bytes; the standard library's distributions are avoided because
// their output differs between library versions.
#pragma once

#include <cstdint>

namespace qm::gen {

// A small, fast generator (xorshift64*), seeded explicitly.
class Rng {
 public:
  explicit Rng(uint64_t seed) : m_state(seed * 0x9E3779B97F4A7C15ull + 0x632BE59BD9B4E019ull) {}
  uint32_t Next();
  // Uniform in [0, 1).
  float Uniform() { return (Next() >> 8) * (1.0f / 16777216.0f); }
  float Range(float lo, float hi) { return lo + (hi - lo) * Uniform(); }
  int Int(int lo, int hi) { return lo + static_cast<int>(Next() % static_cast<uint32_t>(hi - lo + 1)); }

 private:
  uint64_t m_state;
};

// Hash of integer lattice coordinates to [0, 1).
float Hash2(int x, int y, uint32_t seed);
float Hash3(int x, int y, int z, uint32_t seed);

// Smooth value noise in [0, 1); x wraps with period px and y with period py (0 = no wrap).
float ValueNoise(float x, float y, uint32_t seed, int px = 0, int py = 0);
// Sum of octaves of value noise, normalised to [0, 1); the periods double with each octave.
float Fbm(float x, float y, uint32_t seed, int octaves, int px = 0, int py = 0);
// Cellular (Worley) distance to the nearest feature point, wrapping with periods px, py
// (0 = none).
float Cellular(float x, float y, uint32_t seed, int px = 0, int py = 0);
// Distance between the nearest and the second-nearest feature point (0 on cell borders).
float CellularEdge(float x, float y, uint32_t seed, int px = 0, int py = 0);
// 1D value noise used for animation and music variation.
float Noise1(float x, uint32_t seed);

float Smoothstep(float e0, float e1, float x);
float Clamp01(float v);
float Mix(float a, float b, float t);

}  // namespace qm::gen
