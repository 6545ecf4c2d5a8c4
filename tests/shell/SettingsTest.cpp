#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/RegistryFile.h"
#include "shell/DefaultSettings.h"
#include "shell/MessageBox.h"
#include "shell/SaverSettings.h"

namespace qm {
namespace {

std::span<const std::uint8_t> Bytes(std::string_view s) {
  return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

// Collects message boxes instead of showing them.
struct MessageBoxRecorder {
  std::vector<std::pair<std::string, std::string>> boxes;  // text, caption
  MessageBoxRecorder() {
    SetMessageBoxSink([this](HWND, std::string_view text, std::string_view caption, UINT) {
      boxes.emplace_back(text, caption);
    });
  }
  ~MessageBoxRecorder() { SetMessageBoxSink(nullptr); }
};

TEST(DefaultSettingsText, ShippedTextGivesTheShippedDefaults) {
  MessageBoxRecorder boxes;
  const SaverSettings& d = BaseDefaults();
  EXPECT_EQ(d.m_bShowFPS, 0);
  EXPECT_EQ(d.m_bShowTime, 1);
  EXPECT_EQ(d.m_bDigClock24H, 0);
  EXPECT_EQ(d.m_bMusic, 1);
  EXPECT_EQ(d.m_iMusicVolume, 70);
  EXPECT_EQ(d.m_iWidth, 800);
  EXPECT_EQ(d.m_iHeight, 600);
  EXPECT_EQ(d.m_iBitCount, 32);
  EXPECT_EQ(d.m_iFSAA, 0);
  EXPECT_EQ(d.m_bUseDesktopSettings, 1);
  EXPECT_EQ(d.m_byGamma, 100);
  EXPECT_EQ(d.m_bExitOnMouseMove, 0);
  const SceneDefaults& s = SceneDefaultRecord();
  EXPECT_EQ(s.m_bBL, 1);
  EXPECT_EQ(s.m_bCLTarn, 0);
  EXPECT_EQ(s.m_iBackground, 3);
  EXPECT_EQ(s.m_bRondomBackground, 1);
  EXPECT_EQ(s.m_bRockingCamera, 0);
  EXPECT_EQ(s.m_bEnableRays, 1);
  EXPECT_EQ(s.m_iNetting, 2);  // text value 3, stored less one
  EXPECT_FALSE(DefaultSettings().GetDefault("main_web_site_url").empty());
  EXPECT_TRUE(boxes.boxes.empty()) << "the shipped text must hold every key asked for";
}

TEST(DefaultSettingsText, SyntaxRules) {
  MessageBoxRecorder boxes;
  DefaultSettingsText text;
  text.Parse(Bytes("  Music  =  TRUE ;comment\r\n"
                   "; only a comment\r\n"
                   "\r\n"
                   "Vol\tume=7 0\r"            // no line feed after the CR
                   "Flag=TrUe\r\n"
                   "caf\xe9=1\r\n"             // a Windows-1251 byte vanishes
                   "NoEquals\r\n"
                   "Dup=1\r\nDup=2"));         // last line without CR; first pair wins
  EXPECT_EQ(text.GetDefault("MUSIC"), "true");
  EXPECT_EQ(text.GetDefaultInt("music"), 1);
  EXPECT_EQ(text.GetDefaultInt("volume"), 70);
  EXPECT_EQ(text.GetDefaultInt("flag"), 1);
  EXPECT_EQ(text.GetDefault("caf"), "1");
  EXPECT_EQ(text.GetDefault("noequals"), "noequals");
  EXPECT_EQ(text.GetDefaultInt("dup"), 1);
  ASSERT_EQ(boxes.boxes.size(), 1u);  // the line without '='
  EXPECT_EQ(boxes.boxes[0].first, "неправильный формат файла def_settings.txt");
  EXPECT_EQ(boxes.boxes[0].second, "");

  EXPECT_EQ(text.GetDefault("absent"), "");
  ASSERT_EQ(boxes.boxes.size(), 2u);
  EXPECT_EQ(boxes.boxes[1].first, "Не найден параметр в файле def_settings.txt");
  EXPECT_EQ(boxes.boxes[1].second, "absent");
}

TEST(DefaultSettingsText, LineFeedsWithoutCarriageReturnsAreOneLine) {
  DefaultSettingsText text;
  text.Parse(Bytes("a=1\nb=2\nc=3\n"));
  ASSERT_EQ(text.Count(), 1u);
  EXPECT_EQ(text.Pair(0).key, "a");
  EXPECT_EQ(text.Pair(0).value, "1b=2c=3");
}

TEST(DefaultSettingsText, MoreThanAHundredPairsKeepsTheFirstHundred) {
  std::string many;
  for (int i = 0; i < 150; ++i) many += "k" + std::to_string(i) + "=" + std::to_string(i) + "\r\n";
  DefaultSettingsText text;
  text.Parse(Bytes(many));
  EXPECT_EQ(text.Count(), 100u);
  EXPECT_EQ(text.GetDefaultInt("k99"), 99);
}

class RegistrySettings : public ::testing::Test {
 protected:
  std::filesystem::path dir = std::filesystem::temp_directory_path() /
                              ("qm-settings-" + std::to_string(::getpid()));
  std::filesystem::path file = dir / "quillmoor" / "settings.reg";
  void TearDown() override { std::filesystem::remove_all(dir); }
  void WriteText(const std::string& text) {
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << text;
  }
  std::string ReadText() {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
};

TEST_F(RegistrySettings, EmptyOrMissingFileGivesTheDefaults) {
  RegistryFile registry(file);
  EXPECT_TRUE(registry.Load());
  SaverSettings s = BaseDefaults();
  ReadSettings(registry, s);
  EXPECT_EQ(s, BaseDefaults());
}

TEST_F(RegistrySettings, DecodingRules) {
  WriteText(
      "Windows Registry Editor Version 5.00\r\n\r\n"
      "[HKEY_CURRENT_USER\\Software\\VORTANE Studio\\Quillmoor 3D Screensaver]\r\n"
      "\"ShowFPS\"=dword:00000002\r\n"
      "\"ShowTime\"=dword:00000001\r\n"
      "\"Music\"=dword:00000003\r\n"        // neither 2 nor 1: left alone
      "\"MusicVolume\"=dword:00000000\r\n"  // 0 leaves the number
      "\"Width\"=dword:00000400\r\n"
      "\"GmCntrl\"=dword:00000178\r\n"      // only the low byte counts
      "\"Height\"=hex:00,03,00,00,00\r\n"   // not a dword: ignored
      "\"BitCount\"=dword:0000001\r\n"      // malformed: ignored
      "garbage line\r\n"
      "\"FSAA\"=dword:00000004\r\n");
  RegistryFile registry(file);
  ASSERT_TRUE(registry.Load());
  SaverSettings s = BaseDefaults();
  ReadSettings(registry, s);
  EXPECT_EQ(s.m_bShowFPS, 1);
  EXPECT_EQ(s.m_bShowTime, 0);
  EXPECT_EQ(s.m_bMusic, BaseDefaults().m_bMusic);
  EXPECT_EQ(s.m_iMusicVolume, 70);
  EXPECT_EQ(s.m_iWidth, 1024);
  EXPECT_EQ(s.m_byGamma, 0x78);
  EXPECT_EQ(s.m_iHeight, 600);
  EXPECT_EQ(s.m_iBitCount, 32);
  EXPECT_EQ(s.m_iFSAA, 4);
}

TEST_F(RegistrySettings, WriteKeepsForeignValuesAndReadsBack) {
  WriteText(
      "Windows Registry Editor Version 5.00\n\n"
      "[HKEY_CURRENT_USER\\Software\\Other]\n\"Keep\"=\"text\"\n\n"
      "[HKEY_CURRENT_USER\\Software\\VORTANE Studio\\Quillmoor 3D Screensaver]\n"
      "\"Background\"=dword:00000004\n"
      "\"ShowFPS\"=dword:00000001\n");
  SaverSettings s = BaseDefaults();
  s.m_bShowFPS = 1;
  s.m_iWidth = 1280;
  s.m_iFSAA = 0;
  s.m_byGamma = 150;
  {
    RegistryFile registry(file);
    ASSERT_TRUE(registry.Load());
    WriteSettings(registry, s);
    ASSERT_TRUE(registry.Save());
  }
  const std::string text = ReadText();
  EXPECT_NE(text.find("\"Keep\"=\"text\""), std::string::npos);
  EXPECT_NE(text.find("\"Background\"=dword:00000004"), std::string::npos);
  EXPECT_NE(text.find("\"ShowFPS\"=dword:00000002"), std::string::npos);
  EXPECT_NE(text.find("\"FSAA\"=dword:00000000"), std::string::npos);
  EXPECT_EQ(text.find("\"ShowFPS\"=dword:00000001"), std::string::npos);  // replaced in place

  RegistryFile again(file);
  ASSERT_TRUE(again.Load());
  SaverSettings read = BaseDefaults();
  ReadSettings(again, read);
  EXPECT_EQ(read, s);
  EXPECT_FALSE(std::filesystem::exists(file.string() + ".tmp." + std::to_string(::getpid())));
}

TEST_F(RegistrySettings, UnwritableFolderFailsWithoutTouchingTheOldFile) {
  WriteText("Windows Registry Editor Version 5.00\n");
  std::filesystem::permissions(file.parent_path(), std::filesystem::perms::owner_read |
                                                       std::filesystem::perms::owner_exec);
  RegistryFile registry(file);
  ASSERT_TRUE(registry.Load());
  registry.SetDword("Software\\X", "V", 7);
  if (::geteuid() != 0) {  // root writes anywhere
    EXPECT_FALSE(registry.Save());
    EXPECT_EQ(ReadText(), "Windows Registry Editor Version 5.00\n");
  }
  std::filesystem::permissions(file.parent_path(), std::filesystem::perms::owner_all);
}

TEST(RegistryFile, KeysAndNamesMatchWithoutRegardToCase) {
  RegistryFile registry("/nonexistent/settings.reg");
  registry.Parse("[hkey_current_user\\software\\a]\n\"Name\"=dword:0000000A\n");
  EXPECT_EQ(registry.QueryDword("Software\\A", "NAME"), 10u);
  EXPECT_FALSE(registry.QueryDword("Software\\B", "Name"));
  registry.SetDword("Software\\A", "name", 11);
  EXPECT_EQ(registry.QueryDword("software\\a", "Name"), 11u);
  EXPECT_EQ(registry.Serialize().find("0000000a"), std::string::npos);
}

// A UTF-16 export as regedit writes it: byte-order mark, then every character in two bytes.
std::string Utf16(std::string_view ascii, bool bigEndian) {
  std::string out = bigEndian ? std::string("\xFE\xFF") : std::string("\xFF\xFE");
  for (char c : ascii) {
    out += bigEndian ? std::string{'\0', c} : std::string{c, '\0'};
  }
  return out;
}

constexpr std::string_view kSaverKeyText =
    "Windows Registry Editor Version 5.00\r\n\r\n"
    "[HKEY_CURRENT_USER\\Software\\VORTANE Studio\\Quillmoor 3D Screensaver]\r\n"
    "\"ShowFPS\"=dword:00000002\r\n"
    "\"Width\"=dword:00000400\r\n";

TEST_F(RegistrySettings, Utf16ExportsReadAndWriteBackInTheirEncoding) {
  for (const bool bigEndian : {false, true}) {
    WriteText(Utf16(kSaverKeyText, bigEndian));
    SaverSettings s = BaseDefaults();
    {
      RegistryFile registry(file);
      ASSERT_TRUE(registry.Load());
      ReadSettings(registry, s);
      EXPECT_EQ(s.m_bShowFPS, 1) << bigEndian;
      EXPECT_EQ(s.m_iWidth, 1024) << bigEndian;
      s.m_iWidth = 640;
      WriteSettings(registry, s);
      ASSERT_TRUE(registry.Save());
    }
    const std::string text = ReadText();
    ASSERT_GE(text.size(), 2u);
    EXPECT_EQ(text.substr(0, 2), bigEndian ? "\xFE\xFF" : "\xFF\xFE");
    RegistryFile again(file);
    ASSERT_TRUE(again.Load());
    SaverSettings read = BaseDefaults();
    ReadSettings(again, read);
    EXPECT_EQ(read, s) << bigEndian;
  }
  // A UTF-8 byte-order mark is no part of the first line.
  RegistryFile registry("/nonexistent/settings.reg");
  registry.Parse("\xEF\xBB\xBF" + std::string(kSaverKeyText));
  EXPECT_EQ(registry.QueryDword("Software\\VORTANE Studio\\Quillmoor 3D Screensaver", "Width"),
            1024u);
  EXPECT_EQ(registry.Serialize().find("\xEF\xBB\xBF"), std::string::npos);
}

TEST_F(RegistrySettings, OnlyRegularFilesOfASaneSizeAreRead) {
  std::filesystem::create_directories(file.parent_path());
  // Too big: refused as a whole, nothing of it read.
  {
    std::ofstream out(file, std::ios::binary);
    out << kSaverKeyText;
    out << std::string(RegistryFile::kMaxFileBytes, '\n');
  }
  RegistryFile big(file);
  EXPECT_FALSE(big.Load());
  EXPECT_FALSE(big.QueryDword("Software\\VORTANE Studio\\Quillmoor 3D Screensaver", "Width"));
  // A device that never ends, and a folder, are not settings files.
  for (const char* path : {"/dev/zero", "/tmp"}) {
    RegistryFile odd(path);
    EXPECT_FALSE(odd.Load()) << path;
  }
}

TEST(RegistryFile, RepeatedSectionsMergeAndTheLaterValueWins) {
  RegistryFile registry("/nonexistent/settings.reg");
  registry.Parse(
      "[HKEY_CURRENT_USER\\Software\\A]\n\"First\"=dword:00000001\n\"Both\"=dword:00000001\n"
      "[HKEY_CURRENT_USER\\Software\\B]\n\"Both\"=dword:00000005\n"
      "[HKEY_CURRENT_USER\\Software\\A]\n\"Both\"=dword:00000002\n");
  EXPECT_EQ(registry.QueryDword("Software\\A", "First"), 1u);
  EXPECT_EQ(registry.QueryDword("Software\\A", "Both"), 2u);
  // A write changes the value that wins, so it reads back.
  registry.SetDword("Software\\A", "Both", 3);
  registry.SetDword("Software\\A", "New", 4);
  RegistryFile again("/nonexistent/settings.reg");
  again.Parse(registry.Serialize());
  EXPECT_EQ(again.QueryDword("Software\\A", "Both"), 3u);
  EXPECT_EQ(again.QueryDword("Software\\A", "New"), 4u);
  EXPECT_EQ(again.QueryDword("Software\\B", "Both"), 5u);
}

}  // namespace
}  // namespace qm
