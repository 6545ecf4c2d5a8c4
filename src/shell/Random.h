// Random: the one process-wide random generator of the scene and the creatures.
//
// A linear congruential generator (state * 214013 + 2531011, 32-bit wrap-around) whose
// result is bits 16 to 30 of the new state, 0 to 32767. Seeded with the time in seconds at
// start-up; snapshots and tests seed it themselves for repeatable runs.
#pragma once

#include <cstdint>

namespace qm {

void SeedRandom(std::uint32_t seed);
// The next raw result, 0 to 32767.
std::int32_t RandomNext();
// a + result mod (b - a + 1): inclusive of both ends.
std::int32_t RandomInt(std::int32_t a, std::int32_t b);

}  // namespace qm
