// DeviceState: the fixed-function state of one Direct3D 8 device, with Direct3D's defaults.
//
// Both back ends keep their Set*/Get* state here, so the defaults (LIGHTING on, AMBIENT 0,
// ZFUNC less-or-equal, LOCALVIEWER on, MIPFILTER none, CULLMODE counter-clockwise ...) are
// written once. The OpenGL device translates it at draw time; the recording device lets
// tests read it. Reset puts everything back to the defaults.
#pragma once

#include <array>
#include <map>

#include "d3d/D3D8.h"
#include "d3d/RefCounted.h"

namespace qm {

// A light slot: what SetLight stored and whether LightEnable switched it on.
struct LightSlot {
  D3DLIGHT8 light{};
  bool enabled = false;
};

class DeviceState {
 public:
  static constexpr DWORD kTextureTransforms = 8;

  // hasDepth: whether the device was created with an automatic depth buffer (ZENABLE).
  explicit DeviceState(bool hasDepth = true) { ResetToDefaults(hasDepth); }

  void ResetToDefaults(bool hasDepth);

  // Validated access: false for an index out of range.
  bool SetRenderState(D3DRENDERSTATETYPE state, DWORD value);
  bool GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) const;
  bool SetStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value);
  bool GetStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) const;
  bool SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX& matrix);
  bool GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) const;

  // Unchecked reads for back ends that already validated.
  DWORD RenderState(D3DRENDERSTATETYPE state) const { return m_renderStates[state]; }
  float RenderStateFloat(D3DRENDERSTATETYPE state) const;
  DWORD StageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type) const {
    return m_stageStates[stage][type];
  }
  const D3DMATRIX& World() const { return m_world; }
  const D3DMATRIX& View() const { return m_view; }
  const D3DMATRIX& Projection() const { return m_projection; }
  const D3DMATRIX& TextureMatrix(DWORD stage) const { return m_texture[stage]; }

  D3DMATERIAL8 material{};
  std::map<DWORD, LightSlot> lights;
  D3DVIEWPORT8 viewport{};
  DWORD fvf = 0;
  std::array<ComRef<IDirect3DBaseTexture8>, D3DMAX_TEXTURE_STAGES> textures;
  ComRef<IDirect3DVertexBuffer8> streamSource;
  UINT streamStride = 0;
  ComRef<IDirect3DIndexBuffer8> indices;
  UINT baseVertexIndex = 0;
  D3DGAMMARAMP gammaRamp{};

 private:
  std::array<DWORD, D3DRS_COUNT> m_renderStates{};
  std::array<std::array<DWORD, D3DTSS_COUNT>, D3DMAX_TEXTURE_STAGES> m_stageStates{};
  D3DMATRIX m_world{};
  D3DMATRIX m_view{};
  D3DMATRIX m_projection{};
  std::array<D3DMATRIX, kTextureTransforms> m_texture{};
};

// The identity matrix.
D3DMATRIX IdentityMatrix();
// The linear gamma ramp (entry i = 256 i in every colour).
D3DGAMMARAMP LinearGammaRamp();
bool IsLinearGammaRamp(const D3DGAMMARAMP& ramp);
// A float render state is stored as its bits, as Direct3D does (FOGSTART, POINTSIZE ...).
DWORD FloatBits(float value);
float BitsToFloat(DWORD bits);

}  // namespace qm
