#include "shell/CommandLine.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

struct Case {
  const char* text;
  SaverMode mode;
  std::uint64_t parent;
};

TEST(CommandLine, SwitchTable) {
  const Case cases[] = {
      {"quillmoor", Config, 0},
      {"\"/opt/my saver/quillmoor\"", Config, 0},          // blanks inside the quotes
      {"\"/opt/my saver/quillmoor\" /s", Saver, 0},
      {"/opt/saver/quillmoor /c:1234", Config, 1234},
      {"quillmoor /c", Config, 0},
      {"quillmoor /p 1234", Preview, 1234},
      {"quillmoor /p:1234", Preview, 1234},
      {"quillmoor -P1234", Preview, 1234},
      {"quillmoor /p", Preview, 0},
      {"quillmoor /S", Saver, 0},
      {"quillmoor /s", Saver, 0},
      {"quillmoor /q", Saver, 0},
      {"quillmoor /x 99", Saver, 0},                        // no number for other letters
      {"quillmoor /t", SaverMode::Test, 0},
      {"quillmoor -T", SaverMode::Test, 0},
      {"quillmoor /a 1234", ChangePassword, 1234},
      {"quillmoor /A", ChangePassword, 0},
      {"quillmoor junk /p 77", Preview, 77},                 // text before the switch
      {"quillmoor /", Saver, 0},                             // the NUL after '/' is a letter
      {"quillmoor /p 0x1234", Preview, 0x1234},              // as xwininfo prints ids
      {"quillmoor /p 0X2a00007", Preview, 0x2a00007},
      {"quillmoor /c:0x10", Config, 0x10},
      {"quillmoor /p 0x", Preview, 0},                       // no hex digit: decimal 0
      {"quillmoor /p 012", Preview, 12},                     // a leading 0 is not octal
  };
  for (const Case& c : cases) {
    const CommandLineChoice choice = ParseCommandLine(c.text);
    EXPECT_EQ(choice.mode, c.mode) << c.text;
    EXPECT_EQ(choice.parentWindow, c.parent) << c.text;
  }
}

TEST(CommandLine, DashInsideQuotedProgramNameIsNotASwitch) {
  EXPECT_EQ(ParseCommandLine("\"/home/a-b/quillmoor\"").mode, Config);
  EXPECT_EQ(ParseCommandLine("\"/home/a-b/quill moor\" -t").mode, SaverMode::Test);
}

TEST(CommandLine, JoinQuotesAProgramNameWithBlanks) {
  const char* argv[] = {"/opt/my saver/quillmoor", "/p", "42"};
  const std::string text = JoinCommandLine(3, argv);
  EXPECT_EQ(text, "\"/opt/my saver/quillmoor\" /p 42");
  EXPECT_EQ(ParseCommandLine(text).parentWindow, 42u);
}

}  // namespace
}  // namespace qm
