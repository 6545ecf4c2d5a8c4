// Rays: animation and additive drawing of the two light beams.
#include "scene/Rays.h"

#include <cmath>
#include <cstdio>

#include "shell/JsonWriter.h"

namespace qm {

namespace {

// The beams sway about their top, far above the glade, by at most pi / 80 radians; the
// swing's own amplitude breathes on a slower sine.
constexpr float kMaxSway = 0.03926991f;
constexpr float kSwayPeriod = 0.8f;
constexpr float kSwayBreathPeriod = 7.0f;
constexpr float kSwayCentreHeight = 300.0f;
// The beams drift sideways by up to 40 units.
constexpr float kDriftPeriod = 8.0f;
constexpr float kDriftDistance = 40.0f;
// Brightness: a fast flicker (30 %) over a slow swell (70 %).
constexpr float kFlickerShare = 0.3f;
constexpr float kSwellShare = 0.7f;
constexpr float kSwellPeriod = 3.7f;
// The quad is stretched into a tall, wide beam and stood upright.
constexpr float kBeamScaleX = 1.3f;
constexpr float kBeamScaleY = 1.0f;
constexpr float kBeamScaleZ = 1.5f;

}  // namespace

Rays::Rays(const char* firstTextureName, const char* secondTextureName) {
  std::snprintf(m_szFirstTexture, sizeof(m_szFirstTexture), "%s",
                firstTextureName ? firstTextureName : "");
  std::snprintf(m_szSecondTexture, sizeof(m_szSecondTexture), "%s",
                secondTextureName ? secondTextureName : "");
  FillQuad();
}

Rays::~Rays() { DeleteDeviceObjects(); }

void Rays::FillQuad() {
  const float w = m_fWidth;
  const float h = m_fHeight;
  const RayVertex quad[kQuadVertexCount] = {
      {0, 0, 0, 0, 0, 1, 0, 1}, {0, h, 0, 0, 0, 1, 0, 0}, {w, h, 0, 0, 0, 1, 1, 0},
      {w, h, 0, 0, 0, 1, 1, 0}, {w, 0, 0, 0, 0, 1, 1, 1}, {0, 0, 0, 0, 0, 1, 0, 1},
  };
  for (int i = 0; i < kQuadVertexCount; ++i) m_Quad[i] = quad[i];
}

void Rays::UseArchive(const MediaArchive& archive, const char* password) {
  m_media.Use(archive, password);
}

// ---------------------------------------------------------------------------------------------
// Device objects
// ---------------------------------------------------------------------------------------------

HRESULT Rays::InitDeviceObjects(IDirect3DDevice8* device) {
  m_pDevice = device;
  return m_media.CreateTexture(device, m_szSecondTexture, &m_pTexture);
}

void Rays::DeleteDeviceObjects() {
  if (m_pTexture) m_pTexture->Release();
  m_pTexture = nullptr;
}

// ---------------------------------------------------------------------------------------------
// Animation
// ---------------------------------------------------------------------------------------------

void Rays::FrameMove(float dt) {
  m_fRayTime += dt;
  if (m_fRayTime > kTimeWrap) m_fRayTime -= kTimeWrap;
  const float t = m_fRayTime;
  const float amplitude = (std::sin(t / kSwayBreathPeriod) + 0.8f) / 1.8f * kMaxSway;
  m_fSwayAngle = std::sin(t / kSwayPeriod) * amplitude;
  m_fBrightness = (std::sin(2.0f * t) + 1.0f) / 2.0f * kFlickerShare +
                  (std::sin(t / kSwellPeriod) + 1.0f) / 2.0f * kSwellShare;
  m_fOffset = std::sin(t / kDriftPeriod) * kDriftDistance;
}

// ---------------------------------------------------------------------------------------------
// Drawing
// ---------------------------------------------------------------------------------------------

D3DXMATRIX Rays::BeamWorld(float side) const {
  D3DXMATRIX upright, placed, stretched, swayed;
  D3DXMatrixRotationX(&upright, D3DX_PI / 2.0f);
  D3DXMatrixTranslation(&placed, m_fOffset - m_fWidth / 2.0f, kBeamDistance * side,
                        -m_fHeight / 2.0f);
  D3DXMatrixScaling(&stretched, kBeamScaleX, kBeamScaleY, kBeamScaleZ);
  const D3DXVECTOR3 axis(0.0f, 1.0f, 0.0f);
  const D3DXVECTOR3 centre(m_fOffset, kBeamDistance * side, kSwayCentreHeight);
  D3DXQUATERNION sway;
  D3DXQuaternionRotationAxis(&sway, &axis, m_fSwayAngle);
  D3DXMatrixTransformation(&swayed, nullptr, nullptr, nullptr, &centre, &sway, nullptr);

  D3DXMATRIX world;
  D3DXMatrixMultiply(&world, &upright, &placed);
  D3DXMatrixMultiply(&world, &world, &stretched);
  D3DXMatrixMultiply(&world, &world, &swayed);
  return world;
}

float Rays::BeamColour(float side) const {
  return side > 0.0f ? m_fBrightness : m_fBrightness / kSecondBeamDivisor;
}

void Rays::Render() {
  // Without its texture a beam would be a solid white slab over the glade.
  if (!m_pDevice || !m_pTexture) return;
  IDirect3DDevice8* device = m_pDevice;
  device->SetRenderState(D3DRS_ZENABLE, TRUE);
  device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  device->SetRenderState(D3DRS_SPECULARENABLE, FALSE);
  device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCCOLOR);
  device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
  device->SetVertexShader(kRayFvf);

  D3DMATRIX keptWorld, keptView;
  device->GetTransform(D3DTS_WORLD, &keptWorld);
  device->GetTransform(D3DTS_VIEW, &keptView);

  for (const float side : {1.0f, -1.0f}) {
    const D3DXMATRIX world = BeamWorld(side);
    device->SetTransform(D3DTS_WORLD, &world);
    const float c = BeamColour(side);
    m_Material.Diffuse = {c, c, c, c};
    device->SetTexture(0, m_pTexture);
    device->SetMaterial(&m_Material);
    device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, m_Quad, sizeof(RayVertex));
  }

  device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
  device->SetRenderState(D3DRS_ZENABLE, TRUE);
  device->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
  device->SetTransform(D3DTS_WORLD, &keptWorld);
  device->SetTransform(D3DTS_VIEW, &keptView);
}

void Rays::Report(JsonWriter& report) const {
  report.Key("rays");
  report.BeginObject();
  report.MemberBool("texture", m_pTexture != nullptr);
  report.Member("time", m_fRayTime);
  report.Member("sway_angle", m_fSwayAngle);
  report.Member("offset", m_fOffset);
  report.Member("brightness", m_fBrightness);
  report.Member("second_brightness", BeamColour(-1.0f));
  report.EndObject();
}

}  // namespace qm
