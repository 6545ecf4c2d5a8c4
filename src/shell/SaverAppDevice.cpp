// Device creation with its fallback, the frame step with device loss, and the gamma ramp.
#include <chrono>

#include "d3dx/D3DXMath.h"
#include "graphics/GammaRamp.h"
#include "graphics/LoadingScreen.h"
#include "graphics/ScreenQuadPool.h"
#include "graphics/TextureTable.h"
#include "platform/Clock.h"
#include "platform/ProcessAge.h"
#include "platform/ProcessMemory.h"
#include "shell/SaverApp.h"

namespace qm {

namespace {

constexpr DWORD kHardwareVertexCaps = 0x40;
constexpr DWORD kVertexShader10 = 0xFFFE0100;

}  // namespace

int SaverApp::CreateDisplayDevice(HWND hwnd) {
  IDirect3D8* d3d = m_DeviceList.pD3D;
  if (!d3d) return 2;
  D3DDISPLAYMODE desktop{};
  const bool desktopRead = SUCCEEDED(d3d->GetAdapterDisplayMode(0, &desktop));
  if (!desktopRead && m_Settings.m_bUseDesktopSettings) {
    m_Log.Write("Cant get Desktop DisplayMode!");
    return 1;
  }
  DeviceRecord& device = m_DeviceList.CurrentDevice();
  presentParams = D3DPRESENT_PARAMETERS{};
  if (!m_Settings.m_bUseDesktopSettings) {
    const ModeEntry& mode = device.aModes[device.iCurrentMode];
    presentParams.BackBufferWidth = UINT(mode.iWidth);
    presentParams.BackBufferHeight = UINT(mode.iHeight);
    presentParams.BackBufferFormat = mode.eFormat;
  } else {
    // Pixels, not points: on a HiDPI display the drawable is larger than the client area.
    int width = 0, height = 0;
    m_pWindows->GetDrawableSize(hwnd, width, height);
    presentParams.BackBufferWidth = UINT(width);
    presentParams.BackBufferHeight = UINT(height);
    presentParams.BackBufferFormat =
        desktop.Format == D3DFMT_R8G8B8 ? D3DFMT_R5G6B5 : desktop.Format;
  }
  presentParams.Windowed = FALSE;
  presentParams.SwapEffect = D3DSWAPEFFECT_DISCARD;
  presentParams.BackBufferCount = 1;
  presentParams.FullScreen_RefreshRateInHz = 0;
  // On screen the frames follow the display's refresh where it has vsync; headless runs
  // are stepped or measured and must never wait for a display.
  presentParams.FullScreen_PresentationInterval =
      m_Launch.headless ? D3DPRESENT_INTERVAL_IMMEDIATE : D3DPRESENT_INTERVAL_ONE;
  presentParams.EnableAutoDepthStencil = TRUE;
  presentParams.AutoDepthStencilFormat = device.eDepthFormat;
  presentParams.MultiSampleType = static_cast<D3DMULTISAMPLE_TYPE>(device.iMultiSample);

  const D3DFORMAT format = presentParams.BackBufferFormat;
  if (FAILED(d3d->CheckDepthStencilMatch(0, D3DDEVTYPE_HAL, format, format,
                                         presentParams.AutoDepthStencilFormat)))
    presentParams.AutoDepthStencilFormat = D3DFMT_D16;
  if (FAILED(d3d->CheckDeviceMultiSampleType(0, D3DDEVTYPE_HAL, format, FALSE,
                                             presentParams.MultiSampleType)))
    presentParams.MultiSampleType = D3DMULTISAMPLE_NONE;

  DWORD behaviour = (device.caps.DevCaps & kHardwareVertexCaps)
                        ? D3DCREATE_HARDWARE_VERTEXPROCESSING
                        : D3DCREATE_SOFTWARE_VERTEXPROCESSING;
  if (device.caps.VertexShaderVersion < kVertexShader10)
    behaviour = D3DCREATE_SOFTWARE_VERTEXPROCESSING;

  if (FAILED(d3d->CreateDevice(0, D3DDEVTYPE_HAL, hwnd, behaviour, &presentParams, &pDevice))) {
    m_Log.Write("Cant create HAL D3D_Device, try use safe mode.");
    presentParams.MultiSampleType = D3DMULTISAMPLE_NONE;
    presentParams.AutoDepthStencilFormat = D3DFMT_D16;
    presentParams.BackBufferFormat = D3DFMT_R5G6B5;
    presentParams.BackBufferWidth = 640;
    presentParams.BackBufferHeight = 480;
    if (FAILED(d3d->CreateDevice(0, D3DDEVTYPE_HAL, hwnd, D3DCREATE_SOFTWARE_VERTEXPROCESSING,
                                 &presentParams, &pDevice))) {
      pDevice = nullptr;
      m_Log.Write("Cant create any HAL D3D_Device!");
      return 2;
    }
  }
  TextureTable::Instance().Init(d3d, pDevice, presentParams.BackBufferFormat, hwnd);
  ScreenQuadPool::Instance().Init(pDevice, hwnd);
  const D3DGAMMARAMP ramp = GammaRampFromSetting(m_Settings.m_byGamma);
  pDevice->SetGammaRamp(D3DSGR_CALIBRATE, &ramp);
  m_Log.Write("Create D3D_Device Complete");
  SetDefaultRenderStates(pDevice);
  m_Log.Write("Init D3D_Device Complete");
  ShowLoadingScreen(pDevice);
  if (m_fLoadingScreenAge < 0) {
    m_fLoadingScreenAge = ProcessAgeSeconds();
    ProcessMemory memory;
    if (ReadProcessMemory(&memory)) m_iLoadingScreenResidentKb = memory.residentKb;
  }
  return 0;
}

HRESULT SaverApp::RenderStep() {
  if (!pDevice) return E_FAIL;
  Clock& clock = GetClock();
  float elapsed = float(clock.TimeGetTime()) - fLastFrameTime;
  fLastFrameTime = float(clock.TimeGetTime());
  if (elapsed < 0) elapsed = 0;
  const HRESULT cooperative = pDevice->TestCooperativeLevel();
  if (cooperative == D3DERR_DEVICENOTRESET) {
    m_Log.Write("Device was lost.");
    m_Log.Write("Try to restore.");
    // A failed Reset is tried again the next time the device reports not-reset.
    pDevice->Reset(&presentParams);
    SetDefaultRenderStates(pDevice);
    bFrameParity = 1;
    m_Log.Write("Restore state to complete.");
    m_Log.Write("");
    fLastFrameTime = float(clock.TimeGetTime());
    return cooperative;
  }
  if (FAILED(cooperative)) return cooperative;
  using std::chrono::steady_clock;
  const auto start = steady_clock::now();
  MoveFrame(pDevice, elapsed);
  const auto moved = steady_clock::now();
  RenderFrame(pDevice);
  const auto rendered = steady_clock::now();
  ++m_FrameStats.frames;
  m_FrameStats.moveNanoseconds += (moved - start).count();
  m_FrameStats.renderNanoseconds += (rendered - moved).count();
  bFrameParity = 1 - bFrameParity;
  ++nFramesCounted;
  return 0;
}

void SaverApp::ResetGammaToLinear() {
  if (!pDevice) return;
  D3DGAMMARAMP previous{};
  pDevice->GetGammaRamp(&previous);
  const D3DGAMMARAMP linear = LinearGammaRamp();
  pDevice->SetGammaRamp(D3DSGR_CALIBRATE, &linear);
}

void SaverApp::ReleaseDisplayDevice() {
  ScreenQuadPool::Instance().ReleaseAll();
  if (pDevice) pDevice->Release();
  pDevice = nullptr;
  m_DeviceList.ReleaseDirect3D();
}

// ---------------------------------------------------------------------------------------
// The base scene: what a saver without a scene of its own draws
// ---------------------------------------------------------------------------------------

void SaverApp::SetModulatedStageZero(IDirect3DDevice8* device) {
  device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
  device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
  device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
  device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
  device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
  device->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_WRAP);
  device->SetTextureStageState(0, D3DTSS_ADDRESSV, D3DTADDRESS_WRAP);
}

HRESULT SaverApp::SetDefaultRenderStates(IDirect3DDevice8* device) {
  device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
  device->SetRenderState(D3DRS_ALPHAREF, 32);
  device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
  SetModulatedStageZero(device);
  device->SetRenderState(D3DRS_DITHERENABLE, TRUE);
  device->SetRenderState(D3DRS_ZENABLE, TRUE);
  device->SetRenderState(D3DRS_LIGHTING, FALSE);
  D3DMATERIAL8 material{};
  material.Diffuse = material.Ambient = material.Specular = {1.0f, 1.0f, 1.0f, 1.0f};
  material.Power = 50.0f;
  device->SetMaterial(&material);
  D3DXMATRIX identity;
  D3DXMatrixIdentity(&identity);
  device->SetTransform(D3DTS_WORLD, &identity);
  // Field of view 27 (read as degrees), near 0, far 150. A near plane of 0 gives a
  // degenerate depth range; no shipped saver draws with this projection.
  D3DXMATRIX projection;
  D3DXMatrixPerspectiveFovLH(&projection, D3DXToRadian(27.0f), 1.0f, 0.0f, 150.0f);
  device->SetTransform(D3DTS_PROJECTION, &projection);
  return 0;
}

HRESULT SaverApp::MoveFrame(IDirect3DDevice8* device, float) {
  D3DXMATRIX view;
  const D3DXVECTOR3 eye(0, 0, -1), at(0, 0, 0), up(0, 1, 0);
  D3DXMatrixLookAtLH(&view, &eye, &at, &up);
  device->SetTransform(D3DTS_VIEW, &view);
  return 0;
}

HRESULT SaverApp::RenderFrame(IDirect3DDevice8* device) {
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF0000FF, 1.0f, 0);
  device->BeginScene();
  DrawOverlay(device, m_Overlay, m_Settings, iFramesPerSecond);
  device->EndScene();
  device->Present(nullptr, nullptr, 0, nullptr);
  return 0;
}

HRESULT SaverApp::ShowLoadingScreen(IDirect3DDevice8* device) {
  return DrawLoadingScreen(device, m_Overlay.iQuadSlot, bFrameParity);
}

}  // namespace qm
