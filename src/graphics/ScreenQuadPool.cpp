#include "graphics/ScreenQuadPool.h"

namespace qm {

UINT StrideOfFvf(DWORD fvf) {
  switch (fvf) {
    case 0x144: return 28;
    case 0x152: return 36;
    case 0x252: return 44;
    default: return 28;
  }
}

ScreenQuadPool& ScreenQuadPool::Instance() {
  static ScreenQuadPool pool;
  return pool;
}

void ScreenQuadPool::Init(IDirect3DDevice8* device, HWND hwnd) {
  m_pDevice = device;
  m_hWnd = hwnd;
  if (device) device->GetViewport(&m_viewport);
}

HRESULT ScreenQuadPool::CreateBuffer(int& slot, DWORD fvf, UINT vertexCount) {
  if (!m_pDevice) return E_FAIL;
  if (Valid(slot)) {
    m_slots[slot].pBuffer->Release();
    m_slots[slot].pBuffer = nullptr;
  } else {
    if (m_nSlots >= kMaxSlots) return E_OUTOFMEMORY;
    slot = m_nSlots++;
  }
  Slot& s = m_slots[slot];
  s.dwFVF = fvf;
  s.nStride = StrideOfFvf(fvf);
  const HRESULT hr = m_pDevice->CreateVertexBuffer(vertexCount * s.nStride, D3DUSAGE_WRITEONLY,
                                                   fvf, D3DPOOL_MANAGED, &s.pBuffer);
  s.inUse = SUCCEEDED(hr);
  if (!s.inUse) s.pBuffer = nullptr;
  return hr;
}

ScreenVertex* ScreenQuadPool::Lock(int slot) {
  if (!Valid(slot)) return nullptr;
  BYTE* data = nullptr;
  if (FAILED(m_slots[slot].pBuffer->Lock(0, 0, &data, 0))) return nullptr;
  return reinterpret_cast<ScreenVertex*>(data);
}

void ScreenQuadPool::Unlock(int slot) {
  if (Valid(slot)) m_slots[slot].pBuffer->Unlock();
}

void ScreenQuadPool::SetQuad(int slot, float x, float y, float w, float h, D3DCOLOR color,
                             float uLeft, float vTop, float uRight, float vBottom) {
  ScreenVertex* v = Lock(slot);
  if (!v) return;
  const float left = float(m_viewport.X) + x * float(m_viewport.Width);
  const float top = float(m_viewport.Y) + y * float(m_viewport.Height);
  const float right = float(m_viewport.X) + (x + w) * float(m_viewport.Width);
  const float bottom = float(m_viewport.Y) + (y + h) * float(m_viewport.Height);
  const float corners[4][4] = {{left, bottom, uLeft, vBottom},
                               {left, top, uLeft, vTop},
                               {right, bottom, uRight, vBottom},
                               {right, top, uRight, vTop}};
  for (int i = 0; i < 4; ++i) {
    v[i].x = corners[i][0];
    v[i].y = corners[i][1];
    v[i].color = color;
    v[i].u = corners[i][2];
    v[i].v = corners[i][3];
  }
  Unlock(slot);
}

void ScreenQuadPool::Bind(int slot) {
  if (!Valid(slot) || !m_pDevice) return;
  m_pDevice->SetVertexShader(m_slots[slot].dwFVF);
  m_pDevice->SetStreamSource(0, m_slots[slot].pBuffer, m_slots[slot].nStride);
}

void ScreenQuadPool::ReleaseAll() {
  for (int i = 0; i < m_nSlots; ++i) {
    if (m_slots[i].pBuffer) m_slots[i].pBuffer->Release();
    m_slots[i] = Slot{};
  }
  m_nSlots = 0;
  m_pDevice = nullptr;
}

}  // namespace qm
