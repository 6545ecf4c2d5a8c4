#include "d3d/RecordingDevice8.h"

#include <algorithm>

#include "d3d/D3DNames.h"

namespace qm {

namespace {

std::string FormatColorValue(const D3DCOLORVALUE& c) {
  return "(" + FormatFloat(c.r) + " " + FormatFloat(c.g) + " " + FormatFloat(c.b) + " " +
         FormatFloat(c.a) + ")";
}

std::string FormatVector(const D3DVECTOR& v) {
  return "(" + FormatFloat(v.x) + " " + FormatFloat(v.y) + " " + FormatFloat(v.z) + ")";
}

}  // namespace

RecordingDevice8::RecordingDevice8(IDirect3D8* direct3D, std::shared_ptr<CallLog> log,
                                   const D3DPRESENT_PARAMETERS& parameters,
                                   const D3DCAPS8& caps, HRESULT createTextureError)
    : m_direct3D(direct3D),
      m_log(std::move(log)),
      m_parameters(parameters),
      m_caps(caps),
      m_createTextureError(createTextureError),
      m_state(parameters.EnableAutoDepthStencil != FALSE) {
  m_state.viewport = D3DVIEWPORT8{0, 0, parameters.BackBufferWidth, parameters.BackBufferHeight,
                                  0.0f, 1.0f};
  m_state.gammaRamp = LinearGammaRamp();
}

HRESULT RecordingDevice8::TestCooperativeLevel() {
  HRESULT result = m_cooperativeLevel;
  if (!m_scriptedLevels.empty()) {
    result = m_scriptedLevels.front();
    m_scriptedLevels.pop_front();
    m_cooperativeLevel = result;
  }
  Record("TestCooperativeLevel", "");
  return result;
}

UINT RecordingDevice8::GetAvailableTextureMem() { return 256u << 20; }

HRESULT RecordingDevice8::GetDirect3D(IDirect3D8** direct3D) {
  if (!direct3D) return D3DERR_INVALIDCALL;
  m_direct3D->AddRef();
  *direct3D = m_direct3D;
  return D3D_OK;
}

HRESULT RecordingDevice8::GetDeviceCaps(D3DCAPS8* caps) {
  Record("GetDeviceCaps", "");
  if (!caps) return D3DERR_INVALIDCALL;
  *caps = m_caps;
  return D3D_OK;
}

HRESULT RecordingDevice8::GetDisplayMode(D3DDISPLAYMODE* mode) {
  Record("GetDisplayMode", "");
  if (!mode) return D3DERR_INVALIDCALL;
  *mode = D3DDISPLAYMODE{m_parameters.BackBufferWidth, m_parameters.BackBufferHeight, 60,
                         m_parameters.BackBufferFormat};
  return D3D_OK;
}

HRESULT RecordingDevice8::Reset(D3DPRESENT_PARAMETERS* parameters) {
  Record("Reset", parameters ? JoinArgs({FormatArg(parameters->BackBufferWidth),
                                         FormatArg(parameters->BackBufferHeight),
                                         FormatArg(parameters->BackBufferFormat)})
                             : "null");
  if (!parameters) return D3DERR_INVALIDCALL;
  if (m_failingResets > 0) {
    --m_failingResets;
    return m_resetError;
  }
  if (m_cooperativeLevel == D3DERR_DEVICELOST) return D3DERR_DEVICELOST;
  m_parameters = *parameters;
  m_state.ResetToDefaults(parameters->EnableAutoDepthStencil != FALSE);
  m_state.viewport = D3DVIEWPORT8{0, 0, parameters->BackBufferWidth,
                                  parameters->BackBufferHeight, 0.0f, 1.0f};
  m_cooperativeLevel = D3D_OK;
  return D3D_OK;
}

HRESULT RecordingDevice8::Present(const RECT* sourceRect, const RECT* destRect,
                                  HWND destWindowOverride, const void* dirtyRegion) {
  Record("Present", JoinArgs({FormatPointer(sourceRect), FormatPointer(destRect),
                              FormatArg(static_cast<DWORD>(destWindowOverride)),
                              FormatPointer(dirtyRegion)}));
  if (Lost()) return D3DERR_DEVICELOST;
  ++m_presents;
  return D3D_OK;
}

void RecordingDevice8::SetGammaRamp(DWORD flags, const D3DGAMMARAMP* ramp) {
  Record("SetGammaRamp", JoinArgs({FormatArg(flags), FormatPointer(ramp)}));
  if (ramp) m_state.gammaRamp = *ramp;
}

void RecordingDevice8::GetGammaRamp(D3DGAMMARAMP* ramp) {
  Record("GetGammaRamp", "");
  if (ramp) *ramp = m_state.gammaRamp;
}

HRESULT RecordingDevice8::CreateTexture(UINT width, UINT height, UINT levels, DWORD usage,
                                        D3DFORMAT format, D3DPOOL pool,
                                        IDirect3DTexture8** texture) {
  Record("CreateTexture", JoinArgs({FormatArg(width), FormatArg(height), FormatArg(levels),
                                    FormatArg(usage), FormatArg(format), FormatArg(pool)}));
  if (!texture) return D3DERR_INVALIDCALL;
  *texture = nullptr;
  if (m_createTextureError != D3D_OK) return m_createTextureError;
  auto* created = new MemoryTexture(width, height, levels, usage, format, pool);
  if (!created->Valid()) {
    created->Release();
    return D3DERR_INVALIDCALL;
  }
  *texture = created;
  return D3D_OK;
}

HRESULT RecordingDevice8::CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                             IDirect3DVertexBuffer8** vertexBuffer) {
  Record("CreateVertexBuffer",
         JoinArgs({FormatArg(length), FormatArg(usage), FormatArg(fvf), FormatArg(pool)}));
  if (!vertexBuffer || length == 0 || length > kMaxBufferBytes) return D3DERR_INVALIDCALL;
  *vertexBuffer = new MemoryVertexBuffer(length, usage, fvf, pool);
  return D3D_OK;
}

HRESULT RecordingDevice8::CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format,
                                            D3DPOOL pool, IDirect3DIndexBuffer8** indexBuffer) {
  Record("CreateIndexBuffer",
         JoinArgs({FormatArg(length), FormatArg(usage), FormatArg(format), FormatArg(pool)}));
  const bool validFormat = format == D3DFMT_INDEX16 || format == D3DFMT_INDEX32;
  if (!indexBuffer || !validFormat || length == 0 || length > kMaxBufferBytes) {
    return D3DERR_INVALIDCALL;
  }
  *indexBuffer = new MemoryIndexBuffer(length, usage, format, pool);
  return D3D_OK;
}

HRESULT RecordingDevice8::BeginScene() {
  Record("BeginScene", "");
  if (m_inScene) return D3DERR_INVALIDCALL;
  m_inScene = true;
  return D3D_OK;
}

HRESULT RecordingDevice8::EndScene() {
  Record("EndScene", "");
  if (!m_inScene) return D3DERR_INVALIDCALL;
  m_inScene = false;
  return D3D_OK;
}

HRESULT RecordingDevice8::Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color,
                                float z, DWORD stencil) {
  Record("Clear", JoinArgs({FormatArg(count), FormatPointer(rects), FormatArg(flags),
                            FormatArg(color), FormatFloat(z), FormatArg(stencil)}));
  if (flags & D3DCLEAR_TARGET) m_lastClearColor = color;
  return D3D_OK;
}

HRESULT RecordingDevice8::SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) {
  Record("SetTransform", JoinArgs({TransformName(state), FormatMatrix(matrix)}));
  if (!matrix || !m_state.SetTransform(state, *matrix)) return D3DERR_INVALIDCALL;
  return D3D_OK;
}

HRESULT RecordingDevice8::GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) {
  Record("GetTransform", TransformName(state));
  return m_state.GetTransform(state, matrix) ? D3D_OK : D3DERR_INVALIDCALL;
}

HRESULT RecordingDevice8::SetViewport(const D3DVIEWPORT8* viewport) {
  Record("SetViewport", viewport ? JoinArgs({FormatArg(viewport->X), FormatArg(viewport->Y),
                                             FormatArg(viewport->Width),
                                             FormatArg(viewport->Height),
                                             FormatFloat(viewport->MinZ),
                                             FormatFloat(viewport->MaxZ)})
                                 : "null");
  if (!viewport) return D3DERR_INVALIDCALL;
  m_state.viewport = *viewport;
  return D3D_OK;
}

HRESULT RecordingDevice8::GetViewport(D3DVIEWPORT8* viewport) {
  Record("GetViewport", "");
  if (!viewport) return D3DERR_INVALIDCALL;
  *viewport = m_state.viewport;
  return D3D_OK;
}

HRESULT RecordingDevice8::SetMaterial(const D3DMATERIAL8* material) {
  Record("SetMaterial",
         material ? JoinArgs({FormatColorValue(material->Diffuse),
                              FormatColorValue(material->Ambient),
                              FormatColorValue(material->Specular),
                              FormatColorValue(material->Emissive), FormatFloat(material->Power)})
                  : "null");
  if (!material) return D3DERR_INVALIDCALL;
  m_state.material = *material;
  return D3D_OK;
}

HRESULT RecordingDevice8::GetMaterial(D3DMATERIAL8* material) {
  if (!material) return D3DERR_INVALIDCALL;
  *material = m_state.material;
  return D3D_OK;
}

HRESULT RecordingDevice8::SetLight(DWORD index, const D3DLIGHT8* light) {
  Record("SetLight",
         light ? JoinArgs({FormatArg(index), FormatArg(light->Type),
                           FormatColorValue(light->Diffuse), FormatColorValue(light->Specular),
                           FormatColorValue(light->Ambient), FormatVector(light->Position),
                           FormatVector(light->Direction), FormatFloat(light->Range)})
               : JoinArgs({FormatArg(index), "null"}));
  if (!light) return D3DERR_INVALIDCALL;
  m_state.lights[index].light = *light;
  return D3D_OK;
}

HRESULT RecordingDevice8::GetLight(DWORD index, D3DLIGHT8* light) {
  const auto found = m_state.lights.find(index);
  if (!light || found == m_state.lights.end()) return D3DERR_INVALIDCALL;
  *light = found->second.light;
  return D3D_OK;
}

HRESULT RecordingDevice8::LightEnable(DWORD index, BOOL enable) {
  Record("LightEnable", JoinArgs({FormatArg(index), FormatArg(static_cast<DWORD>(enable))}));
  LightSlot& slot = m_state.lights[index];
  // Direct3D gives a light enabled before it was set the default white directional light.
  if (slot.light.Type == 0) {
    slot.light.Type = D3DLIGHT_DIRECTIONAL;
    slot.light.Diffuse = {1.0f, 1.0f, 1.0f, 0.0f};
    slot.light.Direction = {0.0f, 0.0f, 1.0f};
  }
  slot.enabled = enable != FALSE;
  return D3D_OK;
}

HRESULT RecordingDevice8::GetLightEnable(DWORD index, BOOL* enable) {
  const auto found = m_state.lights.find(index);
  if (!enable || found == m_state.lights.end()) return D3DERR_INVALIDCALL;
  *enable = found->second.enabled ? TRUE : FALSE;
  return D3D_OK;
}

HRESULT RecordingDevice8::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
  Record("SetRenderState", JoinArgs({RenderStateName(state), FormatArg(value)}));
  return m_state.SetRenderState(state, value) ? D3D_OK : D3DERR_INVALIDCALL;
}

HRESULT RecordingDevice8::GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) {
  Record("GetRenderState", RenderStateName(state));
  return m_state.GetRenderState(state, value) ? D3D_OK : D3DERR_INVALIDCALL;
}

HRESULT RecordingDevice8::SetTexture(DWORD stage, IDirect3DBaseTexture8* texture) {
  Record("SetTexture", JoinArgs({FormatArg(stage), FormatPointer(texture)}));
  if (stage >= D3DMAX_TEXTURE_STAGES) return D3DERR_INVALIDCALL;
  m_state.textures[stage].Reset(texture);
  return D3D_OK;
}

HRESULT RecordingDevice8::GetTexture(DWORD stage, IDirect3DBaseTexture8** texture) {
  if (stage >= D3DMAX_TEXTURE_STAGES || !texture) return D3DERR_INVALIDCALL;
  *texture = m_state.textures[stage].Get();
  if (*texture) (*texture)->AddRef();
  return D3D_OK;
}

HRESULT RecordingDevice8::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type,
                                               DWORD value) {
  Record("SetTextureStageState",
         JoinArgs({FormatArg(stage), StageStateName(type), FormatArg(value)}));
  return m_state.SetStageState(stage, type, value) ? D3D_OK : D3DERR_INVALIDCALL;
}

HRESULT RecordingDevice8::GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type,
                                               DWORD* value) {
  Record("GetTextureStageState", JoinArgs({FormatArg(stage), StageStateName(type)}));
  return m_state.GetStageState(stage, type, value) ? D3D_OK : D3DERR_INVALIDCALL;
}

HRESULT RecordingDevice8::SetVertexShader(DWORD handle) {
  Record("SetVertexShader", FormatArg(handle));
  m_state.fvf = handle;
  return D3D_OK;
}

HRESULT RecordingDevice8::GetVertexShader(DWORD* handle) {
  if (!handle) return D3DERR_INVALIDCALL;
  *handle = m_state.fvf;
  return D3D_OK;
}

HRESULT RecordingDevice8::SetStreamSource(UINT streamNumber, IDirect3DVertexBuffer8* streamData,
                                          UINT stride) {
  Record("SetStreamSource",
         JoinArgs({FormatArg(streamNumber), FormatPointer(streamData), FormatArg(stride)}));
  if (streamNumber != 0) return D3DERR_INVALIDCALL;
  m_state.streamSource.Reset(streamData);
  m_state.streamStride = stride;
  return D3D_OK;
}

HRESULT RecordingDevice8::SetIndices(IDirect3DIndexBuffer8* indexData, UINT baseVertexIndex) {
  Record("SetIndices", JoinArgs({FormatPointer(indexData), FormatArg(baseVertexIndex)}));
  m_state.indices.Reset(indexData);
  m_state.baseVertexIndex = baseVertexIndex;
  return D3D_OK;
}

HRESULT RecordingDevice8::DrawPrimitive(D3DPRIMITIVETYPE primitiveType, UINT startVertex,
                                        UINT primitiveCount) {
  Record("DrawPrimitive",
         JoinArgs({FormatArg(primitiveType), FormatArg(startVertex), FormatArg(primitiveCount)}));
  return m_state.streamSource.Get() ? D3D_OK : D3DERR_INVALIDCALL;
}

HRESULT RecordingDevice8::DrawIndexedPrimitive(D3DPRIMITIVETYPE primitiveType, UINT minIndex,
                                               UINT numVertices, UINT startIndex,
                                               UINT primitiveCount) {
  Record("DrawIndexedPrimitive",
         JoinArgs({FormatArg(primitiveType), FormatArg(minIndex), FormatArg(numVertices),
                   FormatArg(startIndex), FormatArg(primitiveCount)}));
  const bool bound = m_state.streamSource.Get() && m_state.indices.Get();
  return bound ? D3D_OK : D3DERR_INVALIDCALL;
}

HRESULT RecordingDevice8::DrawPrimitiveUP(D3DPRIMITIVETYPE primitiveType, UINT primitiveCount,
                                          const void* vertexStreamZeroData,
                                          UINT vertexStreamZeroStride) {
  Record("DrawPrimitiveUP",
         JoinArgs({FormatArg(primitiveType), FormatArg(primitiveCount),
                   FormatPointer(vertexStreamZeroData), FormatArg(vertexStreamZeroStride)}));
  // As in Direct3D, drawing from user memory unbinds stream 0.
  m_state.streamSource.Reset(nullptr);
  return vertexStreamZeroData ? D3D_OK : D3DERR_INVALIDCALL;
}

HRESULT RecordingDevice8::DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE primitiveType,
                                                 UINT minVertexIndex, UINT numVertexIndices,
                                                 UINT primitiveCount, const void* indexData,
                                                 D3DFORMAT indexDataFormat,
                                                 const void* vertexStreamZeroData,
                                                 UINT vertexStreamZeroStride) {
  Record("DrawIndexedPrimitiveUP",
         JoinArgs({FormatArg(primitiveType), FormatArg(minVertexIndex),
                   FormatArg(numVertexIndices), FormatArg(primitiveCount),
                   FormatPointer(indexData), FormatArg(indexDataFormat),
                   FormatPointer(vertexStreamZeroData), FormatArg(vertexStreamZeroStride)}));
  m_state.streamSource.Reset(nullptr);
  m_state.indices.Reset(nullptr);
  return indexData && vertexStreamZeroData ? D3D_OK : D3DERR_INVALIDCALL;
}

HRESULT RecordingDevice8::SetFrameCapture(BOOL enable) {
  m_capture = enable != FALSE;
  return D3D_OK;
}

HRESULT RecordingDevice8::GetPresentedFrame(std::vector<DWORD>* pixels, UINT* width,
                                            UINT* height) {
  // Nothing is rasterised here: the "frame" is the back buffer filled with the last clear
  // colour, enough for tests of what reaches a snapshot file.
  if (!pixels || !width || !height) return D3DERR_INVALIDCALL;
  if (!m_capture || m_presents == 0) return D3DERR_NOTAVAILABLE;
  *width = m_parameters.BackBufferWidth;
  *height = m_parameters.BackBufferHeight;
  pixels->assign(static_cast<size_t>(*width) * *height, m_lastClearColor | 0xFF000000u);
  return D3D_OK;
}

}  // namespace qm
