// The spider in the saver's own scene (the generated forest of the embedded media): a
// whole web built from scratch in simulated time, the start files made by the build and
// the spider resuming on them, and the spider's part of the scene report.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "creatures/Cobweb.h"
#include "creatures/Spider.h"
#include "creatures/SpiderTestWeb.h"
#include "scene/ForestScene.h"
#include "scene/ForestSceneTestXFiles.h"
#include "scene/WebBuildRun.h"
#include "shell/JsonWriter.h"
#include "shell/Random.h"

namespace qm {
namespace {

constexpr float kStep = 1.0f / 20.0f;
constexpr float kLongestWeb = 3.0f * 3600.0f;

class SpiderSceneTest : public scenetest::RecordingDeviceFixture {
 protected:
  void Assemble(std::uint32_t seed) {
    SeedRandom(seed);
    m_scene.SetBackgroundName("background_02.jpg");
    ASSERT_EQ(m_scene.InitDeviceObjects(m_device), S_OK);
  }

  ForestScene m_scene;  // reads the embedded scene media (resource 481)
};

TEST_F(SpiderSceneTest, WholeWebFromScratchOnTheForest) {
  Assemble(5);
  Spider& spider = m_scene.WebSpider();
  ASSERT_GE(spider.CurrentLink(), 0);  // placed on the frame at scene start
  EXPECT_EQ(spider.States(), (std::vector<std::int32_t>{SpiderIdle, SpiderPlanSpiral,
                                                        SpiderPlanRadius}));
  const WebBuildResult run = RunWebBuild(m_scene, kStep, kLongestWeb, {});
  ASSERT_TRUE(run.bFinished) << "after " << run.fSeconds << " s";
  EXPECT_TRUE(run.bAlwaysOnWeb);
  EXPECT_TRUE(run.bFinite);
  EXPECT_GE(run.iRadii, 10);
  EXPECT_LE(run.iRadii, 24);
  // Six rounds of spiral, less what the shortest radius cuts off.
  EXPECT_GE(run.iSpiral, 4 * run.iRadii);
  EXPECT_LE(run.iSpiral, 6 * run.iRadii);
  const Cobweb& web = m_scene.Web();
  EXPECT_EQ(web.Marks0.size(), web.Radii.size());
  EXPECT_EQ(web.Marks1.size(), web.Radii.size());
  EXPECT_EQ(web.Marks2.size(), web.Radii.size());
  EXPECT_EQ(web.Flags.size(), web.Radii.size());
  EXPECT_TRUE(spidertest::IndicesInRange(web));
  // The finished web keeps the spider resting and wandering on it.
  for (int frame = 0; frame < 20 * 60; ++frame) {
    m_scene.FrameMove(kStep, 1);
    ASSERT_GE(spider.CurrentLink(), 0);
  }
  EXPECT_EQ(spider.States().front(), SpiderIdle);
}

TEST_F(SpiderSceneTest, StartFilesLoadAndTheSpiderBuildsOn) {
  for (const char* name : {"cobweb_quarter.dat", "cobweb_half.dat"}) {
    SCOPED_TRACE(name);
    ForestScene scene;
    SeedRandom(9);
    scene.SetBackgroundName("background_02.jpg");
    ASSERT_EQ(scene.InitDeviceObjects(m_device), S_OK);
    const size_t frameThreads = scene.Web().FrameThreads.size();
    ASSERT_EQ(scene.LoadCobwebStart(name), 1);
    scene.WebWasLoaded();
    const Cobweb& web = scene.Web();
    // The file holds a started web, not the empty one: it was really in the archive.
    ASSERT_GE(web.Radii.size(), 8u);
    EXPECT_GE(web.FrameThreads.size(), frameThreads);
    const size_t radii = web.Radii.size(), spiral = web.Spiral.size();
    Spider& spider = scene.WebSpider();
    ASSERT_GE(spider.CurrentLink(), 0);
    EXPECT_FALSE(spider.WebFinished());
    const WebBuildResult run = RunWebBuild(scene, kStep, kLongestWeb, {});
    ASSERT_TRUE(run.bFinished);
    EXPECT_TRUE(run.bAlwaysOnWeb);
    EXPECT_TRUE(run.bFinite);
    EXPECT_GE(web.Radii.size(), radii);
    EXPECT_GT(web.Spiral.size(), spiral);
    scene.DeleteDeviceObjects();
  }
}

TEST_F(SpiderSceneTest, TheThreadInTheMakingWearsTheTextureOfItsList) {
  Assemble(5);
  Spider& spider = m_scene.WebSpider();
  for (int frame = 0; frame < 20 * 600 && spider.NewThreadRibbon().indexCount == 0; ++frame)
    m_scene.FrameMove(kStep, 1);
  ASSERT_GT(spider.NewThreadRibbon().indexCount, 0u) << "no thread laid in ten minutes";
  m_device->Log().Clear();
  spider.Render();
  // The texture bound for the ribbon's draw (the first indexed draw from memory).
  std::string texture;
  for (const auto& call : m_device->Log().Calls()) {
    if (call.name == "SetTexture") texture = call.args;
    if (call.name == "DrawIndexedPrimitiveUP") break;
  }
  EXPECT_EQ(texture, "0, ptr");
}

TEST_F(SpiderSceneTest, ReportNamesStateLinkAndCounts) {
  Assemble(3);
  for (int frame = 0; frame < 40; ++frame) m_scene.FrameMove(kStep, 1);
  JsonWriter report;
  report.BeginObject();
  m_scene.Report(report);
  report.EndObject();
  const std::string text = report.Text();
  const size_t at = text.find("\"spider\"");
  ASSERT_NE(at, std::string::npos);
  for (const char* key : {"\"state\"", "\"position\"", "\"link\"", "\"radii\"", "\"spiral_threads\""})
    EXPECT_NE(text.find(key, at), std::string::npos) << key;
  EXPECT_EQ(report.NonFiniteCount(), 0);
}

}  // namespace
}  // namespace qm
