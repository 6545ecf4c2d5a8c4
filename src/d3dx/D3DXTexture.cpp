// Texture creation for D3DXTexture.h: decode, plan the texture from the file and the
// device's caps, create it, then fill each level from the best source at hand.
//
// Sections: argument checks and results - planning the texture - filling the levels - the
// entry points.
#include "d3dx/D3DXTexture.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <new>
#include <span>

#include "d3dx/D3DXTexturePixels.h"
#include "d3dx/ImageDecoder.h"
#include "d3dx/ImageFilter.h"

namespace {

using qm::DecodedImage;
using qm::Image;
using qm::ImageFilterKind;
using qm::ImageStatus;

// ---------------------------------------------------------------------------------------------
// Argument checks and results
// ---------------------------------------------------------------------------------------------

bool IsDefault(UINT value) { return value == 0 || value == D3DX_DEFAULT; }

HRESULT ResultOf(ImageStatus status) {
  switch (status) {
    case ImageStatus::Ok: return D3D_OK;
    case ImageStatus::OutOfMemory: return E_OUTOFMEMORY;
    default: return D3DXERR_INVALIDDATA;  // corrupt, unsupported or too large
  }
}

HRESULT Decode(const void* data, UINT size, DecodedImage& decoded, D3DXIMAGE_INFO* info) {
  if (data == nullptr || size == 0) return D3DERR_INVALIDCALL;
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  const HRESULT hr = ResultOf(qm::DecodeImage(std::span(bytes, size), decoded));
  if (FAILED(hr) || info == nullptr) return hr;
  *info = D3DXIMAGE_INFO{decoded.Width(),
                         decoded.Height(),
                         1,
                         decoded.levelCount,
                         static_cast<D3DFORMAT>(decoded.sourceFormat),
                         D3DRTYPE_TEXTURE,
                         static_cast<D3DXIMAGE_FILEFORMAT>(decoded.fileFormat)};
  return D3D_OK;
}

// ---------------------------------------------------------------------------------------------
// Planning the texture
// ---------------------------------------------------------------------------------------------

// What the texture will be.
struct TexturePlan {
  UINT width = 0;
  UINT height = 0;
  UINT levels = 0;
  D3DFORMAT format = D3DFMT_UNKNOWN;
};

// The device's limits; a device that cannot report caps is taken to have none.
struct TextureLimits {
  UINT maxWidth = 0;  // 0: no limit
  UINT maxHeight = 0;
  bool powersOfTwoOnly = false;
  bool mipMaps = true;
};

TextureLimits ReadLimits(IDirect3DDevice8* device) {
  D3DCAPS8 caps{};
  TextureLimits limits;
  if (FAILED(device->GetDeviceCaps(&caps))) return limits;
  limits.maxWidth = caps.MaxTextureWidth;
  limits.maxHeight = caps.MaxTextureHeight;
  limits.powersOfTwoOnly = (caps.TextureCaps & D3DPTEXTURECAPS_POW2) != 0;
  limits.mipMaps = (caps.TextureCaps & D3DPTEXTURECAPS_MIPMAP) != 0;
  return limits;
}

UINT ChooseSide(UINT requested, UINT fileSide, UINT deviceMax, bool powersOfTwoOnly) {
  UINT side = requested;
  if (IsDefault(requested) || powersOfTwoOnly) {
    side = qm::ImageRoundUpToPowerOfTwo(IsDefault(requested) ? fileSide : requested);
  }
  if (deviceMax != 0 && side > deviceMax) side = deviceMax;
  return side;
}

D3DFORMAT ChooseFormat(D3DFORMAT requested, bool alpha) {
  if (qm::IsWritableTextureFormat(requested)) return requested;
  return alpha ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
}

TexturePlan PlanTexture(const DecodedImage& decoded, const TextureLimits& limits, UINT width,
                        UINT height, UINT mipLevels, D3DFORMAT format, D3DCOLOR colorKey) {
  TexturePlan plan;
  plan.width = ChooseSide(width, decoded.Width(), limits.maxWidth, limits.powersOfTwoOnly);
  plan.height = ChooseSide(height, decoded.Height(), limits.maxHeight, limits.powersOfTwoOnly);
  const UINT fullChain = qm::ImageMipChainLength(plan.width, plan.height);
  plan.levels = IsDefault(mipLevels) ? fullChain : std::min(mipLevels, fullChain);
  if (!limits.mipMaps) plan.levels = 1;
  plan.format = ChooseFormat(format, decoded.hasAlpha || colorKey != 0);
  return plan;
}

// ---------------------------------------------------------------------------------------------
// Filling the levels
// ---------------------------------------------------------------------------------------------

HRESULT WriteLevel(IDirect3DTexture8* texture, UINT level, const Image& image,
                   D3DFORMAT format) {
  D3DLOCKED_RECT locked{};
  const HRESULT hr = texture->LockRect(level, &locked, nullptr, 0);
  if (FAILED(hr)) return hr;
  const std::int64_t rowBytes =
      static_cast<std::int64_t>(image.width) * qm::WritableFormatBytes(format);
  if (locked.pBits == nullptr || locked.Pitch < rowBytes) {
    texture->UnlockRect(level);
    return D3DERR_INVALIDCALL;
  }
  auto* bits = static_cast<std::uint8_t*>(locked.pBits);
  for (UINT y = 0; y < image.height; ++y) {
    const std::size_t offset = static_cast<std::size_t>(y) * static_cast<std::size_t>(locked.Pitch);
    qm::WriteTextureRow(image.Row(y), image.width, format, bits + offset);
  }
  return texture->UnlockRect(level);
}

// The picture for `level` at width x height: the file's own level when it has one of that
// size, else the top level resized, else the previous level reduced.
ImageStatus MakeLevel(const DecodedImage& decoded, UINT level, const Image* previous, UINT width,
                      UINT height, ImageFilterKind filter, ImageFilterKind mipFilter,
                      Image& made, const Image*& result) {
  if (level < decoded.levelCount && decoded.levels[level].width == width &&
      decoded.levels[level].height == height) {
    result = &decoded.levels[level];
    return ImageStatus::Ok;
  }
  result = &made;
  if (previous == nullptr) return qm::ResizeImage(decoded.levels[0], width, height, filter, made);
  if (std::max<UINT>(1, previous->width / 2) == width &&
      std::max<UINT>(1, previous->height / 2) == height) {
    return qm::HalveImage(*previous, mipFilter, made);
  }
  return qm::ResizeImage(*previous, width, height, mipFilter, made);
}

HRESULT FillTexture(IDirect3DTexture8* texture, const DecodedImage& decoded, D3DFORMAT format,
                    ImageFilterKind filter, ImageFilterKind mipFilter) {
  Image previousOwned;
  const Image* previous = nullptr;
  const DWORD levels = texture->GetLevelCount();
  for (UINT level = 0; level < levels; ++level) {
    D3DSURFACE_DESC desc{};
    HRESULT hr = texture->GetLevelDesc(level, &desc);
    if (FAILED(hr)) return hr;
    Image made;
    const Image* source = nullptr;
    hr = ResultOf(MakeLevel(decoded, level, previous, desc.Width, desc.Height, filter, mipFilter,
                            made, source));
    if (FAILED(hr)) return hr;
    hr = WriteLevel(texture, level, *source, format);
    if (FAILED(hr)) return hr;
    if (source == &made) {
      previousOwned = std::move(made);
      source = &previousOwned;
    }
    previous = source;
  }
  return D3D_OK;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// The entry points
// ---------------------------------------------------------------------------------------------

HRESULT D3DXCreateTextureFromFileInMemoryEx(IDirect3DDevice8* pDevice, const void* pSrcData,
                                            UINT SrcDataSize, UINT Width, UINT Height,
                                            UINT MipLevels, DWORD Usage, D3DFORMAT Format,
                                            D3DPOOL Pool, DWORD Filter, DWORD MipFilter,
                                            D3DCOLOR ColorKey, D3DXIMAGE_INFO* pSrcInfo,
                                            PALETTEENTRY* /*pPalette*/,
                                            IDirect3DTexture8** ppTexture) {
  if (ppTexture == nullptr) return D3DERR_INVALIDCALL;
  *ppTexture = nullptr;
  if (pDevice == nullptr) return D3DERR_INVALIDCALL;
  if ((!IsDefault(Width) && Width > qm::kMaxImageDimension) ||
      (!IsDefault(Height) && Height > qm::kMaxImageDimension)) {
    return D3DERR_INVALIDCALL;
  }
  DecodedImage decoded;
  HRESULT hr = Decode(pSrcData, SrcDataSize, decoded, pSrcInfo);
  if (FAILED(hr)) return hr;
  if (ColorKey != 0) {
    for (UINT i = 0; i < decoded.levelCount; ++i) qm::ApplyColorKey(decoded.levels[i], ColorKey);
  }

  const TexturePlan plan = PlanTexture(decoded, ReadLimits(pDevice), Width, Height, MipLevels,
                                       Format, ColorKey);
  IDirect3DTexture8* texture = nullptr;
  hr = pDevice->CreateTexture(plan.width, plan.height, plan.levels, Usage, plan.format, Pool,
                              &texture);
  if (FAILED(hr)) return hr;
  if (texture == nullptr) return E_FAIL;
  hr = FillTexture(texture, decoded, plan.format,
                   qm::FilterKindFromD3DX(Filter, ImageFilterKind::Linear),
                   qm::FilterKindFromD3DX(MipFilter, ImageFilterKind::Box));
  if (FAILED(hr)) {
    texture->Release();
    return hr;
  }
  *ppTexture = texture;
  return D3D_OK;
}

HRESULT D3DXCreateTextureFromFileInMemory(IDirect3DDevice8* pDevice, const void* pSrcData,
                                          UINT SrcDataSize, IDirect3DTexture8** ppTexture) {
  return D3DXCreateTextureFromFileInMemoryEx(
      pDevice, pSrcData, SrcDataSize, D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0,
      D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0, nullptr, nullptr,
      ppTexture);
}

HRESULT D3DXCreateTextureFromFileA(IDirect3DDevice8* pDevice, const char* pSrcFile,
                                   IDirect3DTexture8** ppTexture) {
  if (ppTexture != nullptr) *ppTexture = nullptr;
  if (pDevice == nullptr || pSrcFile == nullptr || ppTexture == nullptr) {
    return D3DERR_INVALIDCALL;
  }
  std::FILE* file = std::fopen(pSrcFile, "rb");
  if (file == nullptr) return D3DXERR_INVALIDDATA;
  long size = -1;
  if (std::fseek(file, 0, SEEK_END) == 0) size = std::ftell(file);
  std::unique_ptr<std::uint8_t[]> bytes;
  if (size > 0 && std::fseek(file, 0, SEEK_SET) == 0) {
    bytes.reset(new (std::nothrow) std::uint8_t[static_cast<std::size_t>(size)]);
  }
  const bool read = bytes != nullptr &&
                    std::fread(bytes.get(), 1, static_cast<std::size_t>(size), file) ==
                        static_cast<std::size_t>(size);
  std::fclose(file);
  if (!read) return size > 0 && bytes == nullptr ? E_OUTOFMEMORY : D3DXERR_INVALIDDATA;
  return D3DXCreateTextureFromFileInMemory(pDevice, bytes.get(), static_cast<UINT>(size),
                                           ppTexture);
}

HRESULT D3DXGetImageInfoFromFileInMemory(const void* pSrcData, UINT SrcDataSize,
                                         D3DXIMAGE_INFO* pSrcInfo) {
  if (pSrcInfo == nullptr) return D3DERR_INVALIDCALL;
  DecodedImage decoded;
  return Decode(pSrcData, SrcDataSize, decoded, pSrcInfo);
}
