// GlTexture8: a managed-pool texture of the OpenGL back end.
//
// The system copy (MemoryTexture) is what LockRect hands out; levels written since the
// last draw are uploaded when the device binds the texture, so a loader that fills many
// levels costs one upload each. The GL name dies with the texture, or with the device's
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
  GlSamplerState& Sampler() { return m_sampler; }

  // Whether the OpenGL back end can hold a texture of this format.
  static bool Supported(D3DFORMAT format, bool hasS3tc);

 protected:
  void OnUnlock(UINT level) override;

 private:
  ~GlTexture8() override;
  void UploadLevel(UINT level);

  std::weak_ptr<GlContextToken> m_context;
  GLuint m_name = 0;
  std::vector<bool> m_dirty;
  GlSamplerState m_sampler;
};

}  // namespace qm
