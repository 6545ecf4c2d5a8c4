#include "shell/SaverApp.h"

#include <cstdio>
#include <cstring>

#include "d3dx/ImageDecoder.h"
#include "graphics/LoadingScreen.h"
#include "graphics/ScreenQuadPool.h"
#include "graphics/TextureTable.h"
#include "platform/Clock.h"
#include "platform/EmbeddedResources.h"
#include "platform/RegistryFile.h"
#include "platform/GtkDialogView.h"
#include "shell/ConfigDialog.h"
#include "shell/LabelTable.h"
#include "shell/MessageBox.h"

namespace qm {

namespace {

SaverApp* g_pSaverApp = nullptr;

constexpr int kPreviewBitmapResource = 432;

// The preview picture as 24-bit rows for the window system; false when it is missing.
bool DecodePreviewBitmap(std::span<const std::uint8_t> bytes, Bitmap24& bitmap) {
  DecodedImage image;
  if (bytes.empty() || DecodeImage(bytes, image) != ImageStatus::Ok) return false;
  const Image& top = image.levels[0];
  bitmap.width = int(top.width);
  bitmap.height = int(top.height);
  bitmap.bgr.resize(top.PixelCount() * 3);
  for (std::size_t i = 0; i < top.PixelCount(); ++i) {
    const std::uint32_t argb = top.pixels[i];
    bitmap.bgr[i * 3 + 0] = std::uint8_t(argb);
    bitmap.bgr[i * 3 + 1] = std::uint8_t(argb >> 8);
    bitmap.bgr[i * 3 + 2] = std::uint8_t(argb >> 16);
  }
  return true;
}

std::int64_t MonotonicNanoseconds() {
  Clock& clock = GetClock();
  std::int64_t frequency = 0;
  if (!clock.QueryPerformanceFrequency(frequency) || frequency <= 0)
    return std::int64_t(clock.TimeGetTime()) * 1000000;
  const std::int64_t ticks = clock.QueryPerformanceCounter();
  return ticks / frequency * 1000000000 + ticks % frequency * 1000000000 / frequency;
}

void CopyText(char (&dest)[128], const std::string& text) {
  std::snprintf(dest, sizeof dest, "%s", text.c_str());
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Start-up
// ---------------------------------------------------------------------------------------

SaverApp::SaverApp() : m_Settings(BaseDefaults()) { g_pSaverApp = this; }

SaverApp::~SaverApp() {
  // A run closed without EndRun still hands its device back.
  if (pDevice) ReleaseDisplayDevice();
  if (g_pSaverApp == this) g_pSaverApp = nullptr;
}

SaverApp* SaverApp::Instance() { return g_pSaverApp; }

void SaverApp::SetServices(WindowSystem* windows, RegistryFile* registry, LaunchOptions options) {
  m_pWindows = windows;
  m_pRegistry = registry;
  m_Launch = std::move(options);
}

int SaverApp::WinMain(HINSTANCE instance) {
  Start(instance);
  Dispatch();
  return m_iExitCode;
}

void SaverApp::Start(HINSTANCE instance) {
  LoadLabels();
  CreateScene();
  m_hInstance = instance;
  m_iMode = ReadCommandLine(m_Launch.commandLine.c_str());
  if (m_Launch.foreignWindow) m_iMode = Saver;
  // The log switch is the application's (off as shipped); --log turns it on for diagnosis.
  m_Log.m_bEnabled = m_bLogEnabled || m_Launch.logEnabled;
  SetProcessLog(&m_Log);
  if (m_iMode == Config) m_Log.Open("Config_Log.txt");
  else if (m_iMode != ChangePassword) m_Log.Open("Saver_Log.txt");
  std::string noDialogReason;
  if (m_iMode == Config && !FindDialogHost(&noDialogReason)) {
    std::fprintf(stderr, "quillmoor: %s\n", noDialogReason.c_str());
    m_Log.Close();
    m_iExitCode = 1;
    m_bCanRun = false;
    return;
  }

  m_bCanRun = m_DeviceList.CreateAndEnumerate() == 0;
  if (m_WindowLock.IsHeldByAnotherProcess(kWindowClass) ||
      m_WindowLock.IsHeldByAnotherProcess(Labels().ConfigurationTitle())) {
    m_bCanRun = false;
    m_sNotRunReason = "another instance of the saver or its settings dialog is running";
  }
  if (!m_bCanRun) return;

  QueryDeviceCaps();
  BuildMonitorList();
  if (m_iMode == Preview || m_iMode == Saver || m_iMode == SaverMode::Test) {
    if (m_iMode == Preview && !m_pWindows->ForeignWindowExists(m_hParentWnd)) {
      // Without its parent the preview would wait forever for a timer; end at once.
      std::fprintf(stderr, "quillmoor: preview window %llu does not exist\n",
                   static_cast<unsigned long long>(m_hParentWnd));
      m_bCanRun = false;
      return;
    }
    // Taking the lock closes the gap between the check above and the window: of two savers
    // starting together, one ends here. A process drawing into a window it was given is
    // one of several by design (XScreenSaver runs one per monitor) and takes none.
    if (m_iMode != Preview && !m_Launch.foreignWindow && !TakeWindowLock()) {
      m_bCanRun = false;
      m_sNotRunReason = "another instance of the saver is running";
      return;
    }
    if (FAILED(CreateSaverWindows())) {
      m_Log.Write("Cannot create Saver Window!");
    } else {
      m_Log.Write("Create Saver Window complete");
    }
  }
  if (m_iMode == Preview) RunStartupWait();
}

bool SaverApp::TakeWindowLock() {
  if (m_WindowLock.Acquire(kWindowClass)) return true;
  if (m_WindowLock.Problem().empty()) return false;
  std::fprintf(stderr, "quillmoor: %s; running without the single-instance check\n",
               m_WindowLock.Problem().c_str());
  return true;
}

SaverMode SaverApp::ReadCommandLine(const char* text) {
  const CommandLineChoice choice = ParseCommandLine(text ? text : "");
  m_hParentWnd = HWND(choice.parentWindow);
  return choice.mode;
}

void SaverApp::RunStartupWait() {
  if (m_hWnd == 0) return;  // no window, no timer: nothing to wait for
  m_bStartupWait = true;
  m_pWindows->PostMessage({m_hWnd, WM_USER, 0, 0});
  WindowMessage msg;
  while (m_bStartupWait) {
    if (!m_pWindows->GetMessage(msg)) {
      m_pWindows->PostQuitMessage(0);
      break;
    }
    HandleMessage(msg.hwnd, msg.message, msg.wParam, msg.lParam);
  }
}

// ---------------------------------------------------------------------------------------
// Monitors and windows
// ---------------------------------------------------------------------------------------

void SaverApp::BuildMonitorList() {
  m_nMonitors = 0;
  std::vector<DisplayInfo> displays = m_pWindows->ListDisplays();
  if (m_Launch.headless) {
    // A headless run covers one display of the requested size.
    displays.assign(1, DisplayInfo{"DISPLAY", "DISPLAY", {0, 0, m_Launch.width, m_Launch.height},
                                   true, false});
  }
  for (std::size_t i = 0; i < displays.size() && m_nMonitors < kMaxMonitors; ++i) {
    const DisplayInfo& display = displays[i];
    if (display.mirror) continue;
    MonitorRecord& record = m_aMonitors[m_nMonitors];
    record = MonitorRecord{};
    CopyText(record.szDevice, display.device);
    CopyText(record.szMonitor, display.monitor);
    record.iAdapter = -1;
    record.rcMonitor = display.bounds;
    record.hMonitor = i + 1;
    ++m_nMonitors;
  }
}

HRESULT SaverApp::CreateSaverWindows() {
  WindowParams params;
  params.title = kWindowTitle;
  if (m_iMode == Preview) {
    params.kind = WindowKind::Child;
    params.parent = m_hParentWnd;
    // The live scene needs a window that can take the device; where the parent's screen
    // gives none, a plain child shows the still picture.
    params.openGL = true;
    m_hWnd = m_pWindows->CreateWindow(params);
    m_bPreviewOpenGL = m_hWnd != 0;
    if (!m_hWnd) {
      params.openGL = false;
      m_hWnd = m_pWindows->CreateWindow(params);
    }
    if (m_hWnd) LoadPreviewBitmap();
  } else if (m_iMode == SaverMode::Test) {
    params.kind = WindowKind::TopLevel;
    params.rect = {50, 50, 650, 450};
    params.openGL = true;
    m_hWnd = m_pWindows->CreateWindow(params);
  } else if (m_Launch.foreignWindow) {
    params.kind = WindowKind::Foreign;
    params.parent = m_Launch.foreignWindowId;
    params.openGL = true;
    m_hWnd = m_pWindows->CreateWindow(params);
  } else {
    m_hWnd = 0;
    for (unsigned i = 0; i < m_nMonitors; ++i) {
      MonitorRecord& record = m_aMonitors[i];
      if (!record.hMonitor) continue;
      params.kind = WindowKind::Popup;
      params.topmost = true;
      params.rect = record.rcMonitor;
      params.owner = m_hWnd;
      params.openGL = (m_hWnd == 0);  // only the first window receives the device
      record.hWnd = m_pWindows->CreateWindow(params);
      if (!record.hWnd) return E_FAIL;
      if (!m_hWnd) m_hWnd = record.hWnd;
    }
  }
  if (!m_hWnd) return E_FAIL;
  m_pWindows->HideCursor();
  return S_OK;
}

void SaverApp::LoadPreviewBitmap() {
  m_bHasPreviewBitmap =
      DecodePreviewBitmap(FindEmbeddedResource("BITMAP", kPreviewBitmapResource), m_PreviewBitmap);
}

// ---------------------------------------------------------------------------------------
// Dispatch and main loop
// ---------------------------------------------------------------------------------------

void SaverApp::ApplySelectedModeToSettings() {
  const VideoSelection& selection = m_DeviceList.selection;
  m_Settings.m_iWidth = selection.iWidth;
  m_Settings.m_iHeight = selection.iHeight;
  m_Settings.m_iBitCount = FormatBitCount(selection.eFormat);
  m_Settings.m_iFSAA = selection.iMultiSample;
}

int SaverApp::Dispatch() {
  if (!m_bCanRun) return 0;
  switch (m_iMode) {
    case Config:
      RunConfigDialog();
      break;
    case ChangePassword:
      RunPasswordChange();
      break;
    default:
      if (m_pRegistry) ReadSettings(*m_pRegistry, m_Settings);
      ReadSceneSettings();
      m_DeviceList.SelectMode(m_Settings.m_iWidth, m_Settings.m_iHeight, m_Settings.m_iBitCount,
                              m_Settings.m_iFSAA);
      ApplySelectedModeToSettings();
      if (m_hWnd) RunLoop();
      if (m_hWnd) m_pWindows->DestroyWindow(m_hWnd);
      m_hWnd = 0;
      break;
  }
  return 0;
}

bool SaverApp::FindDialogHost(std::string* whyNot) {
  if (m_pDialogHost) return true;
  std::string unused;
  m_pOwnDialogHost = CreateGtkDialogHost(whyNot ? *whyNot : unused);
  m_pDialogHost = m_pOwnDialogHost.get();
  return m_pDialogHost != nullptr;
}

void SaverApp::RunConfigDialog() {
  if (!FindDialogHost()) {
    m_iExitCode = 1;
    return;
  }
  // An open dialog holds the lock named after its title, so that no saver starts and no
  // second dialog opens meanwhile.
  const std::string title = Labels().ConfigurationTitle();
  if (!m_WindowLock.Acquire(title)) return;
  ConfigDialog dialog(*this, *m_pDialogHost);
  if (dialog.Run() < 0) {
    std::fprintf(stderr, "quillmoor: the settings dialog could not be shown\n");
    m_iExitCode = 1;
  }
  m_Log.Close();
  m_WindowLock.Release(title);
  m_hWnd = 0;
}

int SaverApp::RunLoop() {
  m_bWin9x = false;  // no Windows 9x password services exist on this platform
  if (m_iMode != Preview) {
    const int created = CreateDisplayDevice(m_hWnd);
    if (created == 1) {
      MessageBoxA(m_hWnd, "Cant get Desktop DisplayMode.", "Error!", MB_ICONERROR);
      return 0;
    }
    if (created == 2) {
      MessageBoxA(m_hWnd, "Could not find any compatible Direct3D\ndevices.", "Error!",
                  MB_ICONERROR);
      return 0;
    }
    LoadDigitTextures(pDevice, m_Overlay);
    LoadSceneData(pDevice);
    AfterSceneData(pDevice);
    StartSound();
    m_Log.Write("All Data Was Loaded.");
  } else {
    StartPreviewScene();
  }
  m_pWindows->SetTimer(m_hWnd, kFpsTimer, 1000);
  m_bQuit = false;
  fLastFrameTime = float(GetClock().TimeGetTime());
  StartPacing();
  WindowMessage msg;
  while (msg.message != WM_QUIT && !m_bQuit) {
    std::uint32_t rest = FramePacer::kMinimumRestMs;
    if (m_pWindows->PeekMessage(msg)) {
      if (msg.message != WM_QUIT) HandleMessage(msg.hwnd, msg.message, msg.wParam, msg.lParam);
    } else if (m_iMode != Preview || pDevice) {
      if (m_pObserver && !m_pObserver->BeforeFrame(*this)) {
        EndRun();
        break;
      }
      const HRESULT drawn = RenderStep();
      if (m_pObserver && drawn == S_OK) m_pObserver->AfterFrame(*this);
      if (drawn == S_OK) rest = m_Pacer.RestAfterFrame(MonotonicNanoseconds());
    }
    if (rest > 0) GetClock().Sleep(rest);
  }
  return 0;
}

bool SaverApp::StartPreviewScene() {
  if (m_bPreviewOpenGL) {
    // The back buffer takes the preview's own size, whatever mode the saver runs in.
    const std::int32_t useDesktop = m_Settings.m_bUseDesktopSettings;
    m_Settings.m_bUseDesktopSettings = 1;
    const int created = CreateDisplayDevice(m_hWnd);
    m_Settings.m_bUseDesktopSettings = useDesktop;
    if (created == 0) {
      // No music: the preview is a small picture inside another program's window.
      LoadDigitTextures(pDevice, m_Overlay);
      LoadSceneData(pDevice);
      AfterSceneData(pDevice);
      return true;
    }
    m_Log.Write("No device for the preview; showing the picture.");
    m_pWindows->DestroyWindow(m_hWnd);
    WindowParams params;
    params.title = kWindowTitle;
    params.kind = WindowKind::Child;
    params.parent = m_hParentWnd;
    m_hWnd = m_pWindows->CreateWindow(params);
    m_bPreviewOpenGL = false;
    if (m_hWnd) LoadPreviewBitmap();
  }
  if (m_hWnd && m_bHasPreviewBitmap) m_pWindows->PaintBitmap(m_hWnd, m_PreviewBitmap);
  return false;
}

void SaverApp::StartPacing() {
  // Headless runs are measured or stepped, never paced.
  const int maxFps = m_Launch.headless ? 0 : m_Settings.m_iMaxFps;
  D3DDISPLAYMODE desktop{};
  const bool known = m_DeviceList.pD3D && SUCCEEDED(m_DeviceList.pD3D->GetAdapterDisplayMode(0, &desktop));
  const bool vsync = pDevice && presentParams.FullScreen_PresentationInterval == D3DPRESENT_INTERVAL_ONE;
  m_Pacer.Start(maxFps, known ? int(desktop.RefreshRate) : 0, vsync, MonotonicNanoseconds());
}

// ---------------------------------------------------------------------------------------
// Window messages
// ---------------------------------------------------------------------------------------

LRESULT SaverApp::DefaultWindowProc(HWND, UINT, WPARAM, LPARAM) { return 0; }

LRESULT SaverApp::HandleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      if (m_iMode == Preview) LoadPreviewBitmap();
      break;
    case WM_PAINT:
      if (m_iMode == Preview) {
        if (m_bHasPreviewBitmap && !pDevice) m_pWindows->PaintBitmap(hwnd, m_PreviewBitmap);
        return 0;
      }
      break;
    case WM_CLOSE:
    case WM_DESTROY:
      m_bQuit = true;
      return 1;
    case WM_QM_TERMINATE:
      // Asked to end by a signal: the orderly end, whatever the mode.
      if (!m_bEnded && (m_iMode == Saver || m_iMode == SaverMode::Test)) EndRun();
      m_bQuit = true;
      return 1;
    case WM_SIZE:
      FollowWindowSize(hwnd);
      break;
    case WM_ACTIVATEAPP:
      if (wParam == 0 && m_iMode != SaverMode::Test) return RequestExit();
      break;
    case WM_SETCURSOR:
      if (m_iMode == Saver) return 1;
      break;
    case WM_KEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      if (m_iMode != SaverMode::Test) return RequestExit();
      break;
    case WM_MOUSEMOVE:
      if (m_iMode != Preview && m_Settings.m_bExitOnMouseMove) {
        if (--m_nMouseMoves < 0) return RequestExit();
      }
      break;
    case WM_SYSCOMMAND:
      if (m_iMode == Saver && (wParam == SC_CLOSE || wParam == SC_NEXTWINDOW ||
                               wParam == SC_PREVWINDOW || wParam == SC_SCREENSAVE))
        return RequestExit();
      break;
    case WM_POWERBROADCAST:
      if (wParam == PBT_APMSUSPEND && m_pfnVerifyPassword == nullptr) return RequestExit();
      break;
    case WM_USER:
      m_pWindows->SetTimer(hwnd, kStartupTimer, 500);
      break;
    case WM_TIMER:
      if (wParam == kStartupTimer) {
        m_bStartupWait = false;
        m_pWindows->KillTimer(hwnd, kStartupTimer);
      } else if (wParam == kFpsTimer) {
        iFramesPerSecond = nFramesCounted;
        nFramesCounted = 0;
      }
      break;
    default:
      break;
  }
  return DefaultWindowProc(hwnd, message, wParam, lParam);
}

void SaverApp::FollowWindowSize(HWND hwnd) {
  // Only the window that holds the device, and only where the back buffer follows the
  // window (a chosen full-screen mode keeps its size).
  if (!pDevice || hwnd != m_hWnd || m_iMode == Preview) return;
  if (!m_Settings.m_bUseDesktopSettings && !m_Launch.foreignWindow) return;
  int width = 0, height = 0;
  if (!m_pWindows->GetDrawableSize(hwnd, width, height) || width <= 0 || height <= 0) return;
  if (UINT(width) == presentParams.BackBufferWidth && UINT(height) == presentParams.BackBufferHeight)
    return;
  presentParams.BackBufferWidth = UINT(width);
  presentParams.BackBufferHeight = UINT(height);
  m_Log.Write("Window size changed.");
  // A reset returns every state to its default: set them again, as after a lost device.
  if (FAILED(pDevice->Reset(&presentParams))) return;
  SetDefaultRenderStates(pDevice);
  RestoreSceneStates(pDevice);
  ScreenQuadPool::Instance().Init(pDevice, m_hWnd);
}

// ---------------------------------------------------------------------------------------
// End of a run
// ---------------------------------------------------------------------------------------

int SaverApp::RequestExit() {
  if (m_iMode != Saver && m_iMode != SaverMode::Test) return 0;
  if (m_bWin9x && m_iMode == Saver && m_pfnVerifyPassword) {
    if (bFrameParity == 0 && pDevice) pDevice->Present(nullptr, nullptr, 0, nullptr);
    if (!m_pfnVerifyPassword(m_hWnd)) {
      m_pWindows->HideCursor();
      m_nMouseMoves = 0;
      bFrameParity = 1;
      fLastFrameTime = float(GetClock().TimeGetTime());
      return 0;
    }
  }
  EndRun();
  return 1;
}

void SaverApp::EndRun() {
  if (m_bEnded) return;  // a second request (a key after a signal) finds nothing to end
  m_bEnded = true;
  StopSound();
  if (pDevice) ResetGammaToLinear();
  TextureTable::Instance().ReleaseAll();
  ReleaseScene();
  ReleaseDisplayDevice();
  if (m_hWnd) m_pWindows->KillTimer(m_hWnd, kFpsTimer);
  m_hPasswordDll = 0;
  m_bQuit = true;
  m_Log.Close();
}

void SaverApp::RunPasswordChange() {
  // The desktop's screen locker owns the password on this platform: nothing to call.
}

}  // namespace qm
