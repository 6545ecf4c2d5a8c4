// ScreenQuadPool: vertex buffers of pre-transformed vertices for screen-space rectangles.
//
// Used by the loading screen and the clock overlay. Coordinates passed to SetQuad are
// fractions of the viewport (0 to 1), so layouts do not depend on the screen size. One
// process-wide pool of at most 14000 slots; a slot is reused when created again.
#pragma once

#include "d3d/D3D8.h"

namespace qm {

// One vertex of a screen quad (FVF 0x144, 28 bytes).
struct ScreenVertex {
  float x, y, z, rhw;
  D3DCOLOR color;
  float u, v;
};

class ScreenQuadPool {
 public:
  static constexpr int kMaxSlots = 14000;
  static constexpr DWORD kQuadFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;

  static ScreenQuadPool& Instance();

  void Init(IDirect3DDevice8* device, HWND hwnd);
  // Creates the buffer of `slot` (or of a new slot when `slot` is not in use, writing its
  // number back). Fails, taking no slot, when the pool is full.
  HRESULT CreateBuffer(int& slot, DWORD fvf, UINT vertexCount);
  ScreenVertex* Lock(int slot);
  void Unlock(int slot);
  // Writes the four corners of a triangle strip; x, y, w, h are viewport fractions.
  void SetQuad(int slot, float x, float y, float w, float h, D3DCOLOR color, float uLeft,
               float vTop, float uRight, float vBottom);
  void Bind(int slot);
  void ReleaseAll();
  const D3DVIEWPORT8& Viewport() const { return m_viewport; }

 private:
  // One vertex buffer of the pool.
  struct Slot {
    bool inUse = false;
    DWORD dwFVF = 0;
    UINT nStride = 0;
    IDirect3DVertexBuffer8* pBuffer = nullptr;
  };
  bool Valid(int slot) const { return slot >= 0 && slot < m_nSlots && m_slots[slot].inUse; }

  Slot m_slots[kMaxSlots];
  int m_nSlots = 0;
  HWND m_hWnd = 0;
  IDirect3DDevice8* m_pDevice = nullptr;
  D3DVIEWPORT8 m_viewport{};
};

// Bytes per vertex of the screen-quad formats.
UINT StrideOfFvf(DWORD fvf);

}  // namespace qm
