// The saver's command line: what starts, what is refused, and what reaches the settings.
#include "app/ProgramOptions.h"

#include <gtest/gtest.h>

#include <initializer_list>

#include "platform/RegistryFile.h"
#include "shell/CommandLine.h"
#include "shell/SaverSettings.h"

namespace qm {
namespace {

ParseResult Parse(std::initializer_list<const char*> args, ProgramOptions& options,
                  const char* xscreensaverWindow = nullptr) {
  std::vector<const char*> argv{"quillmoor"};
  argv.insert(argv.end(), args);
  return ParseProgramOptions(int(argv.size()), argv.data(), xscreensaverWindow, options);
}

ParseOutcome OutcomeOf(std::initializer_list<const char*> args) {
  ProgramOptions options;
  return Parse(args, options).outcome;
}

TEST(ProgramOptions, MisspelledOrBadOptionsAreRefusedInsteadOfStartingTheSaver) {
  const std::initializer_list<const char*> refused[] = {
      {"--snapshto", "x.png"},           // a typo must not start the full-screen saver
      {"--verbose"},
      {"--snapshot"},                    // value missing
      {"--snapshot", "x.png", "--time", "nan"},
      {"--snapshot", "x.png", "--time", "inf"},
      {"--snapshot", "x.png", "--time", "-1"},
      {"--snapshot", "x.png", "--time", "3s"},
      {"--bench", "0"},
      {"--bench", "NaN"},
      {"--size", "800x600junk"},
      {"--size", "8x8"},
      {"--seed", "seven"},
      {"--report", "r.json"},            // a report belongs to a snapshot
      {"-window-id", "0"},
      {"-window-id", "-5"},
      {"-window-id", "0x"},
      {"-root"},                         // without XSCREENSAVER_WINDOW
      {"-volume", "0"},
      {"-max-fps", "1001"},
      {"-background", "6"},
      {"-web-start", "full"},
  };
  for (const auto& args : refused) {
    ProgramOptions options;
    const ParseResult result = Parse(args, options);
    EXPECT_EQ(result.outcome, ParseOutcome::Error) << *args.begin();
    EXPECT_FALSE(result.error.empty()) << *args.begin();
  }
  EXPECT_EQ(OutcomeOf({"--help"}), ParseOutcome::Help);
  EXPECT_EQ(OutcomeOf({"-h"}), ParseOutcome::Help);
  EXPECT_EQ(OutcomeOf({"--version"}), ParseOutcome::Version);
}

TEST(ProgramOptions, ScreenSaverSwitchesPassThroughUntouched) {
  for (const char* text : {"/s", "/t", "-s", "/c:1234", "/a", "/p"}) {
    ProgramOptions options;
    ASSERT_EQ(Parse({text}, options).outcome, ParseOutcome::Run) << text;
    EXPECT_EQ(options.launch.commandLine, std::string("quillmoor ") + text);
    EXPECT_FALSE(options.launch.foreignWindow);
  }
  ProgramOptions preview;
  ASSERT_EQ(Parse({"/p", "0x1234"}, preview).outcome, ParseOutcome::Run);
  EXPECT_EQ(ParseCommandLine(preview.launch.commandLine).parentWindow, 0x1234u);
}

TEST(ProgramOptions, HeadlessRunsReadTheirNumbersStrictly) {
  ProgramOptions snapshot;
  ASSERT_EQ(Parse({"--snapshot", "a.png", "--time", "2.5", "--size", "320x240", "--seed", "0x10",
                   "--report", "a.json"},
                  snapshot)
                .outcome,
            ParseOutcome::Run);
  EXPECT_TRUE(snapshot.launch.headless);
  EXPECT_TRUE(snapshot.launch.simulatedTime);
  EXPECT_DOUBLE_EQ(snapshot.launch.runSeconds, 2.5);
  EXPECT_EQ(snapshot.launch.width, 320);
  EXPECT_EQ(snapshot.launch.height, 240);
  EXPECT_TRUE(snapshot.launch.seedGiven);
  EXPECT_EQ(snapshot.launch.seed, 16u);
  EXPECT_EQ(snapshot.launch.commandLine, "quillmoor /s");

  ProgramOptions bench;
  ASSERT_EQ(Parse({"--bench", "1"}, bench, "0x400001").outcome, ParseOutcome::Run);
  EXPECT_FALSE(bench.launch.simulatedTime);
  EXPECT_FALSE(bench.launch.foreignWindow) << "a benchmark never draws into XScreenSaver's window";
}

TEST(ProgramOptions, XScreenSaverWindowComesFromTheSwitchOrTheEnvironment) {
  ProgramOptions root;
  ASSERT_EQ(Parse({"-root"}, root, "0x2a00007").outcome, ParseOutcome::Run);
  EXPECT_TRUE(root.launch.foreignWindow);
  EXPECT_EQ(root.launch.foreignWindowId, 0x2a00007u);

  ProgramOptions given;
  ASSERT_EQ(Parse({"-window-id", "0x1c00003"}, given).outcome, ParseOutcome::Run);
  EXPECT_EQ(given.launch.foreignWindowId, 0x1c00003u);

  ProgramOptions decimal;
  ASSERT_EQ(Parse({"-window-id", "0123"}, decimal).outcome, ParseOutcome::Run);
  EXPECT_EQ(decimal.launch.foreignWindowId, 123u) << "a leading 0 is not octal";

  ProgramOptions environmentOnly;
  ASSERT_EQ(Parse({}, environmentOnly, "4194311").outcome, ParseOutcome::Run);
  EXPECT_TRUE(environmentOnly.launch.foreignWindow);
  EXPECT_EQ(environmentOnly.launch.foreignWindowId, 4194311u);

  ProgramOptions dialog;  // an explicit switch wins over the environment
  ASSERT_EQ(Parse({"/c"}, dialog, "4194311").outcome, ParseOutcome::Run);
  EXPECT_FALSE(dialog.launch.foreignWindow);
}

TEST(ProgramOptions, PerRunSettingsBecomeRegistryValuesInOrder) {
  ProgramOptions options;
  ASSERT_EQ(Parse({"-root", "-fps", "-no-rays", "-no-clock", "-24h", "-volume", "35", "-gamma",
                   "120", "-max-fps", "30", "-background", "2", "-web-start", "half",
                   "-rocking-camera", "-no-music"},
                  options, "0x400001")
                .outcome,
            ParseOutcome::Run);
  EXPECT_EQ(options.launch.commandLine, "quillmoor") << "no setting switch is a mode switch";
  RegistryFile registry{"/nonexistent/settings.reg"};
  registry.SetDword(kSettingsKey, "MusicVolume", 90);
  ApplySettingOverrides(options, registry);
  SaverSettings settings = BaseDefaults();
  ReadSettings(registry, settings);
  EXPECT_EQ(settings.m_bShowFPS, 1);
  EXPECT_EQ(settings.m_bShowTime, 0);
  EXPECT_EQ(settings.m_bDigClock24H, 1);
  EXPECT_EQ(settings.m_bMusic, 0);
  EXPECT_EQ(settings.m_iMusicVolume, 35);
  EXPECT_EQ(settings.m_byGamma, 120);
  EXPECT_EQ(settings.m_iMaxFps, 30);
  EXPECT_EQ(registry.QueryDword(kSettingsKey, "EnableRays"), 1u);
  EXPECT_EQ(registry.QueryDword(kSettingsKey, "RockingCamera"), 2u);
  EXPECT_EQ(registry.QueryDword(kSettingsKey, "Background"), 2u);
  EXPECT_EQ(registry.QueryDword(kSettingsKey, "RondomBackground"), 1u) << "a chosen background stays";
  EXPECT_EQ(registry.QueryDword(kSettingsKey, "Netting"), 2u);

  ProgramOptions later;  // the last of two contradicting switches wins
  ASSERT_EQ(Parse({"-background", "4", "-random-background"}, later).outcome, ParseOutcome::Run);
  ApplySettingOverrides(later, registry);
  EXPECT_EQ(registry.QueryDword(kSettingsKey, "RondomBackground"), 2u);
}

TEST(ProgramOptions, MaxFpsOutsideItsRangeFallsBackToTheBuiltInCap) {
  RegistryFile registry{"/nonexistent/settings.reg"};
  for (std::uint32_t stored : {0u, 5000u, 0xFFFFFFFFu}) {
    registry.SetDword(kSettingsKey, "MaxFps", stored);
    SaverSettings settings = BaseDefaults();
    ReadSettings(registry, settings);
    EXPECT_EQ(settings.m_iMaxFps, 60) << stored;
  }
}

}  // namespace
}  // namespace qm
