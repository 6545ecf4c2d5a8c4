#include "d3d/RecordingDirect3D8.h"

#include <cstdio>
#include <cstring>

#include "d3d/Direct3DFactory.h"
#include "d3d/FormatInfo.h"
#include "d3d/RecordingDevice8.h"

namespace qm {

D3DCAPS8 ScriptedAdapter::DefaultCaps() {
  D3DCAPS8 caps{};
  caps.DeviceType = D3DDEVTYPE_HAL;
  caps.Caps2 = D3DCAPS2_FULLSCREENGAMMA;
  caps.DevCaps = D3DDEVCAPS_TLVERTEXSYSTEMMEMORY | D3DDEVCAPS_HWTRANSFORMANDLIGHT |
                 D3DDEVCAPS_HWRASTERIZATION | D3DDEVCAPS_DRAWPRIMTLVERTEX;
  caps.TextureCaps = D3DPTEXTURECAPS_PERSPECTIVE | D3DPTEXTURECAPS_ALPHA |
                     D3DPTEXTURECAPS_MIPMAP | D3DPTEXTURECAPS_PROJECTED;
  caps.MaxTextureWidth = 2048;
  caps.MaxTextureHeight = 2048;
  caps.MaxTextureBlendStages = 8;
  caps.MaxSimultaneousTextures = 8;
  caps.MaxActiveLights = 8;
  caps.MaxPrimitiveCount = 0xFFFFF;
  caps.MaxVertexIndex = 0xFFFFF;
  caps.MaxStreams = 1;
  caps.MaxStreamStride = 256;
  caps.VertexShaderVersion = D3DVS_VERSION(1, 1);
  return caps;
}

RecordingDirect3D8::RecordingDirect3D8(Direct3DScript script, std::shared_ptr<CallLog> log)
    : m_script(std::move(script)), m_log(std::move(log)) {}

RecordingDirect3D8::~RecordingDirect3D8() = default;

const ScriptedAdapter* RecordingDirect3D8::Adapter(UINT adapter) const {
  return adapter < m_script.adapters.size() ? &m_script.adapters[adapter] : nullptr;
}

UINT RecordingDirect3D8::GetAdapterCount() {
  m_log->Add("GetAdapterCount", "");
  return static_cast<UINT>(m_script.adapters.size());
}

HRESULT RecordingDirect3D8::GetAdapterIdentifier(UINT adapter, DWORD flags,
                                                 D3DADAPTER_IDENTIFIER8* identifier) {
  m_log->Add("GetAdapterIdentifier", JoinArgs({FormatArg(adapter), FormatArg(flags)}));
  const ScriptedAdapter* a = Adapter(adapter);
  if (!a || !identifier) return D3DERR_INVALIDCALL;
  *identifier = D3DADAPTER_IDENTIFIER8{};
  std::snprintf(identifier->Driver, sizeof identifier->Driver, "recording");
  std::snprintf(identifier->Description, sizeof identifier->Description, "%s",
                a->description.c_str());
  return D3D_OK;
}

UINT RecordingDirect3D8::GetAdapterModeCount(UINT adapter) {
  m_log->Add("GetAdapterModeCount", FormatArg(adapter));
  const ScriptedAdapter* a = Adapter(adapter);
  return a ? static_cast<UINT>(a->modes.size()) : 0;
}

HRESULT RecordingDirect3D8::EnumAdapterModes(UINT adapter, UINT mode,
                                             D3DDISPLAYMODE* displayMode) {
  m_log->Add("EnumAdapterModes", JoinArgs({FormatArg(adapter), FormatArg(mode)}));
  const ScriptedAdapter* a = Adapter(adapter);
  if (!a || mode >= a->modes.size() || !displayMode) return D3DERR_INVALIDCALL;
  *displayMode = a->modes[mode];
  return D3D_OK;
}

HRESULT RecordingDirect3D8::GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* displayMode) {
  m_log->Add("GetAdapterDisplayMode", FormatArg(adapter));
  const ScriptedAdapter* a = Adapter(adapter);
  if (!a || !displayMode) return D3DERR_INVALIDCALL;
  if (!a->desktopReadable) return D3DERR_NOTAVAILABLE;
  *displayMode = a->desktopMode;
  return D3D_OK;
}

HRESULT RecordingDirect3D8::CheckDeviceType(UINT adapter, D3DDEVTYPE checkType,
                                            D3DFORMAT displayFormat, D3DFORMAT backBufferFormat,
                                            BOOL windowed) {
  m_log->Add("CheckDeviceType",
             JoinArgs({FormatArg(adapter), FormatArg(checkType), FormatArg(displayFormat),
                       FormatArg(backBufferFormat), FormatArg(static_cast<DWORD>(windowed))}));
  const ScriptedAdapter* a = Adapter(adapter);
  if (!a) return D3DERR_INVALIDCALL;
  return a->failingDeviceTypes.count(displayFormat) ? D3DERR_NOTAVAILABLE : D3D_OK;
}

HRESULT RecordingDirect3D8::CheckDeviceFormat(UINT adapter, D3DDEVTYPE deviceType,
                                              D3DFORMAT adapterFormat, DWORD usage,
                                              D3DRESOURCETYPE resourceType,
                                              D3DFORMAT checkFormat) {
  m_log->Add("CheckDeviceFormat",
             JoinArgs({FormatArg(adapter), FormatArg(deviceType), FormatArg(adapterFormat),
                       FormatArg(usage), FormatArg(resourceType), FormatArg(checkFormat)}));
  const ScriptedAdapter* a = Adapter(adapter);
  if (!a) return D3DERR_INVALIDCALL;
  if (usage & D3DUSAGE_DEPTHSTENCIL) {
    const bool known = a->depthFormats.count(checkFormat) || a->depthMismatches.count(checkFormat);
    return known ? D3D_OK : D3DERR_NOTAVAILABLE;
  }
  return a->textureFormats.count(checkFormat) ? D3D_OK : D3DERR_NOTAVAILABLE;
}

HRESULT RecordingDirect3D8::CheckDeviceMultiSampleType(UINT adapter, D3DDEVTYPE deviceType,
                                                       D3DFORMAT surfaceFormat, BOOL windowed,
                                                       D3DMULTISAMPLE_TYPE multiSampleType) {
  m_log->Add("CheckDeviceMultiSampleType",
             JoinArgs({FormatArg(adapter), FormatArg(deviceType), FormatArg(surfaceFormat),
                       FormatArg(static_cast<DWORD>(windowed)), FormatArg(multiSampleType)}));
  const ScriptedAdapter* a = Adapter(adapter);
  if (!a) return D3DERR_INVALIDCALL;
  const bool supported =
      multiSampleType == D3DMULTISAMPLE_NONE || a->multiSampleTypes.count(multiSampleType);
  return supported ? D3D_OK : D3DERR_NOTAVAILABLE;
}

HRESULT RecordingDirect3D8::CheckDepthStencilMatch(UINT adapter, D3DDEVTYPE deviceType,
                                                   D3DFORMAT adapterFormat,
                                                   D3DFORMAT renderTargetFormat,
                                                   D3DFORMAT depthStencilFormat) {
  m_log->Add("CheckDepthStencilMatch",
             JoinArgs({FormatArg(adapter), FormatArg(deviceType), FormatArg(adapterFormat),
                       FormatArg(renderTargetFormat), FormatArg(depthStencilFormat)}));
  const ScriptedAdapter* a = Adapter(adapter);
  if (!a) return D3DERR_INVALIDCALL;
  return a->depthFormats.count(depthStencilFormat) ? D3D_OK : D3DERR_NOTAVAILABLE;
}

HRESULT RecordingDirect3D8::GetDeviceCaps(UINT adapter, D3DDEVTYPE deviceType, D3DCAPS8* caps) {
  m_log->Add("GetDeviceCaps", JoinArgs({FormatArg(adapter), FormatArg(deviceType)}));
  const ScriptedAdapter* a = Adapter(adapter);
  if (!a || !caps) return D3DERR_INVALIDCALL;
  *caps = a->caps;
  caps->AdapterOrdinal = adapter;
  return D3D_OK;
}

HRESULT RecordingDirect3D8::CreateDevice(UINT adapter, D3DDEVTYPE deviceType, HWND focusWindow,
                                         DWORD behaviorFlags,
                                         D3DPRESENT_PARAMETERS* parameters,
                                         IDirect3DDevice8** returnedDevice) {
  std::string args = JoinArgs({FormatArg(adapter), FormatArg(deviceType),
                               FormatArg(static_cast<DWORD>(focusWindow)),
                               FormatArg(behaviorFlags)});
  if (parameters) {
    args += ", " + JoinArgs({FormatArg(parameters->BackBufferWidth),
                             FormatArg(parameters->BackBufferHeight),
                             FormatArg(parameters->BackBufferFormat),
                             FormatArg(parameters->AutoDepthStencilFormat),
                             FormatArg(parameters->MultiSampleType),
                             FormatArg(static_cast<DWORD>(parameters->Windowed))});
  }
  m_log->Add("CreateDevice", args);
  const ScriptedAdapter* a = Adapter(adapter);
  if (!a || !parameters || !returnedDevice) return D3DERR_INVALIDCALL;
  *returnedDevice = nullptr;
  ++m_createDeviceCalls;
  if (m_script.createDeviceFailures < 0 || m_createDeviceCalls <= m_script.createDeviceFailures) {
    return m_script.createDeviceError;
  }
  auto* device = new RecordingDevice8(this, m_log, *parameters, a->caps,
                                      m_script.createTextureError);
  device->AddRef();  // the catalogue's own reference, for LastDevice
  m_lastDevice.reset(device, [](RecordingDevice8* d) { d->Release(); });
  *returnedDevice = device;
  return D3D_OK;
}

void UseRecordingDirect3D(RecordingDirect3D8* direct3D) {
  SetDirect3DFactory([direct3D](UINT sdkVersion) -> IDirect3D8* {
    if (sdkVersion != D3D_SDK_VERSION || !direct3D) return nullptr;
    direct3D->AddRef();
    return direct3D;
  });
}

}  // namespace qm
