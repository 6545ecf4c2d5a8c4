// GlDirect3D8: the Direct3D 8 catalogue on SDL2 and OpenGL, what Direct3DCreate8 returns.
//
// Adapters are SDL displays; their modes are SDL's display modes with the refresh rates
// folded into one entry per size and format (16-bit formats become R5G6B5 or X1R5G5B5,
// 24- and 32-bit ones X8R8G8B8). Depth formats D16, D24X8 and D32 are offered; only
// D3DMULTISAMPLE_NONE is, because the window's pixel format is fixed before the device
// exists. CreateDevice takes the SDL window id as HWND. Holds a reference on SDL's video
// subsystem while it lives, and asks for a 24-bit depth buffer in windows made after it.
#pragma once

#include <SDL.h>

#include <vector>

#include "d3d/RefCounted.h"

namespace qm {

class GlDirect3D8 : public RefCounted<IDirect3D8> {
 public:
  // Null when SDL's video subsystem cannot start.
  static GlDirect3D8* Create();

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

  // The Direct3D format of an SDL pixel format (D3DFMT_UNKNOWN when none fits).
  static D3DFORMAT FormatOfSdl(Uint32 sdlFormat);

 private:
  GlDirect3D8() = default;
  ~GlDirect3D8() override;
  bool ValidAdapter(UINT adapter) const;
  const std::vector<D3DDISPLAYMODE>& Modes(UINT adapter);

  std::vector<std::vector<D3DDISPLAYMODE>> m_modes;  // per adapter, filled on first use
};

}  // namespace qm
