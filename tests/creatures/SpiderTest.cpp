// The spider's states on a small square web: placing, idling with nothing to walk to,
// turning, waiting, walking a route, unreachable places, and laying the first threads with
// their bookkeeping.
#include "creatures/Spider.h"

#include <gtest/gtest.h>

#include <cmath>

#include "creatures/SpiderGeometry.h"
#include "creatures/SpiderTestWeb.h"
#include "shell/Random.h"

namespace qm {
namespace {

using spidertest::AddSquareFrame;
using spidertest::LooseThread;

constexpr float kStep = 1.0f / 30.0f;
constexpr float kSpiderSize = 3.0f;

class SpiderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SeedRandom(7);
    AddSquareFrame(m_web);
    m_spider.SetSize(kSpiderSize);
  }

  // Runs whole frames (web, then spider) until the predicate holds or time runs out.
  template <typename Done>
  bool RunUntil(Done done, float seconds) {
    for (float t = 0.0f; t < seconds; t += kStep) {
      m_web.Step(kStep);
      m_spider.FrameMove(kStep);
      if (done()) return true;
    }
    return false;
  }

  bool OnWebOrThread() const {
    return m_spider.CurrentLink() >= 0 && std::isfinite(m_spider.Position().x) &&
           std::isfinite(m_spider.Position().y) && std::isfinite(m_spider.Position().z);
  }

  Cobweb m_web;
  Spider m_spider{"spider.x", m_web};
};

TEST_F(SpiderTest, PlaceOnWebRidesTheFrameLocked) {
  Cobweb empty;
  Spider nowhere("spider.x", empty);
  nowhere.PlaceOnWeb();
  EXPECT_EQ(nowhere.CurrentLink(), -1);  // no frame, no place
  EXPECT_TRUE(empty.Nodes.empty());

  m_spider.PlaceOnWeb();
  ASSERT_GE(m_spider.CurrentLink(), 0);
  const WebSlider& slider = m_web.Sliders[size_t(m_spider.Slider())];
  EXPECT_EQ(slider.bLocked, 1);
  EXPECT_EQ(m_web.Links[size_t(slider.iLink)].iType, kLinkFrame);
  EXPECT_NEAR(std::fabs(m_spider.Position().x) + std::fabs(m_spider.Position().z) -
                  std::fmin(std::fabs(m_spider.Position().x), std::fabs(m_spider.Position().z)),
              spidertest::kHalfSide, 1e-3f);
  // Placing again reuses the slider and its node.
  const size_t nodes = m_web.Nodes.size();
  m_spider.PlaceOnWeb();
  EXPECT_EQ(m_web.Nodes.size(), nodes);
  EXPECT_EQ(m_web.Sliders.size(), 1u);
}

TEST_F(SpiderTest, IdleWithoutSpiralOnlyTurnsAndComesBack) {
  m_spider.PlaceOnWeb();
  // Every choice the idle spider makes is a turn while there is no spiral to walk to.
  int turns = 0;
  for (int frame = 0; frame < 30 * 120; ++frame) {
    m_spider.FrameMove(kStep);
    ASSERT_NE(m_spider.State(), SpiderCrawl);
    ASSERT_NE(m_spider.State(), SpiderToFirstRadius);
    if (m_spider.State() == SpiderTurn && m_spider.States().size() == 2) ++turns;
    ASSERT_TRUE(OnWebOrThread());
  }
  EXPECT_GT(turns, 0);
  EXPECT_EQ(m_spider.States().front(), SpiderIdle);
}

TEST_F(SpiderTest, TurnReachesItsTargetAboutTheUpVector) {
  m_spider.PlaceOnWeb();
  const D3DXVECTOR3 target = RotateAbout(m_spider.Heading(), -2.0f, m_spider.Up());
  m_spider.PushTurn(target);
  ASSERT_TRUE(RunUntil([&] { return m_spider.State() != SpiderTurn; }, 5.0f));
  // A wide turn is made in steps, then the last approach leaves it within one step.
  EXPECT_LT(AngleBetween(m_spider.Heading(), target), 1.0471976f);
  EXPECT_NEAR(D3DXVec3Dot(&m_spider.Heading(), &m_spider.Up()), 0.0f, 1e-4f);
}

TEST_F(SpiderTest, WaitAndTightenRunOutTheirTimers) {
  m_spider.PlaceOnWeb();
  m_spider.PushWait(0.5f);
  EXPECT_EQ(m_spider.State(), SpiderWait);
  EXPECT_FALSE(RunUntil([&] { return m_spider.State() != SpiderWait; }, 0.45f));
  EXPECT_TRUE(RunUntil([&] { return m_spider.State() != SpiderWait; }, 0.2f));

  m_web.Radii.push_back(LooseThread(m_web, {0, 0, 0}, {40, 0, 0}));
  const int first = m_web.Radii[0].Links.front();
  m_web.Links[size_t(first)].fRest = 30.0f;
  m_spider.PushTighten(1.0f);
  ASSERT_TRUE(RunUntil([&] { return m_spider.State() != SpiderTighten; }, 2.0f));
  // The first link's rest length moved toward 97 % of its length.
  EXPECT_LT(m_web.Links[size_t(first)].fRest, 30.0f);
}

TEST_F(SpiderTest, GoToWalksTheRouteAndStopsAtTheGoal) {
  m_spider.PlaceOnWeb();
  const ThreadPlace goal = PlaceOnThread(m_web, m_web.FrameThreads[0], 0.6f);
  ASSERT_TRUE(m_spider.GoTo({WebList::Frame, 0}, 0.6f));
  EXPECT_EQ(m_spider.State(), SpiderCrawl);
  ASSERT_TRUE(RunUntil([&] {
    EXPECT_TRUE(OnWebOrThread());
    return m_spider.State() != SpiderCrawl;
  }, 200.0f));
  const D3DXVECTOR3 miss = m_spider.Position() - goal.vPoint;
  EXPECT_LT(D3DXVec3Length(&miss), 1e-2f);
  EXPECT_EQ(m_spider.CurrentLink(), goal.iLink);
}

TEST_F(SpiderTest, UnreachablePlacesMakeTheSpiderWaitNotWander) {
  m_spider.PlaceOnWeb();
  m_web.Threads0.push_back(LooseThread(m_web, {200, 0, 0}, {220, 0, 0}));
  const int link = m_spider.CurrentLink();
  EXPECT_FALSE(m_spider.GoTo({WebList::Threads0, 0}, 0.5f));
  EXPECT_EQ(m_spider.State(), SpiderWait);
  EXPECT_FALSE(m_spider.GoTo({WebList::Spiral, 3}, 0.5f));  // no such thread
  EXPECT_FALSE(m_spider.Plan({WebList::Frame, 0}, 0.5f, {WebList::Threads0, 0}, 0.5f,
                             WebList::Radii, 0, 0.98f));
  EXPECT_EQ(m_spider.State(), SpiderWait);
  EXPECT_EQ(m_spider.CurrentLink(), link);
  EXPECT_TRUE(m_spider.NewThread().Nodes.empty());
}

TEST_F(SpiderTest, PlannersWithNothingToPlanOnEndInsteadOfDividingByZero) {
  m_spider.PlaceOnWeb();
  m_spider.PushState(SpiderPlanSpiral);  // no radius to go round
  m_spider.FrameMove(kStep);
  EXPECT_EQ(m_spider.States(), std::vector<std::int32_t>{SpiderIdle});
  EXPECT_EQ(m_spider.PlanSpiral(), 2);

  Cobweb bare;  // no frame: no radius can be planned, and the spider is not on a web
  Spider lost("spider.x", bare);
  EXPECT_EQ(lost.PlanRadius(), 2);
  EXPECT_EQ(lost.PlanSpiral(), 2);
}

TEST_F(SpiderTest, FinishMoveFastensAThreadBeingPulled) {
  m_spider.PlaceOnWeb();
  m_spider.StartBuilding();
  ASSERT_TRUE(RunUntil([&] { return !m_spider.NewThread().Nodes.empty(); }, 300.0f));
  m_spider.FinishMove();
  EXPECT_TRUE(m_spider.NewThread().Nodes.empty());
  ASSERT_EQ(m_web.Radii.size(), 1u);
  EXPECT_TRUE(spidertest::IndicesInRange(m_web));
  // Planning starts over from what stands; the fastened thread is walked like any other.
  EXPECT_EQ(m_spider.State(), SpiderPlanRadius);
  EXPECT_TRUE(RunUntil([&] { return m_web.Radii.size() == 2; }, 5.0f));
}

TEST_F(SpiderTest, FirstRadiusIsLaidAcrossThenSplitAtTheHub) {
  m_spider.PlaceOnWeb();
  m_spider.StartBuilding();
  EXPECT_EQ(m_spider.States(), (std::vector<std::int32_t>{SpiderIdle, SpiderPlanSpiral,
                                                          SpiderPlanRadius}));
  // While the thread is pulled out it hangs from the frame to above the spider's back.
  bool pulled = false;
  ASSERT_TRUE(RunUntil([&] {
    EXPECT_TRUE(OnWebOrThread());
    if (!m_spider.NewThread().Nodes.empty()) {
      pulled = true;
      const int carried = m_spider.NewThread().Nodes.back();
      EXPECT_EQ(m_web.Nodes[size_t(carried)].bFixed, 1);
      EXPECT_GT(m_spider.NewThreadRibbon().indexCount, 0u);
    }
    return !m_web.Radii.empty();
  }, 300.0f));
  EXPECT_TRUE(pulled);
  ASSERT_EQ(m_web.Radii.size(), 1u);
  // Attach filed the radius with its outer node in both mark lists.
  ASSERT_EQ(m_web.Marks0.size(), 1u);
  EXPECT_EQ(m_web.Marks0[0], m_web.Radii[0].Nodes.back());
  EXPECT_EQ(m_web.Marks1, m_web.Marks0);
  // It runs through the centre from the upper side (found straight up from the centre) to
  // the lower side.
  const D3DXVECTOR3& top = m_web.Nodes[size_t(m_web.Radii[0].Nodes.front())].vPos;
  const D3DXVECTOR3& bottom = m_web.Nodes[size_t(m_web.Radii[0].Nodes.back())].vPos;
  EXPECT_NEAR(top.z, spidertest::kHalfSide, 1.0f);
  EXPECT_NEAR(bottom.z, -spidertest::kHalfSide, 1.0f);

  ASSERT_TRUE(RunUntil([&] { return m_web.Radii.size() == 2; }, 5.0f));
  const WebThread& r0 = m_web.Radii[0];
  const WebThread& r1 = m_web.Radii[1];
  EXPECT_EQ(r0.Nodes.front(), r1.Nodes.front());  // one hub
  const D3DXVECTOR3& hub = m_web.Nodes[size_t(r0.Nodes.front())].vPos;
  EXPECT_LT(std::fabs(hub.z), 8.0f);
  EXPECT_EQ(r1.Nodes.back(), m_web.Marks0[1]);
  EXPECT_EQ(m_web.Marks2, (std::vector<std::int32_t>{-1, -1}));
  EXPECT_EQ(m_web.Flags, (std::vector<std::uint8_t>{0, 0}));
  EXPECT_EQ(r0.Links.size() + 1, r0.Nodes.size());
  EXPECT_EQ(r1.Links.size() + 1, r1.Nodes.size());
}

TEST_F(SpiderTest, WholeWebOnTheSquareFrame) {
  m_spider.PlaceOnWeb();
  m_spider.StartBuilding();
  size_t maxStack = 0;
  ASSERT_TRUE(RunUntil([&] {
    EXPECT_TRUE(OnWebOrThread());
    maxStack = std::max(maxStack, m_spider.States().size());
    return m_spider.WebFinished();
  }, 3600.0f));
  // Radii between half and a twelfth of a right angle apart, six rounds of spiral.
  EXPECT_GE(m_web.Radii.size(), 8u);
  EXPECT_LE(m_web.Radii.size(), 24u);
  EXPECT_GE(m_web.Spiral.size(), 5 * m_web.Radii.size());
  EXPECT_EQ(m_web.Marks0.size(), m_web.Radii.size());
  EXPECT_EQ(m_web.Marks2.size(), m_web.Radii.size());
  EXPECT_LT(maxStack, 10u);
  for (const WebNode& node : m_web.Nodes) ASSERT_TRUE(std::isfinite(node.vPos.x + node.vPos.y + node.vPos.z));
}

}  // namespace
}  // namespace qm
