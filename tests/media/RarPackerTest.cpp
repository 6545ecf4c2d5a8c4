// The packer's archives in every mode, read back by our reader and by unar.
#include "RarPacker.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "Rar20Encoder.h"
#include "media/MediaTestSupport.h"

namespace qm::test {
namespace {

namespace fs = std::filesystem;

// The sample entries: text, noise, both PCM kinds, an empty file and a folder.
std::vector<PackEntry> SampleEntries() {
  return {{"Digits", {}, true},
          {"Digits\\digit_0.jpg", MeshText(60000, 1), false},
          {"noise.bin", Noise(30000, 2), false},
          {"Sounds\\stereo8.wav", PcmWav(8, 40000, 3), false},
          {"Sounds\\stereo16.wav", PcmWav(16, 30000, 4), false},
          {"empty.txt", {}, false},
          {"forest.X", MeshText(90000, 5), false}};
}

// Extracts the archive with unar into a fresh folder and compares every file entry.
void ExpectUnarAgrees(const Bytes& archive, const std::vector<PackEntry>& entries,
                      const std::string& password, const std::string& tag) {
  const fs::path dir = FreshTempDir(tag);
  WriteFile(dir / "a.rar", archive);
  const std::string pw = password.empty() ? "" : " -p '" + password + "'";
  const std::string cmd = "cd '" + dir.string() + "' && unar -q -o out -D" + pw +
                          " a.rar >/dev/null 2>&1 && lsar -t" + pw + " a.rar >/dev/null 2>&1";
  ASSERT_EQ(std::system(cmd.c_str()), 0) << tag;
  for (const PackEntry& e : entries) {
    std::string path = e.name;
    std::replace(path.begin(), path.end(), '\\', '/');
    const fs::path file = dir / "out" / path;
    if (e.directory) {
      EXPECT_TRUE(fs::is_directory(file)) << tag << " " << path;
    } else {
      EXPECT_EQ(ReadFile(file), e.data) << tag << " " << path;
    }
  }
  fs::remove_all(dir);
}

struct ModeCase {
  const char* tag;
  PackMethod method;
  bool solid;
  const char* password;
};

class RarPackerModes : public ::testing::TestWithParam<ModeCase> {};

TEST_P(RarPackerModes, OurReaderAndUnarGetEveryEntryBack) {
  const ModeCase& mode = GetParam();
  const auto entries = SampleEntries();
  PackOptions options;
  options.method = mode.method;
  options.solid = mode.solid;
  options.password = mode.password;
  Bytes archive;
  std::string error;
  ASSERT_TRUE(PackArchive(entries, options, archive, error)) << error;
  for (const PackEntry& e : entries)
    EXPECT_EQ(Extract(archive, e.name, mode.password), e.data) << e.name;
  if (!HaveCommand("unar")) GTEST_SKIP() << "unar is not installed";
  ExpectUnarAgrees(archive, entries, mode.password, mode.tag);
}

INSTANTIATE_TEST_SUITE_P(
    AllModes, RarPackerModes,
    ::testing::Values(ModeCase{"stored", PackMethod::kStore, false, ""},
                      ModeCase{"compressed", PackMethod::kCompress, false, ""},
                      ModeCase{"multimedia", PackMethod::kMultimedia, false, ""},
                      ModeCase{"stored_encrypted", PackMethod::kStore, false, "QM V7R WB"},
                      ModeCase{"compressed_encrypted", PackMethod::kCompress, false, "QF"},
                      ModeCase{"solid", PackMethod::kCompress, true, ""},
                      ModeCase{"solid_encrypted", PackMethod::kCompress, true, "secret"},
                      ModeCase{"solid_multimedia_encrypted", PackMethod::kMultimedia, true, "x"}),
    [](const auto& param) { return std::string(param.param.tag); });

TEST(RarPacker, FiveMegabyteEntryRoundTrips) {
  Bytes big = MeshText(3 << 20, 8);
  const Bytes noise = Noise(2 << 20, 9);
  big.insert(big.end(), noise.begin(), noise.end());   // statistics change half way
  const std::vector<PackEntry> entries = {{"forest.X", big, false}};
  PackOptions options;
  options.password = "QF";
  Bytes archive;
  std::string error;
  ASSERT_TRUE(PackArchive(entries, options, archive, error)) << error;
  EXPECT_LT(archive.size(), big.size() * 3 / 4);
  EXPECT_EQ(Extract(archive, "forest.X", "QF"), big);
  if (!HaveCommand("unar")) GTEST_SKIP() << "unar is not installed";
  ExpectUnarAgrees(archive, entries, "QF", "big");
}

TEST(RarPacker, EveryChannelCountOfTheMultimediaModeRoundTrips) {
  const Bytes wav = PcmWav(16, 20000, 12);
  for (int channels = 1; channels <= 4; ++channels) {
    PackOptions options;
    options.method = PackMethod::kMultimedia;
    options.audioChannels = channels;
    const std::vector<PackEntry> entries = {{"music.wav", wav, false}};
    Bytes archive;
    std::string error;
    ASSERT_TRUE(PackArchive(entries, options, archive, error));
    EXPECT_EQ(Extract(archive, "music.wav"), wav) << channels;
    if (HaveCommand("unar"))
      ExpectUnarAgrees(archive, entries, "", "channels" + std::to_string(channels));
  }
}

TEST(RarPacker, CompressionActuallyCompresses) {
  const Bytes text = MeshText(200000, 21), wav = PcmWav(16, 60000, 22);
  auto packedSize = [](const Bytes& data, PackMethod method, int level) {
    PackOptions options;
    options.method = method;
    options.level = level;
    Bytes archive;
    std::string error;
    PackArchive({{"f", data, false}}, options, archive, error);
    return archive.size();
  };
  EXPECT_LT(packedSize(text, PackMethod::kCompress, 1), text.size() / 2);
  EXPECT_LE(packedSize(text, PackMethod::kCompress, 5), packedSize(text, PackMethod::kCompress, 1));
  // Predicting samples beats matching strings on sound.
  EXPECT_LT(packedSize(wav, PackMethod::kMultimedia, 3), packedSize(wav, PackMethod::kCompress, 3));
}

TEST(RarPacker, AudioLayoutComesFromTheWavHeader) {
  const AudioLayout stereo8 = ChooseAudioLayout(PcmWav(8, 100, 1).data(), 244);
  EXPECT_EQ(stereo8.channels, 2);
  EXPECT_EQ(stereo8.lzPrefix, 44u);
  const Bytes wav16 = PcmWav(16, 100, 1);
  EXPECT_EQ(ChooseAudioLayout(wav16.data(), wav16.size()).channels, 4);
}

TEST(RarPacker, RefusesNamesTheFormatCannotHold) {
  Bytes archive;
  std::string error;
  EXPECT_FALSE(PackArchive({{std::string(300, 'a'), {1}, false}}, {}, archive, error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(PackArchive({{"", {1}, false}}, {}, archive, error));
}

}  // namespace
}  // namespace qm::test
