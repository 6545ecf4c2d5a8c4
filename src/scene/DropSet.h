// DropSet: the drops of water that hang on the twigs and the web.
//
// A drop is two web nodes joined by a spring: the upper one rides on the nearest plant link
// (a twig strand or a leaf edge) as a slider, the lower one hangs below it. Drops run down
// their twig, pass onto the next piece where it goes on downhill, and drip off where none
// does; a dripped drop forms again where it first hung. ForestScene places the first four,
// steps them every frame after the animals, and draws them last, additively and mapped with
// the environment texture through their normals. The web file's second section stores
// each drop's two nodes.
#pragma once

#include <cstdint>
#include <vector>

#include "d3d/D3D8.h"
#include "d3dx/D3DXMath.h"
#include "media/MediaArchive.h"
#include "scene/MediaSource.h"

namespace qm {

class Cobweb;
class JsonWriter;
class WebReader;
class WebWriter;

// One drop.
struct Drop {
  int iUpper = -1;   // web node of the upper particle
  int iLower = -1;   // web node of the lower particle
  int iSlider = -1;  // the upper particle's ride
  float fMass = 0.0f;
  float fLength = 0.0f;
  D3DXVECTOR3 vTop{0, 0, 0};     // the upper particle as last drawn
  D3DXVECTOR3 vBottom{0, 0, 0};  // the lower particle as last drawn
  D3DXVECTOR3 vLastTop{0, 0, 0}; // the upper particle one step before
  D3DXVECTOR3 vStart{0, 0, 0};   // where it hung first and forms again after dripping
};

// One drop vertex: position, normal, texture coordinate (32 bytes, FVF 274).
struct DropVertex {
  float x, y, z;
  float nx, ny, nz;
  float u, v;
};

class DropSet {
 public:
  static constexpr DWORD kDropFvf = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;
  static constexpr char kEnvironmentTexture[] = "env.jpg";
  // The spring between the two particles.
  static constexpr float kSpringStiffness = 10.0f;
  static constexpr float kSpringDamping = 0.5f;

  explicit DropSet(Cobweb* web) : m_pWeb(web) {}
  ~DropSet();
  DropSet(const DropSet&) = delete;
  DropSet& operator=(const DropSet&) = delete;

  // A drop of mass m hanging by length l from the plant link nearest to p (web space):
  // the upper particle carries 2m/3, the lower m/3. Returns its index.
  int AddDrop(const D3DXVECTOR3& p, float mass, float length);
  // Drips and forms drops again, then remakes the geometry.
  void Step(float dt);
  void BuildGeometry();
  // Forgets every drop (the web is emptied with them).
  void Clear() { m_Drops.clear(); m_vertexCount = 0; }

  HRESULT InitDeviceObjects(IDirect3DDevice8* device);
  void DeleteDeviceObjects();
  void Render();
  void UseArchive(const MediaArchive& archive, const char* password);

  // The drops' section of a web file. Reading fails (0) when the count differs from the
  // drops held or a node index lies outside the web.
  void WriteSection(WebWriter& writer) const;
  int ReadSection(WebReader& reader);
  void Report(JsonWriter& report) const;

  const std::vector<Drop>& Drops() const { return m_Drops; }
  const std::vector<DropVertex>& Vertices() const { return m_Vertices; }
  size_t VertexCount() const { return m_vertexCount; }
  const D3DMATERIAL8& Material() const { return m_Material; }

 private:
  // Puts the upper particle on the plant link nearest to p and the lower one below it.
  void Hang(Drop& drop, const D3DXVECTOR3& p);
  void AppendDropGeometry(const Drop& drop);

  Cobweb* m_pWeb;  // not owned
  std::vector<Drop> m_Drops;
  std::vector<DropVertex> m_Vertices;  // reused; only grows
  size_t m_vertexCount = 0;
  D3DMATERIAL8 m_Material{};
  IDirect3DDevice8* m_pDevice = nullptr;  // not owned
  IDirect3DTexture8* m_pTexture = nullptr;

  MediaSource m_media;
};

}  // namespace qm
