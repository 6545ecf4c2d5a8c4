#include "d3d/D3DNames.h"

#include <map>

namespace qm {

namespace {

std::string Lookup(const std::map<DWORD, const char*>& names, DWORD value) {
  const auto found = names.find(value);
  return found != names.end() ? found->second : std::to_string(value);
}

}  // namespace

std::string RenderStateName(DWORD state) {
  static const std::map<DWORD, const char*> kNames = {
      {7, "D3DRS_ZENABLE"},
      {8, "D3DRS_FILLMODE"},
      {9, "D3DRS_SHADEMODE"},
      {10, "D3DRS_LINEPATTERN"},
      {14, "D3DRS_ZWRITEENABLE"},
      {15, "D3DRS_ALPHATESTENABLE"},
      {16, "D3DRS_LASTPIXEL"},
      {19, "D3DRS_SRCBLEND"},
      {20, "D3DRS_DESTBLEND"},
      {22, "D3DRS_CULLMODE"},
      {23, "D3DRS_ZFUNC"},
      {24, "D3DRS_ALPHAREF"},
      {25, "D3DRS_ALPHAFUNC"},
      {26, "D3DRS_DITHERENABLE"},
      {27, "D3DRS_ALPHABLENDENABLE"},
      {28, "D3DRS_FOGENABLE"},
      {29, "D3DRS_SPECULARENABLE"},
      {30, "D3DRS_ZVISIBLE"},
      {34, "D3DRS_FOGCOLOR"},
      {35, "D3DRS_FOGTABLEMODE"},
      {36, "D3DRS_FOGSTART"},
      {37, "D3DRS_FOGEND"},
      {38, "D3DRS_FOGDENSITY"},
      {40, "D3DRS_EDGEANTIALIAS"},
      {47, "D3DRS_ZBIAS"},
      {48, "D3DRS_RANGEFOGENABLE"},
      {52, "D3DRS_STENCILENABLE"},
      {53, "D3DRS_STENCILFAIL"},
      {54, "D3DRS_STENCILZFAIL"},
      {55, "D3DRS_STENCILPASS"},
      {56, "D3DRS_STENCILFUNC"},
      {57, "D3DRS_STENCILREF"},
      {58, "D3DRS_STENCILMASK"},
      {59, "D3DRS_STENCILWRITEMASK"},
      {60, "D3DRS_TEXTUREFACTOR"},
      {128, "D3DRS_WRAP0"},
      {129, "D3DRS_WRAP1"},
      {130, "D3DRS_WRAP2"},
      {131, "D3DRS_WRAP3"},
      {132, "D3DRS_WRAP4"},
      {133, "D3DRS_WRAP5"},
      {134, "D3DRS_WRAP6"},
      {135, "D3DRS_WRAP7"},
      {136, "D3DRS_CLIPPING"},
      {137, "D3DRS_LIGHTING"},
      {139, "D3DRS_AMBIENT"},
      {140, "D3DRS_FOGVERTEXMODE"},
      {141, "D3DRS_COLORVERTEX"},
      {142, "D3DRS_LOCALVIEWER"},
      {143, "D3DRS_NORMALIZENORMALS"},
      {145, "D3DRS_DIFFUSEMATERIALSOURCE"},
      {146, "D3DRS_SPECULARMATERIALSOURCE"},
      {147, "D3DRS_AMBIENTMATERIALSOURCE"},
      {148, "D3DRS_EMISSIVEMATERIALSOURCE"},
      {151, "D3DRS_VERTEXBLEND"},
      {152, "D3DRS_CLIPPLANEENABLE"},
      {153, "D3DRS_SOFTWAREVERTEXPROCESSING"},
      {154, "D3DRS_POINTSIZE"},
      {155, "D3DRS_POINTSIZE_MIN"},
      {156, "D3DRS_POINTSPRITEENABLE"},
      {157, "D3DRS_POINTSCALEENABLE"},
      {158, "D3DRS_POINTSCALE_A"},
      {159, "D3DRS_POINTSCALE_B"},
      {160, "D3DRS_POINTSCALE_C"},
      {161, "D3DRS_MULTISAMPLEANTIALIAS"},
      {162, "D3DRS_MULTISAMPLEMASK"},
      {163, "D3DRS_PATCHEDGESTYLE"},
      {164, "D3DRS_PATCHSEGMENTS"},
      {165, "D3DRS_DEBUGMONITORTOKEN"},
      {166, "D3DRS_POINTSIZE_MAX"},
      {167, "D3DRS_INDEXEDVERTEXBLENDENABLE"},
      {168, "D3DRS_COLORWRITEENABLE"},
      {170, "D3DRS_TWEENFACTOR"},
      {171, "D3DRS_BLENDOP"},
  };
  return Lookup(kNames, state);
}

std::string StageStateName(DWORD type) {
  static const std::map<DWORD, const char*> kNames = {
      {1, "D3DTSS_COLOROP"},
      {2, "D3DTSS_COLORARG1"},
      {3, "D3DTSS_COLORARG2"},
      {4, "D3DTSS_ALPHAOP"},
      {5, "D3DTSS_ALPHAARG1"},
      {6, "D3DTSS_ALPHAARG2"},
      {7, "D3DTSS_BUMPENVMAT00"},
      {8, "D3DTSS_BUMPENVMAT01"},
      {9, "D3DTSS_BUMPENVMAT10"},
      {10, "D3DTSS_BUMPENVMAT11"},
      {11, "D3DTSS_TEXCOORDINDEX"},
      {13, "D3DTSS_ADDRESSU"},
      {14, "D3DTSS_ADDRESSV"},
      {15, "D3DTSS_BORDERCOLOR"},
      {16, "D3DTSS_MAGFILTER"},
      {17, "D3DTSS_MINFILTER"},
      {18, "D3DTSS_MIPFILTER"},
      {19, "D3DTSS_MIPMAPLODBIAS"},
      {20, "D3DTSS_MAXMIPLEVEL"},
      {21, "D3DTSS_MAXANISOTROPY"},
      {22, "D3DTSS_BUMPENVLSCALE"},
      {23, "D3DTSS_BUMPENVLOFFSET"},
      {24, "D3DTSS_TEXTURETRANSFORMFLAGS"},
      {25, "D3DTSS_ADDRESSW"},
      {26, "D3DTSS_COLORARG0"},
      {27, "D3DTSS_ALPHAARG0"},
      {28, "D3DTSS_RESULTARG"},
  };
  return Lookup(kNames, type);
}

std::string TransformName(DWORD state) {
  static const std::map<DWORD, const char*> kNames = {
      {2, "D3DTS_VIEW"},
      {3, "D3DTS_PROJECTION"},
      {16, "D3DTS_TEXTURE0"},
      {17, "D3DTS_TEXTURE1"},
      {18, "D3DTS_TEXTURE2"},
      {19, "D3DTS_TEXTURE3"},
      {20, "D3DTS_TEXTURE4"},
      {21, "D3DTS_TEXTURE5"},
      {22, "D3DTS_TEXTURE6"},
      {23, "D3DTS_TEXTURE7"},
      {256, "D3DTS_WORLD"},
      {257, "D3DTS_WORLD1"},
      {258, "D3DTS_WORLD2"},
      {259, "D3DTS_WORLD3"},
  };
  return Lookup(kNames, state);
}

}  // namespace qm
