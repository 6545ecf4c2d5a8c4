// XFileWriter round trips: files read from the shared test data and files built in the test
// come back identical from text, binary and compressed forms with 32- and 64-bit floats;
// truncated and damaged forms fail cleanly.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "XFileTestHelpers.h"
#include "d3dx/XFileMszip.h"
#include "d3dx/XFileWriter.h"
#include "support/TestData.h"

namespace {

using xfiletest::Parsed;

const XFileEncoding kEncodings[] = {XFileEncoding::Text, XFileEncoding::Binary,
                                    XFileEncoding::CompressedText,
                                    XFileEncoding::CompressedBinary};

std::vector<const XFileData*> TopLevel(const Parsed& parsed) {
  std::vector<const XFileData*> objects;
  for (const auto& object : parsed.objects->Objects()) objects.push_back(object.get());
  return objects;
}

// Writes the file's objects with the templates it declared itself.
std::vector<BYTE> Write(const Parsed& parsed, XFileEncoding encoding, bool doubles) {
  XFileWriteOptions options;
  options.encoding = encoding;
  options.doubles = doubles;
  const XFileTemplateSet& declared = parsed.objects->FileTemplates();
  for (size_t i = 0; i < declared.Count(); ++i) options.templates.push_back(&declared.At(i));
  std::vector<BYTE> bytes;
  EXPECT_EQ(XFileWrite(TopLevel(parsed), options, &bytes), S_OK);
  return bytes;
}

TEST(XFileWriter, SharedFilesSurviveEveryEncoding) {
  QM_SKIP_WITHOUT_TESTDATA();
  for (const char* name : {"test_cube_text.x", "kwxport_test_cubewithvcolors.x", "anim_test.x"}) {
    Parsed original = xfiletest::ParseVector(xfiletest::ReadBytes(xfiletest::TestDataPath(name)));
    ASSERT_EQ(original.hr, S_OK);
    for (XFileEncoding encoding : kEncodings) {
      for (bool doubles : {false, true}) {
        SCOPED_TRACE(std::string(name) + " encoding " + std::to_string(int(encoding)) +
                     (doubles ? " 0064" : " 0032"));
        std::vector<BYTE> bytes = Write(original, encoding, doubles);
        Parsed copy = xfiletest::ParseVector(bytes);
        ASSERT_EQ(copy.hr, S_OK) << copy.file->LastError();
        xfiletest::ExpectSameFile(original, copy);
      }
    }
  }
}

TEST(XFileWriter, CompressedFilesSpanSeveralBlocks) {
  QM_SKIP_WITHOUT_TESTDATA();
  Parsed original =
      xfiletest::ParseVector(xfiletest::ReadBytes(xfiletest::TestDataPath("anim_test.x")));
  std::vector<BYTE> text = Write(original, XFileEncoding::Text, false);
  std::vector<BYTE> packed = Write(original, XFileEncoding::CompressedText, false);
  ASSERT_GT(text.size(), 4u * 32768u);  // several MSZIP blocks, each seeded by the last
  EXPECT_LT(packed.size(), text.size() / 3);
  // A damaged byte in a later block, and a cut-off file, fail without reading past the end.
  std::vector<BYTE> damaged = packed;
  damaged[packed.size() / 2] ^= 0x5A;
  EXPECT_TRUE(FAILED(xfiletest::ParseVector(damaged).hr));
  std::vector<BYTE> cut(packed.begin(), packed.begin() + static_cast<long>(packed.size() / 2));
  EXPECT_TRUE(FAILED(xfiletest::ParseVector(cut).hr));
}

TEST(XFileWriter, DeclaredTemplatesTravelWithTheFile) {
  Parsed source = xfiletest::ParseText(R"(xof 0303txt 0032
    template Spot { <0a0b0c0d-0001-0002-0003-040506070809>
      DWORD n; array Vector points[n]; STRING label; SWORD offset; [Material] }
    Spot s1 { 2; 1;2;3;, 4;5;6;; "first"; -7; Material { 1;0;0;1;; 2; 0;0;0;; 0;0;0;; } }
  )");
  ASSERT_EQ(source.hr, S_OK) << source.file->LastError();
  const XFileTemplate* spot = source.objects->FileTemplates().Find("Spot");
  ASSERT_NE(spot, nullptr);
  for (XFileEncoding encoding : kEncodings) {
    XFileWriteOptions options;
    options.encoding = encoding;
    options.templates = {spot};
    std::vector<BYTE> bytes;
    ASSERT_EQ(XFileWrite(TopLevel(source), options, &bytes), S_OK);
    Parsed copy = xfiletest::ParseVector(bytes);  // a fresh parser that never saw Spot
    ASSERT_EQ(copy.hr, S_OK) << copy.file->LastError();
    xfiletest::ExpectSameFile(source, copy);
    const XFileTemplate* copied = copy.objects->FileTemplates().Find("Spot");
    ASSERT_NE(copied, nullptr);
    EXPECT_TRUE(copied->guid == spot->guid);
    EXPECT_EQ(copied->restriction, XFileRestriction::Restricted);
  }
}

TEST(XFileWriter, EveryTruncationFailsCleanly) {
  QM_SKIP_WITHOUT_TESTDATA();
  Parsed cube =
      xfiletest::ParseVector(xfiletest::ReadBytes(xfiletest::TestDataPath("test_cube_binary.x")));
  for (XFileEncoding encoding : {XFileEncoding::Text, XFileEncoding::Binary}) {
    std::vector<BYTE> bytes = Write(cube, encoding, false);
    // A cut between two top-level objects leaves a shorter valid file; any other cut fails.
    for (size_t length = 0; length + 2 < bytes.size(); length += 3) {
      std::vector<BYTE> cut(bytes.begin(), bytes.begin() + static_cast<long>(length));
      Parsed parsed = xfiletest::ParseVector(cut);
      if (SUCCEEDED(parsed.hr)) {
        EXPECT_LT(parsed.Count(), cube.Count()) << "length " << length;
      }
    }
  }
}

// A compressed file is refused before unpacking when it would expand past the caps: both a
// header that declares a huge size and real data that deflates a thousand to one.
TEST(XFileWriter, CompressedFilesThatExpandTooFarAreRefused) {
  QM_SKIP_WITHOUT_TESTDATA();
  Parsed original =
      xfiletest::ParseVector(xfiletest::ReadBytes(xfiletest::TestDataPath("anim_test.x")));
  std::vector<BYTE> packed = Write(original, XFileEncoding::CompressedText, false);
  constexpr size_t kSizeOffset = 16;  // the DWORD after the header
  std::vector<BYTE> claims = packed;
  const DWORD huge = 0x40000000;
  std::memcpy(claims.data() + kSizeOffset, &huge, 4);
  Parsed refused = xfiletest::ParseVector(claims);
  EXPECT_EQ(refused.hr, DXFILEERR_BADFILECOMPRESSIONTYPE);
  EXPECT_NE(refused.file->LastError().find("expand"), std::string::npos)
      << refused.file->LastError();

  const std::string header = "xof 0303tzip0032";
  std::vector<BYTE> blank(kXFileMinExpansionAllowance + 1, ' ');
  std::vector<BYTE> body;
  ASSERT_TRUE(XFileMszipCompress(blank, &body));
  ASSERT_LT(body.size() * kXFileMaxExpansionRatio, blank.size());
  std::vector<BYTE> bomb(header.begin(), header.end());
  bomb.insert(bomb.end(), body.begin(), body.end());
  EXPECT_EQ(xfiletest::ParseVector(bomb).hr, DXFILEERR_BADFILECOMPRESSIONTYPE);
  // Just inside the allowance, the same kind of file is read.
  blank.resize(kXFileMinExpansionAllowance - 64);
  ASSERT_TRUE(XFileMszipCompress(blank, &body));
  std::vector<BYTE> fits(header.begin(), header.end());
  fits.insert(fits.end(), body.begin(), body.end());
  EXPECT_EQ(xfiletest::ParseVector(fits).hr, S_OK);
}

}  // namespace

