// SaverApp: the application core shared by every saver built on this shell.
//
// One object exists per process (a static, constructed before main); its constructor makes
// it the process-wide application. main() hands it the platform services and calls WinMain:
// Start reads the command line, checks that Direct3D works and that no other instance runs,
// and opens the window(s); Dispatch runs the chosen mode; RunLoop creates the device, loads
// the scene and draws a frame whenever no message waits. A subclass plugs its scene in only
// through the virtual operations below, which the core calls in a fixed order.
//
// Sections of SaverApp.cpp: start-up / monitors and windows / dispatch and main loop /
// window messages / end of a run. Device creation, frames and gamma: SaverAppDevice.cpp.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "d3d/D3D8.h"
#include "graphics/DeviceList.h"
#include "graphics/FramePacer.h"
#include "graphics/Overlay.h"
#include "platform/InstanceLock.h"
#include "platform/WindowSystem.h"
#include "shell/CommandLine.h"
#include "shell/RunLog.h"
#include "shell/SaverSettings.h"

namespace qm {

class DialogHost;
class RegistryFile;

inline constexpr const char* kWindowClass = "VS D3D QUILLMOOR3D";
inline constexpr const char* kWindowTitle = "D3D QUILLMOOR3D";

// One display the saver may cover, as the start-up lists them (at most 9).
struct MonitorRecord {
  char szDevice[128] = {};
  char szMonitor[128] = {};
  std::uintptr_t hMonitor = 0;  // 0 for a display that is not part of the desktop
  RECT rcMonitor{};
  int iAdapter = -1;
  HWND hWnd = 0;
};

// How this process was started beyond the screen-saver switches (Linux only).
struct LaunchOptions {
  std::string commandLine;         // the Windows-style command line text
  bool foreignWindow = false;      // draw mode Saver into an existing X11 window
  std::uint64_t foreignWindowId = 0;
  bool logEnabled = false;         // --log: the run log, off as shipped
  // Headless runs: a snapshot after `runSeconds` of simulated time, or a real-time
  // benchmark for `runSeconds`; both in a single window of width x height.
  bool headless = false;
  bool simulatedTime = false;
  double runSeconds = 0.0;
  int width = 800;
  int height = 600;
  // A fixed seed for the random generator (snapshots); otherwise the time seeds it.
  bool seedGiven = false;
  std::uint32_t seed = 0;
};

// Called when a headless run ends, with the device still alive (snapshots read it back).
class RunObserver {
 public:
  virtual ~RunObserver() = default;
  // Before each frame; returns false to end the run (through EndRun).
  virtual bool BeforeFrame(class SaverApp& app) = 0;
  // After each frame that was drawn and presented.
  virtual void AfterFrame(class SaverApp& app) = 0;
};

class SaverApp {
 public:
  static constexpr int kMaxMonitors = 9;
  static constexpr int kMouseMovesTolerated = 30;
  static constexpr UINT kStartupTimer = 1;
  static constexpr UINT kFpsTimer = 7;

  SaverApp();
  virtual ~SaverApp();
  SaverApp(const SaverApp&) = delete;
  SaverApp& operator=(const SaverApp&) = delete;

  // The application object of this process.
  static SaverApp* Instance();

  // Platform services; must be set before WinMain. Neither is owned.
  void SetServices(WindowSystem* windows, RegistryFile* registry, LaunchOptions options);
  void SetRunObserver(RunObserver* observer) { m_pObserver = observer; }
  // Where the settings dialog is shown (tests); by default the GTK view when a display
  // exists. Not owned.
  void SetDialogHost(DialogHost* host) { m_pDialogHost = host; }

  // --- Virtual operations, in their table order
  virtual void CreateScene() {}
  virtual void ReadSceneSettings() {}
  virtual void WriteSceneSettings() {}
  virtual void ResetSceneSettings() {}
  virtual void InitScenePage(HWND /*dialog*/) {}
  virtual LRESULT ScenePageMessage(HWND, UINT, WPARAM, LPARAM) { return 0; }
  virtual LRESULT DefaultWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  virtual void StartSound() {}
  virtual void StopSound() {}
  virtual void QueryDeviceCaps() {}
  virtual HRESULT SetDefaultRenderStates(IDirect3DDevice8* device);
  virtual HRESULT ShowLoadingScreen(IDirect3DDevice8* device);
  virtual HRESULT LoadSceneData(IDirect3DDevice8*) { return 0; }
  virtual HRESULT AfterSceneData(IDirect3DDevice8*) { return 0; }
  virtual HRESULT MoveFrame(IDirect3DDevice8* device, float elapsedMilliseconds);
  virtual HRESULT RenderFrame(IDirect3DDevice8* device);
  virtual int ReleaseScene() { return 0; }
  // Linux addition: after a device reset for a new window size, the scene sets the states
  // that the reset dropped and that SetDefaultRenderStates does not set (its projection).
  virtual void RestoreSceneStates(IDirect3DDevice8* /*device*/) {}
  // Linux addition: the scene's state as members of the report object (--report).
  virtual void ReportScene(class JsonWriter& /*report*/) const {}

  // --- The core
  // Returns the process's exit status: 0, or 1 when the settings dialog could not open.
  int WinMain(HINSTANCE instance);
  void Start(HINSTANCE instance);
  SaverMode ReadCommandLine(const char* text);
  int Dispatch();
  int RunLoop();
  HRESULT RenderStep();
  int RequestExit();
  void EndRun();
  void RunPasswordChange();
  // The window procedure's body: every message of every saver window comes here.
  LRESULT HandleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  // --- Device creation, loss and gamma (SaverAppDevice.cpp)
  // 0 success, 1 the desktop mode was unreadable, 2 no device could be created.
  int CreateDisplayDevice(HWND hwnd);
  void ReleaseDisplayDevice();
  void ResetGammaToLinear();
  // Copies the device list's current choice into m_Settings (width, height, bits, FSAA).
  void ApplySelectedModeToSettings();

  // --- State the Parts share (names as the design has them)
  bool m_bQuit = false;
  bool m_bCanRun = false;
  HWND m_hParentWnd = 0;
  SaverMode m_iMode = Config;
  HINSTANCE m_hInstance = 0;
  HWND m_hWnd = 0;
  MonitorRecord m_aMonitors[kMaxMonitors];
  unsigned m_nMonitors = 0;
  HMODULE m_hPasswordDll = 0;
  bool m_bStartupWait = false;
  bool m_bWin9x = false;
  BOOL (*m_pfnVerifyPassword)(HWND) = nullptr;  // never found on Linux
  SaverSettings m_Settings;
  bool m_bSfxControl = true;
  DeviceList m_DeviceList;
  IDirect3DDevice8* pDevice = nullptr;
  D3DPRESENT_PARAMETERS presentParams{};
  OverlayState m_Overlay;
  int bFrameParity = 1;
  int iFramesPerSecond = 0;
  int nFramesCounted = 0;
  float fLastFrameTime = 0.0f;
  bool m_bHasPreviewBitmap = false;
  bool m_bPreviewOpenGL = false;  // the preview's child window can take the device
  Bitmap24 m_PreviewBitmap;
  int m_nMouseMoves = kMouseMovesTolerated;
  bool m_bLogEnabled = false;
  RunLog m_Log;

  // Time spent in MoveFrame and RenderFrame (including Present), for the benchmark.
  struct FrameStats {
    std::int64_t frames = 0;
    std::int64_t moveNanoseconds = 0;
    std::int64_t renderNanoseconds = 0;
  } m_FrameStats;
  // Seconds from the process's start to the first loading screen shown; -1 before that.
  double m_fLoadingScreenAge = -1;
  // Resident memory then: the renderer and the libraries, before any of the scene's media.
  std::int64_t m_iLoadingScreenResidentKb = -1;

  // Why Start refused to run (another instance), for the callers that must say so; empty
  // when it did not refuse or refused for a reason already shown.
  const std::string& NotRunReason() const { return m_sNotRunReason; }
  const FramePacer& Pacer() const { return m_Pacer; }

  WindowSystem* Windows() const { return m_pWindows; }
  RegistryFile* Registry() const { return m_pRegistry; }
  const LaunchOptions& Launch() const { return m_Launch; }

 protected:
  // Texture stage 0 as both savers' default states set it: texture times diffuse colour,
  // bilinear, wrapping.
  static void SetModulatedStageZero(IDirect3DDevice8* device);
  // The configuration dialog; on this platform it comes from the GTK view.
  virtual void RunConfigDialog();

 private:
  void BuildMonitorList();
  HRESULT CreateSaverWindows();
  void RunStartupWait();
  void LoadPreviewBitmap();
  // Preview: the device and the scene in the child window, or, where no device can be
  // made there, a plain child with the still picture. True for the live scene.
  bool StartPreviewScene();
  // With the reason in whyNot (when given) where there is none.
  bool FindDialogHost(std::string* whyNot = nullptr);
  // Takes the saver-window lock; false when another process holds it. A lock file that
  // cannot be used is reported and the run goes on without the check.
  bool TakeWindowLock();
  void StartPacing();
  // A window given to the saver changed size: the back buffer and viewport follow it.
  void FollowWindowSize(HWND hwnd);

  WindowSystem* m_pWindows = nullptr;
  RegistryFile* m_pRegistry = nullptr;
  RunObserver* m_pObserver = nullptr;
  DialogHost* m_pDialogHost = nullptr;
  std::unique_ptr<DialogHost> m_pOwnDialogHost;
  int m_iExitCode = 0;
  LaunchOptions m_Launch;
  InstanceLock m_WindowLock;
  FramePacer m_Pacer;
  std::string m_sNotRunReason;
  bool m_bEnded = false;
};

}  // namespace qm
