// The forest saver's settings, frame step and camera.
#include "scene/ForestSaver.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

#include <unistd.h>

#include "creatures/Cobweb.h"
#include "platform/RegistryFile.h"
#include "scene/ForestScene.h"
#include "scene/ForestSceneTestXFiles.h"
#include "shell/Random.h"
#include "support/RecordingAudio.h"

namespace qm {
namespace {

class ForestSaverTest : public ::testing::Test {
 protected:
  RegistryFile registry{"/nonexistent/settings.reg"};
  ForestSaver saver;
  void SetUp() override { saver.SetServices(nullptr, &registry, {}); }
  void Store(const char* name, std::uint32_t value) {
    registry.SetDword(kSettingsKey, name, value);
  }
};

TEST_F(ForestSaverTest, SceneSettingsDecodeLikeTheBaseOnes) {
  saver.ReadSceneSettings();
  EXPECT_EQ(saver.m_Scene.m_iBackground, 3);
  EXPECT_EQ(saver.m_Scene.m_bRondomBackground, 1);
  EXPECT_EQ(saver.m_Scene.m_bRockingCamera, 0);
  EXPECT_EQ(saver.m_Scene.m_bEnableRays, 1);
  EXPECT_EQ(saver.m_Scene.m_iNetting, 2);
  for (std::uint32_t stored : {0u, 3u}) {
    Store("RockingCamera", stored);
    saver.ReadSceneSettings();
    EXPECT_EQ(saver.m_Scene.m_bRockingCamera, 0) << stored;
  }
  Store("RockingCamera", 2);
  Store("EnableRays", 1);
  Store("RondomBackground", 1);
  Store("Background", 5);
  Store("Netting", 0);
  saver.ReadSceneSettings();
  EXPECT_EQ(saver.m_Scene.m_bRockingCamera, 1);
  EXPECT_EQ(saver.m_Scene.m_bEnableRays, 0);
  EXPECT_EQ(saver.m_Scene.m_bRondomBackground, 0);
  EXPECT_EQ(saver.m_Scene.m_iBackground, 5);
  EXPECT_EQ(saver.m_Scene.m_iNetting, 0);
  // Out-of-range values from a hand-edited file come back to the nearest valid one.
  Store("Background", 9);
  Store("Netting", 7);
  saver.ReadSceneSettings();
  EXPECT_EQ(saver.m_Scene.m_iBackground, 5);
  EXPECT_EQ(saver.m_Scene.m_iNetting, 2);
  Store("Background", 0);
  saver.ReadSceneSettings();
  EXPECT_EQ(saver.m_Scene.m_iBackground, 1);
}

TEST_F(ForestSaverTest, SceneSettingsRoundTrip) {
  saver.m_Scene.m_bRockingCamera = 1;
  saver.m_Scene.m_iBackground = 4;
  saver.m_Scene.m_bRondomBackground = 0;
  saver.m_Scene.m_bEnableRays = 0;
  saver.m_Scene.m_iNetting = 1;
  saver.WriteSceneSettings();
  EXPECT_EQ(registry.QueryDword(kSettingsKey, "RockingCamera"), 2u);
  EXPECT_EQ(registry.QueryDword(kSettingsKey, "EnableRays"), 1u);
  ForestSaver other;
  other.SetServices(nullptr, &registry, {});
  other.ReadSceneSettings();
  EXPECT_EQ(other.m_Scene.m_iBackground, 4);
  EXPECT_EQ(other.m_Scene.m_iNetting, 1);
  EXPECT_EQ(other.m_Scene.m_bEnableRays, 0);
}

TEST_F(ForestSaverTest, RandomBackgroundPicksEachOfTheFiveAboutEquallyOften) {
  SeedRandom(12345);
  int counts[6] = {};
  saver.m_Scene.m_bRondomBackground = 1;
  for (int start = 0; start < 5000; ++start) {
    saver.ChooseBackground();
    ASSERT_GE(saver.m_Scene.m_iBackground, 1);
    ASSERT_LE(saver.m_Scene.m_iBackground, 5);
    ++counts[saver.m_Scene.m_iBackground];
  }
  for (int b = 1; b <= 5; ++b) EXPECT_NEAR(counts[b], 1000, 120) << b;
  saver.m_Scene.m_bRondomBackground = 0;
  saver.m_Scene.m_iBackground = 2;
  saver.ChooseBackground();
  EXPECT_EQ(saver.m_Scene.m_iBackground, 2);
  EXPECT_STREQ(ForestSaver::BackgroundName(2), "background_02.jpg");
  EXPECT_STREQ(ForestSaver::BackgroundName(6), "");
}

TEST_F(ForestSaverTest, FrameStepIsClampedAndSmoothed) {
  EXPECT_FLOAT_EQ(saver.SmoothStep(0.5f), 0.04f);  // ((0 + 0) / 2 + 0.08) / 2
  EXPECT_FLOAT_EQ(saver.SmoothStep(0.02f), (0.02f + 0.02f) / 2);  // ((0 + 0.04) / 2 + 0.02) / 2
  EXPECT_FLOAT_EQ(saver.SmoothStep(-1.0f), (0.04f + 0.02f) / 2 / 2);
  EXPECT_FLOAT_EQ(saver.SmoothStep(std::nanf("")), (0.02f + 0.015f) / 2 / 2);
  EXPECT_NEAR(saver.m_fSceneTime, 0.04f + 0.02f + 0.015f + 0.00875f, 1e-6);
}

TEST_F(ForestSaverTest, CameraWithoutRockingOnlyTilts) {
  saver.m_Scene.m_bRockingCamera = 0;
  for (float t : {0.0f, 3.7f, 120.0f}) {
    saver.UpdateCamera(t);
    const D3DXVECTOR3 eye = saver.m_Camera.Eye();
    EXPECT_FLOAT_EQ(eye.x, -10.0f);
    EXPECT_FLOAT_EQ(eye.y, -138.308f);
    EXPECT_FLOAT_EQ(eye.z, -14.0f);
    const D3DXVECTOR3 d = saver.m_Camera.At() - eye;
    // (0, -100, 0) turned about x by the fixed tilt.
    EXPECT_NEAR(d.x, 0.0f, 1e-4);
    EXPECT_NEAR(d.y, -100.0f * std::cos(0.014279967f), 1e-3);
    EXPECT_NEAR(std::fabs(d.z), 100.0f * std::sin(0.014279967f), 1e-3);
    EXPECT_FLOAT_EQ(saver.m_Camera.Up().z, 1.0f);
  }
}

TEST_F(ForestSaverTest, RockingCameraSwingsAboutItsTwoCentres) {
  saver.m_Scene.m_bRockingCamera = 1;
  const float t = 2.0f;
  saver.UpdateCamera(t);
  const float swing = (std::sin(t / 7 + 7) + 0.7f) / 1.7f;
  const float amplitude = swing * swing * 0.9f + 0.1f;
  const float roll = std::sin(t / 0.5f + 4) * amplitude / 135;
  const float nod = std::sin(t / 0.3f) * amplitude / 155;
  // Expected eye: about (0, 0, 200) by the roll round y, then about (0, 0, 120) by the nod
  // round x, both with the plain rotation matrices.
  D3DXMATRIX ry, rx;
  D3DXMatrixRotationY(&ry, roll);
  D3DXMatrixRotationX(&rx, nod);
  D3DXVECTOR3 eye(-10, -138.308f, -14 - 200), rolled;
  D3DXVec3TransformCoord(&rolled, &eye, &ry);
  rolled.z += 200 - 120;
  D3DXVECTOR3 nodded;
  D3DXVec3TransformCoord(&nodded, &rolled, &rx);
  nodded.z += 120;
  const D3DXVECTOR3 got = saver.m_Camera.Eye();
  EXPECT_NEAR(got.x, nodded.x, 1e-3);
  EXPECT_NEAR(got.y, nodded.y, 1e-3);
  EXPECT_NEAR(got.z, nodded.z, 1e-3);
  EXPECT_GT(std::fabs(got.x + 10) + std::fabs(got.z + 14), 0.01f) << "the view moved";
}

// Music of the saver: only in runs somebody hears, one process (here: one saver object) at
// a time, and nothing left playing once the scene is released.
TEST(ForestSaverSoundTest, MusicPlaysInOneSaverAndStopsWithTheRun) {
  const auto folder =
      std::filesystem::temp_directory_path() / ("qm-saver-sound-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  const std::string keptRuntime = runtime ? runtime : "";
  setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);  // the music lock lives here
  RegistryFile registry{"/nonexistent/settings.reg"};
  const auto makeSaver = [&](bool headless, testing::RecordingAudio*& audio) {
    auto saver = std::make_unique<ForestSaver>();
    LaunchOptions options;
    options.headless = headless;
    saver->SetServices(nullptr, &registry, options);
    auto backend = std::make_unique<testing::RecordingAudio>();
    audio = backend.get();
    saver->UseAudioBackend(std::move(backend));
    return saver;
  };
  testing::RecordingAudio *snapshotAudio, *firstAudio, *secondAudio;
  auto snapshot = makeSaver(true, snapshotAudio);
  auto first = makeSaver(false, firstAudio);
  auto second = makeSaver(false, secondAudio);

  snapshot->StartSound();
  EXPECT_TRUE(snapshotAudio->calls.empty()) << "snapshots and benchmarks are silent";

  first->StartSound();
  EXPECT_TRUE(first->MusicPlaying());
  second->StartSound();
  EXPECT_FALSE(second->MusicPlaying());
  EXPECT_TRUE(secondAudio->calls.empty()) << "the second saver leaves the library alone";

  // A run closed without EndRun releases its scene afterwards: that stops the music too.
  first->ReleaseScene();
  EXPECT_FALSE(first->MusicPlaying());
  EXPECT_EQ(firstAudio->calls.back(), "Unload");
  second->StartSound();
  EXPECT_TRUE(second->MusicPlaying()) << "the next start takes the music over";
  second->m_Settings.m_bMusic = 0;
  second->StopSound();
  EXPECT_FALSE(second->MusicPlaying()) << "the stop does not depend on the setting";

  first->m_Settings.m_bMusic = 0;
  firstAudio->calls.clear();
  first->StartSound();
  EXPECT_TRUE(firstAudio->calls.empty());
  if (runtime) {
    setenv("XDG_RUNTIME_DIR", keptRuntime.c_str(), 1);
  } else {
    unsetenv("XDG_RUNTIME_DIR");
  }
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace qm

namespace qm {
namespace {

// Loading the scene from the media the program carries, on the recording device.
class ForestSaverLoadTest : public scenetest::RecordingDeviceFixture {};

TEST_F(ForestSaverLoadTest, EveryWindowShapeSeesPartOfTheFourByThreeViewUnstretched) {
  ForestSaver saver;
  D3DXMATRIX fourByThree;
  D3DXMatrixPerspectiveFovRH(&fourByThree, 0.7853982f, 1.3333334f, 20.0f, 600.0f);
  for (const auto& [width, height] : {std::pair{1280u, 540u}, {1920u, 1080u}, {480u, 480u}, {600u, 800u}}) {
    const D3DVIEWPORT8 viewport{0, 0, width, height, 0.0f, 1.0f};
    ASSERT_EQ(m_device->SetViewport(&viewport), D3D_OK);
    ASSERT_EQ(saver.SetProjectionAndLight(m_device), 0);
    D3DMATRIX projection{};
    m_device->GetTransform(D3DTS_PROJECTION, &projection);
    // x and y scale as the shape asks: no stretching.
    EXPECT_NEAR(projection._22 / projection._11, float(width) / float(height), 1e-4) << width;
    // No more than the 4:3 view in either direction (larger scale = narrower view).
    EXPECT_GE(projection._11, fourByThree._11 - 1e-5f) << width;
    EXPECT_GE(projection._22, fourByThree._22 - 1e-5f) << width;
  }
}

TEST_F(ForestSaverLoadTest, LoadSceneDataSetsProjectionLightAndTheChosenBackground) {
  RegistryFile registry{"/nonexistent/settings.reg"};
  registry.SetDword(kSettingsKey, "RondomBackground", 1);  // off
  registry.SetDword(kSettingsKey, "Background", 4);
  registry.SetDword(kSettingsKey, "Netting", 0);
  ForestSaver saver;
  LaunchOptions options;
  options.seedGiven = true;
  options.seed = 7;
  saver.SetServices(nullptr, &registry, options);
  saver.CreateScene();
  saver.ReadSceneSettings();
  ASSERT_EQ(saver.LoadSceneData(m_device), 0);
  EXPECT_STREQ(saver.m_pScene->BackgroundName(), "background_04.jpg");

  D3DMATRIX projection{};
  m_device->GetTransform(D3DTS_PROJECTION, &projection);
  D3DXMATRIX expected;
  D3DXMatrixPerspectiveFovRH(&expected, 0.7853982f, 1.3333334f, 20.0f, 600.0f);
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) EXPECT_FLOAT_EQ(projection.m[r][c], expected.m[r][c]);
  EXPECT_LT(projection._34, 0.0f) << "right-handed: w = -z";

  D3DLIGHT8 light{};
  ASSERT_EQ(m_device->GetLight(0, &light), D3D_OK);
  EXPECT_EQ(light.Type, D3DLIGHT_DIRECTIONAL);
  EXPECT_FLOAT_EQ(light.Diffuse.r, 1.0f);
  EXPECT_FLOAT_EQ(light.Diffuse.a, 0.0f);
  EXPECT_FLOAT_EQ(light.Ambient.g, 0.35f);
  EXPECT_FLOAT_EQ(light.Specular.b, 0.99f);
  EXPECT_FLOAT_EQ(light.Direction.y, 1.0f);
  BOOL enabled = FALSE;
  m_device->GetLightEnable(0, &enabled);
  EXPECT_TRUE(enabled);
  EXPECT_GT(saver.m_pScene->Radius(), 0.0f);

  // One frame: the view is set before anything is drawn and the frame is presented.
  m_direct3D->Log()->Clear();
  saver.MoveFrame(m_device, 0);
  saver.RenderFrame(m_device);
  const auto calls = m_direct3D->Log()->Texts();
  ASSERT_FALSE(calls.empty());
  EXPECT_EQ(calls.front().rfind("SetTransform(D3DTS_VIEW", 0), 0u) << calls.front();
  EXPECT_EQ(calls.back(), "Present(null, null, 0, null)");
  saver.ReleaseScene();
  EXPECT_EQ(saver.m_pScene, nullptr);
}

// The web a run starts from: a web file that does not fit, and the web stored at exit.
class ForestSaverWebTest : public scenetest::RecordingDeviceFixture {
 protected:
  void SetUp() override {
    RecordingDeviceFixture::SetUp();
    char pattern[] = "/tmp/qm_saverweb_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    m_dir = pattern;
    setenv("XDG_STATE_HOME", m_dir.c_str(), 1);
    registry.SetDword(kSettingsKey, "Netting", 0);
  }
  void TearDown() override {
    std::filesystem::remove_all(m_dir);
    unsetenv("XDG_STATE_HOME");
    RecordingDeviceFixture::TearDown();
  }
  void Start(ForestSaver& saver) {
    LaunchOptions options;
    options.seedGiven = true;
    options.seed = 5;
    saver.SetServices(nullptr, &registry, options);
    saver.CreateScene();
    saver.ReadSceneSettings();
  }
  std::string ReadText(const std::string& path) {
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  std::string m_dir;
  RegistryFile registry{"/nonexistent/settings.reg"};
};

TEST_F(ForestSaverWebTest, AWebFileThatDoesNotFitIsLoggedAndTheWebStartsEmpty) {
  std::vector<std::uint8_t> fresh;
  size_t freshNodes = 0, freshLinks = 0;
  {
    ForestSaver saver;
    Start(saver);
    ASSERT_EQ(saver.LoadSceneData(m_device), 0);
    fresh = saver.m_pScene->CobwebImage();
    freshNodes = saver.m_pScene->Web().Nodes.size();
    freshLinks = saver.m_pScene->Web().Links.size();
    saver.ReleaseScene();
  }
  // The web's section whole, then a drop count the scene does not have.
  std::vector<std::uint8_t> bad = fresh;
  bad.resize(bad.size() - 4);
  const std::string path = m_dir + "/bad.dat";
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bad.data()),
                                              std::streamsize(bad.size()));
  ForestSaver saver;
  Start(saver);
  saver.m_Log.Open((m_dir + "/log.txt").c_str());
  saver.SetWebFiles(path, "");
  ASSERT_EQ(saver.LoadSceneData(m_device), 0);
  // The web a new scene has (its drops hang at new random places).
  EXPECT_EQ(saver.m_pScene->CobwebImage().size(), fresh.size());
  EXPECT_EQ(saver.m_pScene->Web().Nodes.size(), freshNodes);
  EXPECT_EQ(saver.m_pScene->Web().Links.size(), freshLinks);
  EXPECT_EQ(saver.m_pScene->Web().FrameThreads.size(), 1u);
  saver.MoveFrame(m_device, 0);
  EXPECT_EQ(saver.RenderFrame(m_device), 0);
  saver.m_Log.Close();
  EXPECT_NE(ReadText(m_dir + "/log.txt").find("ERROR: Web data load FAILED !!!"),
            std::string::npos);
  saver.ReleaseScene();
  EXPECT_FALSE(saver.WebStoreFailed());
}

TEST_F(ForestSaverWebTest, WithSaveCobwebTheWebIsStoredAtExitAndResumedAtTheNextStart) {
  registry.SetDword(kSettingsKey, "SaveCobweb", 2);
  std::vector<std::uint8_t> stored;
  {
    ForestSaver saver;
    Start(saver);
    ASSERT_EQ(saver.m_bSaveCobweb, 1);
    ASSERT_EQ(saver.LoadSceneData(m_device), 0);
    for (int i = 0; i < 20; ++i) saver.m_pScene->FrameMove(0.05f, 1);
    stored = saver.m_pScene->CobwebImage();
    saver.ReleaseScene();
  }
  const std::string path = m_dir + "/quillmoor/cobweb.dat";
  std::ifstream in(path, std::ios::binary);
  const std::vector<std::uint8_t> written{std::istreambuf_iterator<char>(in), {}};
  EXPECT_EQ(written, stored);

  ForestSaver next;
  Start(next);
  ASSERT_EQ(next.LoadSceneData(m_device), 0);
  // The spider goes on riding the resumed web on a node of its own; the rest is the stored web.
  Cobweb storedWeb;
  ASSERT_EQ(storedWeb.LoadFromMemory(stored.data(), stored.size()), 1);
  const Cobweb& resumed = next.m_pScene->Web();
  ASSERT_EQ(resumed.Links.size(), storedWeb.Links.size());
  for (size_t i = 0; i < resumed.Links.size(); ++i) {
    EXPECT_EQ(resumed.Links[i].iNodeA, storedWeb.Links[i].iNodeA);
    EXPECT_EQ(resumed.Links[i].iNodeB, storedWeb.Links[i].iNodeB);
  }
  EXPECT_LE(resumed.Nodes.size(), storedWeb.Nodes.size() + 1);
  for (int list = 0; list < 4; ++list) {
    const std::vector<WebThread>& a = *const_cast<Cobweb&>(resumed).ThreadLists(list);
    const std::vector<WebThread>& b = *storedWeb.ThreadLists(list);
    ASSERT_EQ(a.size(), b.size());
    for (size_t t = 0; t < a.size(); ++t) EXPECT_EQ(a[t].Nodes, b[t].Nodes);
  }
  next.ReleaseScene();

  registry.SetDword(kSettingsKey, "SaveCobweb", 1);  // off: neither read nor written
  ForestSaver off;
  Start(off);
  ASSERT_EQ(off.LoadSceneData(m_device), 0);
  EXPECT_NE(off.m_pScene->CobwebImage(), stored);
}

TEST_F(ForestSaverWebTest, AWebThatBlewUpIsNotStoredOverTheLastGoodOne) {
  registry.SetDword(kSettingsKey, "SaveCobweb", 2);
  {
    ForestSaver saver;
    Start(saver);
    ASSERT_EQ(saver.LoadSceneData(m_device), 0);
    saver.ReleaseScene();
  }
  const std::string path = m_dir + "/quillmoor/cobweb.dat";
  const std::string good = ReadText(path);
  ASSERT_FALSE(good.empty());

  ForestSaver saver;
  Start(saver);
  saver.m_Log.Open((m_dir + "/log.txt").c_str());
  ASSERT_EQ(saver.LoadSceneData(m_device), 0);
  // Finite, but more than a file may hold: written, the web would not load again.
  saver.m_pScene->Web().Nodes[0].vVel.x = 3e20f;
  saver.ReleaseScene();
  saver.m_Log.Close();
  EXPECT_TRUE(saver.WebStoreFailed());
  EXPECT_EQ(ReadText(path), good);
  EXPECT_NE(ReadText(m_dir + "/log.txt").find("ERROR: Web data store FAILED !!!"),
            std::string::npos);
}

}  // namespace
}  // namespace qm
