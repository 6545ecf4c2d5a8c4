// The music lock: one holder among the saver processes of a user, and a successor once the
// holder lets go. Two lock objects see each other as two processes do.
#include "platform/MusicLock.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <unistd.h>

namespace qm {
namespace {

TEST(MusicLockTest, OneHolderAtATimeAndTheNextTakesOver) {
  const auto folder =
      std::filesystem::temp_directory_path() / ("qm-music-lock-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  {
    MusicLock first(folder.string()), second(folder.string()), third(folder.string());
    ASSERT_TRUE(first.TryAcquire());
    EXPECT_TRUE(first.TryAcquire()) << "taking it again keeps it";
    EXPECT_FALSE(second.TryAcquire());
    EXPECT_FALSE(second.Held());

    first.Release();
    EXPECT_TRUE(second.TryAcquire());
    EXPECT_FALSE(third.TryAcquire());
    // It is not one of the window locks: a saver window does not silence the music.
    InstanceLock windows(folder.string());
    EXPECT_TRUE(windows.Acquire("VS D3D QUILLMOOR3D"));
    EXPECT_TRUE(second.Held());
  }
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace qm
