#include "shell/RunLog.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "shell/MessageBox.h"

namespace qm {
namespace {

class RunLogTest : public ::testing::Test {
 protected:
  std::filesystem::path dir = std::filesystem::temp_directory_path() /
                              ("qm-log-" + std::to_string(::getpid()));
  std::string file = (dir / "Saver_Log.txt").string();
  int boxes = 0;
  void SetUp() override {
    std::filesystem::create_directories(dir);
    SetMessageBoxSink([this](HWND, std::string_view, std::string_view, UINT) { ++boxes; });
  }
  void TearDown() override {
    SetMessageBoxSink(nullptr);
    std::filesystem::permissions(dir, std::filesystem::perms::owner_all);
    std::filesystem::remove_all(dir);
  }
  std::string Read() {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
};

TEST_F(RunLogTest, SwitchedOffCreatesNothing) {
  RunLog log;
  log.m_bEnabled = false;
  log.Open(file.c_str());
  log.Write("Create Saver Window complete");
  log.Close();
  EXPECT_FALSE(std::filesystem::exists(file));
  EXPECT_EQ(boxes, 0);
}

TEST_F(RunLogTest, SwitchedOnWritesHeaderLinesAndFooter) {
  RunLog log;
  log.Write("before open");
  log.Open(file.c_str());
  log.Write("Create Saver Window complete");
  EXPECT_EQ(Read(), "Log started\r\n\r\nCreate Saver Window complete\r\n");  // flushed at once
  log.Close();
  log.Write("after close");
  EXPECT_EQ(Read(), "Log started\r\n\r\nCreate Saver Window complete\r\n\r\nLog finished\r\n");

  RunLog second;  // a second run replaces the file
  second.Open(file.c_str());
  second.Close();
  EXPECT_EQ(Read(), "Log started\r\n\r\n\r\nLog finished\r\n");
}

TEST_F(RunLogTest, UncreatableFileShowsOneWarningAndStaysClosed) {
  // A folder standing where the file should be: no one, root included, can open it for writing.
  std::filesystem::create_directory(file);
  RunLog log;
  log.Open(file.c_str());
  log.Write("line");
  EXPECT_EQ(boxes, 1);
  EXPECT_FALSE(log.IsOpen());
}

TEST_F(RunLogTest, MissingFolderShowsOneWarning) {
  RunLog log;
  log.Open((dir / "no" / "such" / "Saver_Log.txt").c_str());
  EXPECT_EQ(boxes, 1);
  EXPECT_FALSE(log.IsOpen());
}

}  // namespace
}  // namespace qm
