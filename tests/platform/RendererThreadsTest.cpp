#include "platform/RendererThreads.h"

#include <gtest/gtest.h>
#include <sched.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace {

// Keeps the environment variable and the CPU set as the test found them.
class RendererThreadsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* value = std::getenv("LP_NUM_THREADS")) m_kept = value;
    ASSERT_EQ(sched_getaffinity(0, sizeof m_cpus, &m_cpus), 0);
    unsetenv("LP_NUM_THREADS");
  }
  void TearDown() override {
    sched_setaffinity(0, sizeof m_cpus, &m_cpus);
    if (m_kept) {
      setenv("LP_NUM_THREADS", m_kept->c_str(), 1);
    } else {
      unsetenv("LP_NUM_THREADS");
    }
  }
  static std::string Threads() {
    const char* value = std::getenv("LP_NUM_THREADS");
    return value ? value : "(unset)";
  }

  std::optional<std::string> m_kept;
  cpu_set_t m_cpus{};
};

TEST_F(RendererThreadsTest, OneThreadMoreThanTheCoresTheProcessMayUse) {
  EXPECT_EQ(qm::SoftwareRendererThreads(1), 2);
  EXPECT_EQ(qm::SoftwareRendererThreads(8), 9);
  EXPECT_EQ(qm::SoftwareRendererThreads(0), 2);  // an unknown count is taken as one core

  // Held to one core, the process counts one, whatever the machine has.
  cpu_set_t one;
  CPU_ZERO(&one);
  for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
    if (CPU_ISSET(cpu, &m_cpus)) {
      CPU_SET(cpu, &one);
      break;
    }
  }
  ASSERT_EQ(sched_setaffinity(0, sizeof one, &one), 0);
  qm::ChooseSoftwareRendererThreads();
  EXPECT_EQ(Threads(), "2");
}

TEST_F(RendererThreadsTest, ACountTheUserSetStays) {
  setenv("LP_NUM_THREADS", "1", 1);
  qm::ChooseSoftwareRendererThreads();
  EXPECT_EQ(Threads(), "1");
}

}  // namespace
