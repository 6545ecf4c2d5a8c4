// XFileTypes: the names and result codes of the DirectX file services that the X-file
// parser stands in for.
//
// The scene's model loader is written against the d3dxof calling pattern (create the file
// object, register templates, enumerate data objects); these are the GUIDs, load options and
// DXFILEERR_* codes it sees. Every X-file class of src/d3dx/ includes this header.
#pragma once

#include <cstring>
#include <string>

#include "d3d/WinTypes.h"

// A template or object GUID, in the field layout of the Windows GUID.
struct XFileGuid {
  DWORD data1 = 0;
  WORD data2 = 0;
  WORD data3 = 0;
  BYTE data4[8] = {};

  bool operator==(const XFileGuid& other) const {
    return data1 == other.data1 && data2 == other.data2 && data3 == other.data3 &&
           std::memcmp(data4, other.data4, sizeof(data4)) == 0;
  }
  bool IsNull() const { return *this == XFileGuid{}; }
};

// Parses "3d82ab46-62da-11cf-ab39-0020af71e433" (no angle brackets); false when malformed.
bool XFileParseGuid(const char* text, size_t length, XFileGuid* out);
// The canonical lower-case text form of a GUID.
std::string XFileGuidToString(const XFileGuid& guid);

// Where CreateEnumObject takes its bytes from.
using DXFILELOADOPTIONS = DWORD;
constexpr DXFILELOADOPTIONS DXFILELOAD_FROMFILE = 0x00;
constexpr DXFILELOADOPTIONS DXFILELOAD_FROMMEMORY = 0x02;

// The source description for DXFILELOAD_FROMMEMORY.
struct DXFILELOADMEMORY {
  const void* lpMemory;
  DWORD dSize;
};

// The d3dxof result codes (facility 0x876, codes from 850).
constexpr HRESULT MakeXFileResult(DWORD code) { return MakeResult(0x88760000u | code); }
constexpr HRESULT DXFILE_OK = S_OK;
constexpr HRESULT DXFILEERR_BADOBJECT = MakeXFileResult(850);
constexpr HRESULT DXFILEERR_BADVALUE = MakeXFileResult(851);
constexpr HRESULT DXFILEERR_BADTYPE = MakeXFileResult(852);
constexpr HRESULT DXFILEERR_BADALLOC = MakeXFileResult(854);
constexpr HRESULT DXFILEERR_NOTFOUND = MakeXFileResult(855);
constexpr HRESULT DXFILEERR_FILENOTFOUND = MakeXFileResult(857);
constexpr HRESULT DXFILEERR_BADFILETYPE = MakeXFileResult(861);
constexpr HRESULT DXFILEERR_BADFILEVERSION = MakeXFileResult(862);
constexpr HRESULT DXFILEERR_BADFILEFLOATSIZE = MakeXFileResult(863);
constexpr HRESULT DXFILEERR_BADFILECOMPRESSIONTYPE = MakeXFileResult(864);
constexpr HRESULT DXFILEERR_BADFILE = MakeXFileResult(865);
constexpr HRESULT DXFILEERR_PARSEERROR = MakeXFileResult(866);
constexpr HRESULT DXFILEERR_NOTEMPLATE = MakeXFileResult(867);
constexpr HRESULT DXFILEERR_BADARRAYSIZE = MakeXFileResult(868);
constexpr HRESULT DXFILEERR_BADDATAREFERENCE = MakeXFileResult(869);
constexpr HRESULT DXFILEERR_NOMOREOBJECTS = MakeXFileResult(871);
constexpr HRESULT DXFILEERR_NOMOREDATA = MakeXFileResult(874);

// The GUIDs of the templates the model loader and mesh builder dispatch on.
extern const XFileGuid TID_D3DRMMesh;
extern const XFileGuid TID_D3DRMMeshNormals;
extern const XFileGuid TID_D3DRMMeshTextureCoords;
extern const XFileGuid TID_D3DRMMeshVertexColors;
extern const XFileGuid TID_D3DRMMeshMaterialList;
extern const XFileGuid TID_D3DRMMaterial;
extern const XFileGuid TID_D3DRMTextureFilename;
extern const XFileGuid TID_D3DRMFrame;
extern const XFileGuid TID_D3DRMFrameTransformMatrix;
extern const XFileGuid TID_D3DRMAnimationSet;
extern const XFileGuid TID_D3DRMAnimation;
extern const XFileGuid TID_D3DRMAnimationKey;
extern const XFileGuid TID_D3DRMAnimationOptions;
extern const XFileGuid DXFILEOBJ_XSkinMeshHeader;
extern const XFileGuid DXFILEOBJ_SkinWeights;
extern const XFileGuid DXFILEOBJ_VertexDuplicationIndices;
extern const XFileGuid DXFILEOBJ_AnimTicksPerSecond;
