#include "d3d/FormatInfo.h"

namespace qm {

UINT FormatBytesPerPixel(D3DFORMAT format) {
  switch (format) {
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8:
    case D3DFMT_D32:
    case D3DFMT_D24S8:
    case D3DFMT_D24X8:
    case D3DFMT_D24X4S4:
      return 4;
    case D3DFMT_R8G8B8:
      return 3;
    case D3DFMT_R5G6B5:
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5:
    case D3DFMT_A4R4G4B4:
    case D3DFMT_X4R4G4B4:
    case D3DFMT_A8R3G3B2:
    case D3DFMT_A8L8:
    case D3DFMT_A8P8:
    case D3DFMT_D16:
    case D3DFMT_D16_LOCKABLE:
    case D3DFMT_D15S1:
      return 2;
    case D3DFMT_A8:
    case D3DFMT_L8:
    case D3DFMT_R3G3B2:
    case D3DFMT_P8:
    case D3DFMT_A4L4:
      return 1;
    default:
      return 0;
  }
}

bool IsBlockCompressed(D3DFORMAT format) {
  return format == D3DFMT_DXT1 || format == D3DFMT_DXT2 || format == D3DFMT_DXT3 ||
         format == D3DFMT_DXT4 || format == D3DFMT_DXT5;
}

bool IsDepthFormat(D3DFORMAT format) {
  switch (format) {
    case D3DFMT_D16_LOCKABLE:
    case D3DFMT_D32:
    case D3DFMT_D15S1:
    case D3DFMT_D24S8:
    case D3DFMT_D24X8:
    case D3DFMT_D24X4S4:
    case D3DFMT_D16:
      return true;
    default:
      return false;
  }
}

bool IsTextureFormat(D3DFORMAT format) {
  return IsBlockCompressed(format) || (FormatBytesPerPixel(format) > 0 && !IsDepthFormat(format));
}

bool FormatMayHaveAlpha(D3DFORMAT format) {
  switch (format) {
    case D3DFMT_R8G8B8:
    case D3DFMT_X8R8G8B8:
    case D3DFMT_R5G6B5:
    case D3DFMT_X1R5G5B5:
    case D3DFMT_X4R4G4B4:
    case D3DFMT_R3G3B2:
    case D3DFMT_L8:
      return false;
    default:
      return true;
  }
}

UINT FormatPitch(D3DFORMAT format, UINT width) {
  if (IsBlockCompressed(format)) {
    const UINT blockBytes = format == D3DFMT_DXT1 ? 8 : 16;
    return ((width + 3) / 4) * blockBytes;
  }
  return width * FormatBytesPerPixel(format);
}

UINT FormatRows(D3DFORMAT format, UINT height) {
  return IsBlockCompressed(format) ? (height + 3) / 4 : height;
}

UINT FullMipChainLength(UINT width, UINT height) {
  UINT levels = 1;
  UINT size = width > height ? width : height;
  while (size > 1) {
    size /= 2;
    ++levels;
  }
  return levels;
}

UINT DisplayFormatBitCount(D3DFORMAT format) {
  return (format == D3DFMT_A8R8G8B8 || format == D3DFMT_X8R8G8B8) ? 32 : 16;
}

}  // namespace qm

namespace qm {

FvfLayout GetFvfLayout(DWORD fvf) {
  FvfLayout layout;
  UINT offset = 0;
  const DWORD position = fvf & D3DFVF_POSITION_MASK;
  if (position == D3DFVF_XYZRHW) {
    layout.positionFloats = 4;
    offset = 16;
  } else if (position != 0) {
    layout.positionFloats = 3;
    // XYZ is 12 bytes; XYZB1..XYZB5 add one float per blend weight.
    offset = 12 + 4 * ((position - D3DFVF_XYZ) / 2);
  }
  if (fvf & D3DFVF_NORMAL) {
    layout.normal = static_cast<int>(offset);
    offset += 12;
  }
  if (fvf & D3DFVF_PSIZE) {
    layout.pointSize = static_cast<int>(offset);
    offset += 4;
  }
  if (fvf & D3DFVF_DIFFUSE) {
    layout.diffuse = static_cast<int>(offset);
    offset += 4;
  }
  if (fvf & D3DFVF_SPECULAR) {
    layout.specular = static_cast<int>(offset);
    offset += 4;
  }
  layout.texCount = (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
  if (layout.texCount > 8) layout.texCount = 8;
  for (UINT set = 0; set < layout.texCount; ++set) {
    static constexpr int kFloatsByCode[4] = {2, 3, 4, 1};
    const int floats = kFloatsByCode[(fvf >> (16 + 2 * set)) & 3];
    layout.texCoord[set] = static_cast<int>(offset);
    layout.texSize[set] = floats;
    offset += 4 * static_cast<UINT>(floats);
  }
  layout.stride = offset;
  return layout;
}

UINT VerticesForPrimitives(D3DPRIMITIVETYPE type, UINT primitiveCount) {
  switch (type) {
    case D3DPT_POINTLIST:
      return primitiveCount;
    case D3DPT_LINELIST:
      return primitiveCount * 2;
    case D3DPT_LINESTRIP:
      return primitiveCount + 1;
    case D3DPT_TRIANGLELIST:
      return primitiveCount * 3;
    case D3DPT_TRIANGLESTRIP:
    case D3DPT_TRIANGLEFAN:
      return primitiveCount + 2;
    default:
      return 0;
  }
}

}  // namespace qm
