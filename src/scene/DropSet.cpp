// DropSet: placing, stepping, shaping, drawing and storing the drops.
//
// Sections: placing - step and geometry - device objects and drawing - web file and report.
#include "scene/DropSet.h"

#include <algorithm>
#include <cmath>

#include "creatures/Cobweb.h"
#include "creatures/WebFile.h"
#include "shell/JsonWriter.h"

namespace qm {

namespace {

// Size of a drop of the first drops' mass, and how far it may be drawn out toward its top.
constexpr float kDropRadius = 0.9f;
constexpr float kReferenceMass = 2.1f;
constexpr float kMaxStretch = 3.0f;
// Latitude rings and longitude segments of a drop's sphere.
constexpr int kRings = 6;
constexpr int kSegments = 8;
constexpr int kVerticesPerDrop = kRings * kSegments * 6;
constexpr float kPi = 3.14159265f;
// Ambient light of the drops: a pale blue sheen.
constexpr DWORD kDropAmbient = 0xFFAAAAFF;

D3DXVECTOR3 Normalised(const D3DXVECTOR3& v) {
  D3DXVECTOR3 out;
  D3DXVec3Normalize(&out, &v);
  return out;
}

bool Finite(const D3DXVECTOR3& v) {
  return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

// The point of segment a-b nearest to p, as the parameter along it.
float NearestOnSegment(const D3DXVECTOR3& a, const D3DXVECTOR3& b, const D3DXVECTOR3& p) {
  const D3DXVECTOR3 ab = b - a, ap = p - a;
  const float length2 = D3DXVec3Dot(&ab, &ab);
  if (!(length2 > 0.0f)) return 0.0f;
  return std::clamp(D3DXVec3Dot(&ap, &ab) / length2, 0.0f, 1.0f);
}

// The plant link (twig strand or leaf edge) nearest to p and the parameter on it; -1 when
// the web holds none.
int NearestPlantLink(const Cobweb& web, const D3DXVECTOR3& p, float* t) {
  int best = -1;
  float bestDistance = 0.0f;
  for (int i = 0; i < int(web.Links.size()); ++i) {
    const WebLink& link = web.Links[i];
    if (link.iType != kLinkStrand && link.iType != kLinkLeaf) continue;
    if (link.iNodeA < 0 || link.iNodeB < 0 || link.iNodeA >= int(web.Nodes.size()) ||
        link.iNodeB >= int(web.Nodes.size()))
      continue;
    const D3DXVECTOR3& a = web.Nodes[link.iNodeA].vPos;
    const D3DXVECTOR3& b = web.Nodes[link.iNodeB].vPos;
    const float along = NearestOnSegment(a, b, p);
    const D3DXVECTOR3 gap = a + (b - a) * along - p;
    const float distance = D3DXVec3Length(&gap);
    if (best < 0 || distance < bestDistance) {
      best = i;
      bestDistance = distance;
      *t = along;
    }
  }
  return best;
}

}  // namespace

DropSet::~DropSet() { DeleteDeviceObjects(); }

// ---------------------------------------------------------------------------------------------
// Placing
// ---------------------------------------------------------------------------------------------

int DropSet::AddDrop(const D3DXVECTOR3& p, float mass, float length) {
  Drop drop;
  drop.fMass = mass;
  drop.fLength = length;
  drop.iUpper = m_pWeb->AddNode(p, mass * 2.0f / 3.0f, false);
  drop.iLower = m_pWeb->AddNode(p, mass / 3.0f, false);
  m_pWeb->AddLink(drop.iUpper, drop.iLower, length, kSpringStiffness, kSpringDamping, kLinkThread);
  m_pWeb->RebuildNodeLinks();
  Hang(drop, p);
  drop.vStart = m_pWeb->Nodes[drop.iUpper].vPos;
  m_Drops.push_back(drop);
  return int(m_Drops.size()) - 1;
}

void DropSet::Hang(Drop& drop, const D3DXVECTOR3& p) {
  Cobweb& web = *m_pWeb;
  float t = 0.0f;
  const int link = NearestPlantLink(web, p, &t);
  WebNode& upper = web.Nodes[drop.iUpper];
  if (link >= 0) {
    const WebLink& on = web.Links[link];
    upper.vPos = web.Nodes[on.iNodeA].vPos + (web.Nodes[on.iNodeB].vPos - web.Nodes[on.iNodeA].vPos) * t;
    upper.bFixed = 0;
  } else {
    // Nothing to run along: the drop stays where it was put.
    upper.vPos = p;
    upper.bFixed = 1;
  }
  upper.vVel = D3DXVECTOR3(0, 0, 0);
  WebNode& lower = web.Nodes[drop.iLower];
  // The web's gravity says where below is.
  lower.vPos = upper.vPos + Normalised(web.vGravity) * drop.fLength;
  lower.vVel = D3DXVECTOR3(0, 0, 0);
  if (drop.iSlider < 0 || drop.iSlider >= int(web.Sliders.size()))
    drop.iSlider = web.AddSlider(drop.iUpper, link, t);
  WebSlider& slider = web.Sliders[drop.iSlider];
  slider.iNode = drop.iUpper;
  slider.iLink = link;
  slider.fT = t;
  drop.vTop = drop.vLastTop = upper.vPos;
  drop.vBottom = lower.vPos;
}

// ---------------------------------------------------------------------------------------------
// Step and geometry
// ---------------------------------------------------------------------------------------------

void DropSet::Step(float /*dt*/) {
  Cobweb& web = *m_pWeb;
  for (Drop& drop : m_Drops) {
    const int nodes = int(web.Nodes.size());
    if (drop.iUpper < 0 || drop.iUpper >= nodes || drop.iLower < 0 || drop.iLower >= nodes)
      continue;
    const bool riding = drop.iSlider >= 0 && drop.iSlider < int(web.Sliders.size()) &&
                        web.Sliders[drop.iSlider].iLink >= 0;
    const bool pinned = web.Nodes[drop.iUpper].bFixed != 0;
    const bool sound = Finite(web.Nodes[drop.iUpper].vPos) && Finite(web.Nodes[drop.iLower].vPos);
    // Off its twig the drop has dripped: a new one gathers where the first one hung.
    if ((!riding && !pinned) || !sound) Hang(drop, drop.vStart);
    drop.vLastTop = drop.vTop;
    drop.vTop = web.Nodes[drop.iUpper].vPos;
    drop.vBottom = web.Nodes[drop.iLower].vPos;
  }
  BuildGeometry();
}

void DropSet::BuildGeometry() {
  m_vertexCount = 0;
  const size_t needed = m_Drops.size() * kVerticesPerDrop;
  if (m_Vertices.size() < needed) m_Vertices.resize(needed);
  for (const Drop& drop : m_Drops) AppendDropGeometry(drop);
}

void DropSet::AppendDropGeometry(const Drop& drop) {
  const float radius = kDropRadius * std::cbrt(std::max(drop.fMass, 0.0f) / kReferenceMass);
  const D3DXVECTOR3 span = drop.vTop - drop.vBottom;
  const float spanLength = D3DXVec3Length(&span);
  const D3DXVECTOR3 axis = spanLength > 0.0f ? span / spanLength : D3DXVECTOR3(0, 0, 1);
  // Two directions across the axis.
  const D3DXVECTOR3 helper = std::fabs(axis.x) < 0.9f ? D3DXVECTOR3(1, 0, 0) : D3DXVECTOR3(0, 1, 0);
  D3DXVECTOR3 side, front;
  D3DXVec3Cross(&side, &axis, &helper);
  side = Normalised(side);
  D3DXVec3Cross(&front, &axis, &side);
  const float stretch = radius > 0.0f ? std::clamp(spanLength / radius, 1.0f, kMaxStretch) : 1.0f;

  // The sphere's point at ring r, segment s: its normal and its place, drawn out toward the
  // top so that the drop hangs from its upper particle.
  const auto point = [&](int r, int s) {
    const float theta = kPi * float(r) / kRings;
    const float phi = 2.0f * kPi * float(s) / kSegments;
    const float across = std::sin(theta), up = std::cos(theta);
    const D3DXVECTOR3 normal = side * (across * std::cos(phi)) + front * (across * std::sin(phi)) +
                               axis * up;
    const D3DXVECTOR3 place = drop.vBottom + side * (radius * across * std::cos(phi)) +
                              front * (radius * across * std::sin(phi)) +
                              axis * (radius * up * (up > 0.0f ? stretch : 1.0f));
    return DropVertex{place.x,  place.y,  place.z, normal.x, normal.y, normal.z,
                      float(s) / kSegments, float(r) / kRings};
  };
  for (int r = 0; r < kRings; ++r) {
    for (int s = 0; s < kSegments; ++s) {
      const DropVertex a = point(r, s), b = point(r, s + 1);
      const DropVertex c = point(r + 1, s), d = point(r + 1, s + 1);
      const DropVertex quad[6] = {a, b, c, b, d, c};
      for (const DropVertex& v : quad) m_Vertices[m_vertexCount++] = v;
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Device objects and drawing
// ---------------------------------------------------------------------------------------------

HRESULT DropSet::InitDeviceObjects(IDirect3DDevice8* device) {
  m_pDevice = device;
  m_Material = D3DMATERIAL8{};
  m_Material.Diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
  m_Material.Ambient = {1.0f, 1.0f, 1.0f, 1.0f};
  m_Material.Specular = {1.0f, 1.0f, 1.0f, 1.0f};
  m_Material.Power = 40.0f;
  return m_media.CreateTexture(device, kEnvironmentTexture, &m_pTexture);
}

void DropSet::DeleteDeviceObjects() {
  if (m_pTexture) m_pTexture->Release();
  m_pTexture = nullptr;
  m_pDevice = nullptr;
}

void DropSet::UseArchive(const MediaArchive& archive, const char* password) {
  m_media.Use(archive, password);
}

void DropSet::Render() {
  if (!m_pDevice || m_vertexCount == 0) return;
  IDirect3DDevice8* device = m_pDevice;
  D3DMATRIX keptWorld;
  device->GetTransform(D3DTS_WORLD, &keptWorld);
  device->SetTransform(D3DTS_WORLD, &m_pWeb->FrameTransform());
  device->SetMaterial(&m_Material);
  device->SetTexture(0, m_pTexture);
  device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
  device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
  device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
  device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
  device->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  device->SetRenderState(D3DRS_SPECULARENABLE, TRUE);
  device->SetRenderState(D3DRS_AMBIENT, kDropAmbient);
  device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCCOLOR);
  device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_DESTCOLOR);
  device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);

  // Sphere mapping: the camera-space normal, halved and shifted into texture space.
  const float sphereRows[16] = {0.5f, 0.0f,  0.0f, 0.0f,  //
                                0.0f, -0.5f, 0.0f, 0.0f,  //
                                0.0f, 0.0f,  1.0f, 0.0f,  //
                                0.5f, 0.5f,  0.0f, 1.0f};
  const D3DXMATRIX sphereMap(sphereRows);
  device->SetTransform(D3DTS_TEXTURE0, &sphereMap);
  device->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT2);
  device->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, D3DTSS_TCI_CAMERASPACENORMAL);
  device->SetVertexShader(kDropFvf);
  device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, UINT(m_vertexCount / 3), m_Vertices.data(),
                          sizeof(DropVertex));

  device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
  device->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE);
  device->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, 0);
  device->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
  device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  device->SetRenderState(D3DRS_AMBIENT, 0);
  device->SetTransform(D3DTS_WORLD, &keptWorld);
}

// ---------------------------------------------------------------------------------------------
// Web file and report
// ---------------------------------------------------------------------------------------------

void DropSet::WriteSection(WebWriter& writer) const {
  writer.WriteInt(std::int32_t(m_Drops.size()));
  for (const Drop& drop : m_Drops) {
    writer.WriteInt(drop.iUpper);
    writer.WriteInt(drop.iLower);
  }
}

int DropSet::ReadSection(WebReader& reader) {
  std::int32_t count = 0;
  if (!reader.ReadInt(&count) || count != std::int32_t(m_Drops.size())) return 0;
  std::vector<std::pair<std::int32_t, std::int32_t>> pairs(m_Drops.size());
  const std::int32_t nodes = std::int32_t(m_pWeb->Nodes.size());
  for (auto& [upper, lower] : pairs) {
    if (!reader.ReadInt(&upper) || !reader.ReadInt(&lower)) return 0;
    if (upper < 0 || upper >= nodes || lower < 0 || lower >= nodes || upper == lower) return 0;
  }
  Cobweb& web = *m_pWeb;
  for (size_t i = 0; i < m_Drops.size(); ++i) {
    Drop& drop = m_Drops[i];
    drop.iUpper = pairs[i].first;
    drop.iLower = pairs[i].second;
    const D3DXVECTOR3 at = web.Nodes[drop.iUpper].vPos;
    drop.vTop = drop.vBottom = drop.vLastTop = drop.vStart = at;
    // The stored web keeps no riders: the upper particle finds its twig again.
    float t = 0.0f;
    const int link = NearestPlantLink(web, at, &t);
    if (drop.iSlider < 0 || drop.iSlider >= int(web.Sliders.size()))
      drop.iSlider = web.AddSlider(drop.iUpper, link, t);
    web.Sliders[drop.iSlider] = WebSlider{link, t, drop.iUpper, 0, 1.0f};
    if (link < 0) web.Nodes[drop.iUpper].bFixed = 1;
  }
  return 1;
}

void DropSet::Report(JsonWriter& report) const {
  report.Key("drops");
  report.BeginArray();
  for (const Drop& drop : m_Drops) {
    report.BeginObject();
    report.Key("top");
    report.Vector3(drop.vTop.x, drop.vTop.y, drop.vTop.z);
    report.Key("bottom");
    report.Vector3(drop.vBottom.x, drop.vBottom.y, drop.vBottom.z);
    const bool riding = drop.iSlider >= 0 && drop.iSlider < int(m_pWeb->Sliders.size()) &&
                        m_pWeb->Sliders[drop.iSlider].iLink >= 0;
    report.MemberBool("on_plant", riding);
    report.EndObject();
  }
  report.EndArray();
}

}  // namespace qm
