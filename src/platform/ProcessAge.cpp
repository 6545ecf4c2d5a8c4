#include "platform/ProcessAge.h"

#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

namespace qm {

double ProcessAgeSeconds() {
  // Field 22 of /proc/self/stat is the start time in clock ticks after boot; the command
  // name before it may hold spaces and parentheses, so fields are counted after its last ')'.
  std::FILE* stat = std::fopen("/proc/self/stat", "r");
  if (!stat) return -1;
  char line[1024] = {};
  const bool read = std::fgets(line, sizeof line, stat) != nullptr;
  std::fclose(stat);
  const char* rest = read ? std::strrchr(line, ')') : nullptr;
  if (!rest) return -1;
  unsigned long long startTicks = 0;
  // After the name: state (field 3) ... starttime (field 22), i.e. the 20th field from here.
  if (std::sscanf(rest + 1,
                  " %*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %*u %*u %*d %*d %*d %*d %*d %*d %llu",
                  &startTicks) != 1)
    return -1;
  const long ticksPerSecond = sysconf(_SC_CLK_TCK);
  timespec now{};
  if (ticksPerSecond <= 0 || clock_gettime(CLOCK_BOOTTIME, &now) != 0) return -1;
  const double uptime = double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
  return uptime - double(startTicks) / double(ticksPerSecond);
}

}  // namespace qm
