// ProcessMemory: how much memory this process holds, as the kernel counts it.
#pragma once

#include <cstdint>

namespace qm {

struct ProcessMemory {
  std::int64_t residentKb = 0;  // resident now (VmRSS)
  std::int64_t peakKb = 0;      // the most ever resident (VmHWM)
};

// Reads /proc/self/status; false (and zeros) where it cannot be read.
bool ReadProcessMemory(ProcessMemory* memory);

}  // namespace qm
