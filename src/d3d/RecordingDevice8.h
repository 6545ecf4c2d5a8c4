// RecordingDevice8: a Direct3D device that records every call and keeps the current state.
//
// Created by RecordingDirect3D8::CreateDevice. Tests read the shared CallLog (order and
// arguments of the calls) and State() (render states, stage states, transforms, material,
// lights, bound textures). Device loss is scripted: LoseDevice makes TestCooperativeLevel
// report D3DERR_DEVICELOST, AllowReset switches it to D3DERR_DEVICENOTRESET, and Reset
// then succeeds, unless FailResets asked for failing ones (the device stays not-reset).
// Textures and buffers are real system-memory resources, so loaders can fill them.
#pragma once

#include <deque>
#include <memory>

#include "d3d/CallLog.h"
#include "d3d/DeviceState.h"
#include "d3d/MemoryResources.h"

namespace qm {

class RecordingDevice8 : public RefCounted<IDirect3DDevice8> {
 public:
  RecordingDevice8(IDirect3D8* direct3D, std::shared_ptr<CallLog> log,
                   const D3DPRESENT_PARAMETERS& parameters, const D3DCAPS8& caps,
                   HRESULT createTextureError);

  // --- Scripting
  void LoseDevice() { m_cooperativeLevel = D3DERR_DEVICELOST; }
  void AllowReset() { m_cooperativeLevel = D3DERR_DEVICENOTRESET; }
  // Results TestCooperativeLevel returns first, one per call, before the sticky level.
  void ScriptCooperativeLevels(std::deque<HRESULT> levels) { m_scriptedLevels = std::move(levels); }
  // The next `count` Reset calls fail with `error`.
  void FailResets(int count, HRESULT error = D3DERR_INVALIDCALL) {
    m_failingResets = count;
    m_resetError = error;
  }

  // --- Inspection
  const DeviceState& State() const { return m_state; }
  const D3DPRESENT_PARAMETERS& PresentParameters() const { return m_parameters; }
  CallLog& Log() { return *m_log; }
  int PresentCount() const { return m_presents; }

  // --- IDirect3DDevice8
  HRESULT TestCooperativeLevel() override;
  UINT GetAvailableTextureMem() override;
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

 private:
  ~RecordingDevice8() override = default;
  void Record(const char* name, std::string args) { m_log->Add(name, std::move(args)); }
  bool Lost() const { return m_cooperativeLevel != D3D_OK; }

  IDirect3D8* m_direct3D;  // not owned: the catalogue outlives its devices in tests
  std::shared_ptr<CallLog> m_log;
  D3DPRESENT_PARAMETERS m_parameters;
  D3DCAPS8 m_caps;
  HRESULT m_createTextureError;
  DeviceState m_state;
  HRESULT m_cooperativeLevel = D3D_OK;
  std::deque<HRESULT> m_scriptedLevels;
  int m_failingResets = 0;
  HRESULT m_resetError = D3DERR_INVALIDCALL;
  int m_presents = 0;
  bool m_inScene = false;
  bool m_capture = false;
  DWORD m_lastClearColor = 0;
};

}  // namespace qm
