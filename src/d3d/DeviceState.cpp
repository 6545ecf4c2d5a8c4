#include "d3d/DeviceState.h"

#include <cstring>

namespace qm {

D3DMATRIX IdentityMatrix() {
  D3DMATRIX m{};
  m._11 = m._22 = m._33 = m._44 = 1.0f;
  return m;
}

D3DGAMMARAMP LinearGammaRamp() {
  D3DGAMMARAMP ramp{};
  for (int i = 0; i < 256; ++i) {
    ramp.red[i] = ramp.green[i] = ramp.blue[i] = static_cast<WORD>(i * 256);
  }
  return ramp;
}

bool IsLinearGammaRamp(const D3DGAMMARAMP& ramp) {
  // Only the high byte reaches an 8-bit frame, so a ramp is linear when every entry's high
  // byte is its own index.
  for (int i = 0; i < 256; ++i) {
    if ((ramp.red[i] >> 8) != i || (ramp.green[i] >> 8) != i || (ramp.blue[i] >> 8) != i) {
      return false;
    }
  }
  return true;
}

DWORD FloatBits(float value) {
  DWORD bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

float BitsToFloat(DWORD bits) {
  float value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

void DeviceState::ResetToDefaults(bool hasDepth) {
  m_renderStates.fill(0);
  auto& rs = m_renderStates;
  rs[D3DRS_ZENABLE] = hasDepth ? D3DZB_TRUE : D3DZB_FALSE;
  rs[D3DRS_FILLMODE] = D3DFILL_SOLID;
  rs[D3DRS_SHADEMODE] = D3DSHADE_GOURAUD;
  rs[D3DRS_ZWRITEENABLE] = TRUE;
  rs[D3DRS_LASTPIXEL] = TRUE;
  rs[D3DRS_SRCBLEND] = D3DBLEND_ONE;
  rs[D3DRS_DESTBLEND] = D3DBLEND_ZERO;
  rs[D3DRS_CULLMODE] = D3DCULL_CCW;
  rs[D3DRS_ZFUNC] = D3DCMP_LESSEQUAL;
  rs[D3DRS_ALPHAFUNC] = D3DCMP_ALWAYS;
  rs[D3DRS_FOGEND] = FloatBits(1.0f);
  rs[D3DRS_FOGDENSITY] = FloatBits(1.0f);
  rs[D3DRS_STENCILFAIL] = 1;
  rs[D3DRS_STENCILZFAIL] = 1;
  rs[D3DRS_STENCILPASS] = 1;
  rs[D3DRS_STENCILFUNC] = D3DCMP_ALWAYS;
  rs[D3DRS_STENCILMASK] = 0xFFFFFFFFu;
  rs[D3DRS_STENCILWRITEMASK] = 0xFFFFFFFFu;
  rs[D3DRS_TEXTUREFACTOR] = 0xFFFFFFFFu;
  rs[D3DRS_CLIPPING] = TRUE;
  rs[D3DRS_LIGHTING] = TRUE;
  rs[D3DRS_COLORVERTEX] = TRUE;
  rs[D3DRS_LOCALVIEWER] = TRUE;
  rs[D3DRS_DIFFUSEMATERIALSOURCE] = D3DMCS_COLOR1;
  rs[D3DRS_SPECULARMATERIALSOURCE] = D3DMCS_COLOR2;
  rs[D3DRS_POINTSIZE] = FloatBits(1.0f);
  rs[D3DRS_POINTSIZE_MIN] = FloatBits(1.0f);
  rs[D3DRS_POINTSIZE_MAX] = FloatBits(64.0f);
  rs[D3DRS_POINTSCALE_A] = FloatBits(1.0f);
  rs[D3DRS_MULTISAMPLEANTIALIAS] = TRUE;
  rs[D3DRS_MULTISAMPLEMASK] = 0xFFFFFFFFu;
  rs[D3DRS_PATCHSEGMENTS] = FloatBits(1.0f);
  rs[D3DRS_COLORWRITEENABLE] = 0xF;
  rs[D3DRS_BLENDOP] = D3DBLENDOP_ADD;

  for (DWORD stage = 0; stage < D3DMAX_TEXTURE_STAGES; ++stage) {
    auto& ts = m_stageStates[stage];
    ts.fill(0);
    ts[D3DTSS_COLOROP] = stage == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
    ts[D3DTSS_COLORARG1] = D3DTA_TEXTURE;
    ts[D3DTSS_COLORARG2] = D3DTA_CURRENT;
    ts[D3DTSS_ALPHAOP] = stage == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
    ts[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
    ts[D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
    ts[D3DTSS_TEXCOORDINDEX] = stage;
    ts[D3DTSS_ADDRESSU] = D3DTADDRESS_WRAP;
    ts[D3DTSS_ADDRESSV] = D3DTADDRESS_WRAP;
    ts[D3DTSS_ADDRESSW] = D3DTADDRESS_WRAP;
    ts[D3DTSS_MAGFILTER] = D3DTEXF_POINT;
    ts[D3DTSS_MINFILTER] = D3DTEXF_POINT;
    ts[D3DTSS_MIPFILTER] = D3DTEXF_NONE;
    ts[D3DTSS_MAXANISOTROPY] = 1;
    ts[D3DTSS_TEXTURETRANSFORMFLAGS] = D3DTTFF_DISABLE;
    ts[D3DTSS_COLORARG0] = D3DTA_CURRENT;
    ts[D3DTSS_ALPHAARG0] = D3DTA_CURRENT;
    ts[D3DTSS_RESULTARG] = D3DTA_CURRENT;
  }

  m_world = m_view = m_projection = IdentityMatrix();
  m_texture.fill(IdentityMatrix());
  material = D3DMATERIAL8{};
  lights.clear();
  fvf = 0;
  for (auto& texture : textures) texture.Reset(nullptr);
  streamSource.Reset(nullptr);
  streamStride = 0;
  indices.Reset(nullptr);
  baseVertexIndex = 0;
}

bool DeviceState::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
  if (state >= D3DRS_COUNT) return false;
  m_renderStates[state] = value;
  return true;
}

bool DeviceState::GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) const {
  if (state >= D3DRS_COUNT || !value) return false;
  *value = m_renderStates[state];
  return true;
}

float DeviceState::RenderStateFloat(D3DRENDERSTATETYPE state) const {
  return BitsToFloat(m_renderStates[state]);
}

bool DeviceState::SetStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) {
  if (stage >= D3DMAX_TEXTURE_STAGES || type >= D3DTSS_COUNT) return false;
  m_stageStates[stage][type] = value;
  return true;
}

bool DeviceState::GetStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type,
                                DWORD* value) const {
  if (stage >= D3DMAX_TEXTURE_STAGES || type >= D3DTSS_COUNT || !value) return false;
  *value = m_stageStates[stage][type];
  return true;
}

bool DeviceState::SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX& matrix) {
  if (state == D3DTS_WORLD) {
    m_world = matrix;
  } else if (state == D3DTS_VIEW) {
    m_view = matrix;
  } else if (state == D3DTS_PROJECTION) {
    m_projection = matrix;
  } else if (state >= D3DTS_TEXTURE0 && state <= D3DTS_TEXTURE7) {
    m_texture[state - D3DTS_TEXTURE0] = matrix;
  } else {
    return false;
  }
  return true;
}

bool DeviceState::GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) const {
  if (!matrix) return false;
  if (state == D3DTS_WORLD) {
    *matrix = m_world;
  } else if (state == D3DTS_VIEW) {
    *matrix = m_view;
  } else if (state == D3DTS_PROJECTION) {
    *matrix = m_projection;
  } else if (state >= D3DTS_TEXTURE0 && state <= D3DTS_TEXTURE7) {
    *matrix = m_texture[state - D3DTS_TEXTURE0];
  } else {
    return false;
  }
  return true;
}

}  // namespace qm
