#include "d3d/MemoryResources.h"

#include "d3d/FormatInfo.h"

namespace qm {

MemoryTexture::MemoryTexture(UINT width, UINT height, UINT levels, DWORD usage,
                             D3DFORMAT format, D3DPOOL pool)
    : m_format(format), m_usage(usage), m_pool(pool) {
  if (width == 0 || height == 0 || width > kMaxTextureSide || height > kMaxTextureSide ||
      !IsTextureFormat(format)) {
    return;
  }
  const UINT fullChain = FullMipChainLength(width, height);
  const UINT count = (levels == 0 || levels > fullChain) ? fullChain : levels;
  m_levels.resize(count);
  for (UINT i = 0; i < count; ++i) {
    Level& level = m_levels[i];
    level.width = width > (1u << i) ? width >> i : 1;
    level.height = height > (1u << i) ? height >> i : 1;
    level.pitch = FormatPitch(format, level.width);
    level.bits.assign(static_cast<size_t>(level.pitch) * FormatRows(format, level.height), 0);
  }
}

HRESULT MemoryTexture::GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) {
  if (level >= m_levels.size() || !desc) return D3DERR_INVALIDCALL;
  const Level& l = m_levels[level];
  *desc = D3DSURFACE_DESC{m_format, D3DRTYPE_SURFACE, m_usage, m_pool,
                          static_cast<UINT>(LevelBytes(level)), D3DMULTISAMPLE_NONE, l.width,
                          l.height};
  return D3D_OK;
}

HRESULT MemoryTexture::LockRect(UINT level, D3DLOCKED_RECT* lockedRect, const RECT* rect,
                                DWORD flags) {
  if (level >= m_levels.size() || !lockedRect) return D3DERR_INVALIDCALL;
  Level& l = m_levels[level];
  if (l.locked) return D3DERR_INVALIDCALL;
  size_t offset = 0;
  if (rect) {
    const bool inside = rect->left >= 0 && rect->top >= 0 && rect->left < rect->right &&
                        rect->top < rect->bottom && static_cast<UINT>(rect->right) <= l.width &&
                        static_cast<UINT>(rect->bottom) <= l.height;
    const bool blockAligned = !IsBlockCompressed(m_format) ||
                              (rect->left % 4 == 0 && rect->top % 4 == 0);
    if (!inside || !blockAligned) return D3DERR_INVALIDCALL;
    if (IsBlockCompressed(m_format)) {
      offset = static_cast<size_t>(rect->top / 4) * l.pitch +
               FormatPitch(m_format, static_cast<UINT>(rect->left));
    } else {
      offset = static_cast<size_t>(rect->top) * l.pitch +
               static_cast<size_t>(rect->left) * FormatBytesPerPixel(m_format);
    }
  }
  if (l.released) {
    std::vector<std::uint8_t> restored(LevelBytes(level));
    if (!RestoreLevelBits(level, restored.data())) return D3DERR_INVALIDCALL;
    l.bits = std::move(restored);
    l.released = false;
  }
  l.locked = true;
  l.readOnly = (flags & D3DLOCK_READONLY) != 0;
  lockedRect->Pitch = static_cast<INT>(l.pitch);
  lockedRect->pBits = l.bits.data() + offset;
  return D3D_OK;
}

HRESULT MemoryTexture::UnlockRect(UINT level) {
  if (level >= m_levels.size() || !m_levels[level].locked) return D3DERR_INVALIDCALL;
  Level& l = m_levels[level];
  l.locked = false;
  if (!l.readOnly) {
    ++m_generation;
    OnUnlock(level);
  }
  return D3D_OK;
}

size_t MemoryTexture::LevelBytes(UINT level) const {
  const Level& l = m_levels[level];
  return static_cast<size_t>(l.pitch) * FormatRows(m_format, l.height);
}

void MemoryTexture::ReleaseLevelBits(UINT level) {
  Level& l = m_levels[level];
  if (l.locked || l.released) return;
  std::vector<std::uint8_t>().swap(l.bits);
  l.released = true;
}

HRESULT MemoryBufferBase::LockBytes(UINT offset, UINT size, BYTE** data, DWORD flags) {
  if (!data || m_locked) return D3DERR_INVALIDCALL;
  const size_t length = m_bytes.size();
  if (offset > length || (size != 0 && size > length - offset)) return D3DERR_INVALIDCALL;
  m_locked = true;
  m_readOnly = (flags & D3DLOCK_READONLY) != 0;
  *data = m_bytes.data() + offset;
  return D3D_OK;
}

HRESULT MemoryBufferBase::UnlockBytes() {
  if (!m_locked) return D3DERR_INVALIDCALL;
  m_locked = false;
  if (!m_readOnly) ++m_generation;
  return D3D_OK;
}

HRESULT MemoryVertexBuffer::GetDesc(D3DVERTEXBUFFER_DESC* desc) {
  if (!desc) return D3DERR_INVALIDCALL;
  *desc = D3DVERTEXBUFFER_DESC{D3DFMT_VERTEXDATA, D3DRTYPE_VERTEXBUFFER, m_usage, m_pool,
                               Length(), m_fvf};
  return D3D_OK;
}

HRESULT MemoryIndexBuffer::GetDesc(D3DINDEXBUFFER_DESC* desc) {
  if (!desc) return D3DERR_INVALIDCALL;
  *desc = D3DINDEXBUFFER_DESC{m_format, D3DRTYPE_INDEXBUFFER, m_usage, m_pool, Length()};
  return D3D_OK;
}

}  // namespace qm
