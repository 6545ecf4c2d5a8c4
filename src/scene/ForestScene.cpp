// ForestScene: assembly, per-frame move and drawing of the forest glade.
//
// Sections: construction - device objects - assembly from the forest frames - frame move -
// drawing - web state files.
//
// The objects of the later subsystems (rays of light, cobweb, spider, drop set, leaf
// clusters, the ant, bug and ladybird groups) have fixed places in every sequence below;
// each place is marked with a comment naming the step, so that the object joins there.
#include "scene/ForestScene.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "creatures/Cobweb.h"
#include "creatures/Spider.h"
#include "creatures/WebFile.h"
#include "creatures/AntGroup.h"
#include "creatures/BugGroup.h"
#include "creatures/LadybirdGroup.h"
#include "d3dx/D3DXTexture.h"
#include "shell/JsonWriter.h"
#include "shell/Random.h"
#include "scene/DropSet.h"
#include "scene/Rays.h"
#include "scene/SceneObject.h"
#include "scene/Strands.h"
#include "scene/Wind.h"
#include "scene/XFileModel.h"

namespace qm {

namespace {

constexpr char kForestFile[] = "forest.x";
constexpr char kWindTexture[] = "wind2.jpg";
constexpr char kRaysTexture[] = "rays.jpg";
constexpr char kWalkingPathFormat[] = "path%02d";
constexpr char kFlightPathFormat[] = "fly_path%02d";
// Walking paths take their up vectors from the meshes of frames whose names contain this.
constexpr char kTreeFrameText[] = "tree";

// The background picture stands upright at y = 100 behind everything, 255 wide and 212
// high, its lower left corner at x = -130, z = -110.
constexpr float kBackgroundY = 100.0f;
constexpr float kBackgroundLeft = -130.0f;
constexpr float kBackgroundWidth = 255.0f;
constexpr float kBackgroundBottom = -110.0f;
constexpr float kBackgroundHeight = 212.0f;

// The forest's alpha-tested leaves: texels below this alpha are cut away.
constexpr DWORD kForestAlphaRef = 170;

// The forest frame that carries the web.
constexpr char kWebFrame[] = "proto_frame";
// The first four drops: their mass and thread length.
constexpr float kFirstDropMass = 2.1f;
constexpr float kFirstDropLength = 1.0f;

}  // namespace

// ---------------------------------------------------------------------------------------------
// Construction
// ---------------------------------------------------------------------------------------------

ForestScene::ForestScene()
    : m_pRays(std::make_unique<Rays>(kWindTexture, kRaysTexture)),
      m_pCobweb(std::make_unique<Cobweb>()),
      m_pSpider(std::make_unique<Spider>(Spider::kModelFile, *m_pCobweb)),
      m_pDrops(std::make_unique<DropSet>(m_pCobweb.get())),
      m_pForest(std::make_unique<XFileModel>(kForestFile)) {
  // Order of creation: the rays ("wind2.jpg", "rays.jpg"), the cobweb, the spider
  // ("spider.x", on the cobweb), the drop set (on the cobweb), the forest model, then
  // the ant ("ant.x"), bug ("bug.x") and ladybird ("ladybird.x") groups. The drop set gets
  // the leaf cluster list; spider, ants, bugs and ladybirds join m_SceneObjects in this
  // order; the three groups form the creature groups list and each group receives the
  // walking paths, the flight paths and that list.
  m_SceneObjects.push_back(m_pSpider.get());
  CreateCreatureGroups();
}

void ForestScene::CreateCreatureGroups() {
  m_pAnts = std::make_unique<AntGroup>();
  m_pBugs = std::make_unique<BugGroup>();
  m_pLadybirds = std::make_unique<LadybirdGroup>();
  m_CreatureGroups = {m_pAnts.get(), m_pBugs.get(), m_pLadybirds.get()};
  for (CreatureGroup* group : m_CreatureGroups) {
    m_SceneObjects.push_back(group);
    group->SetPaths(&m_Paths);
    group->SetFlyPaths(&m_FlyPaths);
    group->SetGroups(&m_CreatureGroups);
  }
}

ForestScene::~ForestScene() {
  if (m_pBackgroundTexture) m_pBackgroundTexture->Release();
  m_pBackgroundTexture = nullptr;
}

void ForestScene::SetBackgroundName(const char* name) {
  std::snprintf(m_szBackground, sizeof(m_szBackground), "%s", name ? name : "");
}

void ForestScene::UseArchive(const MediaArchive& archive, const char* password) {
  m_media.Use(archive, password);
  m_pRays->UseArchive(archive, password);
  m_pForest->UseArchive(archive, password);
  m_pCobweb->UseArchive(archive, password);
  m_pSpider->Model().UseArchive(archive, password);
  m_pDrops->UseArchive(archive, password);
  for (CreatureGroup* group : m_CreatureGroups) group->Model().UseArchive(archive, password);
}

float ForestScene::Radius() const { return m_pForest->Radius(); }

D3DXVECTOR3 ForestScene::Center() const { return m_pForest->Center(); }

// ---------------------------------------------------------------------------------------------
// Device objects
// ---------------------------------------------------------------------------------------------

HRESULT ForestScene::InitDeviceObjects(IDirect3DDevice8* device) {
  HRESULT hr = InitBackground(device);
  if (FAILED(hr)) return hr;
  hr = m_pRays->InitDeviceObjects(device);
  if (FAILED(hr)) return hr;
  hr = m_pForest->Load(device);
  if (FAILED(hr)) return hr;
  hr = m_pDrops->InitDeviceObjects(device);
  if (FAILED(hr)) return hr;
  hr = m_pCobweb->RestoreDevice(device);
  if (FAILED(hr)) return hr;
  m_pCobweb->BuildFrame(m_pForest->FindFrame(kWebFrame));
  for (SceneObject* object : m_SceneObjects) {
    hr = object->InitDeviceObjects(device);
    if (FAILED(hr)) return hr;
  }
  AssembleForestFrames();
  hr = SizeAnimals();
  if (FAILED(hr)) return hr;
  if (!m_bPlaced) PlaceFirstDrops();
  return hr;
}

HRESULT ForestScene::InitBackground(IDirect3DDevice8* device) {
  // A missing entry leaves no data, which the texture loader refuses with its own error.
  const HRESULT hr = m_media.CreateTexture(device, m_szBackground, &m_pBackgroundTexture);
  if (FAILED(hr)) return hr;
  FillBackgroundQuad();
  return hr;
}

void ForestScene::FillBackgroundQuad() {
  const float left = kBackgroundLeft;
  const float right = kBackgroundLeft + kBackgroundWidth;
  const float bottom = kBackgroundBottom;
  const float top = kBackgroundBottom + kBackgroundHeight;
  const float y = kBackgroundY;
  const BackgroundVertex quad[kBackgroundVertexCount] = {
      {left, y, bottom, 0.0f, 1.0f},  {left, y, top, 0.0f, 0.0f},
      {right, y, top, 1.0f, 0.0f},    {right, y, top, 1.0f, 0.0f},
      {right, y, bottom, 1.0f, 1.0f}, {left, y, bottom, 0.0f, 1.0f},
  };
  std::memcpy(m_Background, quad, sizeof(quad));
}

HRESULT ForestScene::ReleaseDeviceObjects() {
  m_pForest->ReleaseDeviceObjects();
  for (SceneObject* object : m_SceneObjects) object->ReleaseDeviceObjects();
  return S_OK;
}

HRESULT ForestScene::DeleteDeviceObjects() {
  if (m_pBackgroundTexture) m_pBackgroundTexture->Release();
  m_pBackgroundTexture = nullptr;
  m_pRays->DeleteDeviceObjects();
  m_pForest->DeleteAll();
  // Paths, branches, the web's frame and the leaf clusters point into the forest's frames,
  // which are gone now.
  m_Paths.clear();
  m_FlyPaths.clear();
  m_Branches.clear();
  for (LeafCluster& cluster : m_LeafClusters) cluster.Bind(nullptr);
  m_pCobweb->ReleaseDevice();
  m_pCobweb->pFrameMatrix = nullptr;
  m_pDrops->DeleteDeviceObjects();
  for (SceneObject* object : m_SceneObjects) object->DeleteDeviceObjects();
  return S_OK;
}

// ---------------------------------------------------------------------------------------------
// Assembly from the forest frames
// ---------------------------------------------------------------------------------------------

void ForestScene::AssembleForestFrames() {
  UpdateCombinedMatrices(*m_pForest);
  BuildPathList(*m_pForest, kWalkingPathFormat, &m_Paths);
  BuildPathList(*m_pForest, kFlightPathFormat, &m_FlyPaths);
  ComputePathUps(*m_pForest, kTreeFrameText, &m_Paths);
  AssembleLeaves();
  CollectBranches(*m_pForest, &m_Branches);
}

HRESULT ForestScene::SizeAnimals() {
  // Every animal is sized by the forest, so a forest without extent is unusable.
  if (!(Radius() > 0.0f)) return E_FAIL;
  m_pSpider->SetSize(Radius() / kSpiderSizeDivisor);
  // The spider gets R / kSpiderSizeDivisor, the ants R / kAntSizeDivisor, the bugs
  // R / kBugSizeDivisor and the ladybirds R / kLadybirdSizeDivisor (SetSize).
  m_pAnts->SetSize(Radius() / kAntSizeDivisor);
  m_pBugs->SetSize(Radius() / kBugSizeDivisor);
  m_pLadybirds->SetSize(Radius() / kLadybirdSizeDivisor);
  return S_OK;
}

void ForestScene::AssembleLeaves() {
  if (!m_LeafClusters.empty()) {
    RebindLeafClusters(*m_pForest, &m_LeafClusters);
    return;
  }
  BuildLeafTemplate(*m_pForest, &m_LeafTemplate);
  BuildLeafClusters(*m_pForest, m_LeafTemplate, WebInverse(), m_pCobweb.get(), &m_LeafClusters);
}

D3DXMATRIX ForestScene::WebInverse() const {
  D3DXMATRIX inverse;
  if (!D3DXMatrixInverse(&inverse, nullptr, &m_pCobweb->FrameTransform()))
    D3DXMatrixIdentity(&inverse);
  return inverse;
}

void ForestScene::PlaceFirstDrops() {
  BuildStrands(*m_pForest, WebInverse(), m_pCobweb.get());
  // The spider takes its start position: radii first, then the spiral, then rest.
  m_pSpider->PlaceOnWeb();
  m_pSpider->StartBuilding();
  const int r1 = RandomInt(0, 30);
  const int r2 = RandomInt(5, 30);
  const int r3 = RandomInt(40, 70);
  const int r4 = RandomInt(0, 100);
  const D3DXVECTOR3 places[] = {{float(r1), -10.0f, 190.0f},
                                {-float(r2), -20.0f, 150.0f},
                                {-float(r3), -30.0f, 170.0f},
                                {-float(r4) - 40.0f, -30.0f, 210.0f}};
  for (const D3DXVECTOR3& place : places) m_pDrops->AddDrop(place, kFirstDropMass, kFirstDropLength);
  m_bPlaced = 1;
}

// ---------------------------------------------------------------------------------------------
// Frame move
// ---------------------------------------------------------------------------------------------

HRESULT ForestScene::FrameMove(float seconds, int /*flag*/) {
  const float dt = ClampSceneStep(seconds);
  m_fWindTime = AdvanceWindTime(m_fWindTime, dt);
  m_pCobweb->Step(dt);
  for (SceneObject* object : m_SceneObjects) object->FrameMove(dt);
  m_pDrops->Step(dt);
  m_pCobweb->BuildRibbons();
  MoveWind();
  for (LeafCluster& cluster : m_LeafClusters) SwayLeafCluster(&cluster, m_vWind, dt);
  SwayBranches(m_Branches, BranchSwayAngle(m_fWindTime));
  SwayLeaves(dt);
  if (m_bEnableRays) m_pRays->FrameMove(dt);
  return S_OK;
}

void ForestScene::MoveWind() { m_vWind = WindVector(m_fWindTime); }

void ForestScene::SwayLeaves(float /*dt*/) {
  if (m_LeafClusters.empty() || !m_pForest->RootFrame()) return;
  // The leaves' nodes follow their frames as they stand after this frame's sway.
  UpdateCombinedMatrices(*m_pForest);
  const D3DXMATRIX webInverse = WebInverse();
  for (const LeafCluster& cluster : m_LeafClusters)
    if (DropNearCluster(cluster))
      CarryClusterNodes(cluster, m_LeafTemplate, webInverse, m_pCobweb.get());
}

bool ForestScene::DropNearCluster(const LeafCluster& cluster) const {
  for (const Drop& drop : m_pDrops->Drops()) {
    const D3DXVECTOR3 middle = (drop.vTop + drop.vBottom) * 0.5f;
    if (NearCluster(cluster, m_pCobweb->FrameTransform(), middle)) return true;
  }
  return false;
}

void ForestScene::WebWasLoaded() {
  m_pSpider->Resume();
}

// ---------------------------------------------------------------------------------------------
// Drawing
// ---------------------------------------------------------------------------------------------

HRESULT ForestScene::Render(IDirect3DDevice8* device) {
  device->SetRenderState(D3DRS_ZENABLE, TRUE);
  device->SetRenderState(D3DRS_LIGHTING, TRUE);
  device->SetRenderState(D3DRS_SPECULARENABLE, TRUE);
  device->SetRenderState(D3DRS_SPECULARMATERIALSOURCE, D3DMCS_MATERIAL);
  device->SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);

  D3DMATRIX keptWorld;
  device->GetTransform(D3DTS_WORLD, &keptWorld);

  device->SetRenderState(D3DRS_SPECULARENABLE, FALSE);
  // Opaque wood and ground first: without blending or alpha test the renderer tests depth
  // before shading, so the pixels they hide, the background's among them, cost next to
  // nothing. Opaque pixels blended at full alpha come out the same, so the picture does too.
  // The wood and the floor are closed or seen from one side only, so their back faces are
  // culled: they would be hidden anyway, and each costs the rasteriser setup and binning.
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
  device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
  m_pForest->Render(XFileLayer::Opaque);
  device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  RenderBackground(device);

  device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
  device->SetRenderState(D3DRS_ALPHAREF, kForestAlphaRef);
  device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
  m_pForest->Render(XFileLayer::Translucent);

  device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
  device->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
  device->SetRenderState(D3DRS_SPECULARENABLE, TRUE);
  for (SceneObject* object : m_SceneObjects) object->Render();
  if (m_bEnableRays) m_pRays->Render();
  m_pCobweb->Render();
  m_pDrops->Render();

  device->SetTransform(D3DTS_WORLD, &keptWorld);
  return S_OK;
}

// The picture lies behind everything, whatever the depth of its quad: drawn at the far end of
// the depth range without writing depth, it shows only where the opaque forest drawn before
// it left the depth buffer as cleared, and the renderer shades no pixel of it that is hidden.
void ForestScene::RenderBackground(IDirect3DDevice8* device) {
  D3DVIEWPORT8 viewport{};
  device->GetViewport(&viewport);
  D3DVIEWPORT8 farthest = viewport;
  farthest.MinZ = farthest.MaxZ = 1.0f;
  device->SetViewport(&farthest);
  device->SetRenderState(D3DRS_LIGHTING, FALSE);
  device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
  device->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESSEQUAL);
  device->SetTexture(0, m_pBackgroundTexture);
  device->SetVertexShader(kBackgroundFvf);
  device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, m_Background, sizeof(BackgroundVertex));
  device->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
  device->SetRenderState(D3DRS_LIGHTING, TRUE);
  device->SetViewport(&viewport);
}

// ---------------------------------------------------------------------------------------------
// Report
// ---------------------------------------------------------------------------------------------

void ForestScene::Report(JsonWriter& report) const {
  report.Key("forest");
  report.BeginObject();
  report.Member("radius", Radius());
  report.MemberInt("walking_paths", std::int64_t(m_Paths.size()));
  report.MemberInt("flight_paths", std::int64_t(m_FlyPaths.size()));
  report.MemberInt("branches", std::int64_t(m_Branches.size()));
  report.EndObject();
  report.Member("wind_time", m_fWindTime);
  report.Key("wind");
  report.Vector3(m_vWind.x, m_vWind.y, m_vWind.z);
  report.MemberBool("rays_enabled", m_bEnableRays != 0);
  report.MemberBool("drops_placed", m_bPlaced != 0);
  // Each object of the scene adds its own key below, in the scene's order of creation:
  // rays, cobweb, spider, drops, leaves, ants, bugs, ladybirds.
  m_pRays->Report(report);
  m_pCobweb->Report(report);
  m_pSpider->Report(report);
  m_pDrops->Report(report);
  report.Key("leaves");
  report.BeginObject();
  report.MemberInt("clusters", std::int64_t(m_LeafClusters.size()));
  report.MemberInt("template_points", std::int64_t(m_LeafTemplate.points.size()));
  report.Key("directions");
  report.BeginArray();
  for (const LeafCluster& cluster : m_LeafClusters)
    report.Vector3(cluster.vDirection.x, cluster.vDirection.y, cluster.vDirection.z);
  report.EndArray();
  report.EndObject();
  report.Key("ants");
  m_pAnts->Report(report, "ant");
  report.Key("bugs");
  m_pBugs->Report(report, "bug");
  report.Key("ladybirds");
  m_pLadybirds->Report(report, "ladybird");
}

// ---------------------------------------------------------------------------------------------
// Web state files
// ---------------------------------------------------------------------------------------------

int ForestScene::LoadCobwebStart(const char* name) {
  std::uint8_t* data = nullptr;
  std::uint32_t size = 0;
  // A start file the archive does not hold leaves the web as it is.
  if (!m_media.Extract(name, &data, &size) || size == 0) {
    std::free(data);
    return 1;
  }
  const int result = LoadCobwebImage(data, size);
  std::free(data);
  return result;
}

int ForestScene::LoadCobwebFile(const char* path) {
  std::vector<std::uint8_t> bytes;
  if (!path || !ReadWholeFile(path, &bytes)) return 0;
  return LoadCobwebImage(bytes.data(), bytes.size());
}

int ForestScene::LoadCobwebImage(const void* data, size_t size) {
  WebReader reader(data, size);
  if (!m_pCobweb->LoadFromMemory(reader)) return 0;
  if (!m_pDrops->ReadSection(reader)) return 0;
  return ReadLeafSection(reader);
}

std::vector<std::uint8_t> ForestScene::CobwebImage() const {
  WebWriter writer;
  m_pCobweb->WriteSection(writer);
  m_pDrops->WriteSection(writer);
  WriteLeafSection(writer);
  return writer.Bytes();
}

int ForestScene::SaveCobweb(const char* name) {
  // A thread still being pulled is fastened first, so that none is stored half done.
  m_pSpider->FinishMove();
  if (!name) return 0;
  // A web that blew up would write a file the next start refuses; the file that stands
  // stays as it was.
  if (m_pCobweb->UnstorableValues() != 0) return 0;
  return WriteFileAtomically(name, CobwebImage()) ? 1 : 0;
}

void ForestScene::WriteLeafSection(WebWriter& writer) const {
  writer.WriteInt(std::int32_t(m_LeafClusters.size()));
  for (const LeafCluster& cluster : m_LeafClusters) {
    writer.WriteIntList(std::vector<std::int32_t>(cluster.nodes.begin(), cluster.nodes.end()));
    writer.WriteIntList(std::vector<std::int32_t>(cluster.links.begin(), cluster.links.end()));
  }
}

int ForestScene::ReadLeafSection(WebReader& reader) {
  std::int32_t count = 0;
  if (!reader.ReadInt(&count) || count != std::int32_t(m_LeafClusters.size())) return 0;
  // Read whole before anything is overwritten; a list may not be longer than the cluster's
  // and must point into the web.
  std::vector<std::vector<std::int32_t>> nodes(m_LeafClusters.size()), links(m_LeafClusters.size());
  const size_t webNodes = m_pCobweb->Nodes.size(), webLinks = m_pCobweb->Links.size();
  const auto fits = [](const std::vector<std::int32_t>& values, size_t room, size_t end) {
    if (values.size() > room) return false;
    for (std::int32_t v : values)
      if (v < 0 || size_t(v) >= end) return false;
    return true;
  };
  for (size_t c = 0; c < m_LeafClusters.size(); ++c) {
    if (!reader.ReadIntList(&nodes[c]) || !reader.ReadIntList(&links[c])) return 0;
    if (!fits(nodes[c], m_LeafClusters[c].nodes.size(), webNodes) ||
        !fits(links[c], m_LeafClusters[c].links.size(), webLinks))
      return 0;
  }
  for (size_t c = 0; c < m_LeafClusters.size(); ++c) {
    std::copy(nodes[c].begin(), nodes[c].end(), m_LeafClusters[c].nodes.begin());
    std::copy(links[c].begin(), links[c].end(), m_LeafClusters[c].links.begin());
  }
  return 1;
}

void ForestScene::ResetCobweb() {
  // Strands, leaf clusters and drops are part of the web: they are made anew with it at the
  // next device-object creation. The spider starts again here.
  m_pCobweb->Reset();
  m_pSpider->Reset();
  m_pDrops->Clear();
  m_LeafClusters.clear();
  m_LeafTemplate = LeafTemplate{};
  m_bPlaced = 0;
}

}  // namespace qm
