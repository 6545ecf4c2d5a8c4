// Rays: the two broad beams of light that fall into the glade from above and sway slowly.
//
// ForestScene owns one, made with the names of its two textures ("wind2.jpg" is kept, only
// "rays.jpg" is loaded). After the device exists the scene calls InitDeviceObjects; while
// rays are enabled it calls FrameMove every frame and Render after the animals. The beams
// are one textured quad drawn twice, mirrored across the glade, and added to the picture:
// a black texel adds nothing, and the brightness scales the light that is added.
#pragma once

#include "d3d/D3D8.h"
#include "d3dx/D3DXMath.h"
#include "media/MediaArchive.h"
#include "scene/MediaSource.h"

namespace qm {

class JsonWriter;

// One vertex of the ray quad: position, normal and texture coordinate (32 bytes).
struct RayVertex {
  float x, y, z;
  float nx, ny, nz;
  float u, v;
};

class Rays {
 public:
  static constexpr DWORD kRayFvf = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;
  static constexpr int kQuadVertexCount = 6;
  static constexpr size_t kTextureNameSize = 260;
  // Ray time wraps by this (about 1000 pi) so that the sines keep their precision.
  static constexpr float kTimeWrap = 3141.5928f;
  // The beams stand this far either side of the glade's middle (along y).
  static constexpr float kBeamDistance = 92.0f;
  // The second beam is this much dimmer than the first.
  static constexpr float kSecondBeamDivisor = 1.5f;

  Rays(const char* firstTextureName, const char* secondTextureName);
  ~Rays();
  Rays(const Rays&) = delete;
  Rays& operator=(const Rays&) = delete;

  // Takes the texture from this archive instead of the scene media (resource 481). For
  // tests and tools; the bytes must outlive the loading.
  void UseArchive(const MediaArchive& archive, const char* password);

  // Stores the device and creates the ray texture; the texture loader's result.
  HRESULT InitDeviceObjects(IDirect3DDevice8* device);
  void DeleteDeviceObjects();

  // Advances the ray time by dt seconds (already limited by the scene) and derives the
  // sway, offset and brightness from it.
  void FrameMove(float dt);
  // Draws both beams additively; the device's world and view matrices are kept.
  void Render();

  // The world matrix of one beam: side +1 for the first, -1 for the mirrored second.
  D3DXMATRIX BeamWorld(float side) const;
  // The colour the beam of that side is drawn with (material diffuse, all four channels).
  float BeamColour(float side) const;

  float RayTime() const { return m_fRayTime; }
  float SwayAngle() const { return m_fSwayAngle; }
  float Offset() const { return m_fOffset; }
  float Brightness() const { return m_fBrightness; }
  const RayVertex* Quad() const { return m_Quad; }

  // The rays' state under the key "rays".
  void Report(JsonWriter& report) const;

 private:
  void FillQuad();

  IDirect3DTexture8* m_pTexture = nullptr;
  IDirect3DDevice8* m_pDevice = nullptr;
  D3DMATERIAL8 m_Material{};
  char m_szFirstTexture[kTextureNameSize] = {};
  char m_szSecondTexture[kTextureNameSize] = {};
  RayVertex m_Quad[kQuadVertexCount] = {};
  float m_fWidth = 150.0f;
  float m_fHeight = 150.0f;
  float m_fSwayAngle = 0.0f;
  float m_fOffset = 0.0f;
  float m_fBrightness = 0.0f;
  float m_fRayTime = 0.0f;
  MediaSource m_media;
};

}  // namespace qm
