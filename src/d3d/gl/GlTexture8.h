// GlTexture8: a managed-pool texture of the OpenGL back end.
//
// The system copy (MemoryTexture) is what LockRect hands out. A level is uploaded when it
// is unlocked while the device's context is current (else when the device binds the
// texture), and its system copy is freed then: GL holds the pixels, and a later lock reads
// them back. So a texture is kept once, not twice. The GL name dies with the texture, or with the device's
// context if that goes first. Sampler settings are cached on it because Direct3D keeps
// them per stage and OpenGL per texture object.
#pragma once

#include <SDL_opengl.h>

#include <memory>
#include <vector>

#include "d3d/MemoryResources.h"

namespace qm {

struct GlFunctions;

// Alive while the device's GL context is; resources check it before deleting GL names.
struct GlContextToken {
  const GlFunctions* functions = nullptr;
  void* context = nullptr;  // the SDL_GLContext, to tell whether it is current
};

// The sampler settings last applied to a texture object.
struct GlSamplerState {
  GLint minFilter = 0;
  GLint magFilter = 0;
  GLint wrapS = 0;
  GLint wrapT = 0;
  GLint maxLevel = -1;
};

class GlTexture8 : public MemoryTexture {
 public:
  GlTexture8(std::weak_ptr<GlContextToken> context, UINT width, UINT height, UINT levels,
             DWORD usage, D3DFORMAT format, D3DPOOL pool);

  // Uploads what changed and binds the texture to the active unit.
  void Bind();
  // Whether a level was written since the last Bind.
  bool NeedsUpload() const { return m_pendingUploads; }
  GlSamplerState& Sampler() { return m_sampler; }

  // Whether the OpenGL back end can hold a texture of this format.
  static bool Supported(D3DFORMAT format, bool hasS3tc);

 protected:
  void OnUnlock(UINT level) override;
  bool RestoreLevelBits(UINT level, std::uint8_t* bits) override;

 private:
  ~GlTexture8() override;
  // Whether the texture's context exists and is the current one.
  bool ContextCurrent() const;
  void BindName();
  void UploadPending();
  void UploadLevel(UINT level);

  std::weak_ptr<GlContextToken> m_context;
  GLuint m_name = 0;
  std::vector<bool> m_dirty;
  bool m_pendingUploads = true;
  GlSamplerState m_sampler;
};

}  // namespace qm
