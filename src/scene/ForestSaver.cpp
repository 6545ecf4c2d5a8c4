#include "scene/ForestSaver.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <system_error>

#include "graphics/FrameTimer.h"
#include "platform/MixerAudio.h"
#include "platform/RegistryFile.h"
#include "scene/ForestScene.h"
#include "shell/ConfigDialog.h"
#include "shell/JsonWriter.h"
#include "shell/LabelTable.h"
#include "shell/Random.h"
#include "shell/RunLog.h"

namespace qm {

namespace {

const D3DXVECTOR3 kEye(-10.0f, -138.308f, -14.0f);
const D3DXVECTOR3 kLookDirection(0.0f, -100.0f, 0.0f);
const D3DXVECTOR3 kUp(0.0f, 0.0f, 1.0f);
constexpr float kCameraTilt = 0.014279967f;
const D3DXVECTOR3 kRollCentre(0.0f, 0.0f, 200.0f);
const D3DXVECTOR3 kNodCentre(0.0f, 0.0f, 120.0f);

constexpr float kFieldOfView = 0.7853982f;
// The aspect of a 4:3 screen, for a device that reports no viewport.
constexpr float kAspect = 1.3333334f;
constexpr float kNearPlane = 20.0f;
constexpr float kFarPlane = 600.0f;

constexpr const char* kBackgroundNames[ForestSaver::kBackgroundCount] = {
    "background_01.jpg", "background_02.jpg", "background_03.jpg", "background_04.jpg",
    "background_05.jpg"};

// The background buttons of the settings dialog, for backgrounds 1 to 5.
constexpr int kBackgroundButtons[ForestSaver::kBackgroundCount] = {
    dialog_ids::kBackground1, dialog_ids::kBackground2, dialog_ids::kBackground3,
    dialog_ids::kBackground4, dialog_ids::kBackground5};
// Their thumbnails ("Images" resources): chosen, and not chosen.
constexpr int kBrightPreviews[ForestSaver::kBackgroundCount] = {470, 471, 472, 473, 469};
constexpr int kDimPreviews[ForestSaver::kBackgroundCount] = {475, 476, 477, 478, 474};
// Entries of the web's start list, by m_iNetting.
constexpr const char* kNettingLabels[] = {"From_scratch", "1/4_into_it", "Half-finished"};

// A rotation about a centre, as D3DXMatrixTransformation builds it without scaling.
D3DXMATRIX RotationAbout(const D3DXVECTOR3& centre, const D3DXVECTOR3& axis, float angle) {
  D3DXQUATERNION rotation;
  D3DXQuaternionRotationAxis(&rotation, &axis, angle);
  D3DXMATRIX m;
  D3DXMatrixTransformation(&m, nullptr, nullptr, nullptr, &centre, &rotation, nullptr);
  return m;
}

}  // namespace

ForestSaver::ForestSaver()
    : m_pAudio(std::make_unique<MixerAudio>()),
      m_pMusic(std::make_unique<MusicPlayer>(*m_pAudio, m_Log)) {}

ForestSaver::~ForestSaver() { ReleaseScene(); }

const char* ForestSaver::BackgroundName(int background) {
  if (background < 1 || background > kBackgroundCount) return "";
  return kBackgroundNames[background - 1];
}

// ---------------------------------------------------------------------------------------
// Start-up and settings
// ---------------------------------------------------------------------------------------

void ForestSaver::CreateScene() {
  OverlayState& overlay = m_Overlay;
  overlay.rgbClock[0] = overlay.rgbClock[1] = overlay.rgbClock[2] = 255;
  overlay.fDigitHeight = 0.06375f;
  overlay.fDigitWidth = 0.047f;
  overlay.fDigitSpacing = 0.79f;
  overlay.fClockX = 0.69f;
  overlay.fClockY = 0.92f;
  overlay.fFpsX = 0.01f;
  overlay.fFpsY = 0.01f;
  m_bLogEnabled = false;
  m_fSceneTime = m_fPrevStep = m_fLastStep = 0.0f;
  m_bSaveCobweb = 0;
  m_bSfxControl = false;
  m_pScene = new ForestScene();
  // Snapshots and tests ask for a fixed seed; a saver run starts from the time.
  const std::uint32_t seed =
      Launch().seedGiven ? Launch().seed : std::uint32_t(std::time(nullptr));
  SeedRandom(seed);
  SeedRandom(seed);  // the scene seeds the same generator the same way once more
  FrameTimer(TIMER_START);
}

void ForestSaver::ResetSceneSettings() {
  const SceneDefaults& d = SceneDefaultRecord();
  m_Scene.m_bCLTarn = d.m_bCLTarn;
  m_Scene.m_bBL = d.m_bBL;
  m_Scene.m_iBackground = d.m_iBackground;
  m_Scene.m_bRondomBackground = d.m_bRondomBackground;
  m_Scene.m_bRockingCamera = d.m_bRockingCamera;
  m_Scene.m_bEnableRays = d.m_bEnableRays;
  m_Scene.m_iNetting = d.m_iNetting;
}

void ForestSaver::ReadSceneSettings() {
  ResetSceneSettings();
  const RegistryFile* registry = Registry();
  if (!registry) return;
  ReadFlag(*registry, "RockingCamera", m_Scene.m_bRockingCamera);
  if (auto v = registry->QueryDword(kSettingsKey, "Background")) m_Scene.m_iBackground = int(*v);
  ReadFlag(*registry, "RondomBackground", m_Scene.m_bRondomBackground);
  ReadFlag(*registry, "EnableRays", m_Scene.m_bEnableRays);
  if (auto v = registry->QueryDword(kSettingsKey, "Netting")) m_Scene.m_iNetting = int(*v);
  // Not a dialog setting: switched on by hand in the settings file.
  ReadFlag(*registry, "SaveCobweb", m_bSaveCobweb);
  // The dialog never stores values outside these ranges; a hand-edited file could.
  m_Scene.m_iBackground = std::clamp(m_Scene.m_iBackground, 1, kBackgroundCount);
  m_Scene.m_iNetting = std::clamp(m_Scene.m_iNetting, 0, 2);
}

void ForestSaver::WriteSceneSettings() {
  RegistryFile* registry = Registry();
  if (!registry) return;
  WriteFlag(*registry, "RockingCamera", m_Scene.m_bRockingCamera);
  WriteNumber(*registry, "Background", std::uint32_t(m_Scene.m_iBackground));
  WriteFlag(*registry, "RondomBackground", m_Scene.m_bRondomBackground);
  WriteFlag(*registry, "EnableRays", m_Scene.m_bEnableRays);
  WriteNumber(*registry, "Netting", std::uint32_t(m_Scene.m_iNetting));
}

void ForestSaver::StartSound() {
  // Snapshots and benchmarks measure the saver; nobody listens to them.
  if (Launch().headless || !m_Settings.m_bMusic) return;
  if (!m_MusicLock.TryAcquire()) {
    m_Log.Write("Music plays in another saver process.");
    return;
  }
  m_pMusic->StartMusic(true, std::uint32_t(std::max(0, m_Settings.m_iMusicVolume)), m_hWnd);
  // A silent process leaves the music to the next saver that starts.
  if (!m_pMusic->Playing()) m_MusicLock.Release();
}

void ForestSaver::StopSound() {
  m_pMusic->StopMusic();
  m_MusicLock.Release();
}

void ForestSaver::UseAudioBackend(std::unique_ptr<AudioBackend> backend) {
  StopSound();
  m_pMusic.reset();
  m_pAudio = std::move(backend);
  m_pMusic = std::make_unique<MusicPlayer>(*m_pAudio, m_Log);
}

void ForestSaver::QueryDeviceCaps() {
  D3DCAPS8 caps{};
  if (m_DeviceList.pD3D) m_DeviceList.pD3D->GetDeviceCaps(0, D3DDEVTYPE_HAL, &caps);
}

// ---------------------------------------------------------------------------------------
// The scene's page of the settings dialog
// ---------------------------------------------------------------------------------------

int ForestSaver::BackgroundOfButton(int controlId) {
  for (int i = 0; i < kBackgroundCount; ++i)
    if (kBackgroundButtons[i] == controlId) return i + 1;
  return 0;
}

void ForestSaver::InitScenePage(HWND dialogHandle) {
  DialogModel* dialog = DialogModel::FromHandle(dialogHandle);
  if (!dialog) return;
  dialog->SetCheck(dialog_ids::kEnableRays, m_Scene.m_bEnableRays);
  dialog->SetCheck(dialog_ids::kRandomBackground, m_Scene.m_bRondomBackground);
  dialog->SetCheck(dialog_ids::kRockingCamera, m_Scene.m_bRockingCamera);
  // "Restore Defaults" fills the page again: the list starts empty each time, or it would
  // carry every entry twice.
  dialog->ResetContent(dialog_ids::kNettingList);
  for (int i = 0; i < 3; ++i) {
    const int item = dialog->AddString(dialog_ids::kNettingList, GetLabel(kNettingLabels[i]));
    dialog->SetItemData(dialog_ids::kNettingList, item, i);
    if (i == m_Scene.m_iNetting) dialog->SetCurSel(dialog_ids::kNettingList, item);
  }
  for (int i = 0; i < kBackgroundCount; ++i) {
    m_SelectedPreview[i].Load(kBrightPreviews[i]);
    m_DimPreview[i].Load(kDimPreviews[i]);
  }
  for (int id : kBackgroundButtons) dialog->Invalidate(id);
}

LRESULT ForestSaver::ScenePageMessage(HWND dialogHandle, UINT message, WPARAM wParam,
                                      LPARAM lParam) {
  DialogModel* dialog = DialogModel::FromHandle(dialogHandle);
  if (!dialog) return 0;
  if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
    const int id = LOWORD(wParam);
    if (const int background = BackgroundOfButton(id)) {
      const int old = m_Scene.m_iBackground;
      m_Scene.m_iBackground = background;
      if (old != background) {
        dialog->Invalidate(id);
        if (old >= 1 && old <= kBackgroundCount) dialog->Invalidate(kBackgroundButtons[old - 1]);
      }
    } else if (id == dialog_ids::kRandomBackground) {
      m_Scene.m_bRondomBackground = dialog->GetCheck(id);
      for (int button : kBackgroundButtons) dialog->Invalidate(button);
    } else if (id == dialog_ids::kEnableRays) {
      m_Scene.m_bEnableRays = dialog->GetCheck(id);
    } else if (id == dialog_ids::kRockingCamera) {
      m_Scene.m_bRockingCamera = dialog->GetCheck(id);
    }
  } else if (message == WM_COMMAND && HIWORD(wParam) == CBN_SELENDOK &&
             LOWORD(wParam) == dialog_ids::kNettingList) {
    const int item = dialog->GetCurSel(dialog_ids::kNettingList);
    const std::intptr_t netting = dialog->GetItemData(dialog_ids::kNettingList, item);
    if (netting >= 0 && netting <= 2) m_Scene.m_iNetting = int(netting);
  } else if (message == WM_DRAWITEM && lParam) {
    const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    const int background = BackgroundOfButton(int(item.CtlID));
    if (background && item.canvas) {
      const bool bright = m_Scene.m_iBackground == background || m_Scene.m_bRondomBackground;
      const ResourcePicture& picture =
          bright ? m_SelectedPreview[background - 1] : m_DimPreview[background - 1];
      picture.Draw(*item.canvas, item.rcItem);
    }
  }
  return 0;
}

// ---------------------------------------------------------------------------------------
// Device states and scene data
// ---------------------------------------------------------------------------------------

HRESULT ForestSaver::SetDefaultRenderStates(IDirect3DDevice8* device) {
  device->SetRenderState(D3DRS_CLIPPLANEENABLE, 0);
  device->SetRenderState(D3DRS_CLIPPLANEENABLE, 1);
  device->SetRenderState(D3DRS_SOFTWAREVERTEXPROCESSING, TRUE);
  device->SetRenderState(D3DRS_COLORVERTEX, FALSE);
  SetModulatedStageZero(device);
  device->SetRenderState(D3DRS_NORMALIZENORMALS, TRUE);
  device->SetRenderState(D3DRS_DITHERENABLE, TRUE);
  device->SetRenderState(D3DRS_ZENABLE, TRUE);
  device->SetRenderState(D3DRS_LIGHTING, FALSE);
  return 0;
}

HRESULT ForestSaver::LoadSceneData(IDirect3DDevice8* device) {
  m_pScene->m_bEnableRays = m_Scene.m_bEnableRays;
  ChooseBackground();
  m_pScene->SetBackgroundName(BackgroundName(m_Scene.m_iBackground));
  const HRESULT hr = m_pScene->InitDeviceObjects(device);
  if (FAILED(hr)) {
    m_Log.Write("ERROR: Forest data Init FAILED !!!");
    return hr;
  }
  LoadStartWeb(device);
  if (FAILED(SetProjectionAndLight(device))) return E_FAIL;
  m_Log.Write("Forest data Init complete.");
  return 0;
}

HRESULT ForestSaver::SetProjectionAndLight(IDirect3DDevice8* device) {
  D3DVIEWPORT8 viewport{};
  device->GetViewport(&viewport);
  const float aspect = viewport.Width > 0 && viewport.Height > 0
                           ? float(viewport.Width) / float(viewport.Height)
                           : kAspect;
  // The glade is made for a 4:3 view: a wider screen shows the same width and less height,
  // a narrower one the same height and less width, so that nothing is stretched and the
  // edges of the backdrop never come into view.
  float fieldOfView = kFieldOfView;
  if (aspect > kAspect) fieldOfView = 2.0f * std::atan(std::tan(kFieldOfView / 2.0f) * kAspect / aspect);
  D3DXMATRIX projection;
  D3DXMatrixPerspectiveFovRH(&projection, fieldOfView, aspect, kNearPlane, kFarPlane);
  device->SetTransform(D3DTS_PROJECTION, &projection);

  D3DLIGHT8 light{};
  light.Type = D3DLIGHT_DIRECTIONAL;
  light.Diffuse = {1.0f, 1.0f, 1.0f, 0.0f};
  light.Position = {0.0f, 1.0f, 0.0f};
  D3DXVECTOR3 direction(0.0f, 1.0f, 0.0f);
  D3DXVec3Normalize(&direction, &direction);
  light.Direction = direction;
  light.Range = 1000.0f;
  light.Specular = {0.99f, 0.99f, 0.99f, 0.0f};
  light.Ambient = {0.35f, 0.35f, 0.35f, 0.0f};
  if (FAILED(device->SetLight(0, &light))) return E_FAIL;
  if (FAILED(device->LightEnable(0, TRUE))) return E_FAIL;
  return 0;
}

void ForestSaver::ChooseBackground() {
  // The choice lives in memory only: the stored setting keeps the user's own background.
  if (m_Scene.m_bRondomBackground) m_Scene.m_iBackground = RandomInt(1, kBackgroundCount);
}

// ---------------------------------------------------------------------------------------
// Frames
// ---------------------------------------------------------------------------------------

float ForestSaver::SmoothStep(float raw) {
  float dt = raw;
  if (!(dt > 0.0f)) dt = 0.0f;
  if (dt > kMaxStep) dt = kMaxStep;
  dt = ((m_fPrevStep + m_fLastStep) / 2.0f + dt) / 2.0f;
  m_fPrevStep = m_fLastStep;
  m_fLastStep = dt;
  m_fSceneTime += dt;
  return dt;
}

void ForestSaver::UpdateCamera(float t) {
  D3DXVECTOR3 eye = kEye;
  D3DXVECTOR3 direction = kLookDirection;
  D3DXVECTOR3 up = kUp;
  D3DXMATRIX tilt;
  D3DXMatrixRotationX(&tilt, kCameraTilt);
  D3DXVec3TransformCoord(&direction, &direction, &tilt);
  if (m_Scene.m_bRockingCamera) {
    const float swing = (std::sin(t / 7.0f + 7.0f) + 0.7f) / 1.7f;
    const float amplitude = float(double(swing * swing) * 0.9 + 0.1);
    const float roll = std::sin(t / 0.5f + 4.0f) * amplitude / 135.0f;
    const float nod = std::sin(t / 0.3f) * amplitude / 155.0f;
    const D3DXMATRIX rollAbout = RotationAbout(kRollCentre, D3DXVECTOR3(0, 1, 0), roll);
    D3DXVec3TransformCoord(&eye, &eye, &rollAbout);
    const D3DXMATRIX nodAbout = RotationAbout(kNodCentre, D3DXVECTOR3(1, 0, 0), nod);
    D3DXVec3TransformCoord(&eye, &eye, &nodAbout);
    D3DXVec3TransformCoord(&direction, &direction, &nodAbout);
    D3DXVec3TransformCoord(&up, &up, &nodAbout);
  }
  m_Camera.SetView(eye, eye + direction, up);
}

HRESULT ForestSaver::MoveFrame(IDirect3DDevice8*, float) {
  const float dt = SmoothStep(FrameTimer(TIMER_GETELAPSEDTIME));
  if (m_pScene) m_pScene->FrameMove(dt, 1);
  UpdateCamera(m_fSceneTime);
  return 0;
}

HRESULT ForestSaver::RenderFrame(IDirect3DDevice8* device) {
  const D3DXMATRIX view = m_Camera.GetViewMatrix();
  device->SetTransform(D3DTS_VIEW, &view);
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
  if (FAILED(device->BeginScene())) return 0;
  if (m_pScene) m_pScene->Render(device);
  DrawOverlay(device, m_Overlay, m_Settings, iFramesPerSecond);
  device->EndScene();
  device->Present(nullptr, nullptr, 0, nullptr);
  return 0;
}

void ForestSaver::ReportScene(JsonWriter& report) const {
  report.Member("scene_time", m_fSceneTime);
  report.MemberInt("background", m_Scene.m_iBackground);
  report.MemberInt("netting", m_Scene.m_iNetting);
  report.MemberBool("rocking_camera", m_Scene.m_bRockingCamera != 0);
  report.Key("music");
  report.BeginObject();
  report.MemberBool("enabled", m_Settings.m_bMusic != 0);
  report.MemberInt("volume", m_Settings.m_iMusicVolume);
  report.MemberBool("playing", m_pMusic->Playing());
  report.EndObject();
  if (m_pScene) m_pScene->Report(report);
}

void ForestSaver::SetWebFiles(std::string startFile, std::string saveFile) {
  m_webStartFile = std::move(startFile);
  m_webSaveFile = std::move(saveFile);
}

std::filesystem::path ForestSaver::StoredWebPath() {
  std::filesystem::path base;
  if (const char* xdg = std::getenv("XDG_STATE_HOME"); xdg && *xdg) {
    base = xdg;
  } else if (const char* home = std::getenv("HOME"); home && *home) {
    base = std::filesystem::path(home) / ".local" / "state";
  } else {
    base = "/tmp";
  }
  return base / "quillmoor" / "cobweb.dat";
}

void ForestSaver::LoadStartWeb(IDirect3DDevice8* device) {
  // A web named on the command line comes first, then the web stored at the last exit,
  // then the start file of the netting setting.
  int loaded = 1;
  bool tried = false;
  std::error_code ec;
  const std::filesystem::path stored = StoredWebPath();
  if (!m_webStartFile.empty()) {
    loaded = m_pScene->LoadCobwebFile(m_webStartFile.c_str());
    tried = true;
  } else if (m_bSaveCobweb && std::filesystem::exists(stored, ec)) {
    loaded = m_pScene->LoadCobwebFile(stored.c_str());
    tried = true;
  } else if (m_Scene.m_iNetting == 1 || m_Scene.m_iNetting == 2) {
    const char* start = m_Scene.m_iNetting == 1 ? "cobweb_quarter.dat" : "cobweb_half.dat";
    loaded = m_pScene->LoadCobwebStart(start);
    tried = true;
  }
  if (!tried) return;
  if (loaded == 1) {
    m_pScene->WebWasLoaded();
    return;
  }
  m_Log.Write("ERROR: Web data load FAILED !!!");
  m_pScene->ReleaseDeviceObjects();
  m_pScene->DeleteDeviceObjects();
  m_pScene->ResetCobweb();
  m_pScene->InitDeviceObjects(device);
}

void ForestSaver::StoreWeb() {
  if (m_bSaveCobweb) {
    const std::filesystem::path stored = StoredWebPath();
    std::error_code ec;
    std::filesystem::create_directories(stored.parent_path(), ec);
    if (!m_pScene->SaveCobweb(stored.c_str())) m_bWebStoreFailed = true;
  }
  if (!m_webSaveFile.empty() && !m_pScene->SaveCobweb(m_webSaveFile.c_str()))
    m_bWebStoreFailed = true;
  if (m_bWebStoreFailed) m_Log.Write("ERROR: Web data store FAILED !!!");
}

int ForestSaver::ReleaseScene() {
  // A run closed without EndRun (the test window closed) stops its music here, while the
  // audio system it plays through still exists.
  StopSound();
  if (!m_pScene) return 0;
  StoreWeb();
  m_pScene->ReleaseDeviceObjects();
  m_pScene->DeleteDeviceObjects();
  delete m_pScene;
  m_pScene = nullptr;
  FrameTimer(TIMER_RESET);
  return 0;
}

}  // namespace qm
