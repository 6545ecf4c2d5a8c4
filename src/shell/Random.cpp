#include "shell/Random.h"

namespace qm {

namespace {
std::uint32_t g_state = 1;
}  // namespace

void SeedRandom(std::uint32_t seed) { g_state = seed; }

std::int32_t RandomNext() {
  g_state = g_state * 214013u + 2531011u;
  return std::int32_t((g_state >> 16) & 0x7FFF);
}

std::int32_t RandomInt(std::int32_t a, std::int32_t b) {
  const std::int32_t span = b - a + 1;
  if (span <= 0) return a;  // an empty or reversed range has only its start
  return a + RandomNext() % span;
}

}  // namespace qm
