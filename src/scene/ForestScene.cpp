// ForestScene: assembly, per-frame move and drawing of the forest glade.
//
// Sections: construction - device objects - assembly from the forest frames - frame move -
// drawing - web state files.
//
// The objects of the later subsystems (rays of light, cobweb, spider, drop set, leaf
// clusters, the ant, bug and ladybird groups) have fixed places in every sequence below;
// each place is marked with a comment naming the step, so that the object joins there.
#include "scene/ForestScene.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "d3dx/D3DXTexture.h"
#include "shell/JsonWriter.h"
#include "scene/SceneObject.h"
#include "scene/Wind.h"
#include "scene/XFileModel.h"

namespace qm {

namespace {

constexpr char kForestFile[] = "forest.x";
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

}  // namespace

// ---------------------------------------------------------------------------------------------
// Construction
// ---------------------------------------------------------------------------------------------

ForestScene::ForestScene() : m_pForest(std::make_unique<XFileModel>(kForestFile)) {
  // Order of creation: the rays ("wind2.jpg", "rays.jpg"), the cobweb, the spider
  // ("spider.x", on the cobweb), the drop set (on the cobweb), the forest model above, then
  // the ant ("ant.x"), bug ("bug.x") and ladybird ("ladybird.x") groups. The drop set gets
  // the leaf cluster list; spider, ants, bugs and ladybirds join m_SceneObjects in this
  // order; the three groups form the creature groups list and each group receives the
  // walking paths, the flight paths and that list.
}

ForestScene::~ForestScene() {
  if (m_pBackgroundTexture) m_pBackgroundTexture->Release();
  m_pBackgroundTexture = nullptr;
}

void ForestScene::SetBackgroundName(const char* name) {
  std::snprintf(m_szBackground, sizeof(m_szBackground), "%s", name ? name : "");
}

void ForestScene::UseArchive(const MediaArchive& archive, const char* password) {
  m_bOwnArchive = true;
  m_archive = archive;
  m_bArchivePassword = password != nullptr;
  m_archivePassword = password ? password : "";
  m_pForest->UseArchive(archive, password);
}

float ForestScene::Radius() const { return m_pForest->Radius(); }

D3DXVECTOR3 ForestScene::Center() const { return m_pForest->Center(); }

// ---------------------------------------------------------------------------------------------
// Device objects
// ---------------------------------------------------------------------------------------------

HRESULT ForestScene::InitDeviceObjects(IDirect3DDevice8* device) {
  HRESULT hr = InitBackground(device);
  if (FAILED(hr)) return hr;
  // The rays' device objects are made here.
  hr = m_pForest->Load(device);
  if (FAILED(hr)) return hr;
  // The drop set's device objects ("env.jpg"), then the cobweb's, then the cobweb takes the
  // forest frame "proto_frame".
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
  MediaArchive archive = m_bOwnArchive ? m_archive : LoadMediaArchive(kSceneMediaArchive);
  const char* password = m_bOwnArchive ? (m_bArchivePassword ? m_archivePassword.c_str() : nullptr)
                                       : kMediaPassword;
  std::uint8_t* data = nullptr;
  std::uint32_t size = 0;
  ExtractEntry(m_szBackground, &archive, password, &data, &size);

  if (m_pBackgroundTexture) m_pBackgroundTexture->Release();
  m_pBackgroundTexture = nullptr;
  // A missing entry leaves no data, which the texture loader refuses with its own error.
  const HRESULT hr = D3DXCreateTextureFromFileInMemory(device, data, size, &m_pBackgroundTexture);
  std::free(data);
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
  // The rays' device objects are deleted here.
  m_pForest->DeleteAll();
  // Paths and branches point into the forest's frames, which are gone now.
  m_Paths.clear();
  m_FlyPaths.clear();
  m_Branches.clear();
  // The cobweb's and the drop set's device objects are deleted here.
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
  // The leaf template and the leaf clusters ("Leaves%02d") are built here.
  CollectBranches(*m_pForest, &m_Branches);
}

HRESULT ForestScene::SizeAnimals() {
  // Every animal is sized by the forest, so a forest without extent is unusable.
  if (!(Radius() > 0.0f)) return E_FAIL;
  // The spider gets R / kSpiderSizeDivisor, the ants R / kAntSizeDivisor, the bugs
  // R / kBugSizeDivisor and the ladybirds R / kLadybirdSizeDivisor (SetSize).
  return S_OK;
}

void ForestScene::PlaceFirstDrops() {
  // The strands ("drops_path%02d"), the spider's start position and the four first drops
  // are placed here, which sets m_bPlaced; until the cobweb and the drop set exist nothing
  // is placed and the flag stays 0.
}

// ---------------------------------------------------------------------------------------------
// Frame move
// ---------------------------------------------------------------------------------------------

HRESULT ForestScene::FrameMove(float seconds, int /*flag*/) {
  const float dt = ClampSceneStep(seconds);
  m_fWindTime = AdvanceWindTime(m_fWindTime, dt);
  // The cobweb's simulation step runs here.
  for (SceneObject* object : m_SceneObjects) object->FrameMove(dt);
  // The drop set's step, then the cobweb's after-move update, run here.
  MoveWind();
  // The leaf clusters and the drops of the forest sway here, before the branches.
  SwayBranches(m_Branches, BranchSwayAngle(m_fWindTime));
  // With rays enabled, the rays' step runs here.
  return S_OK;
}

void ForestScene::MoveWind() { m_vWind = WindVector(m_fWindTime); }

void ForestScene::WebWasLoaded() {
  // The spider is told here that it continues on a loaded web.
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
  RenderBackground(device);

  device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
  device->SetRenderState(D3DRS_ALPHAREF, kForestAlphaRef);
  device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
  m_pForest->Render();

  device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
  device->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
  device->SetRenderState(D3DRS_SPECULARENABLE, TRUE);
  for (SceneObject* object : m_SceneObjects) object->Render();
  // With rays enabled the rays are drawn here, then the cobweb, then the drop set.

  device->SetTransform(D3DTS_WORLD, &keptWorld);
  return S_OK;
}

void ForestScene::RenderBackground(IDirect3DDevice8* device) {
  device->SetRenderState(D3DRS_LIGHTING, FALSE);
  device->SetRenderState(D3DRS_ZENABLE, FALSE);
  // The picture is opaque and covers the screen: blending it would read every pixel behind
  // it for nothing, on a software renderer a full-screen pass.
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
  device->SetTexture(0, m_pBackgroundTexture);
  device->SetVertexShader(kBackgroundFvf);
  device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, m_Background, sizeof(BackgroundVertex));
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  device->SetRenderState(D3DRS_LIGHTING, TRUE);
  device->SetRenderState(D3DRS_ZENABLE, TRUE);
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
}

// ---------------------------------------------------------------------------------------------
// Web state files
// ---------------------------------------------------------------------------------------------

int ForestScene::LoadCobwebStart(const char* /*name*/) {
  // The file's cobweb, drop set and leaf cluster sections are read here; without a cobweb
  // there is nothing to load into, which counts as nothing to load.
  return 1;
}

int ForestScene::SaveCobweb(const char* /*name*/) {
  // The spider finishes its move, then the cobweb, drop set and leaf cluster sections are
  // written here; without a cobweb no state exists and nothing is stored.
  return 0;
}

void ForestScene::ResetCobweb() {
  // The cobweb returns to its empty start here.
}

}  // namespace qm
