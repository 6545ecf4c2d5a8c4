// The archive reader against archives made by other software, and against damaged input.
#include "media/MediaArchive.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>

#include "RarPacker.h"
#include "media/Crc32.h"
#include "media/MediaTestSupport.h"
#include "support/TestData.h"

namespace qm::test {
namespace {

namespace fs = std::filesystem;

const fs::path kRarDir = fs::path(QM_TESTDATA_DIR) / "rar";

std::uint16_t Le16(const Bytes& b, std::size_t at) { return std::uint16_t(b[at] | b[at + 1] << 8); }
std::uint32_t Le32(const Bytes& b, std::size_t at) {
  return std::uint32_t(b[at]) | std::uint32_t(b[at + 1]) << 8 | std::uint32_t(b[at + 2]) << 16 |
         std::uint32_t(b[at + 3]) << 24;
}

// What the tests need of one file header, read independently of the reader.
struct HeaderFacts {
  std::string name;
  std::uint16_t flags;
  std::uint32_t crc;
  std::size_t offset;   // of the block in the archive
};

std::vector<HeaderFacts> FileHeaders(const Bytes& a) {
  std::vector<HeaderFacts> out;
  std::size_t pos = 7 + Le16(a, 12);
  while (pos + 7 <= a.size()) {
    const std::uint16_t flags = Le16(a, pos + 3), size = Le16(a, pos + 5);
    const std::uint32_t add = (flags & 0x8000) ? Le32(a, pos + 7) : 0;
    if (a[pos + 2] == 0x74) {
      std::string name(reinterpret_cast<const char*>(&a[pos + 32]), Le16(a, pos + 26));
      out.push_back({name.c_str(), flags, Le32(a, pos + 16), pos});
    }
    pos += size + add;
  }
  return out;
}

Bytes PackOrDie(const std::vector<PackEntry>& entries, const PackOptions& options) {
  Bytes archive;
  std::string error;
  EXPECT_TRUE(PackArchive(entries, options, archive, error)) << error;
  return archive;
}

// ---- Real archives --------------------------------------------------------------------

TEST(MediaArchiveTestdata, EveryEntryExtractsToTheRecordedBytes) {
  QM_SKIP_WITHOUT_TESTDATA();
  int checked = 0;
  for (const auto& file : fs::directory_iterator(kRarDir)) {
    const std::string archiveName = file.path().filename().string();
    if (file.is_directory() || archiveName.find(".r0") != std::string::npos ||
        archiveName == "Rar2.multi.rar")
      continue;
    const Bytes archive = ReadFile(file.path());
    const char* password = archiveName.find("psw") != std::string::npos ||
                                   archiveName.find("password") != std::string::npos
                               ? "password" : nullptr;
    for (const HeaderFacts& h : FileHeaders(archive)) {
      SCOPED_TRACE(archiveName + ": " + h.name);
      const auto data = Extract(archive, h.name, password);
      ASSERT_TRUE(data.has_value());
      if ((h.flags & 0xE0) == 0xE0) {
        EXPECT_TRUE(data->empty());
        continue;
      }
      EXPECT_EQ(Crc32(data->data(), data->size()), h.crc);
      std::string path = h.name;
      std::replace(path.begin(), path.end(), '\\', '/');
      const fs::path expected = kRarDir / (archiveName + ".expected") / path;
      if (fs::exists(expected)) {
        EXPECT_EQ(*data, ReadFile(expected));
      }
      ++checked;
    }
  }
  EXPECT_GE(checked, 110);   // 87 from the large archive alone
}

TEST(MediaArchiveTestdata, MultimediaAndPlainEncodingsOfOneFileAgree) {
  QM_SKIP_WITHOUT_TESTDATA();
  const Bytes audio = ReadFile(kRarDir / "BoatModernEnglish-audio-text-unpack20.rar");
  const Bytes plain = ReadFile(kRarDir / "BoatModernEnglish-regular-unpack20.rar");
  const auto a = Extract(audio, "BoatModernEnglish.wav");
  ASSERT_TRUE(a.has_value());
  EXPECT_EQ(a, Extract(plain, "BoatModernEnglish.wav"));
  EXPECT_EQ(Extract(ReadFile(kRarDir / "zxtune-mm.rar"), "1.M"),
            ReadFile(kRarDir / "zxtune-mm.rar.expected" / "1.M"));
}

TEST(MediaArchiveTestdata, SecondEntryOfSolidArchiveNeedsTheFirst) {
  QM_SKIP_WITHOUT_TESTDATA();
  const Bytes solid = ReadFile(kRarDir / "test_v2solid5.rar");
  const auto second = Extract(solid, "p5_solid.bin");
  ASSERT_TRUE(second.has_value());
  EXPECT_EQ(second, Extract(solid, "p5.bin"));
  Bytes broken = solid;
  const auto headers = FileHeaders(broken);
  broken[headers[0].offset + Le16(broken, headers[0].offset + 5) + 100] ^= 0x5A;
  EXPECT_FALSE(Extract(broken, "p5_solid.bin").has_value());
}

TEST(MediaArchiveTestdata, WrongOrMissingPasswordFailsThroughTheCrc) {
  QM_SKIP_WITHOUT_TESTDATA();
  for (const char* name : {"rar20-password-stored.rar", "rar20-password-compressed.rar"}) {
    const Bytes archive = ReadFile(kRarDir / name);
    EXPECT_TRUE(Extract(archive, "SECRET.TXT", "password").has_value()) << name;
    EXPECT_FALSE(Extract(archive, "SECRET.TXT", "passwore").has_value()) << name;
    EXPECT_FALSE(Extract(archive, "SECRET.TXT", nullptr).has_value()) << name;
  }
}

TEST(MediaArchiveTestdata, VolumePiecesFailCleanlyAndNamesStopAtTheUnicodeForm) {
  QM_SKIP_WITHOUT_TESTDATA();
  const Bytes first = ReadFile(kRarDir / "Rar2.multi.rar");
  EXPECT_TRUE(Extract(first, "exe").has_value());
  EXPECT_FALSE(Extract(first, "exe\\test.exe").has_value());   // continues in the next volume
  const Bytes rar2 = ReadFile(kRarDir / "sharpcompress-Rar2.rar");
  EXPECT_TRUE(Extract(rar2, "????.txt").has_value());
  EXPECT_TRUE(Extract(rar2, "JPG/TEST.JPG").has_value());
}

// ---- Names, folders, passwords, solid -------------------------------------------------

TEST(MediaArchiveNames, LogoIsFoundUnderEverySpelling) {
  const Bytes logo = MeshText(3000, 7);
  const Bytes archive = PackOrDie({{"Texture", {}, true}, {"Texture\\VS Logo.bmp", logo, false}},
                                  {PackMethod::kStore});
  for (const char* name : {"Texture\\VS Logo.bmp", "Texture/VS Logo.bmp", "texture\\vs logo.BMP",
                           "TEXTURE_VS LOGO.BMP", "Texture/vs Logo.bmp"})
    EXPECT_EQ(Extract(archive, name), logo) << name;
  EXPECT_FALSE(Extract(archive, "VS Logo.bmp").has_value());
  EXPECT_FALSE(Extract(archive, "Texture\\VS Logo.bm").has_value());
}

TEST(MediaArchiveNames, DirectoryEntryGivesAnEmptyResult) {
  const Bytes archive = PackOrDie({{"Digits", {}, true}, {"Digits\\digit_0.jpg", {1, 2, 3}, false}},
                                  {});
  MediaArchive a{archive.data(), std::uint32_t(archive.size()), 0};
  std::uint8_t* buffer = nullptr;
  std::uint32_t count = 99;
  ASSERT_TRUE(ExtractEntry("digits", &a, nullptr, &buffer, &count));
  EXPECT_NE(buffer, nullptr);
  EXPECT_EQ(count, 0u);
  std::free(buffer);
}

TEST(MediaArchiveSolid, LastEntryComesOutAfterEveryEarlierOne) {
  std::vector<PackEntry> entries;
  for (int i = 0; i < 6; ++i)
    entries.push_back({"part" + std::to_string(i) + ".x", MeshText(20000 + 3000 * i, 11), false});
  PackOptions options;
  options.solid = true;
  options.password = kMediaPassword;
  const Bytes archive = PackOrDie(entries, options);
  EXPECT_EQ(Extract(archive, "part5.x", kMediaPassword), entries[5].data);
  // The last entry is tiny because it repeats the first: without the first it cannot decode.
  Bytes broken = archive;
  const auto headers = FileHeaders(broken);
  broken[headers[0].offset + Le16(broken, headers[0].offset + 5) + 40] ^= 0x01;
  EXPECT_FALSE(Extract(broken, "part5.x", kMediaPassword).has_value());
  EXPECT_EQ(Extract(broken, "part0.x", kMediaPassword), std::nullopt);
}

TEST(MediaArchivePasswords, BuiltInPasswordsHaveTheirForms) {
  const std::string digits = kDigitsPassword, media = kMediaPassword;
  ASSERT_EQ(digits.size(), 9u);
  const char* form = "AA ADA AA";
  for (std::size_t i = 0; i < 9; ++i) {
    const char c = digits[i];
    const bool fits = form[i] == 'A' ? (c >= 'A' && c <= 'Z')
                      : form[i] == 'D' ? (c >= '0' && c <= '9') : c == ' ';
    EXPECT_TRUE(fits) << i;
  }
  ASSERT_EQ(media.size(), 2u);
  EXPECT_TRUE(std::isupper(media[0]) && std::isupper(media[1]));
}

// ---- Damaged and foreign input --------------------------------------------------------

Bytes SmallArchive() {
  PackOptions options;
  options.password = "pw";
  return PackOrDie({{"a.txt", MeshText(5000, 3), false}, {"b.bin", Noise(700, 4), false}},
                   options);
}

TEST(MediaArchiveDamage, EveryTruncationFailsWithoutReadingPastTheEnd) {
  const Bytes archive = SmallArchive();
  for (std::size_t n = 0; n < archive.size(); ++n) {
    const Bytes cut(archive.begin(), archive.begin() + std::ptrdiff_t(n));
    EXPECT_FALSE(Extract(cut, "b.bin", "pw").has_value()) << n;
  }
  EXPECT_TRUE(Extract(archive, "b.bin", "pw").has_value());
}

TEST(MediaArchiveDamage, BadHeaderFieldsFail) {
  const Bytes archive = SmallArchive();
  const std::size_t file = FileHeaders(archive)[0].offset;
  auto patched = [&](std::size_t at, std::initializer_list<std::uint8_t> bytes) {
    Bytes b = archive;
    std::copy(bytes.begin(), bytes.end(), b.begin() + std::ptrdiff_t(at));
    return Extract(b, "a.txt", "pw");
  };
  EXPECT_FALSE(patched(file + 5, {6, 0}).has_value());                  // header size below 7
  EXPECT_FALSE(patched(file + 26, {0xFF, 0xFF}).has_value());           // name past the end
  EXPECT_FALSE(patched(file + 7, {0xFF, 0xFF, 0xFF, 0x7F}).has_value()); // data past the end
  EXPECT_FALSE(patched(file + 11, {0xF0, 0xFF, 0xFF, 0xFF}).has_value()); // absurd size
  EXPECT_FALSE(patched(file + 11, {0x00, 0x00, 0x10, 0x00}).has_value()); // more than data gives
  EXPECT_FALSE(patched(file + 24, {29}).has_value());                   // later unpack version
  EXPECT_FALSE(patched(file + 24, {12}).has_value());                   // earlier unpack version
  EXPECT_FALSE(patched(0, {'R', 'E', '~', '^'}).has_value());           // the older marker
  EXPECT_TRUE(patched(0, {0x55, 0x6E, 0x69, 0x71, 0x75, 0x45, 0x21}).has_value());
  EXPECT_FALSE(Extract(Bytes{}, "a.txt").has_value());
  MediaArchive missing;
  std::uint8_t* buffer = nullptr;
  std::uint32_t count = 0;
  EXPECT_FALSE(ExtractEntry("a.txt", &missing, nullptr, &buffer, &count));
}

// RAR 1.3 and 1.5 compressed data has another format: such entries are refused as an
// unsupported method, not handed to the 2.0 decoder and reported as damage. Stored data of
// those versions is plain and still read.
TEST(MediaArchiveDamage, OlderCompressedEntriesAreAnUnsupportedMethod) {
  const Bytes text = MeshText(3000, 9);
  for (const PackMethod method : {PackMethod::kCompress, PackMethod::kStore}) {
    PackOptions options;
    options.method = method;
    Bytes archive = PackOrDie({{"old.txt", text, false}}, options);
    archive[FileHeaders(archive)[0].offset + 24] = 15;
    std::uint8_t* buffer = nullptr;
    std::uint32_t count = 0;
    ExtractFailure failure = ExtractFailure::None;
    MediaArchive view{archive.data(), std::uint32_t(archive.size()), 0};
    const bool extracted = ExtractEntry("old.txt", &view, nullptr, &buffer, &count, &failure);
    if (method == PackMethod::kStore) {
      EXPECT_TRUE(extracted);
      EXPECT_EQ(failure, ExtractFailure::None);
      EXPECT_EQ(Bytes(buffer, buffer + count), text);
    } else {
      EXPECT_FALSE(extracted);
      EXPECT_EQ(failure, ExtractFailure::UnsupportedMethod);
    }
    std::free(buffer);
    EXPECT_FALSE(ExtractEntry("other.txt", &view, nullptr, &buffer, &count, &failure));
    EXPECT_EQ(failure, ExtractFailure::NotFound);
  }
}

TEST(MediaArchiveDamage, FlippedBitsNeverGiveWrongBytes) {
  PackOptions plain;
  const Bytes archive = PackOrDie({{"a.txt", MeshText(40000, 5), false}}, plain);
  const std::size_t data = FileHeaders(archive)[0].offset + 32 + 5;
  const Bytes original = *Extract(archive, "a.txt");
  SampleRandom r(99);
  for (int i = 0; i < 300; ++i) {
    Bytes b = archive;
    b[data + r.Next() % (b.size() - data)] ^= std::uint8_t(1u << (r.Next() % 8));
    const auto out = Extract(b, "a.txt");
    if (out.has_value()) {
      EXPECT_EQ(*out, original);
    }
  }
}

TEST(MediaArchiveDamage, SubBlocksBeforeAnEntryAreSkipped) {
  Bytes archive = SmallArchive();
  const std::size_t at = FileHeaders(archive)[1].offset;
  // A Unix-owner style sub-block with 4 bytes of data, as other archivers write them.
  const Bytes sub = {0, 0, 0x77, 0x00, 0x80, 11, 0, 4, 0, 0, 0, 'r', 'o', 'o', 't'};
  archive.insert(archive.begin() + std::ptrdiff_t(at), sub.begin(), sub.end());
  EXPECT_TRUE(Extract(archive, "b.bin", "pw").has_value());
}

}  // namespace
}  // namespace qm::test
