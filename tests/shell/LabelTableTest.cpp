#include "shell/LabelTable.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

std::span<const std::uint8_t> Bytes(std::string_view s) {
  return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

TEST(LabelTable, ShippedTableHasEveryKeyTheSaverAsks) {
  LoadLabels();
  const char* keys[] = {
      "screensaver_configuration", "video_mode_selection", "use_desktop_settings",
      "sound_control", "master_volume:", "enable_music", "enable_sfx", "graphics",
      "gamma_control:", "fullscreen_antialiasing", "none", "samples", "start_the_cobweb",
      "From_scratch", "1/4_into_it", "Half-finished", "background", "enable_rays_of_light",
      "random_background", "products",
      "visit_our_official_web-site_for_more_great_3d_screensavers", "misc_options", "show_fps",
      "rocking_camera", "show_time", "24h_style", "12h_style", "exit_on_mouse_move", "visit...",
      "about", "restore_defaults", "ok", "cancel", "about_window_text"};
  for (const char* key : keys) EXPECT_FALSE(GetLabel(key).empty()) << key;
  EXPECT_EQ(GetLabel("SHOW_FPS"), "Show FPS");
  EXPECT_EQ(GetLabel("Show_Fps"), "Show FPS");
  EXPECT_EQ(GetLabel("fullscreen_antialiasing"), "Fullscreen Antialiasing");
  EXPECT_EQ(Labels().ConfigurationTitle(), "Quillmoor 3D Screensaver Configuration");
  EXPECT_EQ(Labels().AboutLines()[0], "Quillmoor 3D Screensaver");
  EXPECT_EQ(Labels().AboutLines()[1], "");
  EXPECT_NE(Labels().Line(0).front(), u'\xFEFF');
}

TEST(LabelTable, MatchingAndDecodingRules) {
  LabelTable table;
  table.Load(Bytes("\xEF\xBB\xBF#Show_FPS#\r\nShow FPS\r\n"
                   "#Short\r\nno closing hash\r\n"
                   "#Show_FPS_X#\r\nlonger key\r\n"
                   "#Value#\r\n#Inner Hash CAPS#\r\n"
                   "#Cyr#\r\n\xD0\x9F\xD1\x80\xD0\xB8\r\n"     // "При"
                   "#Euro#\r\n\xE2\x82\xAC\r\n"                 // three-byte form
                   "#Last#"));
  EXPECT_EQ(table.GetLabel("show_fps"), "Show FPS");
  EXPECT_EQ(table.GetLabel("short"), "no closing hash");
  EXPECT_EQ(table.GetLabel("show_fps_x"), "longer key");
  EXPECT_EQ(table.GetLabel("show"), "");  // "#show_fps#" is too long for "show"
  EXPECT_EQ(table.GetLabel("value"), "#inner hash caps#");
  EXPECT_EQ(table.GetLabel("cyr"), std::string("\x1F\x40\x38"));  // low bytes of U+041F...
  EXPECT_EQ(table.GetLabel("euro"), std::string("\xAC"));
  EXPECT_EQ(table.GetLabel("last"), "");  // a key on the last line has no value
  EXPECT_EQ(table.GetLabel("absent"), "");
}

TEST(LabelTable, LineFeedsOnlyReadTheSame) {
  LabelTable crlf, lf;
  crlf.Load(Bytes("#A#\r\nalpha\r\n#B#\r\nbeta\r\n"));
  lf.Load(Bytes("#A#\nalpha\n#B#\nbeta\n"));
  EXPECT_EQ(crlf.LineCount(), lf.LineCount());
  EXPECT_EQ(lf.GetLabel("b"), "beta");
}

TEST(LabelTable, BrokenSequencesAndCapacity) {
  LabelTable table;
  // Stray continuation bytes, a four-byte lead and a sequence cut off at the end.
  table.Load(Bytes("#K#\r\na\x80\xBF\xF0z\r\n#T#\r\n\xE2\x82"));
  EXPECT_EQ(table.GetLabel("k").front(), 'a');
  EXPECT_EQ(table.LineCount(), 4u);

  std::string many;
  for (int i = 0; i < 300; ++i) many += "line\r\n";
  table.Load(Bytes(many));
  EXPECT_EQ(table.LineCount(), LabelTable::kMaxLines);
}

TEST(LabelTable, AboutTextSplitsIntoSevenLines) {
  auto lines = SplitAboutText("a%%c%d%e%f%g%h%i", 7);
  ASSERT_EQ(lines.size(), 7u);
  EXPECT_EQ(lines[0], "a");
  EXPECT_EQ(lines[1], "");
  EXPECT_EQ(lines[2], "c");
  EXPECT_EQ(lines[6], "g");  // text beyond the seventh line is dropped
}

}  // namespace
}  // namespace qm
