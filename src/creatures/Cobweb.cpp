// Cobweb: threads, frame, ribbons and drawing of the web.
//
// Sections: construction - building threads - frame - ribbons - drawing and device objects.
// The web file lives in CobwebFile.cpp.
#include "creatures/Cobweb.h"

#include <algorithm>
#include <cmath>

#include "shell/JsonWriter.h"
#include "scene/XFileModel.h"

namespace qm {

namespace {

// A split this close to a link's end returns that end instead of making a new node.
constexpr float kSplitEndMargin = 0.02f;
// The frame's threads: stiff, damped and pinned.
constexpr float kFrameWeight = 1.0f;
constexpr float kFrameStiffness = 50.0f;
constexpr float kFrameDamping = 1.2f;
// The centre is raised by this part of its distance below the frame's top, and the thread
// width is the remaining height divided by kThreadWidthDivisor.
constexpr float kCentreRaise = 4.0f;
constexpr float kThreadWidthDivisor = 160.0f;
constexpr float kSpiralWidthFactor = 1.5f;
// Vertices one 16-bit index reaches.
constexpr size_t kVerticesPerDraw = 65536;

D3DMATERIAL8 WebMaterial(float r, float g, float b) {
  D3DMATERIAL8 material{};
  material.Diffuse = {r, g, b, 0.7f};
  material.Specular = {1.0f, 1.0f, 1.0f, 1.0f};
  material.Power = 20.0f;
  return material;
}

D3DXVECTOR3 Normalised(const D3DXVECTOR3& v) {
  D3DXVECTOR3 out;
  D3DXVec3Normalize(&out, &v);
  return out;
}

D3DXVECTOR3 Cross(const D3DXVECTOR3& a, const D3DXVECTOR3& b) {
  D3DXVECTOR3 out;
  D3DXVec3Cross(&out, &a, &b);
  return out;
}

float Length(const D3DXVECTOR3& v) { return D3DXVec3Length(&v); }

const D3DXMATRIX& IdentityMatrix() {
  static const D3DXMATRIX identity = [] {
    D3DXMATRIX m;
    D3DXMatrixIdentity(&m);
    return m;
  }();
  return identity;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Construction
// ---------------------------------------------------------------------------------------------

Cobweb::Cobweb()
    : m_RadiusMaterial(WebMaterial(0.92f, 0.92f, 0.95f)),
      m_SpiralMaterial(WebMaterial(0.86f, 0.85f, 0.85f)),
      m_FrameMaterial(WebMaterial(0.95f, 0.95f, 0.98f)) {}

Cobweb::~Cobweb() { ReleaseDevice(); }

void Cobweb::Step(float elapsed) {
  float dt = elapsed;
  if (!(dt >= 0.0f)) dt = 0.0f;
  if (dt > kMaxStep) dt = kMaxStep;
  ThreadSystem::Step(dt);
}

void Cobweb::Reset() {
  ClearSystem();
  Threads0.clear();
  FrameThreads.clear();
  Radii.clear();
  Spiral.clear();
  Marks0.clear();
  Marks1.clear();
  Marks2.clear();
  Flags.clear();
  vCentre = D3DXVECTOR3(0, 0, 0);
  vNormal = D3DXVECTOR3(0, 0, 0);
  fHeight = 0.0f;
  fThreadWidth = kUnbuiltThreadWidth;
  m_Radii.vertexCount = m_Radii.indexCount = 0;
  m_Frame.vertexCount = m_Frame.indexCount = 0;
  m_Spiral.vertexCount = m_Spiral.indexCount = 0;
}

std::vector<WebThread>* Cobweb::ThreadLists(int index) {
  switch (index) {
    case 0: return &Threads0;
    case 1: return &FrameThreads;
    case 2: return &Radii;
    case 3: return &Spiral;
    default: return nullptr;
  }
}

const D3DXMATRIX& Cobweb::FrameTransform() const {
  return pFrameMatrix ? *pFrameMatrix : IdentityMatrix();
}

int Cobweb::NonFiniteValues() const {
  int count = 0;
  const auto check = [&count](const D3DXVECTOR3& v) {
    count += !std::isfinite(v.x) + !std::isfinite(v.y) + !std::isfinite(v.z);
  };
  for (const WebNode& node : Nodes) {
    check(node.vPos);
    check(node.vVel);
    check(node.vInward);
    count += !std::isfinite(node.fWeight);
  }
  return count;
}

void Cobweb::Report(JsonWriter& report) const {
  report.Key("cobweb");
  report.BeginObject();
  report.MemberInt("nodes", std::int64_t(Nodes.size()));
  report.MemberInt("links", std::int64_t(Links.size()));
  report.MemberInt("sliders", std::int64_t(Sliders.size()));
  int riding = 0;
  for (const WebSlider& slider : Sliders) riding += slider.iLink >= 0;
  report.MemberInt("sliders_riding", riding);
  const char* names[] = {"threads0", "frame_threads", "radii", "spiral"};
  const std::vector<WebThread>* lists[] = {&Threads0, &FrameThreads, &Radii, &Spiral};
  for (int l = 0; l < 4; ++l) {
    report.Key(names[l]);
    report.BeginObject();
    size_t nodes = 0, links = 0;
    for (const WebThread& thread : *lists[l]) {
      nodes += thread.Nodes.size();
      links += thread.Links.size();
    }
    report.MemberInt("threads", std::int64_t(lists[l]->size()));
    report.MemberInt("nodes", std::int64_t(nodes));
    report.MemberInt("links", std::int64_t(links));
    report.EndObject();
  }
  const int nonFinite = NonFiniteValues();
  report.MemberInt("non_finite", nonFinite);
  report.CountNonFinite(nonFinite);
  report.Key("centre");
  report.Vector3(vCentre.x, vCentre.y, vCentre.z);
  report.Key("normal");
  report.Vector3(vNormal.x, vNormal.y, vNormal.z);
  report.Member("thread_width", fThreadWidth);
  report.MemberInt("ribbon_vertices",
                   std::int64_t(m_Radii.vertexCount + m_Frame.vertexCount + m_Spiral.vertexCount));
  report.EndObject();
}

// ---------------------------------------------------------------------------------------------
// Building threads
// ---------------------------------------------------------------------------------------------

void Cobweb::LayRun(WebThread& thread, int from, const D3DXVECTOR3& to, int segments,
                    float weight, float stiffness, float damping, bool fixed, float restFactor) {
  const int steps = std::max(segments, 0) + 1;
  const D3DXVECTOR3 start = Nodes[from].vPos;  // copied: adding nodes may move the list
  const D3DXVECTOR3 step = (to - start) / float(steps);
  const float rest = Length(step) * restFactor;
  int previous = from;
  for (int k = 1; k <= steps; ++k) {
    const int node = AddNode(k == steps ? to : start + step * float(k), weight, fixed);
    thread.Links.push_back(AddLink(previous, node, rest, stiffness, damping, kLinkThread));
    thread.Nodes.push_back(node);
    previous = node;
  }
}

void Cobweb::AddThread(WebThread& thread, const D3DXVECTOR3& from, const D3DXVECTOR3& to,
                       int segments, float weight, float stiffness, float damping, bool fixed,
                       float restFactor) {
  const int first = AddNode(from, weight, fixed);
  thread.Nodes.push_back(first);
  LayRun(thread, first, to, segments, weight, stiffness, damping, fixed, restFactor);
}

void Cobweb::ExtendThread(WebThread& thread, const D3DXVECTOR3& to, int segments, float weight,
                          float stiffness, float damping, bool fixed) {
  if (thread.Nodes.empty()) return;
  const int last = thread.Nodes.back();
  if (last < 0 || last >= int(Nodes.size())) return;
  LayRun(thread, last, to, segments, weight, stiffness, damping, fixed, 1.0f);
}

int Cobweb::SplitThread(WebThread& thread, float t) {
  if (thread.Links.empty()) return -1;
  for (int index : thread.Links)
    if (index < 0 || index >= int(Links.size())) return -1;

  float total = 0.0f;
  for (int index : thread.Links) {
    const WebLink& link = Links[index];
    total += Length(Nodes[link.iNodeB].vPos - Nodes[link.iNodeA].vPos);
  }
  const float target = std::clamp(t, 0.0f, 1.0f) * total;
  // Walk to the link that holds the target length; the last link takes what rounding leaves.
  size_t place = 0;
  float covered = 0.0f, length = 0.0f;
  for (; place < thread.Links.size(); ++place) {
    const WebLink& link = Links[thread.Links[place]];
    length = Length(Nodes[link.iNodeB].vPos - Nodes[link.iNodeA].vPos);
    if (covered + length >= target || place + 1 == thread.Links.size()) break;
    covered += length;
  }
  const int oldIndex = thread.Links[place];

  // Links run along the thread from here on; riders keep their place on a turned link.
  if (place < thread.Nodes.size() && Links[oldIndex].iNodeA != thread.Nodes[place]) {
    std::swap(Links[oldIndex].iNodeA, Links[oldIndex].iNodeB);
    for (WebSlider& slider : Sliders)
      if (slider.iLink == oldIndex) slider.fT = 1.0f - slider.fT;
  }
  const float f = length > 0.0f ? std::clamp((target - covered) / length, 0.0f, 1.0f) : 0.0f;
  if (f < kSplitEndMargin) return Links[oldIndex].iNodeA;
  if (1.0f - f < kSplitEndMargin) return Links[oldIndex].iNodeB;

  const WebLink old = Links[oldIndex];
  const WebNode& a = Nodes[old.iNodeA];
  const WebNode& b = Nodes[old.iNodeB];
  WebNode split;
  split.vPos = a.vPos + (b.vPos - a.vPos) * f;
  split.vVel = a.vVel + (b.vVel - a.vVel) * f;
  split.vInward = Normalised(a.vInward * (1.0f - f) + b.vInward * f);
  split.fWeight = a.fWeight;
  split.bFixed = thread.bFlag ? 1 : 0;
  Nodes.push_back(std::move(split));
  const int node = int(Nodes.size()) - 1;

  const int newIndex =
      AddLink(node, old.iNodeB, old.fRest * (1.0f - f), old.fStiffness, old.fDamping, old.iType);
  Links[oldIndex].iNodeB = node;
  Links[oldIndex].fRest = old.fRest * f;
  for (WebSlider& slider : Sliders) {
    if (slider.iLink != oldIndex) continue;
    if (slider.fT > f) {
      slider.iLink = newIndex;
      slider.fT = (slider.fT - f) / (1.0f - f);
    } else {
      slider.fT /= f;
    }
  }
  const size_t nodePlace = std::min(place + 1, thread.Nodes.size());
  thread.Nodes.insert(thread.Nodes.begin() + std::ptrdiff_t(nodePlace), node);
  thread.Links.insert(thread.Links.begin() + std::ptrdiff_t(place + 1), newIndex);
  RebuildNodeLinks();
  return node;
}

void Cobweb::StartThread(WebThread& newThread, WebThread& fromThread, float fromT,
                         const D3DXVECTOR3& to, int segments, float weight, float stiffness,
                         float damping, bool fixed, float restFactor) {
  const int start = SplitThread(fromThread, fromT);
  if (start < 0) return;
  newThread.bFlag = fixed ? 1 : 0;
  newThread.Nodes.assign(1, start);
  newThread.Links.clear();
  LayRun(newThread, start, to, segments, weight, stiffness, damping, fixed, restFactor);
}

// ---------------------------------------------------------------------------------------------
// Frame
// ---------------------------------------------------------------------------------------------

void Cobweb::BuildFrame(const XFileFrame* frame) {
  if (!frame) return;
  pFrameMatrix = &frame->matCombined;
  if (!FrameThreads.empty()) return;
  const XFileMeshContainer* mesh = frame->pFirstMesh;
  const int corners = mesh ? int(mesh->VertexCount() / 2) : 0;
  if (corners < 2) return;

  FrameThreads.emplace_back();
  WebThread& thread = FrameThreads.back();
  AddThread(thread, mesh->Position(0), mesh->Position(1), 0, kFrameWeight, kFrameStiffness,
            kFrameDamping, true, 1.0f);
  for (int v = 2; v < corners; ++v)
    ExtendThread(thread, mesh->Position(DWORD(v)), 0, kFrameWeight, kFrameStiffness,
                 kFrameDamping, true);
  for (WebLink& link : Links) link.iType = kLinkFrame;
  RebuildNodeLinks();
  ComputeFrameShape();
}

void Cobweb::ComputeFrameShape() {
  std::vector<int> listed;
  for (const WebThread& thread : FrameThreads)
    for (int node : thread.Nodes)
      if (node >= 0 && node < int(Nodes.size())) listed.push_back(node);
  if (listed.empty()) return;

  D3DXVECTOR3 sum(0, 0, 0);
  float top = Nodes[listed.front()].vPos.z;
  for (int node : listed) {
    sum += Nodes[node].vPos;
    top = std::max(top, Nodes[node].vPos.z);
  }
  vCentre = sum / float(listed.size());
  fHeight = top - vCentre.z;
  vCentre.z += (top - vCentre.z) / kCentreRaise;
  fThreadWidth = (top - vCentre.z) / kThreadWidthDivisor;

  D3DXVECTOR3 turning(0, 0, 0);
  D3DXVECTOR3 previous(0, 0, 0);
  for (int node : listed) {
    turning += Cross(previous - vCentre, Nodes[node].vPos - vCentre);
    previous = Nodes[node].vPos;
  }
  vNormal = Normalised(turning);
  for (int node : listed) Nodes[node].vInward = Normalised(vCentre - Nodes[node].vPos);
}

// ---------------------------------------------------------------------------------------------
// Ribbons
// ---------------------------------------------------------------------------------------------

void Cobweb::BuildRibbons() {
  BuildThreadRibbons(Radii, fThreadWidth, &m_Radii);
  BuildThreadRibbons(FrameThreads, fThreadWidth, &m_Frame);
  BuildThreadRibbons(Spiral, fThreadWidth * kSpiralWidthFactor, &m_Spiral);
}

void Cobweb::BuildThreadRibbons(const std::vector<WebThread>& threads, float halfWidth,
                                Ribbon* ribbon) {
  ribbon->vertexCount = 0;
  ribbon->indexCount = 0;
  const int nodeCount = int(Nodes.size());
  for (const WebThread& thread : threads) {
    // The links that can be drawn, with their lengths, measured once for the v coordinate.
    m_ribbonLinks.clear();
    float total = 0.0f;
    for (int index : thread.Links) {
      if (index < 0 || index >= int(Links.size())) continue;
      const WebLink& link = Links[index];
      if (link.iNodeA < 0 || link.iNodeA >= nodeCount || link.iNodeB < 0 ||
          link.iNodeB >= nodeCount)
        continue;
      const float length = Length(Nodes[link.iNodeB].vPos - Nodes[link.iNodeA].vPos);
      m_ribbonLinks.emplace_back(index, length);
      total += length;
    }
    const float toV = total > 0.0f ? 1.0f / total : 0.0f;
    const size_t first = ribbon->vertexCount;
    ribbon->vertexCount += 4 * m_ribbonLinks.size();
    ribbon->indexCount += 6 * m_ribbonLinks.size();
    if (ribbon->vertices.size() < ribbon->vertexCount) ribbon->vertices.resize(ribbon->vertexCount);
    if (ribbon->indices.size() < ribbon->indexCount) ribbon->indices.resize(ribbon->indexCount);

    RibbonVertex* out = ribbon->vertices.data() + first;
    WORD* index = ribbon->indices.data() + first / 4 * 6;
    float covered = 0.0f;
    for (const auto& [linkIndex, length] : m_ribbonLinks) {
      const WebLink& link = Links[linkIndex];
      const D3DXVECTOR3& a = Nodes[link.iNodeA].vPos;
      const D3DXVECTOR3& b = Nodes[link.iNodeB].vPos;
      D3DXVECTOR3 side(0, 0, 0);
      if (link.iType != kLinkFrame && length > 0.0f)
        side = Normalised(Cross(vNormal, (b - a) / length)) * halfWidth;
      const float v0 = covered * toV, v1 = (covered + length) * toV;
      covered += length;
      const D3DXVECTOR3 corners[4] = {a + side, a - side, b + side, b - side};
      const float u[4] = {1.0f, 0.0f, 1.0f, 0.0f}, v[4] = {v0, v0, v1, v1};
      for (int k = 0; k < 4; ++k)
        out[k] = {corners[k].x, corners[k].y, corners[k].z, vNormal.x, vNormal.y, vNormal.z,
                  0, u[k], v[k]};
      // Indices count from the start of the draw call the quad falls in (see DrawRibbon).
      const WORD q = WORD(size_t(out - ribbon->vertices.data()) % kVerticesPerDraw);
      const WORD quad[6] = {q, WORD(q + 1), WORD(q + 2), WORD(q + 1), WORD(q + 3), WORD(q + 2)};
      std::copy(quad, quad + 6, index);
      out += 4;
      index += 6;
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Drawing and device objects
// ---------------------------------------------------------------------------------------------

void Cobweb::Render() {
  if (!m_pDevice) return;
  IDirect3DDevice8* device = m_pDevice;
  D3DMATRIX keptWorld;
  device->GetTransform(D3DTS_WORLD, &keptWorld);
  device->SetTransform(D3DTS_WORLD, &FrameTransform());

  device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  device->SetRenderState(D3DRS_ZWRITEENABLE, 0);
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
  device->SetRenderState(D3DRS_SPECULARENABLE, 0);
  device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCCOLOR);
  device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCCOLOR);
  device->SetVertexShader(kRibbonFvf);

  // The frame threads share the radii's texture and draw in the frame material, also when
  // no radius exists yet.
  device->SetTexture(0, m_pRadiiTexture);
  if (m_Radii.vertexCount > 0) {
    device->SetMaterial(&m_RadiusMaterial);
    DrawRibbon(m_Radii);
  }
  device->SetMaterial(&m_FrameMaterial);
  if (m_Frame.vertexCount > 0) DrawRibbon(m_Frame);
  if (m_Spiral.vertexCount > 0) {
    device->SetTexture(0, m_pSpiralTexture);
    device->SetMaterial(&m_SpiralMaterial);
    DrawRibbon(m_Spiral);
  }

  device->SetRenderState(D3DRS_ZWRITEENABLE, 1);
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, 0);
  device->SetTransform(D3DTS_WORLD, &keptWorld);
}

void Cobweb::DrawRibbon(const Ribbon& ribbon) {
  if (!m_pDevice) return;
  // 16-bit indices reach 65536 vertices, so longer ribbons are drawn in several calls, each
  // with its own vertex block (BuildThreadRibbons counts the indices from the block start).
  for (size_t start = 0; start < ribbon.vertexCount; start += kVerticesPerDraw) {
    const size_t vertices = std::min(kVerticesPerDraw, ribbon.vertexCount - start);
    const size_t quads = vertices / 4;
    m_pDevice->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, UINT(vertices), UINT(quads * 2),
                                      &ribbon.indices[start / 4 * 6], D3DFMT_INDEX16,
                                      &ribbon.vertices[start], sizeof(RibbonVertex));
  }
}

HRESULT Cobweb::RestoreDevice(IDirect3DDevice8* device) {
  m_pDevice = device;
  HRESULT hr = m_media.CreateTexture(device, kRadiiTexture, &m_pRadiiTexture);
  if (SUCCEEDED(hr)) hr = m_media.CreateTexture(device, kSpiralTexture, &m_pSpiralTexture);
  return hr;
}

void Cobweb::ReleaseDevice() {
  m_pDevice = nullptr;
  if (m_pRadiiTexture) m_pRadiiTexture->Release();
  if (m_pSpiralTexture) m_pSpiralTexture->Release();
  m_pRadiiTexture = nullptr;
  m_pSpiralTexture = nullptr;
}

void Cobweb::UseArchive(const MediaArchive& archive, const char* password) {
  m_media.Use(archive, password);
}

}  // namespace qm
