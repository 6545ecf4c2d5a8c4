// The toolkit-free dialog model: templates in pixels, and what user actions do to controls.
#include "shell/DialogModel.h"

#include <gtest/gtest.h>

#include "shell/DialogTemplates.h"

namespace qm {
namespace {

TEST(DialogTemplatesTest, DialogUnitsBecomePixelsWithTheFontsBaseUnits) {
  const RECT r = DialogUnitsToPixels(7, 4, 230, 44, DialogBaseUnits{6, 13});
  EXPECT_EQ(r.left, 11);   // 7 * 6 / 4 = 10.5, rounded away from zero
  EXPECT_EQ(r.top, 7);     // 4 * 13 / 8 = 6.5
  EXPECT_EQ(r.right - r.left, 345);
  EXPECT_EQ(r.bottom - r.top, 72);  // 71.5
  auto model = BuildDialog(ConfigDialogTemplate(), DialogBaseUnits{6, 13});
  EXPECT_EQ(model->Width(), 564);
  EXPECT_EQ(model->Height(), 523);
  EXPECT_EQ(DialogModel::FromHandle(model->Handle()), model.get());
  const HWND handle = model->Handle();
  model.reset();
  EXPECT_EQ(DialogModel::FromHandle(handle), nullptr);
}

TEST(DialogTemplatesTest, EveryControlTheUserCanReachTakesATabStop) {
  auto model = BuildDialog(ConfigDialogTemplate(), DialogBaseUnits{});
  for (int id : {1011, 1012, 1020, 1046, 1047, 1123, 1117, 1061, 1062, 1063, IDOK, IDCANCEL})
    EXPECT_TRUE(model->Find(id)->tabStop) << id;
  for (int id : {1124, 1023, 1106, 1145}) EXPECT_FALSE(model->Find(id)->tabStop) << id;
  EXPECT_TRUE(model->Find(1110)->tabStop);
  EXPECT_FALSE(model->Find(1111)->tabStop) << "a radio group is one tab stop";
}

TEST(DialogModelTest, UserActionsChangeTheControlThenTellTheProcedure) {
  auto model = BuildDialog(ConfigDialogTemplate(), DialogBaseUnits{});
  DialogModel& d = *model;
  std::vector<std::pair<UINT, WPARAM>> seen;
  std::vector<bool> checkSeen;
  const DialogProcedure procedure = [&](DialogModel& m, UINT message, WPARAM w, LPARAM) {
    seen.emplace_back(message, w);
    checkSeen.push_back(m.GetCheck(LOWORD(w)));
    return LRESULT(0);
  };
  UserClick(d, procedure, 1044);
  EXPECT_TRUE(checkSeen.back()) << "an auto check box ticks before the procedure hears of it";
  EXPECT_EQ(seen.back(), std::make_pair(WM_COMMAND, MAKEWPARAM(1044, BN_CLICKED)));

  d.SetCheck(1110, true);
  UserClick(d, procedure, 1111);
  EXPECT_FALSE(d.GetCheck(1110));
  EXPECT_TRUE(d.GetCheck(1111));

  d.Enable(1043, false);
  seen.clear();
  UserClick(d, procedure, 1043);
  EXPECT_TRUE(seen.empty()) << "a disabled control takes no clicks";

  d.AddString(1123, "a");
  d.AddString(1123, "b");
  d.SetItemData(1123, 1, 42);
  UserSelect(d, procedure, 1123, 1);
  EXPECT_EQ(seen.back(), std::make_pair(WM_COMMAND, MAKEWPARAM(1123, CBN_SELENDOK)));
  EXPECT_EQ(d.GetItemData(1123, d.GetCurSel(1123)), 42);
  d.SetCurSel(1123, 5);
  EXPECT_EQ(d.GetCurSel(1123), -1) << "an index past the end clears the selection";
  EXPECT_EQ(d.GetItemData(1123, -1), -1);

  d.SetRange(1046, 10, 200);
  UserScroll(d, procedure, 1046, 500, TB_THUMBTRACK);
  EXPECT_EQ(d.GetPos(1046), 200) << "positions stay in the range";
  EXPECT_EQ(seen.back(), std::make_pair(WM_HSCROLL, MAKEWPARAM(TB_THUMBTRACK, 200)));
}

}  // namespace
}  // namespace qm
