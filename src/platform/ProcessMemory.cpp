#include "platform/ProcessMemory.h"

#include <cstdio>
#include <cstring>

namespace qm {

bool ReadProcessMemory(ProcessMemory* memory) {
  if (!memory) return false;
  *memory = ProcessMemory{};
  std::FILE* status = std::fopen("/proc/self/status", "r");
  if (!status) return false;
  char line[256];
  int found = 0;
  while (std::fgets(line, sizeof line, status)) {
    long long kb = 0;
    if (std::sscanf(line, "VmRSS: %lld kB", &kb) == 1) {
      memory->residentKb = kb;
      ++found;
    } else if (std::sscanf(line, "VmHWM: %lld kB", &kb) == 1) {
      memory->peakKb = kb;
      ++found;
    }
  }
  std::fclose(status);
  return found == 2;
}

}  // namespace qm
