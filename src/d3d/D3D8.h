// D3D8: the Direct3D 8 interfaces the saver draws with, as plain C++ abstract classes.
//
// Method names and argument orders are Direct3D 8's, so the saver's graphics code reads as
// designed. Objects are reference counted as in COM: AddRef/Release, and Release frees at
// zero. Two back ends implement them: OpenGL 2.1 through SDL2 (library qm_d3d_gl,
// d3d/gl/GlDirect3D8.h) and a recording back end for tests (library qm_d3d,
// d3d/RecordingDirect3D8.h). Direct3DCreate8 (defined in qm_d3d_gl) returns the OpenGL
// catalogue unless a test installed another factory with qm::SetDirect3DFactory.
//
// The HWND given to CreateDevice is an SDL window id of a window made with
// SDL_WINDOW_OPENGL. Extensions beyond Direct3D 8 are marked as such below (frame capture
// for snapshots and pixel tests).
#pragma once

#include <cstdint>
#include <vector>

#include "d3d/D3D8Types.h"

// Kinds of pixels for the fill measurement: a bit each for a textured, blended,
// alpha-tested and depth-tested draw; D3DFILLKIND_CLEAR counts cleared pixels.
constexpr DWORD D3DFILLKIND_TEXTURED = 1;
constexpr DWORD D3DFILLKIND_BLENDED = 2;
constexpr DWORD D3DFILLKIND_ALPHATESTED = 4;
constexpr DWORD D3DFILLKIND_DEPTHTESTED = 8;
constexpr DWORD D3DFILLKIND_CLEAR = 16;
constexpr DWORD D3DFILLKIND_COUNT = 17;

// Pixels covered per kind of pixel, and the draws that were counted.
struct D3DPIXELCOUNTS {
  std::uint64_t pixels[D3DFILLKIND_COUNT] = {};
  DWORD draws = 0;
  DWORD emptyDraws = 0;  // draws that covered no pixel at all
};

// Nanoseconds one pixel of each kind takes at the renderer's full rate (0: not measured).
struct D3DFILLCOSTS {
  double nanosecondsPerPixel[D3DFILLKIND_COUNT] = {};
};

class IDirect3D8;
class IDirect3DDevice8;

// The reference counting every Direct3D object shares.
class IUnknown8 {
 public:
  virtual ULONG AddRef() = 0;
  // Drops one reference; the object is destroyed when none is left. Returns what is left.
  virtual ULONG Release() = 0;

 protected:
  virtual ~IUnknown8() = default;
};

// Anything created by a device (textures, vertex and index buffers).
class IDirect3DResource8 : public IUnknown8 {
 public:
  virtual D3DRESOURCETYPE GetType() = 0;
};

// What SetTexture binds; only 2D textures exist here.
class IDirect3DBaseTexture8 : public IDirect3DResource8 {
 public:
  virtual DWORD GetLevelCount() = 0;
};

// A 2D texture with a chain of mip levels, each lockable in system memory.
class IDirect3DTexture8 : public IDirect3DBaseTexture8 {
 public:
  virtual HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) = 0;
  // rect null locks the whole level; D3DERR_INVALIDCALL for a level out of range or a
  // level that is locked already.
  virtual HRESULT LockRect(UINT level, D3DLOCKED_RECT* lockedRect, const RECT* rect,
                           DWORD flags) = 0;
  virtual HRESULT UnlockRect(UINT level) = 0;
};

// Vertices for DrawPrimitive and DrawIndexedPrimitive.
class IDirect3DVertexBuffer8 : public IDirect3DResource8 {
 public:
  // size 0 with offset 0 locks the whole buffer.
  virtual HRESULT Lock(UINT offsetToLock, UINT sizeToLock, BYTE** data, DWORD flags) = 0;
  virtual HRESULT Unlock() = 0;
  virtual HRESULT GetDesc(D3DVERTEXBUFFER_DESC* desc) = 0;
};

// 16- or 32-bit indices for DrawIndexedPrimitive.
class IDirect3DIndexBuffer8 : public IDirect3DResource8 {
 public:
  virtual HRESULT Lock(UINT offsetToLock, UINT sizeToLock, BYTE** data, DWORD flags) = 0;
  virtual HRESULT Unlock() = 0;
  virtual HRESULT GetDesc(D3DINDEXBUFFER_DESC* desc) = 0;
};

// The catalogue of adapters, their modes and formats; creates the device.
class IDirect3D8 : public IUnknown8 {
 public:
  virtual UINT GetAdapterCount() = 0;
  virtual HRESULT GetAdapterIdentifier(UINT adapter, DWORD flags,
                                       D3DADAPTER_IDENTIFIER8* identifier) = 0;
  virtual UINT GetAdapterModeCount(UINT adapter) = 0;
  virtual HRESULT EnumAdapterModes(UINT adapter, UINT mode, D3DDISPLAYMODE* displayMode) = 0;
  virtual HRESULT GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* displayMode) = 0;
  virtual HRESULT CheckDeviceType(UINT adapter, D3DDEVTYPE checkType, D3DFORMAT displayFormat,
                                  D3DFORMAT backBufferFormat, BOOL windowed) = 0;
  virtual HRESULT CheckDeviceFormat(UINT adapter, D3DDEVTYPE deviceType,
                                    D3DFORMAT adapterFormat, DWORD usage,
                                    D3DRESOURCETYPE resourceType, D3DFORMAT checkFormat) = 0;
  virtual HRESULT CheckDeviceMultiSampleType(UINT adapter, D3DDEVTYPE deviceType,
                                             D3DFORMAT surfaceFormat, BOOL windowed,
                                             D3DMULTISAMPLE_TYPE multiSampleType) = 0;
  virtual HRESULT CheckDepthStencilMatch(UINT adapter, D3DDEVTYPE deviceType,
                                         D3DFORMAT adapterFormat,
                                         D3DFORMAT renderTargetFormat,
                                         D3DFORMAT depthStencilFormat) = 0;
  virtual HRESULT GetDeviceCaps(UINT adapter, D3DDEVTYPE deviceType, D3DCAPS8* caps) = 0;
  virtual HRESULT CreateDevice(UINT adapter, D3DDEVTYPE deviceType, HWND focusWindow,
                               DWORD behaviorFlags, D3DPRESENT_PARAMETERS* presentationParameters,
                               IDirect3DDevice8** returnedDevice) = 0;
};

// The drawing device: fixed-function states, resources, drawing and presentation.
class IDirect3DDevice8 : public IUnknown8 {
 public:
  // --- Device state and presentation
  // D3D_OK, D3DERR_DEVICELOST (nothing can be drawn) or D3DERR_DEVICENOTRESET (call Reset).
  virtual HRESULT TestCooperativeLevel() = 0;
  virtual UINT GetAvailableTextureMem() = 0;
  virtual HRESULT GetDirect3D(IDirect3D8** direct3D) = 0;
  virtual HRESULT GetDeviceCaps(D3DCAPS8* caps) = 0;
  virtual HRESULT GetDisplayMode(D3DDISPLAYMODE* mode) = 0;
  // Managed-pool resources and their contents survive; render states return to defaults.
  virtual HRESULT Reset(D3DPRESENT_PARAMETERS* presentationParameters) = 0;
  // All arguments are ignored (the saver passes null); the whole back buffer is shown.
  virtual HRESULT Present(const RECT* sourceRect, const RECT* destRect,
                          HWND destWindowOverride, const void* dirtyRegion) = 0;
  // The ramp maps each presented frame; the display's own ramp is never touched.
  virtual void SetGammaRamp(DWORD flags, const D3DGAMMARAMP* ramp) = 0;
  virtual void GetGammaRamp(D3DGAMMARAMP* ramp) = 0;

  // --- Resources
  virtual HRESULT CreateTexture(UINT width, UINT height, UINT levels, DWORD usage,
                                D3DFORMAT format, D3DPOOL pool,
                                IDirect3DTexture8** texture) = 0;
  virtual HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                     IDirect3DVertexBuffer8** vertexBuffer) = 0;
  virtual HRESULT CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                    IDirect3DIndexBuffer8** indexBuffer) = 0;

  // --- Scene and clearing
  virtual HRESULT BeginScene() = 0;
  virtual HRESULT EndScene() = 0;
  // Clears the viewport (or the given rectangles inside it), ignoring ZWRITEENABLE.
  virtual HRESULT Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color,
                        float z, DWORD stencil) = 0;

  // --- Fixed-function state
  virtual HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) = 0;
  virtual HRESULT GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) = 0;
  virtual HRESULT SetViewport(const D3DVIEWPORT8* viewport) = 0;
  virtual HRESULT GetViewport(D3DVIEWPORT8* viewport) = 0;
  virtual HRESULT SetMaterial(const D3DMATERIAL8* material) = 0;
  virtual HRESULT GetMaterial(D3DMATERIAL8* material) = 0;
  virtual HRESULT SetLight(DWORD index, const D3DLIGHT8* light) = 0;
  virtual HRESULT GetLight(DWORD index, D3DLIGHT8* light) = 0;
  virtual HRESULT LightEnable(DWORD index, BOOL enable) = 0;
  virtual HRESULT GetLightEnable(DWORD index, BOOL* enable) = 0;
  virtual HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) = 0;
  virtual HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) = 0;
  // The device holds a reference to each bound texture until it is replaced.
  virtual HRESULT SetTexture(DWORD stage, IDirect3DBaseTexture8* texture) = 0;
  virtual HRESULT GetTexture(DWORD stage, IDirect3DBaseTexture8** texture) = 0;
  virtual HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type,
                                       DWORD value) = 0;
  virtual HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type,
                                       DWORD* value) = 0;

  // --- Vertex input and drawing
  // Fixed function only: the handle is an FVF code.
  virtual HRESULT SetVertexShader(DWORD handle) = 0;
  virtual HRESULT GetVertexShader(DWORD* handle) = 0;
  virtual HRESULT SetStreamSource(UINT streamNumber, IDirect3DVertexBuffer8* streamData,
                                  UINT stride) = 0;
  virtual HRESULT SetIndices(IDirect3DIndexBuffer8* indexData, UINT baseVertexIndex) = 0;
  virtual HRESULT DrawPrimitive(D3DPRIMITIVETYPE primitiveType, UINT startVertex,
                                UINT primitiveCount) = 0;
  virtual HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE primitiveType, UINT minIndex,
                                       UINT numVertices, UINT startIndex,
                                       UINT primitiveCount) = 0;
  virtual HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE primitiveType, UINT primitiveCount,
                                  const void* vertexStreamZeroData,
                                  UINT vertexStreamZeroStride) = 0;
  virtual HRESULT DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE primitiveType, UINT minVertexIndex,
                                         UINT numVertexIndices, UINT primitiveCount,
                                         const void* indexData, D3DFORMAT indexDataFormat,
                                         const void* vertexStreamZeroData,
                                         UINT vertexStreamZeroStride) = 0;

  // --- Extension, not in Direct3D 8: frame capture for snapshots and pixel tests.
  // While capture is on, every Present keeps a copy of the frame it shows (after the gamma
  // ramp). GetPresentedFrame gives that copy as 0xAARRGGBB pixels (alpha 0xFF), rows from
  // the top; D3DERR_NOTAVAILABLE when nothing was captured yet.
  virtual HRESULT SetFrameCapture(BOOL enable) = 0;
  virtual HRESULT GetPresentedFrame(std::vector<DWORD>* pixels, UINT* width, UINT* height) = 0;

  // --- Extension, not in Direct3D 8: the fill measurement of benchmarks. A software
  // renderer is bound by the pixels it fills, so a frame cannot take less than the pixels
  // it covers at the renderer's own fill rate. While counting is on, every draw also counts
  // the pixels it covers (whether or not depth and alpha tests keep them) by kind; the
  // counts of a frame are ready after its Present. MeasureFillRate draws full-screen layers
  // of each kind that was counted and gives the cost of one pixel of each. Back ends that
  // cannot measure answer D3DERR_NOTAVAILABLE.
  virtual HRESULT SetPixelCounting(BOOL /*enable*/) { return D3DERR_NOTAVAILABLE; }
  virtual HRESULT GetPixelCounts(D3DPIXELCOUNTS* /*counts*/) { return D3DERR_NOTAVAILABLE; }
  virtual HRESULT MeasureFillRate(const D3DPIXELCOUNTS& /*counts*/, D3DFILLCOSTS* /*costs*/) {
    return D3DERR_NOTAVAILABLE;
  }

  // --- Extension, not in Direct3D 8: frames nobody sees. While skipping is on, draws and
  // clears are checked as always but fill no pixel, and Present shows nothing new; all else
  // (state, resources, the callers' own work per frame) goes on as usual. A snapshot skips
  // every frame before the one it keeps, so long scene times cost the update, not the fill.
  virtual HRESULT SetDrawingSkipped(BOOL /*skip*/) { return D3DERR_NOTAVAILABLE; }
};

// Creates the Direct3D 8 catalogue; null when no graphics is available. sdkVersion is
// D3D_SDK_VERSION (220); other values are refused as Direct3D does.
IDirect3D8* Direct3DCreate8(UINT sdkVersion);
