// The settings dialog's base controls, driven as a user would, with no display.
#include "shell/ConfigDialog.h"

#include <gtest/gtest.h>

#include "shell/SaverSettings.h"
#include "support/DialogTestSupport.h"

namespace qm {
namespace {

using namespace dialog_ids;
using testing::KeyHeader;
using testing::Line;

// The shell alone: the scene page answers nothing.
class PlainApp : public SaverApp {};

class ConfigDialogTest : public testing::DialogFixture {};

TEST_F(ConfigDialogTest, CancelWritesNothingWhateverChanged) {
  const std::string original = "Windows Registry Editor Version 5.00\r\n\r\n" + KeyHeader() +
                               Line("ShowFPS", 1) + Line("Unknown", 7) + "; a comment\r\n";
  WriteFile(original);
  PlainApp app;
  const int result = RunDialog(app, [&](DialogModel& d, const DialogProcedure& p) {
    UserClick(d, p, kShowFps);
    UserClick(d, p, kEnableMusic);
    UserScroll(d, p, kGamma, 150, TB_THUMBTRACK);
    UserClick(d, p, kRestoreDefaults);
    // The close box and Esc arrive as the Cancel command, without a button.
    p(d, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  });
  EXPECT_EQ(result, IDCANCEL);
  EXPECT_EQ(ReadFile(), original);
}

TEST_F(ConfigDialogTest, OkStoresWhatChangedAndKeepsValuesItDoesNotKnow) {
  WriteFile("Windows Registry Editor Version 5.00\r\n\r\n" + KeyHeader() + Line("Unknown", 7) +
            "\"Name\"=\"text\"\r\n\r\n[HKEY_CURRENT_USER\\Software\\Other]\r\n" +
            Line("Kept", 3));
  PlainApp app;
  const int result = RunDialog(app, [&](DialogModel& d, const DialogProcedure& p) {
    EXPECT_EQ(d.Caption(), "Quillmoor 3D Screensaver Configuration");
    EXPECT_EQ(d.GetText(kAbout), "About...");
    EXPECT_EQ(d.GetText(kShowFps), "Show FPS");
    EXPECT_FALSE(d.IsEnabled(kModeList)) << "desktop settings are on by default";
    UserClick(d, p, kShowFps);
    UserClick(d, p, kClock24h);
    EXPECT_TRUE(d.GetCheck(kClock24h));
    EXPECT_FALSE(d.GetCheck(kClock12h));
    UserClick(d, p, kShowTime);
    EXPECT_FALSE(d.IsEnabled(kClock24h));
    EXPECT_FALSE(d.IsEnabled(kClock12h));
    UserSelect(d, p, kAntialiasingList, 2);  // None, 2 samples, 4 samples
    UserClick(d, p, IDOK);
  });
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(Stored("ShowFPS"), 2u);
  EXPECT_EQ(Stored("DigClock_24H"), 2u);
  EXPECT_EQ(Stored("ShowTime"), 1u);
  EXPECT_EQ(Stored("FSAA"), 4u);
  EXPECT_EQ(Stored("Unknown"), 7u);
  const std::string text = ReadFile();
  EXPECT_NE(text.find("\"Name\"=\"text\""), std::string::npos);
  EXPECT_NE(text.find("\"Kept\"=dword:00000003"), std::string::npos);
}

TEST_F(ConfigDialogTest, DesktopSettingsDisableTheModeListButKeepItsChoice) {
  WriteFile(KeyHeader() + Line("UseDesktopSettings", 1));
  PlainApp app;
  RunDialog(app, [&](DialogModel& d, const DialogProcedure& p) {
    ASSERT_TRUE(d.IsEnabled(kModeList));
    UserSelect(d, p, kModeList, 2);
    EXPECT_EQ(app.m_Settings.m_iWidth, 1024);
    UserClick(d, p, kUseDesktopSettings);
    EXPECT_FALSE(d.IsEnabled(kModeList));
    EXPECT_EQ(d.GetCurSel(kModeList), 2);
    EXPECT_EQ(d.Find(kModeList)->items.size(), 3u);
    UserClick(d, p, IDOK);
  });
  EXPECT_EQ(Stored("UseDesktopSettings"), 2u);
  EXPECT_EQ(Stored("Width"), 1024u);
  EXPECT_EQ(Stored("Height"), 768u);
  EXPECT_EQ(Stored("BitCount"), 32u);
}

TEST_F(ConfigDialogTest, VolumeIsEnabledWhileEitherSoundIsOn) {
  PlainApp app;  // the shell's own default shows the SFX box
  RunDialog(app, [&](DialogModel& d, const DialogProcedure& p) {
    ASSERT_TRUE(d.IsVisible(kEnableSfx));
    UserClick(d, p, kEnableMusic);
    EXPECT_TRUE(d.IsEnabled(kVolume));
    UserClick(d, p, kEnableSfx);
    EXPECT_FALSE(d.IsEnabled(kVolume));
    EXPECT_FALSE(d.IsEnabled(kVolumeLabel));
    UserClick(d, p, kEnableSfx);
    EXPECT_TRUE(d.IsEnabled(kVolume));
    EXPECT_TRUE(d.IsEnabled(kVolumeLabel));
    UserClick(d, p, IDCANCEL);
  });
}

TEST_F(ConfigDialogTest, GammaTextFollowsTheSliderToBothEnds) {
  PlainApp app;
  RunDialog(app, [&](DialogModel& d, const DialogProcedure& p) {
    EXPECT_EQ(d.GetText(kGammaLabel), "Gamma Control: 100%");
    UserScroll(d, p, kGamma, 0, TB_THUMBTRACK);  // dragged past the left end
    EXPECT_EQ(d.GetText(kGammaLabel), "Gamma Control: 10%");
    UserScroll(d, p, kGamma, 200, TB_THUMBTRACK);
    EXPECT_EQ(d.GetText(kGammaLabel), "Gamma Control: 200%");
    UserClick(d, p, IDOK);
  });
  EXPECT_EQ(Stored("GmCntrl"), 200u);
}

TEST_F(ConfigDialogTest, ArrowKeysStoreNothingUntilAPageStepOrADrag) {
  PlainApp app;
  RunDialog(app, [&](DialogModel& d, const DialogProcedure& p) {
    const int volume = app.m_Settings.m_iMusicVolume;
    UserScroll(d, p, kVolume, 55, TB_LINEDOWN);
    UserScroll(d, p, kGamma, 120, TB_LINEDOWN);
    UserScroll(d, p, kVolume, 55, TB_ENDTRACK);
    UserScroll(d, p, kGamma, 120, TB_BOTTOM);
    EXPECT_EQ(app.m_Settings.m_iMusicVolume, volume);
    EXPECT_EQ(app.m_Settings.m_byGamma, 100);
    EXPECT_EQ(d.GetText(kGammaLabel), "Gamma Control: 100%");
    // A page step on either slider takes both sliders' positions.
    UserScroll(d, p, kGamma, 121, TB_PAGEDOWN);
    EXPECT_EQ(app.m_Settings.m_iMusicVolume, 55);
    EXPECT_EQ(app.m_Settings.m_byGamma, 121);
    UserClick(d, p, IDOK);
  });
  EXPECT_EQ(Stored("MusicVolume"), 55u);
}

TEST_F(ConfigDialogTest, RestoreDefaultsThenOkStoresTheShippedDefaults) {
  WriteFile(KeyHeader() + Line("ShowFPS", 2) + Line("Music", 1) + Line("MusicVolume", 20) +
            Line("Width", 1024) + Line("Height", 768) + Line("GmCntrl", 150) +
            Line("UseDesktopSettings", 1) + Line("DigClock_24H", 2) + Line("FSAA", 2));
  PlainApp app;
  RunDialog(app, [&](DialogModel& d, const DialogProcedure& p) {
    const RECT ok = d.Find(IDOK)->rect;
    const int height = d.Height();
    UserClick(d, p, kRestoreDefaults);
    EXPECT_EQ(d.Find(IDOK)->rect.top, ok.top) << "the bottom row moves up only once";
    EXPECT_EQ(d.Height(), height);
    EXPECT_EQ(d.Find(kModeList)->items.size(), 3u);
    EXPECT_EQ(d.Find(kAntialiasingList)->items.size(), 3u);
    EXPECT_EQ(d.GetText(kGammaLabel), "Gamma Control: 100%");
    UserClick(d, p, IDOK);
  });
  const SaverSettings& defaults = BaseDefaults();
  EXPECT_EQ(Stored("ShowFPS"), defaults.m_bShowFPS ? 2u : 1u);
  EXPECT_EQ(Stored("Music"), defaults.m_bMusic ? 2u : 1u);
  EXPECT_EQ(Stored("MusicVolume"), std::uint32_t(defaults.m_iMusicVolume));
  EXPECT_EQ(Stored("GmCntrl"), 100u);
  EXPECT_EQ(Stored("UseDesktopSettings"), 2u);
  EXPECT_EQ(Stored("DigClock_24H"), 1u);
  EXPECT_EQ(Stored("FSAA"), 0u);
  EXPECT_EQ(Stored("Width"), 800u);
  EXPECT_EQ(Stored("Height"), 600u);
  EXPECT_EQ(Stored("BitCount"), 32u);
}

TEST_F(ConfigDialogTest, RestoreDefaultsKeepsTheCurrentModeWhenTheDefaultOneIsMissing) {
  ScriptedAdapter adapter = StandardAdapter();
  adapter.modes = {{640, 480, 60, D3DFMT_X8R8G8B8}, {1024, 768, 60, D3DFMT_X8R8G8B8}};
  UseAdapter(adapter);
  WriteFile(KeyHeader() + Line("Width", 1024) + Line("Height", 768));
  PlainApp app;
  RunDialog(app, [&](DialogModel& d, const DialogProcedure& p) {
    UserClick(d, p, kRestoreDefaults);
    UserClick(d, p, IDOK);
  });
  EXPECT_EQ(Stored("Width"), 1024u);
  EXPECT_EQ(Stored("Height"), 768u);
}

TEST_F(ConfigDialogTest, HiddenSfxBoxStoresSoundEffectsOff) {
  WriteFile(KeyHeader() + Line("SFX", 2) + Line("Music", 2));
  PlainApp app;
  app.m_bSfxControl = false;
  RunDialog(app, [&](DialogModel& d, const DialogProcedure& p) {
    EXPECT_FALSE(d.IsVisible(kEnableSfx));
    UserClick(d, p, kEnableMusic);
    EXPECT_FALSE(d.IsEnabled(kVolume)) << "music off is all sound off";
    UserClick(d, p, IDOK);
  });
  EXPECT_EQ(Stored("SFX"), 1u);
  EXPECT_EQ(Stored("Music"), 1u);
}

TEST_F(ConfigDialogTest, AboutBoxShowsTheLabelTextsAndVisitOpensTheProductAddress) {
  PlainApp app;
  RunDialog(app, [&](DialogModel& d, const DialogProcedure& p) {
    UserClick(d, p, kAbout);
    UserClick(d, p, kVisit);
    EXPECT_FALSE(d.Ended()) << "neither ends the settings dialog";
    UserClick(d, p, IDCANCEL);
  });
  ASSERT_FALSE(host.aboutTexts.empty());
  EXPECT_EQ(host.aboutTexts[0], "About");
  const auto& lines = Labels().AboutLines();
  // Caption, group box, picture, seven lines, the button.
  ASSERT_EQ(host.aboutTexts.size(), 1u + AboutDialogTemplate().controls.size());
  for (std::size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(host.aboutTexts[3 + i], lines[i]);
  EXPECT_EQ(host.aboutTexts.back(), "OK");
  EXPECT_EQ(host.aboutResult, IDCANCEL);
  ASSERT_EQ(host.openedUrls.size(), 1u);
  EXPECT_EQ(host.openedUrls[0], "https://quillmoor.example.org/");
}

TEST_F(ConfigDialogTest, ASettingsFileThatCannotBeWrittenIsReported) {
  WriteFile(KeyHeader() + Line("ShowFPS", 1));
  // A folder where the file should be: the rename onto it fails, also for root.
  const std::filesystem::path blocked = dir / "blocked.reg";
  std::filesystem::create_directories(blocked / "inside");
  RegistryFile unwritable(blocked);
  PlainApp app;
  app.SetServices(nullptr, &unwritable, LaunchOptions{});
  app.m_DeviceList.CreateAndEnumerate();
  host.script = [&](DialogModel& d, const DialogProcedure& p) { UserClick(d, p, IDOK); };
  ConfigDialog dialog(app, host);
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(dialog.Run(), IDOK);
  EXPECT_NE(::testing::internal::GetCapturedStderr().find("could not write the settings"),
            std::string::npos);
}

TEST_F(ConfigDialogTest, LabelsComeInTheUsersLanguageWhereATableExists) {
  EXPECT_EQ(LanguageOfLocale("de_DE.UTF-8"), "de");
  EXPECT_EQ(LanguageOfLocale("de"), "de");
  EXPECT_EQ(LanguageOfLocale("C.UTF-8"), "");
  EXPECT_EQ(LanguageOfLocale("POSIX"), "");
  EXPECT_EQ(LanguageOfLocale("deu"), "") << "only two-letter codes";

  // Every key of the English table has a German value.
  std::vector<std::string> keys;
  for (std::size_t i = 0; i + 1 < Labels().LineCount(); ++i) {
    const std::u16string& line = Labels().Line(i);
    if (line.size() > 2 && line.front() == u'#' && line.back() == u'#')
      keys.emplace_back(line.begin() + 1, line.end() - 1);
  }
  ASSERT_GT(keys.size(), 30u);
  LoadLabelsFor("de");
  for (const std::string& key : keys) EXPECT_FALSE(GetLabel(key).empty()) << key;

  PlainApp app;
  RunDialog(app, [&](DialogModel& d, const DialogProcedure& p) {
    EXPECT_EQ(d.Caption(), "Quillmoor 3D Bildschirmschoner: Einstellungen");
    EXPECT_EQ(d.GetText(kGammaLabel), "Gamma: 100%");
    EXPECT_EQ(d.GetText(kRestoreDefaults), "Standardwerte");
    UserClick(d, p, IDCANCEL);
  });
  LoadLabelsFor("xx");
  EXPECT_EQ(Labels().ConfigurationTitle(), "Quillmoor 3D Screensaver Configuration")
      << "a language without a table falls back to English";
}

}  // namespace
}  // namespace qm
