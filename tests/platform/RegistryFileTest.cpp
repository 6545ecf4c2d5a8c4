// The settings file is read only when it is a regular file: anything else in its place
// (a FIFO nobody writes to, a folder) must neither stall the start nor count as settings.
#include "platform/RegistryFile.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

namespace qm {
namespace {

// Loads the file in a child process; its exit code (0 loaded, 1 refused), or -1 when it
// was still blocked after a few seconds.
int LoadInChild(const std::filesystem::path& path) {
  const pid_t child = fork();
  if (child == 0) {
    RegistryFile registry(path);
    _exit(registry.Load() ? 0 : 1);
  }
  for (int i = 0; i < 250; ++i) {
    int status = 0;
    if (waitpid(child, &status, WNOHANG) == child) return WIFEXITED(status) ? WEXITSTATUS(status) : -2;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  return -1;
}

TEST(RegistryFileKinds, OnlyRegularFilesAreRead) {
  char pattern[] = "/tmp/qm-registry-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const std::filesystem::path dir = pattern;

  const std::filesystem::path fifo = dir / "fifo.reg";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(LoadInChild(fifo), 1) << "a FIFO is refused at once, not waited on";

  const std::filesystem::path folder = dir / "folder.reg";
  std::filesystem::create_directory(folder);
  EXPECT_EQ(LoadInChild(folder), 1);

  EXPECT_EQ(LoadInChild(dir / "missing.reg"), 0) << "a missing file is an empty registry";

  const std::filesystem::path link = dir / "link.reg";
  const std::filesystem::path real = dir / "real.reg";
  RegistryFile written(real);
  written.SetDword("Software\\Test", "Value", 7);
  ASSERT_TRUE(written.Save());
  std::filesystem::create_symlink(real, link);
  RegistryFile linked(link);
  ASSERT_TRUE(linked.Load()) << "a link to a regular file is still read";
  EXPECT_EQ(linked.QueryDword("Software\\Test", "Value"), 7u);

  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace qm
