// ForestScene: everything the forest saver draws, assembled, moved and drawn in one order.
//
// ForestSaver owns one. After the device exists it calls InitDeviceObjects, which loads the
// background picture and the forest model, binds the model's named frames to walking and
// flight paths and to swaying branches, and sizes the animals by the forest's radius. Every
// frame it calls FrameMove (wind, branch sway, then the animated objects) and Render
// (background, forest, animals, rays, web, drops). At exit it releases and deletes the
// device objects and destroys the scene. The objects of later subsystems (rays, cobweb,
// spider, drops, leaves, the creature groups) take their fixed places in these sequences.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "d3d/D3D8.h"
#include "d3dx/D3DXMath.h"
#include "media/MediaArchive.h"
#include "scene/Branches.h"
#include "scene/LeafCluster.h"
#include "scene/MediaSource.h"
#include "scene/ScenePaths.h"

namespace qm {

class Cobweb;
class DropSet;
class Spider;
class AntGroup;
class BugGroup;
class CreatureGroup;
class JsonWriter;
class LadybirdGroup;
class Rays;
class SceneObject;
class WebReader;
class WebWriter;
class XFileModel;

// One vertex of the background quad: position and texture coordinate (20 bytes).
struct BackgroundVertex {
  float x, y, z;
  float u, v;
};

class ForestScene {
 public:
  static constexpr DWORD kBackgroundFvf = D3DFVF_XYZ | D3DFVF_TEX1;
  static constexpr int kBackgroundVertexCount = 6;
  static constexpr size_t kBackgroundNameSize = 260;
  // The animals' sizes are the forest's radius divided by these.
  static constexpr float kSpiderSizeDivisor = 30.0f;
  static constexpr float kAntSizeDivisor = 50.0f;
  static constexpr float kBugSizeDivisor = 35.0f;
  static constexpr float kLadybirdSizeDivisor = 45.0f;

  ForestScene();
  ~ForestScene();
  ForestScene(const ForestScene&) = delete;
  ForestScene& operator=(const ForestScene&) = delete;

  // The picture behind the glade, an entry of the media archive ("background_03.jpg").
  void SetBackgroundName(const char* name);
  const char* BackgroundName() const { return m_szBackground; }
  // Takes the background and the models from this archive instead of the scene media
  // (resource 481). For tests and tools; the bytes must outlive the loading.
  void UseArchive(const MediaArchive& archive, const char* password);

  // Device objects in their fixed order; returns the first failing result, else the last.
  HRESULT InitDeviceObjects(IDirect3DDevice8* device);
  HRESULT ReleaseDeviceObjects();
  HRESULT DeleteDeviceObjects();

  // seconds is clamped to [0, 0.08] (a NaN counts as 0); flag is accepted and unused.
  HRESULT FrameMove(float seconds, int flag);
  HRESULT Render(IDirect3DDevice8* device);

  // The forest model's bounding radius (0 before it is loaded) and its centre.
  float Radius() const;
  D3DXVECTOR3 Center() const;

  // Web start files: 1 loaded (or nothing to load), 0 a section does not fit the scene.
  int LoadCobwebStart(const char* name);
  // Writes the web file (web, drops, leaf clusters) to a path, atomically; 1 on success. A web
  // holding values no file may hold is not written (0), and the file that stands is kept.
  int SaveCobweb(const char* name);
  void ResetCobweb();
  // A web file from the disk: 1 loaded, 0 unreadable or not fitting the scene.
  int LoadCobwebFile(const char* path);
  // The whole web file in memory, and reading one (1 loaded, 0 a section does not fit).
  std::vector<std::uint8_t> CobwebImage() const;
  int LoadCobwebImage(const void* data, size_t size);
  // Tells the spider that a start web was loaded, so it continues from there.
  void WebWasLoaded();

  // The scene's state as members of the report object (--report): the forest first, then
  // each object that lives in the scene under its own key.
  void Report(JsonWriter& report) const;

  // --- What scene assembly produced, for the creatures and for inspection.
  const std::vector<PathRecord>& WalkingPaths() const { return m_Paths; }
  const std::vector<PathRecord>& FlightPaths() const { return m_FlyPaths; }
  const std::vector<BranchRecord>& Branches() const { return m_Branches; }
  const D3DXVECTOR3& Wind() const { return m_vWind; }
  float WindTime() const { return m_fWindTime; }
  void SetWindTime(float seconds) { m_fWindTime = seconds; }
  bool DropsPlaced() const { return m_bPlaced != 0; }
  Cobweb& Web() { return *m_pCobweb; }
  const Cobweb& Web() const { return *m_pCobweb; }
  DropSet& Drops() { return *m_pDrops; }
  Spider& WebSpider() { return *m_pSpider; }
  const Spider& WebSpider() const { return *m_pSpider; }
  const std::vector<LeafCluster>& LeafClusters() const { return m_LeafClusters; }
  const LeafTemplate& Leaf() const { return m_LeafTemplate; }
  XFileModel& Forest() { return *m_pForest; }
  // The ant, bug and ladybird groups, in this order.
  const std::vector<CreatureGroup*>& CreatureGroups() const { return m_CreatureGroups; }
  const Rays& LightRays() const { return *m_pRays; }
  const BackgroundVertex* BackgroundQuad() const { return m_Background; }

  int m_bEnableRays = 1;  // rays of light drawn and moved (set by the saver)

 private:
  HRESULT InitBackground(IDirect3DDevice8* device);
  void FillBackgroundQuad();
  void CreateCreatureGroups();
  void AssembleForestFrames();
  HRESULT SizeAnimals();
  void PlaceFirstDrops();
  void AssembleLeaves();
  void MoveWind();
  void SwayLeaves(float dt);
  // World points into the web's space.
  D3DXMATRIX WebInverse() const;
  bool DropNearCluster(const LeafCluster& cluster) const;
  void WriteLeafSection(WebWriter& writer) const;
  int ReadLeafSection(WebReader& reader);
  void RenderBackground(IDirect3DDevice8* device);

  BYTE m_bPlaced = 0;
  char m_szBackground[kBackgroundNameSize] = {};
  BackgroundVertex m_Background[kBackgroundVertexCount] = {};
  IDirect3DTexture8* m_pBackgroundTexture = nullptr;

  MediaSource m_media;

  // Animated objects, drawn and moved through the SceneObject operations in this order:
  // spider, ant group, bug group, ladybird group.
  std::vector<SceneObject*> m_SceneObjects;
  std::unique_ptr<Rays> m_pRays;
  std::unique_ptr<Cobweb> m_pCobweb;
  std::unique_ptr<Spider> m_pSpider;
  std::unique_ptr<DropSet> m_pDrops;
  std::unique_ptr<XFileModel> m_pForest;
  // The creature groups; every group reads the list of all of them.
  std::unique_ptr<AntGroup> m_pAnts;
  std::unique_ptr<BugGroup> m_pBugs;
  std::unique_ptr<LadybirdGroup> m_pLadybirds;
  std::vector<CreatureGroup*> m_CreatureGroups;

  std::vector<PathRecord> m_Paths;
  std::vector<PathRecord> m_FlyPaths;
  std::vector<BranchRecord> m_Branches;
  std::vector<LeafCluster> m_LeafClusters;
  LeafTemplate m_LeafTemplate;

  D3DXVECTOR3 m_vWind{0, 0, 0};
  float m_fWindTime = 0.0f;
};

}  // namespace qm
