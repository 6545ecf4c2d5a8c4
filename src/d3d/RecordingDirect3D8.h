// RecordingDirect3D8: a scripted Direct3D catalogue that records every call, for tests.
//
// Tests describe adapters (modes with formats and refresh rates, which formats pass the
// full-screen device check, depth formats, multisample types, texture formats, caps, a
// readable or unreadable desktop mode) and how CreateDevice behaves (fail the first N
// calls or always). Devices it creates are RecordingDevice8 objects sharing its CallLog.
// Install it for the application's own Direct3DCreate8 with UseRecordingDirect3D.
#pragma once

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "d3d/CallLog.h"
#include "d3d/RefCounted.h"

namespace qm {

class RecordingDevice8;

// One adapter of the scripted catalogue.
struct ScriptedAdapter {
  std::string description = "Recording adapter";
  std::vector<D3DDISPLAYMODE> modes;
  D3DDISPLAYMODE desktopMode{1024, 768, 60, D3DFMT_X8R8G8B8};
  bool desktopReadable = true;
  // Formats that fail CheckDeviceType (every other format passes).
  std::set<DWORD> failingDeviceTypes;
  // Depth formats that pass CheckDeviceFormat(D3DUSAGE_DEPTHSTENCIL) and
  // CheckDepthStencilMatch.
  std::set<DWORD> depthFormats = {D3DFMT_D16, D3DFMT_D24X8, D3DFMT_D32};
  // Depth formats that pass CheckDeviceFormat but fail CheckDepthStencilMatch.
  std::set<DWORD> depthMismatches;
  // Multisample types that pass CheckDeviceMultiSampleType (NONE always passes).
  std::set<DWORD> multiSampleTypes;
  // Texture formats that pass CheckDeviceFormat(D3DRTYPE_TEXTURE).
  std::set<DWORD> textureFormats = {D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8, D3DFMT_R5G6B5,
                                    D3DFMT_A1R5G5B5, D3DFMT_A4R4G4B4, D3DFMT_X1R5G5B5};
  D3DCAPS8 caps = DefaultCaps();

  static D3DCAPS8 DefaultCaps();
};

// The whole script.
struct Direct3DScript {
  std::vector<ScriptedAdapter> adapters;
  // CreateDevice fails this many times first (-1: always) with createDeviceError.
  int createDeviceFailures = 0;
  HRESULT createDeviceError = D3DERR_NOTAVAILABLE;
  // CreateTexture fails with this code when set (for out-of-memory paths).
  HRESULT createTextureError = D3D_OK;
};

class RecordingDirect3D8 : public RefCounted<IDirect3D8> {
 public:
  explicit RecordingDirect3D8(Direct3DScript script,
                              std::shared_ptr<CallLog> log = std::make_shared<CallLog>());

  UINT GetAdapterCount() override;
  HRESULT GetAdapterIdentifier(UINT adapter, DWORD flags,
                               D3DADAPTER_IDENTIFIER8* identifier) override;
  UINT GetAdapterModeCount(UINT adapter) override;
  HRESULT EnumAdapterModes(UINT adapter, UINT mode, D3DDISPLAYMODE* displayMode) override;
  HRESULT GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* displayMode) override;
  HRESULT CheckDeviceType(UINT adapter, D3DDEVTYPE checkType, D3DFORMAT displayFormat,
                          D3DFORMAT backBufferFormat, BOOL windowed) override;
  HRESULT CheckDeviceFormat(UINT adapter, D3DDEVTYPE deviceType, D3DFORMAT adapterFormat,
                            DWORD usage, D3DRESOURCETYPE resourceType,
                            D3DFORMAT checkFormat) override;
  HRESULT CheckDeviceMultiSampleType(UINT adapter, D3DDEVTYPE deviceType,
                                     D3DFORMAT surfaceFormat, BOOL windowed,
                                     D3DMULTISAMPLE_TYPE multiSampleType) override;
  HRESULT CheckDepthStencilMatch(UINT adapter, D3DDEVTYPE deviceType, D3DFORMAT adapterFormat,
                                 D3DFORMAT renderTargetFormat,
                                 D3DFORMAT depthStencilFormat) override;
  HRESULT GetDeviceCaps(UINT adapter, D3DDEVTYPE deviceType, D3DCAPS8* caps) override;
  HRESULT CreateDevice(UINT adapter, D3DDEVTYPE deviceType, HWND focusWindow,
                       DWORD behaviorFlags, D3DPRESENT_PARAMETERS* presentationParameters,
                       IDirect3DDevice8** returnedDevice) override;

  const std::shared_ptr<CallLog>& Log() const { return m_log; }
  Direct3DScript& Script() { return m_script; }
  // The last device created (the catalogue keeps a reference), or null.
  RecordingDevice8* LastDevice() const { return m_lastDevice.get(); }

 private:
  ~RecordingDirect3D8() override;
  const ScriptedAdapter* Adapter(UINT adapter) const;

  Direct3DScript m_script;
  std::shared_ptr<CallLog> m_log;
  std::shared_ptr<RecordingDevice8> m_lastDevice;
  int m_createDeviceCalls = 0;
};

// Installs a factory so that Direct3DCreate8 returns `direct3D` (with a new reference)
// until the factory is cleared; the caller keeps its own reference.
void UseRecordingDirect3D(RecordingDirect3D8* direct3D);

}  // namespace qm
