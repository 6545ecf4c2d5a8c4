// The music as the player sees it: Ogg Vorbis that decodes to 44100 Hz stereo of 60 to 180
// seconds, quiet, and whose last sample flows into the first when it loops.
#include "Music.h"

#include <gtest/gtest.h>
#include <vorbis/vorbisfile.h>

#include <cmath>
#include <cstring>


namespace qm::test {
namespace {

struct Memory {
  const std::vector<uint8_t>* bytes;
  size_t pos = 0;
};

size_t ReadMemory(void* dst, size_t size, size_t count, void* src) {
  auto* m = static_cast<Memory*>(src);
  size_t n = std::min(size * count, m->bytes->size() - m->pos);
  std::memcpy(dst, m->bytes->data() + m->pos, n);
  m->pos += n;
  return size ? n / size : 0;
}

TEST(MediagenMusicTest, DecodesToARepeatableLoopOfQuietStereo) {
  std::vector<uint8_t> ogg = gen::ComposeMusicOgg();
  EXPECT_TRUE(ogg == gen::ComposeMusicOgg()) << "two encodings differ";
  Memory mem{&ogg};
  OggVorbis_File vf;
  ov_callbacks cb{ReadMemory, nullptr, nullptr, nullptr};
  ASSERT_EQ(ov_open_callbacks(&mem, &vf, nullptr, 0, cb), 0);
  vorbis_info* info = ov_info(&vf, -1);
  EXPECT_EQ(info->rate, 44100);
  ASSERT_EQ(info->channels, 2);
  std::vector<float> left, right;
  for (;;) {
    float** pcm = nullptr;
    int section = 0;
    long n = ov_read_float(&vf, &pcm, 4096, &section);
    if (n <= 0) break;
    left.insert(left.end(), pcm[0], pcm[0] + n);
    right.insert(right.end(), pcm[1], pcm[1] + n);
  }
  ov_clear(&vf);
  double seconds = static_cast<double>(left.size()) / 44100;
  EXPECT_GE(seconds, 60);
  EXPECT_LE(seconds, 180);
  ASSERT_GT(left.size(), 44100u);
  for (const std::vector<float>* ch : {&left, &right}) {
    const std::vector<float>& s = *ch;
    float peak = 0;
    double step = 0;
    for (size_t i = 0; i < s.size(); ++i) {
      peak = std::max(peak, std::fabs(s[i]));
      if (i) step = std::max(step, static_cast<double>(std::fabs(s[i] - s[i - 1])));
    }
    EXPECT_LT(peak, 0.6f) << "quiet";
    EXPECT_GT(peak, 0.05f) << "but audible";
    // The seam must not jump further than the music itself ever steps.
    EXPECT_LE(std::fabs(s.back() - s.front()), step);
    EXPECT_LT(std::fabs(s.back() - s.front()), 0.05f);
  }
}

TEST(MediagenMusicTest, RenderedLoopJoinsSmoothly) {
  std::vector<float> pcm = gen::RenderMusic();
  ASSERT_EQ(pcm.size(), static_cast<size_t>(gen::kMusicSeconds) * gen::kMusicRate * 2);
  for (int ch = 0; ch < 2; ++ch) {
    double typical = 0;
    size_t frames = pcm.size() / 2;
    for (size_t i = 1; i < frames; ++i) typical += std::fabs(pcm[2 * i + ch] - pcm[2 * (i - 1) + ch]);
    typical /= static_cast<double>(frames - 1);
    EXPECT_LT(std::fabs(pcm[ch] - pcm[2 * (frames - 1) + ch]), 4 * typical) << "channel " << ch;
  }
}

}  // namespace
}  // namespace qm::test
