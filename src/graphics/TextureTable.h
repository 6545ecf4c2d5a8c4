// TextureTable: the process-wide cache of textures created from bytes in memory.
//
// Each (name, folder) pair is created once; a second load returns the same index without
// touching the device. When the device refuses a texture it is retried small in a 16-bit
// format; when that fails too the entry stays empty (objects using it draw white) and the
// user is warned once per run. Used by the clock overlay for its digit pictures.
#pragma once

#include <cstddef>
#include <cstdint>

#include "d3d/D3D8.h"

namespace qm {

// What a load returns and callers keep.
struct TextureRef {
  char szName[128] = {};
  char szFolder[128] = {};
  int iIndex = -1;
};

// One texture of the table.
struct TextureEntry {
  IDirect3DTexture8* pTexture = nullptr;
  char szName[128] = {};
  char szFolder[128] = {};
  bool bLoaded = false;
  bool bUsed = false;
};

class TextureTable {
 public:
  static constexpr int kMaxEntries = 1000;

  static TextureTable& Instance();

  void Init(IDirect3D8* d3d, IDirect3DDevice8* device, D3DFORMAT backBufferFormat, HWND hwnd);
  TextureRef LoadFromMemory(const void* bytes, std::size_t count, const char* name,
                            const char* folder);
  void SetTexture(DWORD stage, int index);
  void ReleaseAll();
  // Forgets every entry and the warning (tests, and a new device in the same process).
  void Clear();

  int Count() const { return m_nEntries; }
  const TextureEntry& Entry(int index) const { return m_aEntries[index]; }
  D3DFORMAT FallbackFormat() const { return m_eFallbackFormat; }

 private:
  bool m_bCompressedFormats = false;
  bool m_bUseCompression = false;
  D3DFORMAT m_eCompressedFormat = D3DFMT_UNKNOWN;
  D3DFORMAT m_eFallbackFormat = D3DFMT_R5G6B5;
  UINT m_nMaxTextureWidth = 0;
  int m_nEntries = 0;
  TextureEntry m_aEntries[kMaxEntries];
  HWND m_hWnd = 0;
  IDirect3DDevice8* m_pDevice = nullptr;
  bool m_bWarned = false;
};

}  // namespace qm
