// Cobweb: the spider's web as threads on the thread system, drawn as flat ribbons.
//
// ForestScene owns one. It gives it the forest frame "proto_frame" (BuildFrame lays the
// invisible frame threads along that frame's mesh), its textures with the device
// (RestoreDevice / ReleaseDevice), a Step every frame before the animals move, BuildRibbons
// after they moved and Render after they are drawn. The spider builds the web through
// AddThread, ExtendThread, SplitThread, StartThread and AddSlider, and keeps its bookkeeping
// in Marks0, Marks1, Marks2 and Flags. The web's state travels in web files (the first
// section of the file; see WebFile.h), which start files and the stored web use.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "creatures/ThreadSystem.h"
#include "d3d/D3D8.h"
#include "media/MediaArchive.h"
#include "scene/MediaSource.h"

namespace qm {

struct XFileFrame;
class JsonWriter;
class WebReader;
class WebWriter;

// A thread: its nodes and links in order along it.
struct WebThread {
  std::vector<std::int32_t> Nodes;
  std::vector<std::int32_t> Links;
  std::uint8_t bFlag = 0;  // the spider's mark; also makes split points fixed
};

// One ribbon vertex as the device draws it (36 bytes, FVF 0x152).
struct RibbonVertex {
  float x, y, z;
  float nx, ny, nz;
  DWORD color;  // not filled by the web
  float u, v;
};

// One ribbon geometry; the arrays are reused from frame to frame and only grow.
struct Ribbon {
  std::vector<RibbonVertex> vertices;
  std::vector<WORD> indices;
  size_t vertexCount = 0;
  size_t indexCount = 0;
};

class Cobweb : public ThreadSystem {
 public:
  static constexpr float kMaxStep = 0.06f;
  static constexpr DWORD kRibbonFvf = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_TEX1;
  static constexpr float kUnbuiltThreadWidth = 50.1f;
  // No sound web value comes near this; a file holding a larger one is damaged, and the
  // simulation's products of such values would overflow to infinity within a step.
  static constexpr float kMaxStoredMagnitude = 1e6f;
  // Quads per draw call: 16384 quads use exactly the 65536 vertices a 16-bit index reaches.
  static constexpr size_t kQuadsPerDraw = 16384;
  static constexpr char kRadiiTexture[] = "radii.jpg";
  static constexpr char kSpiralTexture[] = "spirals.jpg";

  Cobweb();
  ~Cobweb() override;
  Cobweb(const Cobweb&) = delete;
  Cobweb& operator=(const Cobweb&) = delete;

  // Clamps the step to kMaxStep, then wind, forces and integration.
  void Step(float elapsed) override;

  // --- Building threads (the spider's tools)
  void AddThread(WebThread& thread, const D3DXVECTOR3& from, const D3DXVECTOR3& to, int segments,
                 float weight, float stiffness, float damping, bool fixed, float restFactor);
  void ExtendThread(WebThread& thread, const D3DXVECTOR3& to, int segments, float weight,
                    float stiffness, float damping, bool fixed);
  // Returns the node at parameter t of the thread (new or existing), -1 when it has no link.
  int SplitThread(WebThread& thread, float t);
  void StartThread(WebThread& newThread, WebThread& fromThread, float fromT,
                   const D3DXVECTOR3& to, int segments, float weight, float stiffness,
                   float damping, bool fixed, float restFactor);

  // --- The frame, ribbons and drawing
  // Keeps the frame's combined matrix as the web's transform; lays the frame threads along
  // the frame's first mesh when there are none yet. A null frame or one without a mesh
  // leaves the web without a frame.
  void BuildFrame(const XFileFrame* frame);
  void BuildRibbons();
  void Render();
  // Stores the device and loads the two textures; returns the device's result.
  HRESULT RestoreDevice(IDirect3DDevice8* device);
  void ReleaseDevice();
  // Takes the textures from this archive instead of the scene media (tests, tools).
  void UseArchive(const MediaArchive& archive, const char* password);

  // Back to the empty web of a new scene: no nodes, links, sliders, threads or marks; the
  // frame transform and the device objects stay.
  void Reset();

  // --- Web files (the web's section). Save and Load return 1 on success, 0 on failure; a
  // failed load leaves the web as it was.
  int Save(std::FILE* file) const;
  int Load(std::FILE* file);
  int LoadFromMemory(WebReader& reader);
  int LoadFromMemory(const void* data, size_t size);
  void WriteSection(WebWriter& writer) const;

  // The web frame's transform (identity until a frame was given).
  const D3DXMATRIX& FrameTransform() const;
  const Ribbon& RadiiRibbon() const { return m_Radii; }
  const Ribbon& FrameRibbon() const { return m_Frame; }
  const Ribbon& SpiralRibbon() const { return m_Spiral; }
  // The web's state under the key "cobweb" (--report): counts per list, riders, and how
  // many node values are not finite.
  void Report(JsonWriter& report) const;
  int NonFiniteValues() const;
  // How many node and link values a web file could not hold: not finite, or beyond
  // kMaxStoredMagnitude. A web with any such value would write a file that does not load.
  int UnstorableValues() const;

  // The four thread lists in file order.
  std::vector<WebThread>* ThreadLists(int index);

  // --- State
  D3DXVECTOR3 vCentre{0, 0, 0};
  D3DXVECTOR3 vNormal{0, 0, 0};
  float fHeight = 0.0f;
  float fThreadWidth = kUnbuiltThreadWidth;
  const D3DXMATRIX* pFrameMatrix = nullptr;  // the web frame's transform, owned by the forest
  std::vector<WebThread> Threads0;
  std::vector<WebThread> FrameThreads;
  std::vector<WebThread> Radii;
  std::vector<WebThread> Spiral;
  std::vector<std::int32_t> Marks0;
  std::vector<std::int32_t> Marks1;
  std::vector<std::int32_t> Marks2;
  std::vector<std::uint8_t> Flags;

  D3DMATERIAL8 m_RadiusMaterial;
  D3DMATERIAL8 m_SpiralMaterial;
  D3DMATERIAL8 m_FrameMaterial;

  // Rebuilds a ribbon of these threads in the web's plane (half-width each side); the
  // spider's thread in the making is drawn the same way as the web's own.
  void BuildThreadRibbons(const std::vector<WebThread>& threads, float halfWidth, Ribbon* ribbon);
  // Draws a ribbon with the states and material in effect, in blocks that 16-bit indices reach.
  void DrawRibbon(const Ribbon& ribbon);
  // The texture the threads of a list wear (the frame threads wear the radii's).
  IDirect3DTexture8* ThreadTexture(bool spiral) const {
    return spiral ? m_pSpiralTexture : m_pRadiiTexture;
  }

 private:
  void ComputeFrameShape();
  // Appends the nodes of a straight run from node `from` toward `to` and joins them.
  void LayRun(WebThread& thread, int from, const D3DXVECTOR3& to, int segments, float weight,
              float stiffness, float damping, bool fixed, float restFactor);

  IDirect3DDevice8* m_pDevice = nullptr;  // not owned
  Ribbon m_Radii;
  Ribbon m_Frame;
  Ribbon m_Spiral;
  std::vector<std::pair<int, float>> m_ribbonLinks;  // scratch of BuildThreadRibbons
  IDirect3DTexture8* m_pRadiiTexture = nullptr;
  IDirect3DTexture8* m_pSpiralTexture = nullptr;

  MediaSource m_media;
};

}  // namespace qm
