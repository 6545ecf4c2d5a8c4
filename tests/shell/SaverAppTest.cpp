// The application core against a scripted window system and the recording Direct3D.
#include "shell/SaverApp.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "d3d/RecordingDevice8.h"
#include "d3d/Direct3DFactory.h"
#include "d3d/RecordingDirect3D8.h"
#include "graphics/TextureTable.h"
#include "platform/RegistryFile.h"
#include "shell/FakeWindowSystem.h"
#include "shell/MessageBox.h"

namespace qm {
namespace {

using testing::FakeWindowSystem;

// Records the order of the virtual operations the core calls.
class RecordingApp : public SaverApp {
 public:
  std::vector<std::string> calls;
  void CreateScene() override { calls.push_back("CreateScene"); }
  void ReadSceneSettings() override { calls.push_back("ReadSceneSettings"); }
  void QueryDeviceCaps() override { calls.push_back("QueryDeviceCaps"); }
  void StartSound() override { calls.push_back("StartSound"); }
  void StopSound() override { calls.push_back("StopSound"); }
  HRESULT SetDefaultRenderStates(IDirect3DDevice8* d) override {
    calls.push_back("SetDefaultRenderStates");
    return SaverApp::SetDefaultRenderStates(d);
  }
  HRESULT ShowLoadingScreen(IDirect3DDevice8* d) override {
    calls.push_back("ShowLoadingScreen");
    return SaverApp::ShowLoadingScreen(d);
  }
  HRESULT LoadSceneData(IDirect3DDevice8*) override {
    calls.push_back("LoadSceneData");
    return 0;
  }
  HRESULT AfterSceneData(IDirect3DDevice8*) override {
    calls.push_back("AfterSceneData");
    return 0;
  }
  HRESULT MoveFrame(IDirect3DDevice8* d, float ms) override {
    calls.push_back("MoveFrame");
    return SaverApp::MoveFrame(d, ms);
  }
  HRESULT RenderFrame(IDirect3DDevice8* d) override {
    calls.push_back("RenderFrame");
    return SaverApp::RenderFrame(d);
  }
  int ReleaseScene() override {
    calls.push_back("ReleaseScene");
    return 0;
  }
  void RestoreSceneStates(IDirect3DDevice8*) override { calls.push_back("RestoreSceneStates"); }
  int Count(const std::string& name) const { return int(std::count(calls.begin(), calls.end(), name)); }
  int Index(const std::string& name) const {
    auto it = std::find(calls.begin(), calls.end(), name);
    return it == calls.end() ? -1 : int(it - calls.begin());
  }
};

// Ends a run after a number of frames by posting a message, or on any other condition.
class FrameScript : public RunObserver {
 public:
  std::function<void(SaverApp&, int)> afterFrame;
  int frames = 0;
  int limit = 1000;  // a run that does not end by itself is a failure, not a hang
  bool BeforeFrame(SaverApp&) override { return frames < limit; }
  void AfterFrame(SaverApp& app) override {
    ++frames;
    if (afterFrame) afterFrame(app, frames);
  }
};

class SaverAppTest : public ::testing::Test {
 protected:
  std::filesystem::path dir = std::filesystem::temp_directory_path() /
                              ("qm-app-" + std::to_string(::getpid()));
  FakeWindowSystem windows;
  RegistryFile registry{dir / "settings.reg"};
  RecordingDirect3D8* d3d = nullptr;
  FrameScript script;

  void SetUp() override {
    std::filesystem::create_directories(dir);
    ::setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);  // lock files of this test only
    Direct3DScript s;
    ScriptedAdapter adapter;
    adapter.modes = {{640, 480, 60, D3DFMT_X8R8G8B8}, {800, 600, 60, D3DFMT_X8R8G8B8},
                     {800, 600, 75, D3DFMT_X8R8G8B8}, {1024, 768, 60, D3DFMT_X8R8G8B8}};
    s.adapters.push_back(adapter);
    d3d = new RecordingDirect3D8(s);
    UseRecordingDirect3D(d3d);
    SetMessageBoxSink([this](HWND o, std::string_view t, std::string_view c, UINT f) {
      windows.MessageBox(o, t, c, f);
    });
  }
  void TearDown() override {
    SetMessageBoxSink(nullptr);
    UseRecordingDirect3D(nullptr);
    d3d->Release();
    TextureTable::Instance().Clear();
    std::filesystem::remove_all(dir);
  }
  void Run(RecordingApp& app, const char* commandLine, LaunchOptions options = {}) {
    options.commandLine = commandLine;
    app.SetServices(&windows, &registry, options);
    app.SetRunObserver(&script);
    app.WinMain(0);
  }
  void EndAfterFrames(int n, UINT message, WPARAM wParam = 0) {
    script.afterFrame = [this, n, message, wParam](SaverApp& app, int frame) {
      if (frame == n) windows.queue.push_back({app.m_hWnd, message, wParam, 0});
    };
  }
};

TEST_F(SaverAppTest, TestModeOpensItsWindowRunsInOrderAndClosesWithoutEndRun) {
  RecordingApp app;
  EndAfterFrames(3, WM_CLOSE);
  Run(app, "quillmoor /t");
  ASSERT_EQ(windows.created.size(), 1u);
  const WindowParams& w = windows.created[0];
  EXPECT_EQ(w.kind, WindowKind::TopLevel);
  EXPECT_EQ(w.title, "D3D QUILLMOOR3D");
  EXPECT_EQ(w.rect.left, 50);
  EXPECT_EQ(w.rect.top, 50);
  EXPECT_EQ(w.rect.right - w.rect.left, 600);
  EXPECT_EQ(w.rect.bottom - w.rect.top, 400);
  const std::vector<std::string> start = {
      "CreateScene",       "QueryDeviceCaps", "ReadSceneSettings", "SetDefaultRenderStates",
      "ShowLoadingScreen", "LoadSceneData",   "AfterSceneData",    "StartSound",
      "MoveFrame",         "RenderFrame"};
  ASSERT_GE(app.calls.size(), start.size());
  EXPECT_EQ(std::vector<std::string>(app.calls.begin(), app.calls.begin() + start.size()), start);
  EXPECT_EQ(app.Count("RenderFrame"), 3);
  EXPECT_EQ(app.Count("StopSound"), 0);  // closing is not EndRun
  EXPECT_EQ(app.Count("ReleaseScene"), 0);
  EXPECT_EQ(windows.destroyed.size(), 1u);
  EXPECT_EQ(windows.timers.front(), std::make_pair(7u, 1000u));
}

TEST_F(SaverAppTest, TestModeIgnoresKeysButtonsAndFocusLoss) {
  RecordingApp app;
  script.afterFrame = [this](SaverApp& a, int frame) {
    const UINT messages[] = {WM_KEYDOWN, WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN,
                             WM_ACTIVATEAPP};
    if (frame <= 5) windows.queue.push_back({a.m_hWnd, messages[frame - 1], 0, 0});
    if (frame == 8) windows.queue.push_back({a.m_hWnd, WM_CLOSE, 0, 0});
  };
  Run(app, "quillmoor /t");
  EXPECT_EQ(script.frames, 8);
}

TEST_F(SaverAppTest, SaverModeCoversEveryDisplayAndEndsInOrderOnAKey) {
  windows.displays.push_back({"Adapter 2", "Monitor 2", {1024, 0, 2304, 1024}, false, false});
  windows.displays.push_back({"Mirror", "Mirror", {0, 0, 1024, 768}, false, true});
  RecordingApp app;
  EndAfterFrames(2, WM_KEYDOWN);
  Run(app, "quillmoor /s");
  ASSERT_EQ(windows.created.size(), 2u);  // the mirror is skipped
  EXPECT_EQ(windows.created[0].kind, WindowKind::Popup);
  EXPECT_TRUE(windows.created[0].topmost);
  EXPECT_TRUE(windows.created[0].openGL);
  EXPECT_FALSE(windows.created[1].openGL);  // only the first window gets the device
  EXPECT_EQ(windows.created[1].owner, 1u);
  EXPECT_EQ(windows.created[1].rect.left, 1024);
  const int stop = app.Index("StopSound");
  ASSERT_GE(stop, 0);
  EXPECT_LT(stop, app.Index("ReleaseScene"));
  EXPECT_EQ(app.Count("RenderFrame"), 2);
  const auto gamma = d3d->Log()->Texts("SetGammaRamp");
  ASSERT_EQ(gamma.size(), 2u);  // from the setting at creation, linear at the end
  EXPECT_EQ(app.pDevice, nullptr);
}

TEST_F(SaverAppTest, MouseMovesEndTheSaverOnlyWhenAskedAndOnlyAfterThirty) {
  for (bool exitOnMove : {true, false}) {
    RecordingApp app;
    registry.SetDword(kSettingsKey, "ExitOnMouseMove", exitOnMove ? 2 : 1);
    script = FrameScript{};
    script.limit = 60;
    script.afterFrame = [this](SaverApp& a, int) {
      windows.queue.push_back({a.m_hWnd, WM_MOUSEMOVE, 0, 0});
    };
    Run(app, "quillmoor /s");
    // Each frame posts one move: the 31st move ends the run right after frame 31.
    EXPECT_EQ(script.frames, exitOnMove ? 31 : 60) << exitOnMove;
    windows.queue.clear();
  }
}

TEST_F(SaverAppTest, DeactivationEndsTheSaverAndSuspendToo) {
  for (UINT message : {UINT(WM_ACTIVATEAPP), UINT(WM_POWERBROADCAST), UINT(WM_SYSCOMMAND)}) {
    RecordingApp app;
    script = FrameScript{};
    const WPARAM wParam = message == WM_POWERBROADCAST ? PBT_APMSUSPEND
                          : message == WM_SYSCOMMAND   ? SC_SCREENSAVE
                                                       : 0;
    EndAfterFrames(1, message, wParam);
    Run(app, "quillmoor /s");
    EXPECT_EQ(script.frames, 1) << message;
    EXPECT_EQ(app.Count("StopSound"), 1) << message;
  }
}

TEST_F(SaverAppTest, FrameRateSamplesOncePerSecond) {
  RecordingApp app;
  script.afterFrame = [this](SaverApp& a, int frame) {
    if (frame == 5) windows.queue.push_back({a.m_hWnd, WM_TIMER, 7, 0});
    if (frame == 6) {
      EXPECT_EQ(a.iFramesPerSecond, 5);
      EXPECT_EQ(a.nFramesCounted, 1);
      windows.queue.push_back({a.m_hWnd, WM_CLOSE, 0, 0});
    }
  };
  Run(app, "quillmoor /t");
  EXPECT_EQ(script.frames, 6);
}

TEST_F(SaverAppTest, LostDeviceIsNotDrawnUntilResetThenStatesAreSetAgain) {
  RecordingApp app;
  int lostFrames = 0;
  script.limit = 10;
  script.afterFrame = [&](SaverApp& a, int frame) {
    auto* device = static_cast<RecordingDevice8*>(a.pDevice);
    if (frame == 2) {
      device->ScriptCooperativeLevels({D3DERR_DEVICELOST, D3DERR_DEVICELOST,
                                       D3DERR_DEVICENOTRESET});
      // Three steps without a frame follow; the run loop keeps calling RenderStep.
      for (int i = 0; i < 3; ++i) {
        if (a.RenderStep() != D3D_OK) ++lostFrames;
      }
    }
    if (frame == 4) windows.queue.push_back({a.m_hWnd, WM_CLOSE, 0, 0});
  };
  Run(app, "quillmoor /t");
  EXPECT_EQ(lostFrames, 3);
  EXPECT_EQ(app.Count("RenderFrame"), 4);
  EXPECT_EQ(app.Count("SetDefaultRenderStates"), 2);  // creation and the reset
  EXPECT_EQ(d3d->Log()->Count("Reset"), 1u);
}

TEST_F(SaverAppTest, AFailedResetIsTriedAgainAtTheNextNotResetReport) {
  RecordingApp app;
  script.afterFrame = [&](SaverApp& a, int frame) {
    auto* device = static_cast<RecordingDevice8*>(a.pDevice);
    if (frame == 1) {
      device->FailResets(1);
      device->ScriptCooperativeLevels({D3DERR_DEVICENOTRESET, D3DERR_DEVICENOTRESET});
      EXPECT_EQ(a.RenderStep(), D3DERR_DEVICENOTRESET);  // the reset fails
      EXPECT_EQ(a.RenderStep(), D3DERR_DEVICENOTRESET);  // and is tried again
    }
    if (frame == 2) windows.queue.push_back({a.m_hWnd, WM_CLOSE, 0, 0});
  };
  Run(app, "quillmoor /t");
  EXPECT_EQ(d3d->Log()->Count("Reset"), 2u);
  EXPECT_EQ(script.frames, 2);
}

TEST_F(SaverAppTest, DeviceCreationFallsBackToTheSafeModeThenGivesUp) {
  {
    d3d->Script().createDeviceFailures = 1;
    RecordingApp app;
    script.afterFrame = [this](SaverApp& a, int) {
      EXPECT_EQ(a.presentParams.BackBufferWidth, 640u);
      EXPECT_EQ(a.presentParams.BackBufferFormat, D3DFMT_R5G6B5);
      EXPECT_EQ(a.presentParams.AutoDepthStencilFormat, D3DFMT_D16);
      windows.queue.push_back({a.m_hWnd, WM_CLOSE, 0, 0});
    };
    Run(app, "quillmoor /t");
    EXPECT_EQ(script.frames, 1);
  }
  {
    d3d->Script().createDeviceFailures = -1;
    RecordingApp app;
    script = FrameScript{};
    Run(app, "quillmoor /t");
    EXPECT_EQ(app.Count("LoadSceneData"), 0);
    ASSERT_FALSE(windows.boxes.empty());
    EXPECT_EQ(windows.boxes.back(), "Error!: Could not find any compatible Direct3D\ndevices.");
  }
}

TEST_F(SaverAppTest, UnreadableDesktopModeIsReported) {
  d3d->Script().adapters[0].desktopReadable = false;
  RecordingApp app;
  Run(app, "quillmoor /t");
  ASSERT_EQ(windows.boxes.size(), 1u);
  EXPECT_EQ(windows.boxes[0], "Error!: Cant get Desktop DisplayMode.");
  EXPECT_EQ(app.Count("RenderFrame"), 0);
}

TEST_F(SaverAppTest, SettingsChooseTheModeAndTheChoiceComesBack) {
  registry.SetDword(kSettingsKey, "Width", 1024);
  registry.SetDword(kSettingsKey, "Height", 768);
  registry.SetDword(kSettingsKey, "UseDesktopSettings", 1);
  registry.SetDword(kSettingsKey, "BitCount", 24);  // never matches: the mode stays
  RecordingApp app;
  EndAfterFrames(1, WM_CLOSE);
  Run(app, "quillmoor /t");
  EXPECT_EQ(app.m_Settings.m_iWidth, 640);  // the first (smallest) mode was kept
  EXPECT_EQ(app.m_Settings.m_iBitCount, 32);
  EXPECT_EQ(app.presentParams.BackBufferWidth, 640u);
}

TEST_F(SaverAppTest, PreviewDrawsTheLiveSceneWithoutMusicWhenItsWindowTakesADevice) {
  RecordingApp app;
  script.limit = 3;
  Run(app, "quillmoor /p 1234");
  ASSERT_EQ(windows.created.size(), 1u);
  EXPECT_EQ(windows.created[0].kind, WindowKind::Child);
  EXPECT_EQ(windows.created[0].parent, 1234u);
  EXPECT_TRUE(windows.created[0].openGL);
  EXPECT_EQ(d3d->Log()->Count("CreateDevice"), 1u);
  EXPECT_EQ(app.Count("LoadSceneData"), 1);
  EXPECT_EQ(app.Count("RenderFrame"), 3);
  EXPECT_EQ(app.Count("StartSound"), 0);
}

TEST_F(SaverAppTest, PreviewWithoutADevicePaintsThePictureInAPlainChild) {
  d3d->Script().createDeviceFailures = -1;
  RecordingApp app;
  script.limit = 0;
  windows.onIdle = [this] {
    static int idle = 0;
    if (++idle == 3) windows.queue.push_back({2, WM_CLOSE, 0, 0});
    else windows.queue.push_back({2, WM_PAINT, 0, 0});
  };
  Run(app, "quillmoor /p 1234");
  ASSERT_EQ(windows.created.size(), 2u);
  ASSERT_FALSE(windows.destroyed.empty());
  EXPECT_EQ(windows.destroyed[0], 1u) << "the window that could take no device goes first";
  EXPECT_EQ(windows.created[1].kind, WindowKind::Child);
  EXPECT_EQ(windows.created[1].parent, 1234u);
  EXPECT_FALSE(windows.created[1].openGL);
  EXPECT_GE(windows.painted, 1);
  EXPECT_EQ(app.Count("RenderFrame"), 0);
  EXPECT_EQ(app.Count("LoadSceneData"), 0);
}

TEST_F(SaverAppTest, PreviewOfAMissingWindowEndsAtOnce) {
  windows.foreignExists = false;
  RecordingApp app;
  Run(app, "quillmoor /p 99999");
  EXPECT_TRUE(windows.created.empty());
  EXPECT_FALSE(app.m_bCanRun);
}

TEST_F(SaverAppTest, ChangePasswordOpensNothing) {
  RecordingApp app;
  Run(app, "quillmoor /a 1234");
  EXPECT_TRUE(windows.created.empty());
  EXPECT_EQ(app.m_hParentWnd, 1234u);
  EXPECT_EQ(app.Count("ReadSceneSettings"), 0);
}

TEST_F(SaverAppTest, AnotherInstanceKeepsThisOneFromStarting) {
  InstanceLock other;
  ASSERT_TRUE(other.Acquire(kWindowClass));
  RecordingApp app;
  Run(app, "quillmoor /s");
  EXPECT_FALSE(app.m_bCanRun);
  EXPECT_TRUE(windows.created.empty());
  other.Release(kWindowClass);

  InstanceLock dialog;  // an open configuration dialog blocks the saver too
  ASSERT_TRUE(dialog.Acquire("Quillmoor 3D Screensaver Configuration"));
  RecordingApp second;
  Run(second, "quillmoor /t");
  EXPECT_FALSE(second.m_bCanRun);
}

TEST_F(SaverAppTest, TerminationSignalEndsTheRunInOrder) {
  RecordingApp app;
  EndAfterFrames(2, WM_QM_TERMINATE);
  Run(app, "quillmoor /t");
  EXPECT_EQ(script.frames, 2);
  EXPECT_EQ(app.Count("StopSound"), 1);
  EXPECT_EQ(app.Count("ReleaseScene"), 1);
}

TEST_F(SaverAppTest, NoDirect3DMeansNoWindowInAnyMode) {
  UseRecordingDirect3D(nullptr);
  SetDirect3DFactory([](UINT) -> IDirect3D8* { return nullptr; });
  RecordingApp app;
  Run(app, "quillmoor /t");
  EXPECT_FALSE(app.m_bCanRun);
  EXPECT_TRUE(windows.created.empty());
  ASSERT_EQ(windows.boxes.size(), 1u);
  EXPECT_NE(windows.boxes[0].find("Could not initialize Direct3D"), std::string::npos);
  SetDirect3DFactory(nullptr);
}

// XScreenSaver starts one process per monitor, each with a window of its own.
LaunchOptions GivenWindow(std::uint64_t id) {
  LaunchOptions options;
  options.foreignWindow = true;
  options.foreignWindowId = id;
  return options;
}

TEST_F(SaverAppTest, ProcessesDrawingIntoGivenWindowsTakeNoLockAndDoNotRefuseEachOther) {
  RecordingApp first;
  EndAfterFrames(2, WM_QM_TERMINATE);
  Run(first, "quillmoor", GivenWindow(0x400001));
  ASSERT_TRUE(first.m_bCanRun);
  ASSERT_EQ(windows.created.size(), 1u);
  EXPECT_EQ(windows.created[0].kind, WindowKind::Foreign);
  EXPECT_EQ(windows.created[0].parent, 0x400001u);
  InstanceLock probe;
  EXPECT_FALSE(probe.IsHeldByAnotherProcess(kWindowClass));

  RecordingApp second;  // the first is still alive, as on a second monitor
  script = FrameScript{};
  EndAfterFrames(2, WM_QM_TERMINATE);
  Run(second, "quillmoor", GivenWindow(0x600001));
  EXPECT_TRUE(second.m_bCanRun);
  EXPECT_EQ(script.frames, 2);
  EXPECT_TRUE(second.NotRunReason().empty());
}

TEST_F(SaverAppTest, ALockFileThatCannotBeUsedIsNotAnotherInstance) {
  InstanceLock paths;
  // A folder where the lock file belongs: neither openable nor held by anyone.
  ASSERT_TRUE(std::filesystem::create_directory(paths.PathFor(kWindowClass)));
  RecordingApp app;
  EndAfterFrames(2, WM_CLOSE);
  Run(app, "quillmoor /t");
  EXPECT_TRUE(app.m_bCanRun);
  EXPECT_EQ(script.frames, 2);

  InstanceLock other;  // a held lock still refuses, and says why
  std::filesystem::remove(paths.PathFor(kWindowClass));
  ASSERT_TRUE(other.Acquire(kWindowClass));
  RecordingApp refused;
  Run(refused, "quillmoor /s");
  EXPECT_FALSE(refused.m_bCanRun);
  EXPECT_NE(refused.NotRunReason().find("another instance"), std::string::npos);
}

TEST_F(SaverAppTest, AResizedGivenWindowGetsANewBackBufferAndTheSceneItsStates) {
  RecordingApp app;
  script.afterFrame = [this](SaverApp& a, int frame) {
    if (frame == 2) {
      windows.foreignRect = {0, 0, 1280, 1024};
      windows.queue.push_back({a.m_hWnd, WM_SIZE, 0, 1280 | (1024 << 16)});
    }
    if (frame == 3) windows.queue.push_back({a.m_hWnd, WM_SIZE, 0, 1280 | (1024 << 16)});
    if (frame == 4) {
      EXPECT_EQ(a.presentParams.BackBufferWidth, 1280u);
      EXPECT_EQ(a.presentParams.BackBufferHeight, 1024u);
      D3DVIEWPORT8 viewport{};
      a.pDevice->GetViewport(&viewport);
      EXPECT_EQ(viewport.Width, 1280u);
      EXPECT_EQ(viewport.Height, 1024u);
      windows.queue.push_back({a.m_hWnd, WM_QM_TERMINATE, 0, 0});
    }
  };
  Run(app, "quillmoor", GivenWindow(0x400001));
  EXPECT_EQ(script.frames, 4);
  EXPECT_EQ(d3d->Log()->Count("Reset"), 1u) << "the same size twice resets once";
  EXPECT_EQ(app.Count("SetDefaultRenderStates"), 2);
  EXPECT_EQ(app.Count("RestoreSceneStates"), 1);
  EXPECT_LT(app.Index("RestoreSceneStates"), app.Index("StopSound"));
}

TEST_F(SaverAppTest, BackBufferTakesTheDrawableSizeNotThePointsAndWaitsForVsync) {
  windows.drawableScale = 2;
  RecordingApp app;
  script.afterFrame = [this](SaverApp& a, int) {
    EXPECT_EQ(a.presentParams.BackBufferWidth, 1200u);
    EXPECT_EQ(a.presentParams.BackBufferHeight, 800u);
    EXPECT_EQ(a.presentParams.FullScreen_PresentationInterval, D3DPRESENT_INTERVAL_ONE);
    EXPECT_EQ(a.Pacer().CurrentPace(), FramePacer::Pace::Vsync);
    windows.queue.push_back({a.m_hWnd, WM_CLOSE, 0, 0});
  };
  Run(app, "quillmoor /t");
  EXPECT_EQ(script.frames, 1);
}

}  // namespace
}  // namespace qm
