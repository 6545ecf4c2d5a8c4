// MemoryResources: textures, vertex buffers and index buffers kept in system memory.
//
// Every resource of the saver lives in the managed pool, so both back ends keep a system
// copy that Lock writes into: the recording back end needs nothing else, the OpenGL back
// end derives from these classes and uploads what an Unlock changed (OnUnlock). Locks are
// bounds-checked; a second lock of the same level or buffer is refused. A back end that
// holds a level itself may drop its system copy (ReleaseLevelBits); the next lock of that
// level gets the pixels back through RestoreLevelBits.
#pragma once

#include <cstdint>
#include <vector>

#include "d3d/RefCounted.h"

namespace qm {

// A 2D texture with its mip chain in system memory.
class MemoryTexture : public RefCounted<IDirect3DTexture8> {
 public:
  // levels 0 means the full chain. Check Valid() after construction.
  MemoryTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                D3DPOOL pool);

  bool Valid() const { return !m_levels.empty(); }

  D3DRESOURCETYPE GetType() override { return D3DRTYPE_TEXTURE; }
  DWORD GetLevelCount() override { return static_cast<DWORD>(m_levels.size()); }
  HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) override;
  HRESULT LockRect(UINT level, D3DLOCKED_RECT* lockedRect, const RECT* rect,
                   DWORD flags) override;
  HRESULT UnlockRect(UINT level) override;

  // Read access for back ends and tests.
  D3DFORMAT Format() const { return m_format; }
  UINT LevelWidth(UINT level) const { return m_levels[level].width; }
  UINT LevelHeight(UINT level) const { return m_levels[level].height; }
  UINT LevelPitch(UINT level) const { return m_levels[level].pitch; }
  // Null while the level's system copy is released.
  const std::uint8_t* LevelBits(UINT level) const { return m_levels[level].bits.data(); }
  size_t LevelBytes(UINT level) const;
  // Increases with every unlock that could have changed a level.
  std::uint64_t Generation() const { return m_generation; }

 protected:
  // Called after a level was unlocked for writing.
  virtual void OnUnlock(UINT /*level*/) {}
  // Frees the system copy of an unlocked level that the back end holds elsewhere.
  void ReleaseLevelBits(UINT level);
  // Fills `bits` (LevelBytes(level) bytes) with a released level's pixels; false when they
  // cannot be had, which fails the lock.
  virtual bool RestoreLevelBits(UINT /*level*/, std::uint8_t* /*bits*/) { return false; }

 private:
  struct Level {
    UINT width = 0;
    UINT height = 0;
    UINT pitch = 0;
    std::vector<std::uint8_t> bits;
    bool locked = false;
    bool readOnly = false;
    bool released = false;  // bits freed; the pixels live in the back end
  };
  std::vector<Level> m_levels;
  D3DFORMAT m_format;
  DWORD m_usage;
  D3DPOOL m_pool;
  std::uint64_t m_generation = 0;
};

// Bytes of a vertex or index buffer in system memory.
class MemoryBufferBase {
 public:
  explicit MemoryBufferBase(UINT length) : m_bytes(length) {}

  const std::uint8_t* Bytes() const { return m_bytes.data(); }
  UINT Length() const { return static_cast<UINT>(m_bytes.size()); }
  std::uint64_t Generation() const { return m_generation; }

 protected:
  HRESULT LockBytes(UINT offset, UINT size, BYTE** data, DWORD flags);
  HRESULT UnlockBytes();

 private:
  std::vector<std::uint8_t> m_bytes;
  bool m_locked = false;
  bool m_readOnly = false;
  std::uint64_t m_generation = 0;
};

class MemoryVertexBuffer : public RefCounted<IDirect3DVertexBuffer8>, public MemoryBufferBase {
 public:
  MemoryVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool)
      : MemoryBufferBase(length), m_usage(usage), m_fvf(fvf), m_pool(pool) {}

  D3DRESOURCETYPE GetType() override { return D3DRTYPE_VERTEXBUFFER; }
  HRESULT Lock(UINT offset, UINT size, BYTE** data, DWORD flags) override {
    return LockBytes(offset, size, data, flags);
  }
  HRESULT Unlock() override { return UnlockBytes(); }
  HRESULT GetDesc(D3DVERTEXBUFFER_DESC* desc) override;

 private:
  DWORD m_usage;
  DWORD m_fvf;
  D3DPOOL m_pool;
};

class MemoryIndexBuffer : public RefCounted<IDirect3DIndexBuffer8>, public MemoryBufferBase {
 public:
  MemoryIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool)
      : MemoryBufferBase(length), m_usage(usage), m_format(format), m_pool(pool) {}

  D3DRESOURCETYPE GetType() override { return D3DRTYPE_INDEXBUFFER; }
  HRESULT Lock(UINT offset, UINT size, BYTE** data, DWORD flags) override {
    return LockBytes(offset, size, data, flags);
  }
  HRESULT Unlock() override { return UnlockBytes(); }
  HRESULT GetDesc(D3DINDEXBUFFER_DESC* desc) override;
  D3DFORMAT Format() const { return m_format; }

 private:
  DWORD m_usage;
  D3DFORMAT m_format;
  D3DPOOL m_pool;
};

// Largest texture side either back end accepts; bigger requests fail as out of memory.
constexpr UINT kMaxTextureSide = 8192;
// Largest buffer either back end accepts.
constexpr UINT kMaxBufferBytes = 256u << 20;

}  // namespace qm
