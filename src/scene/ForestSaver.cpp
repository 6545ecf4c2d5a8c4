#include "scene/ForestSaver.h"

#include <algorithm>
#include <cmath>
#include <ctime>

#include "graphics/FrameTimer.h"
#include "platform/RegistryFile.h"
#include "scene/ForestScene.h"
#include "shell/JsonWriter.h"
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

// A rotation about a centre, as D3DXMatrixTransformation builds it without scaling.
D3DXMATRIX RotationAbout(const D3DXVECTOR3& centre, const D3DXVECTOR3& axis, float angle) {
  D3DXQUATERNION rotation;
  D3DXQuaternionRotationAxis(&rotation, &axis, angle);
  D3DXMATRIX m;
  D3DXMatrixTransformation(&m, nullptr, nullptr, nullptr, &centre, &rotation, nullptr);
  return m;
}

}  // namespace

ForestSaver::ForestSaver() = default;

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
  // The music player joins here.
}

void ForestSaver::StopSound() {}

void ForestSaver::QueryDeviceCaps() {
  D3DCAPS8 caps{};
  if (m_DeviceList.pD3D) m_DeviceList.pD3D->GetDeviceCaps(0, D3DDEVTYPE_HAL, &caps);
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
  if (m_Scene.m_iNetting == 1 || m_Scene.m_iNetting == 2) {
    const char* start = m_Scene.m_iNetting == 1 ? "cobweb_quarter.dat" : "cobweb_half.dat";
    if (m_pScene->LoadCobwebStart(start) == 1) {
      m_pScene->WebWasLoaded();
    } else {
      m_Log.Write("ERROR: Web data load FAILED !!!");
      m_pScene->ReleaseDeviceObjects();
      m_pScene->DeleteDeviceObjects();
      m_pScene->ResetCobweb();
      m_pScene->InitDeviceObjects(device);
    }
  }
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
  if (m_pScene) m_pScene->Report(report);
}

int ForestSaver::ReleaseScene() {
  if (!m_pScene) return 0;
  if (m_bSaveCobweb) m_pScene->SaveCobweb("Cobweb.dat");
  m_pScene->ReleaseDeviceObjects();
  m_pScene->DeleteDeviceObjects();
  delete m_pScene;
  m_pScene = nullptr;
  FrameTimer(TIMER_RESET);
  return 0;
}

}  // namespace qm
