// The forest's page of the settings dialog: background buttons, scene check boxes and the
// web's start list, run through the whole dialog with no display.
#include <gtest/gtest.h>

#include "scene/ForestSaver.h"
#include "support/DialogTestSupport.h"

namespace qm {
namespace {

using namespace dialog_ids;
using testing::KeyHeader;
using testing::Line;

constexpr int kButtons[] = {kBackground1, kBackground2, kBackground3, kBackground4, kBackground5};

// Keeps which picture each owner-drawn button was painted with.
class RecordingCanvas : public ItemCanvas {
 public:
  const PicturePixels* drawn = nullptr;
  RECT rect{};
  void DrawPicture(const PicturePixels& picture, const RECT& r) override {
    drawn = &picture;
    rect = r;
  }
};

class ForestScenePageTest : public testing::DialogFixture {
 protected:
  ForestSaver saver;

  void SetUp() override {
    DialogFixture::SetUp();
    saver.CreateScene();
  }
  // Paints background button n (1 to 5) and says whether it came out bright.
  bool PaintedBright(DialogModel& d, const DialogProcedure& p, int n) {
    RecordingCanvas canvas;
    DRAWITEMSTRUCT item;
    item.CtlID = UINT(kButtons[n - 1]);
    item.canvas = &canvas;
    item.rcItem = d.Find(kButtons[n - 1])->rect;
    p(d, WM_DRAWITEM, item.CtlID, reinterpret_cast<LPARAM>(&item));
    EXPECT_NE(canvas.drawn, nullptr) << "button " << n;
    if (canvas.drawn == &saver.m_SelectedPreview[n - 1].Pixels()) return true;
    EXPECT_EQ(canvas.drawn, &saver.m_DimPreview[n - 1].Pixels()) << "button " << n;
    return false;
  }
  std::vector<int> PaintRequests(DialogModel& d) {
    std::vector<int> counts;
    for (int id : kButtons) counts.push_back(d.Find(id)->paintRequests);
    return counts;
  }
};

TEST_F(ForestScenePageTest, ThumbnailsAreTheCarriedPictures) {
  RunDialog(saver, [&](DialogModel& d, const DialogProcedure& p) { UserClick(d, p, IDCANCEL); });
  for (int i = 0; i < ForestSaver::kBackgroundCount; ++i) {
    EXPECT_EQ(saver.m_SelectedPreview[i].Width(), 84) << i;
    EXPECT_EQ(saver.m_DimPreview[i].Height(), 84) << i;
    EXPECT_NE(saver.m_SelectedPreview[i].Pixels().argb, saver.m_DimPreview[i].Pixels().argb);
  }
}

TEST_F(ForestScenePageTest, RandomBackgroundShowsAllFiveBright) {
  WriteFile(KeyHeader() + Line("RondomBackground", 2) + Line("Background", 2));
  RunDialog(saver, [&](DialogModel& d, const DialogProcedure& p) {
    ASSERT_TRUE(d.GetCheck(kRandomBackground));
    for (int n = 1; n <= 5; ++n) EXPECT_TRUE(PaintedBright(d, p, n)) << n;
    const auto before = PaintRequests(d);
    UserClick(d, p, kRandomBackground);
    for (std::size_t i = 0; i < 5; ++i) EXPECT_EQ(PaintRequests(d)[i], before[i] + 1) << i;
    for (int n = 1; n <= 5; ++n) EXPECT_EQ(PaintedBright(d, p, n), n == 2) << n;
    UserClick(d, p, IDOK);
  });
  EXPECT_EQ(Stored("RondomBackground"), 1u);
}

TEST_F(ForestScenePageTest, AClickSelectsABackgroundAndRepaintsOnlyTheTwoButtons) {
  WriteFile(KeyHeader() + Line("RondomBackground", 1) + Line("Background", 3));
  RunDialog(saver, [&](DialogModel& d, const DialogProcedure& p) {
    EXPECT_TRUE(PaintedBright(d, p, 3));
    EXPECT_FALSE(PaintedBright(d, p, 4));
    auto before = PaintRequests(d);
    UserClick(d, p, kBackground4);
    auto after = PaintRequests(d);
    EXPECT_EQ(after[2], before[2] + 1);
    EXPECT_EQ(after[3], before[3] + 1);
    EXPECT_EQ(after[0] + after[1] + after[4], before[0] + before[1] + before[4]);
    EXPECT_TRUE(PaintedBright(d, p, 4));
    EXPECT_FALSE(PaintedBright(d, p, 3));
    before = after;
    UserClick(d, p, kBackground4);
    EXPECT_EQ(PaintRequests(d), before) << "the chosen one clicked again changes nothing";
    UserClick(d, p, IDOK);
  });
  EXPECT_EQ(Stored("Background"), 4u);
}

TEST_F(ForestScenePageTest, OkStoresTheScenesChecksAndStartListAfterTheBaseValues) {
  WriteFile(KeyHeader() + Line("EnableRays", 2) + Line("RockingCamera", 1) + Line("Netting", 2));
  RunDialog(saver, [&](DialogModel& d, const DialogProcedure& p) {
    EXPECT_EQ(d.GetText(1131), "Start the Cobweb");  // the list's label
    const ControlState& list = *d.Find(kNettingList);
    ASSERT_EQ(list.items.size(), 3u);
    EXPECT_EQ(list.items[0].text, "from scratch");
    EXPECT_EQ(list.items[1].text, "1/4 into it");
    EXPECT_EQ(list.items[2].text, "half-finished");
    EXPECT_EQ(d.GetCurSel(kNettingList), 2);
    UserClick(d, p, kEnableRays);
    UserClick(d, p, kRockingCamera);
    UserSelect(d, p, kNettingList, 0);
    UserClick(d, p, IDOK);
  });
  EXPECT_EQ(Stored("EnableRays"), 1u);
  EXPECT_EQ(Stored("RockingCamera"), 2u);
  EXPECT_EQ(Stored("Netting"), 0u);
  EXPECT_EQ(Stored("SFX"), 1u) << "the forest hides the SFX box and stores it off";
}

TEST_F(ForestScenePageTest, RestoreDefaultsRefillsTheStartListOnceAndStoresSceneDefaults) {
  WriteFile(KeyHeader() + Line("EnableRays", 1) + Line("RockingCamera", 2) + Line("Netting", 0) +
            Line("Background", 5) + Line("RondomBackground", 1));
  RunDialog(saver, [&](DialogModel& d, const DialogProcedure& p) {
    UserClick(d, p, kRestoreDefaults);
    EXPECT_EQ(d.Find(kNettingList)->items.size(), 3u) << "no entry twice";
    EXPECT_TRUE(d.GetCheck(kEnableRays));
    EXPECT_FALSE(d.GetCheck(kRockingCamera));
    UserClick(d, p, IDOK);
  });
  const SceneDefaults& defaults = SceneDefaultRecord();
  EXPECT_EQ(Stored("EnableRays"), defaults.m_bEnableRays ? 2u : 1u);
  EXPECT_EQ(Stored("RockingCamera"), defaults.m_bRockingCamera ? 2u : 1u);
  EXPECT_EQ(Stored("RondomBackground"), defaults.m_bRondomBackground ? 2u : 1u);
  EXPECT_EQ(Stored("Background"), std::uint32_t(defaults.m_iBackground));
  EXPECT_EQ(Stored("Netting"), std::uint32_t(defaults.m_iNetting));
}

}  // namespace
}  // namespace qm
