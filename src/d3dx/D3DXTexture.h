// D3DXTexture: texture creation from image files in memory (JPEG, BMP, TGA, DDS), with the
// names, arguments and results of the D3DX utility library of Direct3D 8.
//
// Scene objects call D3DXCreateTextureFromFileInMemory with archive entries; the texture
// table and the loading screen call the Ex form with explicit size, format and filters.
// The picture is decoded (d3dx/ImageDecoder.h), colour-keyed, resized, given its mip chain
// and written through IDirect3DDevice8::CreateTexture and IDirect3DTexture8::LockRect, so
// any back end serves.
#pragma once

#include "d3d/D3D8.h"

// "Use the default" for sizes, levels and filters.
constexpr UINT D3DX_DEFAULT = 0xFFFFFFFFu;

// Filters for the Filter and MipFilter arguments (the low byte picks one; the high bits
// mirror or dither and are accepted without effect).
constexpr DWORD D3DX_FILTER_NONE = 1u << 0;
constexpr DWORD D3DX_FILTER_POINT = 2u << 0;
constexpr DWORD D3DX_FILTER_LINEAR = 3u << 0;
constexpr DWORD D3DX_FILTER_TRIANGLE = 4u << 0;
constexpr DWORD D3DX_FILTER_BOX = 5u << 0;
constexpr DWORD D3DX_FILTER_MIRROR_U = 1u << 16;
constexpr DWORD D3DX_FILTER_MIRROR_V = 2u << 16;
constexpr DWORD D3DX_FILTER_MIRROR_W = 4u << 16;
constexpr DWORD D3DX_FILTER_MIRROR = 7u << 16;
constexpr DWORD D3DX_FILTER_DITHER = 8u << 16;

// The data is not an image the loader can read.
constexpr HRESULT D3DXERR_INVALIDDATA = MakeResult(0x88760B59u);

// The container an image came in.
enum D3DXIMAGE_FILEFORMAT : DWORD {
  D3DXIFF_BMP = 0,
  D3DXIFF_JPG = 1,
  D3DXIFF_TGA = 2,
  D3DXIFF_PNG = 3,
  D3DXIFF_DDS = 4,
  D3DXIFF_PPM = 5,
  D3DXIFF_DIB = 6,
};

// What the file itself holds: its size, its own mip levels and its pixel format.
struct D3DXIMAGE_INFO {
  UINT Width;
  UINT Height;
  UINT Depth;
  UINT MipLevels;
  D3DFORMAT Format;
  D3DRESOURCETYPE ResourceType;
  D3DXIMAGE_FILEFORMAT ImageFileFormat;
};

// One palette entry (wingdi's layout); textures made here are never palettised, so the
// palette argument is accepted and left untouched.
struct PALETTEENTRY {
  BYTE peRed;
  BYTE peGreen;
  BYTE peBlue;
  BYTE peFlags;
};

// The Ex form with every default: file size, full mip chain, usage 0, the file's format,
// managed pool, default filters, no colour key.
HRESULT D3DXCreateTextureFromFileInMemory(IDirect3DDevice8* pDevice, const void* pSrcData,
                                          UINT SrcDataSize, IDirect3DTexture8** ppTexture);

// Sizes: D3DX_DEFAULT or 0 takes the file's size rounded up to powers of two; explicit sizes
// are kept (rounded too on a device that wants powers of two); either is reduced to the
// device's largest texture. Levels: D3DX_DEFAULT or 0 makes the full chain; the file's own
// levels (DDS) are used where their size fits, the others are box-filtered from the level
// above. Format D3DFMT_UNKNOWN keeps the file's: A8R8G8B8 when it has alpha (every DXT
// file) or a colour key is given, X8R8G8B8 otherwise. A8R8G8B8, X8R8G8B8, R5G6B5,
// X1R5G5B5, A1R5G5B5 and A4R4G4B4 are converted to; other requests (DXT, palettes) fall
// back as for D3DFMT_UNKNOWN. ColorKey (all 32 bits compared) becomes transparent black.
// Results: D3D_OK; D3DERR_INVALIDCALL for missing arguments, an empty buffer or a size
// above 8192; D3DXERR_INVALIDDATA for data that is no image this loader reads (truncated,
// corrupt, or wider or taller than 8192); E_OUTOFMEMORY; otherwise the device's own error
// (D3DERR_OUTOFVIDEOMEMORY ...), passed through. *ppTexture is null after any failure.
HRESULT D3DXCreateTextureFromFileInMemoryEx(IDirect3DDevice8* pDevice, const void* pSrcData,
                                            UINT SrcDataSize, UINT Width, UINT Height,
                                            UINT MipLevels, DWORD Usage, D3DFORMAT Format,
                                            D3DPOOL Pool, DWORD Filter, DWORD MipFilter,
                                            D3DCOLOR ColorKey, D3DXIMAGE_INFO* pSrcInfo,
                                            PALETTEENTRY* pPalette,
                                            IDirect3DTexture8** ppTexture);

// Reads a file from the disk and creates its texture as the in-memory form does;
// D3DXERR_INVALIDDATA when the file cannot be read.
HRESULT D3DXCreateTextureFromFileA(IDirect3DDevice8* pDevice, const char* pSrcFile,
                                   IDirect3DTexture8** ppTexture);

// Describes an image file in memory without creating anything.
HRESULT D3DXGetImageInfoFromFileInMemory(const void* pSrcData, UINT SrcDataSize,
                                         D3DXIMAGE_INFO* pSrcInfo);
