#include "d3d/gl/GlDirect3D8.h"

#include <algorithm>
#include <cstdio>

#include "d3d/Direct3DFactory.h"
#include "d3d/FormatInfo.h"
#include "d3d/gl/GlDevice8.h"
#include "d3d/gl/GlTexture8.h"

namespace qm {

namespace {

// The most adapters reported, as the saver's own catalogue holds.
constexpr int kMaxAdapters = 10;

D3DCAPS8 GlCaps(UINT adapter) {
  D3DCAPS8 caps{};
  caps.DeviceType = D3DDEVTYPE_HAL;
  caps.AdapterOrdinal = adapter;
  caps.Caps2 = D3DCAPS2_FULLSCREENGAMMA;
  caps.PresentationIntervals = D3DPRESENT_INTERVAL_IMMEDIATE | D3DPRESENT_INTERVAL_ONE;
  caps.DevCaps = D3DDEVCAPS_TLVERTEXSYSTEMMEMORY | D3DDEVCAPS_TEXTURESYSTEMMEMORY |
                 D3DDEVCAPS_DRAWPRIMTLVERTEX | D3DDEVCAPS_HWTRANSFORMANDLIGHT |
                 D3DDEVCAPS_HWRASTERIZATION;
  caps.RasterCaps = D3DPRASTERCAPS_ZTEST;
  caps.ZCmpCaps = caps.AlphaCmpCaps = 0xFF;
  caps.SrcBlendCaps = caps.DestBlendCaps = 0x1FFF;
  caps.TextureCaps = D3DPTEXTURECAPS_PERSPECTIVE | D3DPTEXTURECAPS_ALPHA |
                     D3DPTEXTURECAPS_PROJECTED | D3DPTEXTURECAPS_MIPMAP;
  caps.TextureFilterCaps = 0x03030303;
  caps.TextureAddressCaps = 0x1F;
  caps.MaxTextureWidth = kMaxTextureSide;
  caps.MaxTextureHeight = kMaxTextureSide;
  caps.MaxTextureRepeat = 8192;
  caps.MaxTextureAspectRatio = kMaxTextureSide;
  caps.MaxAnisotropy = 1;
  caps.MaxVertexW = 1e10f;
  caps.FVFCaps = 8;
  caps.TextureOpCaps = 0x03FFFFFF;
  caps.MaxTextureBlendStages = 8;
  caps.MaxSimultaneousTextures = 8;
  caps.MaxActiveLights = 8;
  caps.MaxPointSize = 64.0f;
  caps.MaxPrimitiveCount = 0x3FFFFFF;
  caps.MaxVertexIndex = 0xFFFFFF;
  caps.MaxStreams = 1;
  caps.MaxStreamStride = 256;
  // Fixed function only: no vertex or pixel shaders.
  caps.VertexShaderVersion = 0;
  caps.PixelShaderVersion = 0;
  return caps;
}

bool IsDisplayFormat(D3DFORMAT format) {
  return format == D3DFMT_X8R8G8B8 || format == D3DFMT_A8R8G8B8 || format == D3DFMT_R5G6B5 ||
         format == D3DFMT_X1R5G5B5 || format == D3DFMT_R8G8B8;
}

bool IsOfferedDepth(D3DFORMAT format) {
  return format == D3DFMT_D16 || format == D3DFMT_D24X8 || format == D3DFMT_D32 ||
         format == D3DFMT_D24S8;
}

}  // namespace

GlDirect3D8* GlDirect3D8::Create() {
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return nullptr;
  int depth = 0;
  if (SDL_GL_GetAttribute(SDL_GL_DEPTH_SIZE, &depth) != 0 || depth < 24) {
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
  }
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  return new GlDirect3D8();
}

GlDirect3D8::~GlDirect3D8() { SDL_QuitSubSystem(SDL_INIT_VIDEO); }

D3DFORMAT GlDirect3D8::FormatOfSdl(Uint32 sdlFormat) {
  // Some drivers (the offscreen one) leave the format unknown; 32-bit is what they draw.
  if (sdlFormat == SDL_PIXELFORMAT_UNKNOWN) return D3DFMT_X8R8G8B8;
  const int bits = SDL_BITSPERPIXEL(sdlFormat);
  const int bytes = SDL_BYTESPERPIXEL(sdlFormat);
  if (bytes == 4) return D3DFMT_X8R8G8B8;
  if (bytes == 3) return D3DFMT_R8G8B8;
  if (bits == 16) return D3DFMT_R5G6B5;
  if (bits == 15) return D3DFMT_X1R5G5B5;
  return D3DFMT_UNKNOWN;
}

bool GlDirect3D8::ValidAdapter(UINT adapter) const {
  return static_cast<int>(adapter) < std::min(SDL_GetNumVideoDisplays(), kMaxAdapters);
}

UINT GlDirect3D8::GetAdapterCount() {
  return static_cast<UINT>(std::clamp(SDL_GetNumVideoDisplays(), 0, kMaxAdapters));
}

HRESULT GlDirect3D8::GetAdapterIdentifier(UINT adapter, DWORD, D3DADAPTER_IDENTIFIER8* identifier) {
  if (!ValidAdapter(adapter) || !identifier) return D3DERR_INVALIDCALL;
  *identifier = D3DADAPTER_IDENTIFIER8{};
  const char* driver = SDL_GetCurrentVideoDriver();
  const char* name = SDL_GetDisplayName(static_cast<int>(adapter));
  std::snprintf(identifier->Driver, sizeof identifier->Driver, "OpenGL on SDL %s",
                driver ? driver : "");
  std::snprintf(identifier->Description, sizeof identifier->Description, "%s",
                name ? name : "Display");
  return D3D_OK;
}

const std::vector<D3DDISPLAYMODE>& GlDirect3D8::Modes(UINT adapter) {
  if (m_modes.size() <= adapter) m_modes.resize(adapter + 1);
  std::vector<D3DDISPLAYMODE>& modes = m_modes[adapter];
  if (!modes.empty()) return modes;
  const int count = SDL_GetNumDisplayModes(static_cast<int>(adapter));
  for (int i = 0; i < count; ++i) {
    SDL_DisplayMode mode{};
    if (SDL_GetDisplayMode(static_cast<int>(adapter), i, &mode) != 0) continue;
    const D3DFORMAT format = FormatOfSdl(mode.format);
    if (format == D3DFMT_UNKNOWN || mode.w <= 0 || mode.h <= 0) continue;
    const auto same = std::find_if(modes.begin(), modes.end(), [&](const D3DDISPLAYMODE& m) {
      return m.Width == static_cast<UINT>(mode.w) && m.Height == static_cast<UINT>(mode.h) &&
             m.Format == format;
    });
    const UINT refresh = mode.refresh_rate > 0 ? static_cast<UINT>(mode.refresh_rate) : 0;
    if (same != modes.end()) {
      same->RefreshRate = std::max(same->RefreshRate, refresh);  // rates fold into one entry
    } else {
      modes.push_back({static_cast<UINT>(mode.w), static_cast<UINT>(mode.h), refresh, format});
    }
  }
  // A driver without a mode list (the offscreen one lists a single 0 x 0 mode) still has
  // its desktop mode.
  SDL_DisplayMode desktop{};
  if (modes.empty() && SDL_GetDesktopDisplayMode(static_cast<int>(adapter), &desktop) == 0 &&
      desktop.w > 0 && desktop.h > 0) {
    modes.push_back({static_cast<UINT>(desktop.w), static_cast<UINT>(desktop.h),
                     static_cast<UINT>(std::max(desktop.refresh_rate, 0)),
                     FormatOfSdl(desktop.format)});
  }
  return modes;
}

UINT GlDirect3D8::GetAdapterModeCount(UINT adapter) {
  return ValidAdapter(adapter) ? static_cast<UINT>(Modes(adapter).size()) : 0;
}

HRESULT GlDirect3D8::EnumAdapterModes(UINT adapter, UINT mode, D3DDISPLAYMODE* displayMode) {
  if (!ValidAdapter(adapter) || !displayMode) return D3DERR_INVALIDCALL;
  const auto& modes = Modes(adapter);
  if (mode >= modes.size()) return D3DERR_INVALIDCALL;
  *displayMode = modes[mode];
  return D3D_OK;
}

HRESULT GlDirect3D8::GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* displayMode) {
  if (!ValidAdapter(adapter) || !displayMode) return D3DERR_INVALIDCALL;
  SDL_DisplayMode mode{};
  if (SDL_GetDesktopDisplayMode(static_cast<int>(adapter), &mode) != 0) {
    return D3DERR_NOTAVAILABLE;
  }
  const D3DFORMAT format = FormatOfSdl(mode.format);
  *displayMode = D3DDISPLAYMODE{static_cast<UINT>(mode.w), static_cast<UINT>(mode.h),
                                static_cast<UINT>(std::max(mode.refresh_rate, 0)),
                                format == D3DFMT_UNKNOWN ? D3DFMT_X8R8G8B8 : format};
  return D3D_OK;
}

HRESULT GlDirect3D8::CheckDeviceType(UINT adapter, D3DDEVTYPE checkType, D3DFORMAT displayFormat,
                                     D3DFORMAT backBufferFormat, BOOL) {
  if (!ValidAdapter(adapter) || checkType != D3DDEVTYPE_HAL) return D3DERR_NOTAVAILABLE;
  const bool backBufferOk = backBufferFormat == D3DFMT_UNKNOWN || IsDisplayFormat(backBufferFormat);
  return IsDisplayFormat(displayFormat) && backBufferOk ? D3D_OK : D3DERR_NOTAVAILABLE;
}

HRESULT GlDirect3D8::CheckDeviceFormat(UINT adapter, D3DDEVTYPE deviceType, D3DFORMAT,
                                       DWORD usage, D3DRESOURCETYPE resourceType,
                                       D3DFORMAT checkFormat) {
  if (!ValidAdapter(adapter) || deviceType != D3DDEVTYPE_HAL) return D3DERR_NOTAVAILABLE;
  if (usage & D3DUSAGE_DEPTHSTENCIL) {
    return IsOfferedDepth(checkFormat) ? D3D_OK : D3DERR_NOTAVAILABLE;
  }
  if (resourceType == D3DRTYPE_TEXTURE) {
    // Compressed formats are not promised: whether the GL has S3TC is known only once a
    // context exists, and the texture loader decompresses them anyway.
    const bool supported = !IsBlockCompressed(checkFormat) && GlTexture8::Supported(checkFormat, false);
    return supported ? D3D_OK : D3DERR_NOTAVAILABLE;
  }
  return IsDisplayFormat(checkFormat) ? D3D_OK : D3DERR_NOTAVAILABLE;
}

HRESULT GlDirect3D8::CheckDeviceMultiSampleType(UINT adapter, D3DDEVTYPE deviceType, D3DFORMAT,
                                                BOOL, D3DMULTISAMPLE_TYPE multiSampleType) {
  if (!ValidAdapter(adapter) || deviceType != D3DDEVTYPE_HAL) return D3DERR_NOTAVAILABLE;
  return multiSampleType == D3DMULTISAMPLE_NONE ? D3D_OK : D3DERR_NOTAVAILABLE;
}

HRESULT GlDirect3D8::CheckDepthStencilMatch(UINT adapter, D3DDEVTYPE deviceType, D3DFORMAT,
                                            D3DFORMAT, D3DFORMAT depthStencilFormat) {
  if (!ValidAdapter(adapter) || deviceType != D3DDEVTYPE_HAL) return D3DERR_NOTAVAILABLE;
  return IsOfferedDepth(depthStencilFormat) ? D3D_OK : D3DERR_NOTAVAILABLE;
}

HRESULT GlDirect3D8::GetDeviceCaps(UINT adapter, D3DDEVTYPE deviceType, D3DCAPS8* caps) {
  if (!ValidAdapter(adapter) || !caps) return D3DERR_INVALIDCALL;
  if (deviceType != D3DDEVTYPE_HAL) return D3DERR_NOTAVAILABLE;
  *caps = GlCaps(adapter);
  return D3D_OK;
}

HRESULT GlDirect3D8::CreateDevice(UINT adapter, D3DDEVTYPE deviceType, HWND focusWindow, DWORD,
                                  D3DPRESENT_PARAMETERS* parameters,
                                  IDirect3DDevice8** returnedDevice) {
  if (!returnedDevice) return D3DERR_INVALIDCALL;
  *returnedDevice = nullptr;
  if (!ValidAdapter(adapter) || !parameters) return D3DERR_INVALIDCALL;
  if (deviceType != D3DDEVTYPE_HAL) return D3DERR_NOTAVAILABLE;
  if (parameters->MultiSampleType != D3DMULTISAMPLE_NONE) return D3DERR_NOTAVAILABLE;
  const HWND windowId = parameters->hDeviceWindow != 0 ? parameters->hDeviceWindow : focusWindow;
  SDL_Window* window = SDL_GetWindowFromID(static_cast<Uint32>(windowId));
  if (!window || !(SDL_GetWindowFlags(window) & SDL_WINDOW_OPENGL)) return D3DERR_INVALIDCALL;
  HRESULT result = D3D_OK;
  GlDevice8* device = GlDevice8::Create(this, window, GlCaps(adapter), *parameters, &result);
  *returnedDevice = device;
  return device ? D3D_OK : result;
}

}  // namespace qm

IDirect3D8* Direct3DCreate8(UINT sdkVersion) {
  const qm::Direct3DFactory& factory = qm::GetDirect3DFactory();
  if (factory) return factory(sdkVersion);
  if (sdkVersion != D3D_SDK_VERSION) return nullptr;
  return qm::GlDirect3D8::Create();
}
