// XFileTypes: GUID text conversion and the GUIDs of the templates the loaders dispatch on.
#include "d3dx/XFileTypes.h"

#include <cstdio>

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads `digits` hex digits at text[*pos]; false on a non-hex character.
bool ReadHex(const char* text, size_t* pos, int digits, DWORD* out) {
  DWORD value = 0;
  for (int i = 0; i < digits; ++i) {
    int d = HexDigit(text[(*pos)++]);
    if (d < 0) return false;
    value = (value << 4) | static_cast<DWORD>(d);
  }
  *out = value;
  return true;
}

constexpr XFileGuid MakeGuid(DWORD d1, WORD d2, WORD d3, BYTE a, BYTE b, BYTE c, BYTE d, BYTE e,
                             BYTE f, BYTE g, BYTE h) {
  return XFileGuid{d1, d2, d3, {a, b, c, d, e, f, g, h}};
}

}  // namespace

bool XFileParseGuid(const char* text, size_t length, XFileGuid* out) {
  constexpr size_t kGuidTextLength = 36;  // 8-4-4-4-12
  if (length != kGuidTextLength) return false;
  if (text[8] != '-' || text[13] != '-' || text[18] != '-' || text[23] != '-') return false;
  size_t pos = 0;
  DWORD value = 0;
  XFileGuid guid;
  if (!ReadHex(text, &pos, 8, &guid.data1)) return false;
  ++pos;
  if (!ReadHex(text, &pos, 4, &value)) return false;
  guid.data2 = static_cast<WORD>(value);
  ++pos;
  if (!ReadHex(text, &pos, 4, &value)) return false;
  guid.data3 = static_cast<WORD>(value);
  ++pos;
  for (int i = 0; i < 8; ++i) {
    if (i == 2) ++pos;  // the dash between the 4th and 5th group
    if (!ReadHex(text, &pos, 2, &value)) return false;
    guid.data4[i] = static_cast<BYTE>(value);
  }
  *out = guid;
  return true;
}

std::string XFileGuidToString(const XFileGuid& g) {
  char text[40];
  std::snprintf(text, sizeof(text), "%08x-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x",
                static_cast<unsigned>(g.data1), g.data2, g.data3, g.data4[0], g.data4[1],
                g.data4[2], g.data4[3], g.data4[4], g.data4[5], g.data4[6], g.data4[7]);
  return text;
}

const XFileGuid TID_D3DRMMesh =
    MakeGuid(0x3d82ab44, 0x62da, 0x11cf, 0xab, 0x39, 0x00, 0x20, 0xaf, 0x71, 0xe4, 0x33);
const XFileGuid TID_D3DRMMeshNormals =
    MakeGuid(0xf6f23f43, 0x7686, 0x11cf, 0x8f, 0x52, 0x00, 0x40, 0x33, 0x35, 0x94, 0xa3);
const XFileGuid TID_D3DRMMeshTextureCoords =
    MakeGuid(0xf6f23f40, 0x7686, 0x11cf, 0x8f, 0x52, 0x00, 0x40, 0x33, 0x35, 0x94, 0xa3);
const XFileGuid TID_D3DRMMeshVertexColors =
    MakeGuid(0x1630b821, 0x7842, 0x11cf, 0x8f, 0x52, 0x00, 0x40, 0x33, 0x35, 0x94, 0xa3);
const XFileGuid TID_D3DRMMeshMaterialList =
    MakeGuid(0xf6f23f42, 0x7686, 0x11cf, 0x8f, 0x52, 0x00, 0x40, 0x33, 0x35, 0x94, 0xa3);
const XFileGuid TID_D3DRMMaterial =
    MakeGuid(0x3d82ab4d, 0x62da, 0x11cf, 0xab, 0x39, 0x00, 0x20, 0xaf, 0x71, 0xe4, 0x33);
const XFileGuid TID_D3DRMTextureFilename =
    MakeGuid(0xa42790e1, 0x7810, 0x11cf, 0x8f, 0x52, 0x00, 0x40, 0x33, 0x35, 0x94, 0xa3);
const XFileGuid TID_D3DRMFrame =
    MakeGuid(0x3d82ab46, 0x62da, 0x11cf, 0xab, 0x39, 0x00, 0x20, 0xaf, 0x71, 0xe4, 0x33);
const XFileGuid TID_D3DRMFrameTransformMatrix =
    MakeGuid(0xf6f23f41, 0x7686, 0x11cf, 0x8f, 0x52, 0x00, 0x40, 0x33, 0x35, 0x94, 0xa3);
const XFileGuid TID_D3DRMAnimationSet =
    MakeGuid(0x3d82ab50, 0x62da, 0x11cf, 0xab, 0x39, 0x00, 0x20, 0xaf, 0x71, 0xe4, 0x33);
const XFileGuid TID_D3DRMAnimation =
    MakeGuid(0x3d82ab4f, 0x62da, 0x11cf, 0xab, 0x39, 0x00, 0x20, 0xaf, 0x71, 0xe4, 0x33);
const XFileGuid TID_D3DRMAnimationKey =
    MakeGuid(0x10dd46a8, 0x775b, 0x11cf, 0x8f, 0x52, 0x00, 0x40, 0x33, 0x35, 0x94, 0xa3);
const XFileGuid TID_D3DRMAnimationOptions =
    MakeGuid(0xe2bf56c0, 0x840f, 0x11cf, 0x8f, 0x52, 0x00, 0x40, 0x33, 0x35, 0x94, 0xa3);
const XFileGuid DXFILEOBJ_XSkinMeshHeader =
    MakeGuid(0x3cf169ce, 0xff7c, 0x44ab, 0x93, 0xc0, 0xf7, 0x8f, 0x62, 0xd1, 0x72, 0xe2);
const XFileGuid DXFILEOBJ_SkinWeights =
    MakeGuid(0x6f0d123b, 0xbad2, 0x4167, 0xa0, 0xd0, 0x80, 0x22, 0x4f, 0x25, 0xfa, 0xbb);
const XFileGuid DXFILEOBJ_VertexDuplicationIndices =
    MakeGuid(0xb8d65549, 0xd7c9, 0x4995, 0x89, 0xcf, 0x53, 0xa9, 0xa8, 0xb0, 0x31, 0xe3);
const XFileGuid DXFILEOBJ_AnimTicksPerSecond =
    MakeGuid(0x9e415a43, 0x7ba6, 0x4a73, 0x87, 0x43, 0xb7, 0x3d, 0x47, 0xe8, 0x84, 0x76);
