#include "graphics/TextureTable.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "d3dx/D3DXTexture.h"
#include "shell/MessageBox.h"
#include "shell/RunLog.h"

namespace qm {

namespace {

constexpr UINT kFallbackSize = 256;

template <std::size_t N>
void CopyName(char (&dest)[N], const char* text) {
  std::snprintf(dest, N, "%s", text ? text : "");
}

HRESULT CreateTexture(IDirect3DDevice8* device, const void* bytes, std::size_t count, UINT size,
                      D3DFORMAT format, IDirect3DTexture8** texture) {
  return D3DXCreateTextureFromFileInMemoryEx(device, bytes, UINT(count), size, size, 0, 0, format,
                                             D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0,
                                             nullptr, nullptr, texture);
}

}  // namespace

TextureTable& TextureTable::Instance() {
  static TextureTable table;
  return table;
}

void TextureTable::Init(IDirect3D8* d3d, IDirect3DDevice8* device, D3DFORMAT backBufferFormat,
                        HWND hwnd) {
  m_hWnd = hwnd;
  m_pDevice = device;
  D3DCAPS8 caps{};
  if (device) device->GetDeviceCaps(&caps);
  m_nMaxTextureWidth = caps.MaxTextureWidth;
  auto accepts = [&](D3DFORMAT format) {
    return d3d && SUCCEEDED(d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, backBufferFormat, 0,
                                                   D3DRTYPE_TEXTURE, format));
  };
  m_eFallbackFormat = accepts(D3DFMT_A1R5G5B5) ? D3DFMT_A1R5G5B5 : D3DFMT_R5G6B5;
  m_bCompressedFormats = false;
  for (D3DFORMAT format : {D3DFMT_DXT5, D3DFMT_DXT4, D3DFMT_DXT3, D3DFMT_DXT2, D3DFMT_DXT1}) {
    if (accepts(format)) {
      m_bCompressedFormats = true;
      m_eCompressedFormat = format;
      break;
    }
  }
  m_bUseCompression = false;
}

TextureRef TextureTable::LoadFromMemory(const void* bytes, std::size_t count, const char* name,
                                        const char* folder) {
  TextureRef ref;
  CopyName(ref.szName, name);
  CopyName(ref.szFolder, folder);
  if (!m_pDevice) return ref;
  for (int i = 0; i < m_nEntries; ++i) {
    if (std::strcmp(m_aEntries[i].szName, ref.szName) == 0 &&
        std::strcmp(m_aEntries[i].szFolder, ref.szFolder) == 0) {
      ref.iIndex = i;
      return ref;
    }
  }
  if (m_nEntries >= kMaxEntries) return ref;  // full: the caller draws untextured
  const int index = m_nEntries++;
  TextureEntry& entry = m_aEntries[index];
  entry = TextureEntry{};
  CopyName(entry.szName, name);
  CopyName(entry.szFolder, folder);
  entry.bUsed = true;
  HRESULT hr = CreateTexture(m_pDevice, bytes, count, 0, D3DFMT_UNKNOWN, &entry.pTexture);
  if (FAILED(hr)) {
    const UINT size = std::min(kFallbackSize, m_nMaxTextureWidth);
    hr = CreateTexture(m_pDevice, bytes, count, size, m_eFallbackFormat, &entry.pTexture);
  }
  if (SUCCEEDED(hr)) {
    entry.bLoaded = true;
    LogLine(std::string("Texture ") + ref.szName + " was Loaded.");
    LogLine("");
  } else {
    entry.pTexture = nullptr;
    entry.bLoaded = false;
    if (!m_bWarned) {
      m_bWarned = true;
      MessageBoxA(m_hWnd,
                  hr == D3DERR_OUTOFVIDEOMEMORY
                      ? "Not enought video memory. There why some objects will be white color."
                      : "Some textures was not loaded. There why some objects will be white "
                        "color.",
                  "Warning!", MB_ICONWARNING);
    }
  }
  ref.iIndex = index;
  return ref;
}

void TextureTable::SetTexture(DWORD stage, int index) {
  if (!m_pDevice || stage > 7) return;
  if (index == -1) {
    m_pDevice->SetTexture(stage, nullptr);
    return;
  }
  if (index < 0 || index >= m_nEntries) return;
  m_pDevice->SetTexture(stage, m_aEntries[index].pTexture);
}

void TextureTable::ReleaseAll() {
  for (int i = 0; i < m_nEntries; ++i) {
    if (m_aEntries[i].pTexture) m_aEntries[i].pTexture->Release();
    m_aEntries[i].pTexture = nullptr;
    m_aEntries[i].bLoaded = false;
  }
}

void TextureTable::Clear() {
  ReleaseAll();
  m_nEntries = 0;
  m_bWarned = false;
  m_pDevice = nullptr;
}

}  // namespace qm
