// FormatInfo: sizes and layouts of the Direct3D pixel formats the back ends store.
//
// Textures and locks of both back ends use these to size mip levels and pitches; the
// OpenGL back end also asks whether a format can be uploaded. Block-compressed (DXT)
// formats count in 4 x 4 blocks, as Direct3D reports their pitch.
#pragma once

#include "d3d/D3D8Types.h"

namespace qm {

// Bytes per pixel (0 for unknown and block-compressed formats).
UINT FormatBytesPerPixel(D3DFORMAT format);
// True for DXT1 to DXT5.
bool IsBlockCompressed(D3DFORMAT format);
// True for every colour format a texture may be created in.
bool IsTextureFormat(D3DFORMAT format);
// False only for the colour formats whose texels cannot be transparent (X8R8G8B8, R5G6B5
// and their kin); block-compressed and palette formats may carry alpha, so they count.
bool FormatMayHaveAlpha(D3DFORMAT format);
// True for the depth formats the saver considers (D16, D24X8, D32 and their kin).
bool IsDepthFormat(D3DFORMAT format);
// Bytes from one row (or row of blocks) to the next at this width.
UINT FormatPitch(D3DFORMAT format, UINT width);
// Rows (or rows of blocks) of a level of this height.
UINT FormatRows(D3DFORMAT format, UINT height);
// Number of levels of a full mip chain down to 1 x 1.
UINT FullMipChainLength(UINT width, UINT height);
// Bits per pixel by the 32/16 rule the mode lists use: A8R8G8B8 and X8R8G8B8 are 32.
UINT DisplayFormatBitCount(D3DFORMAT format);

}  // namespace qm

namespace qm {

// Where each part of a vertex lies for an FVF code (offsets in bytes; -1 when absent).
struct FvfLayout {
  UINT stride = 0;
  int position = 0;
  int positionFloats = 0;  // 3 for XYZ and the blend forms, 4 for XYZRHW, 0 without one
  int normal = -1;
  int pointSize = -1;
  int diffuse = -1;
  int specular = -1;
  UINT texCount = 0;
  int texCoord[8] = {-1, -1, -1, -1, -1, -1, -1, -1};
  int texSize[8] = {};  // floats per coordinate set
};

FvfLayout GetFvfLayout(DWORD fvf);

// Vertices a primitive count needs (0 for an unknown primitive type).
UINT VerticesForPrimitives(D3DPRIMITIVETYPE type, UINT primitiveCount);

}  // namespace qm
