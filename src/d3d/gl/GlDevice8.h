// GlDevice8: the Direct3D 8 device on OpenGL 2.1 fixed function, drawing into an SDL window.
//
// Created by GlDirect3D8::CreateDevice for the SDL window whose id is the HWND. State calls
// land in DeviceState; each draw translates what Direct3D 8 would do into GL (see
// GlDrawState.cpp for the differences handled: clip depth, row-vector matrices, culling
// winding, pre-transformed vertices on pixel centres, lights given after the view,
// stage operations, camera-space-normal texture coordinates, B,G,R,A vertex colours).
// Present applies a non-linear gamma ramp with a final pass (GlGammaPass), can capture the
// frame for snapshots and tests, and finishes the frame on SDL's offscreen driver.
#pragma once

#include <SDL.h>

#include <memory>
#include <vector>

#include "d3d/DeviceState.h"
#include "d3d/MemoryResources.h"
#include "d3d/gl/GlFunctions.h"
#include "d3d/gl/GlGammaPass.h"
#include "d3d/gl/GlTexture8.h"

namespace qm {

class GlDevice8 : public RefCounted<IDirect3DDevice8> {
 public:
  // Makes the GL context on the window; null (with *result set) on failure.
  static GlDevice8* Create(IDirect3D8* direct3D, SDL_Window* window, const D3DCAPS8& caps,
                           const D3DPRESENT_PARAMETERS& parameters, HRESULT* result);

  HRESULT TestCooperativeLevel() override { return D3D_OK; }
  UINT GetAvailableTextureMem() override { return 512u << 20; }
  HRESULT GetDirect3D(IDirect3D8** direct3D) override;
  HRESULT GetDeviceCaps(D3DCAPS8* caps) override;
  HRESULT GetDisplayMode(D3DDISPLAYMODE* mode) override;
  HRESULT Reset(D3DPRESENT_PARAMETERS* presentationParameters) override;
  HRESULT Present(const RECT* sourceRect, const RECT* destRect, HWND destWindowOverride,
                  const void* dirtyRegion) override;
  void SetGammaRamp(DWORD flags, const D3DGAMMARAMP* ramp) override;
  void GetGammaRamp(D3DGAMMARAMP* ramp) override;
  HRESULT CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                        D3DPOOL pool, IDirect3DTexture8** texture) override;
  HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                             IDirect3DVertexBuffer8** vertexBuffer) override;
  HRESULT CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                            IDirect3DIndexBuffer8** indexBuffer) override;
  HRESULT BeginScene() override;
  HRESULT EndScene() override;
  HRESULT Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                DWORD stencil) override;
  HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) override;
  HRESULT GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) override;
  HRESULT SetViewport(const D3DVIEWPORT8* viewport) override;
  HRESULT GetViewport(D3DVIEWPORT8* viewport) override;
  HRESULT SetMaterial(const D3DMATERIAL8* material) override;
  HRESULT GetMaterial(D3DMATERIAL8* material) override;
  HRESULT SetLight(DWORD index, const D3DLIGHT8* light) override;
  HRESULT GetLight(DWORD index, D3DLIGHT8* light) override;
  HRESULT LightEnable(DWORD index, BOOL enable) override;
  HRESULT GetLightEnable(DWORD index, BOOL* enable) override;
  HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override;
  HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) override;
  HRESULT SetTexture(DWORD stage, IDirect3DBaseTexture8* texture) override;
  HRESULT GetTexture(DWORD stage, IDirect3DBaseTexture8** texture) override;
  HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type,
                               DWORD value) override;
  HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type,
                               DWORD* value) override;
  HRESULT SetVertexShader(DWORD handle) override;
  HRESULT GetVertexShader(DWORD* handle) override;
  HRESULT SetStreamSource(UINT streamNumber, IDirect3DVertexBuffer8* streamData,
                          UINT stride) override;
  HRESULT SetIndices(IDirect3DIndexBuffer8* indexData, UINT baseVertexIndex) override;
  HRESULT DrawPrimitive(D3DPRIMITIVETYPE primitiveType, UINT startVertex,
                        UINT primitiveCount) override;
  HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE primitiveType, UINT minIndex,
                               UINT numVertices, UINT startIndex,
                               UINT primitiveCount) override;
  HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE primitiveType, UINT primitiveCount,
                          const void* vertexStreamZeroData,
                          UINT vertexStreamZeroStride) override;
  HRESULT DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE primitiveType, UINT minVertexIndex,
                                 UINT numVertexIndices, UINT primitiveCount,
                                 const void* indexData, D3DFORMAT indexDataFormat,
                                 const void* vertexStreamZeroData,
                                 UINT vertexStreamZeroStride) override;
  HRESULT SetFrameCapture(BOOL enable) override;
  HRESULT GetPresentedFrame(std::vector<DWORD>* pixels, UINT* width, UINT* height) override;
  HRESULT SetPixelCounting(BOOL enable) override;
  HRESULT SetDrawingSkipped(BOOL skip) override;
  HRESULT GetPixelCounts(D3DPIXELCOUNTS* counts) override;
  HRESULT MeasureFillRate(const D3DPIXELCOUNTS& counts, D3DFILLCOSTS* costs) override;

 private:
  GlDevice8(IDirect3D8* direct3D, SDL_Window* window, SDL_GLContext context,
            const D3DCAPS8& caps, const D3DPRESENT_PARAMETERS& parameters);
  ~GlDevice8() override;

  // --- Device set-up (GlDevice8.cpp)
  void ReadWindowSize();
  void ApplyDefaults();

  // --- Drawing (GlDrawState.cpp)
  // What one draw reads: vertices (and their count from firstVertex), optional indices.
  struct DrawSource {
    const BYTE* vertices = nullptr;
    UINT stride = 0;
    UINT vertexCount = 0;  // vertices addressable from `vertices`
    const void* indices = nullptr;
    GLenum indexType = 0;
    UINT minIndex = 0;
  };
  HRESULT Draw(D3DPRIMITIVETYPE primitiveType, UINT primitiveCount, const DrawSource& source);
  // The GL draw call itself, on the arrays bound (vertices lowest..highest are read).
  void IssueDraw(D3DPRIMITIVETYPE primitiveType, UINT count, const DrawSource& source,
                 UINT lowest, UINT highest);
  // Translates the state groups that changed since the last draw.
  void ApplyChangedState(DWORD fvf, bool pretransformed);
  void ApplyRenderStates();
  void ApplyTransforms(bool pretransformed);
  void ApplyLighting(bool lit, DWORD fvf);
  void ApplyMaterial();
  void ApplyStages(bool pretransformed, DWORD fvf);
  void ApplyStage(DWORD stage, bool pretransformed, DWORD fvf);
  void ApplyTextures();
  void BindStageTexture(DWORD stage);
  void ApplySampler(DWORD stage, GlTexture8* texture);
  // Waits for the frame before the last one, so that one frame at most is queued.
  void LimitFramesInFlight();

  // --- Fill measurement (GlFillMeasure.cpp)
  // The kind of pixels the next draw makes (D3DFILLKIND_* bits).
  DWORD DrawKind() const;
  // Issues the draw just made once more (its arrays still bound) with every test and
  // write off, counting what it covers.
  void CountDrawPixels(DWORD kind, D3DPRIMITIVETYPE primitiveType, UINT count,
                       const DrawSource& source, UINT lowest, UINT highest);
  // Sums the counting queries of the frame just presented.
  void CollectPixelCounts();
  double MeasureLayerCost(DWORD kind, GLuint texture);
  const BYTE* ConvertPretransformed(const DrawSource& source, UINT first, UINT count);
  void BindArrays(const BYTE* vertices, UINT stride, DWORD fvf, bool pretransformed);
  void BindWhiteTexture();

  IDirect3D8* m_direct3D;  // owned reference
  SDL_Window* m_window;
  SDL_GLContext m_context;
  std::shared_ptr<GlContextToken> m_token;
  GlFunctions m_gl;
  D3DCAPS8 m_caps;
  D3DPRESENT_PARAMETERS m_parameters;
  DeviceState m_state;
  GlGammaPass m_gamma;
  int m_width = 0;
  int m_height = 0;
  bool m_offscreenDriver = false;
  bool m_inScene = false;
  bool m_capture = false;
  bool m_skipDrawing = false;
  std::vector<DWORD> m_capturedFrame;
  UINT m_capturedWidth = 0;
  UINT m_capturedHeight = 0;
  GLuint m_whiteTexture = 0;
  std::vector<BYTE> m_scratch;
  int m_activeUnits = 0;  // stages enabled in GL by the last draw

  // Groups of Direct3D state that changed since the last draw; a draw translates only these.
  // A setter that stores the value already held marks nothing.
  static constexpr unsigned kDirtyRenderStates = 1u << 0;
  static constexpr unsigned kDirtyLighting = 1u << 1;   // lights, light model and material
  static constexpr unsigned kDirtyMaterial = 1u << 2;
  static constexpr unsigned kDirtyStages = 1u << 3;     // combiners, texture coordinates, binds
  static constexpr unsigned kDirtyTextures = 1u << 4;   // only which textures are bound
  static constexpr unsigned kDirtyTransforms = 1u << 5; // matrices and viewport
  static constexpr unsigned kDirtyAll = 0x3Fu;
  unsigned m_dirty = kDirtyAll;
  DWORD m_appliedFvf = 0xFFFFFFFFu;
  GLsync m_frameFence = nullptr;  // marks the end of the last presented frame

  // One counting query of a draw, with the kind of its pixels.
  struct PixelQuery {
    GLuint query;
    DWORD kind;
  };
  bool m_countPixels = false;
  std::vector<PixelQuery> m_pixelQueries;  // of the frame being drawn
  std::uint64_t m_clearedPixels = 0;       // of the frame being drawn
  D3DPIXELCOUNTS m_pixelCounts;            // of the last presented frame
  bool m_pixelCountsReady = false;
};

}  // namespace qm
