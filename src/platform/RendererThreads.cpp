#include "platform/RendererThreads.h"

#include <sched.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <string>

namespace qm {

namespace {

// The cores the scheduler lets this process use: a CPU set handed down by the session (a
// container, taskset) counts, not the machine's total.
int UsableCores() {
  cpu_set_t set;
  CPU_ZERO(&set);
  if (sched_getaffinity(0, sizeof set, &set) == 0) return std::max(1, CPU_COUNT(&set));
  return static_cast<int>(std::max(1L, sysconf(_SC_NPROCESSORS_ONLN)));
}

}  // namespace

int SoftwareRendererThreads(int cores) { return std::max(1, cores) + 1; }

void ChooseSoftwareRendererThreads() {
  const std::string threads = std::to_string(SoftwareRendererThreads(UsableCores()));
  setenv("LP_NUM_THREADS", threads.c_str(), 0);  // 0: a value the user set stays
}

}  // namespace qm
