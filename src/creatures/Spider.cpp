#include "creatures/Spider.h"

#include <algorithm>
#include <cmath>

#include "creatures/SpiderGeometry.h"
#include "shell/JsonWriter.h"
#include "shell/Random.h"

namespace qm {

namespace {

constexpr float kClockWrap = 10000.0f;
constexpr int kKeepPlaying = 1000000;
// A turn wider than this is made in steps about the up vector before the last approach.
constexpr float kWideTurn = 1.0471976f;
// Radii are tightened toward this share of their length, at this rate.
constexpr float kTightLength = 0.97f;
constexpr float kTightenRate = 0.4f;
// On a thread the body sits this far (in sizes) off the thread, legs around it.
constexpr float kThreadOffset = 0.25f;
// A spiral thread is drawn this much wider than a radius while it is pulled.
constexpr float kSpiralWidthFactor = 1.5f;

// Turns `from` toward `to` by at most `maxAngle`; both are directions.
D3DXVECTOR3 TurnToward(const D3DXVECTOR3& from, const D3DXVECTOR3& to, float maxAngle,
                       const D3DXVECTOR3& fallbackAxis) {
  const float angle = AngleBetween(from, to);
  if (angle <= maxAngle) return SafeNormalize(to);
  D3DXVECTOR3 axis;
  D3DXVec3Cross(&axis, &from, &to);
  if (D3DXVec3LengthSq(&axis) < 1e-12f) axis = fallbackAxis;
  return SafeNormalize(RotateAbout(from, maxAngle, axis));
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Construction and placing
// ---------------------------------------------------------------------------------------------

Spider::Spider(const char* xFileName, Cobweb& web) : SceneObject(xFileName), m_pWeb(web) {
  D3DXMatrixIdentity(&m_mBody);
  m_fSize = kInitialSize;
  (void)m_fUnusedCoefficient;
}

HRESULT Spider::InitDeviceObjects(IDirect3DDevice8* device) {
  m_pDevice = device;
  return SceneObject::InitDeviceObjects(device);
}

void Spider::PlaceOnWeb() {
  if (m_pWeb.FrameThreads.empty()) return;
  const int choice = RandomInt(0, 2);
  const WebThread* thread = nullptr;
  float t = 0.5f;
  if (!m_pWeb.Radii.empty() && choice == 1) {
    thread = &m_pWeb.Radii[size_t(RandomInt(0, int(m_pWeb.Radii.size()) - 1))];
    t = float(RandomInt(30, 70)) / 100.0f;
  } else {
    const int frame = RandomInt(0, int(m_pWeb.FrameThreads.size()) - 1);
    thread = &m_pWeb.FrameThreads[size_t(frame)];
    if (frame == 0) t = 0.0f;
  }
  const ThreadPlace place = PlaceOnThread(m_pWeb, *thread, t);
  if (!place.bValid) return;

  if (!SliderValid()) {
    const int node = m_pWeb.AddNode(place.vPoint, m_fNodeWeight, false);
    if (m_iSlider >= 0 && m_iSlider < int(m_pWeb.Sliders.size()))
      m_pWeb.Sliders[size_t(m_iSlider)].iNode = node;
    else
      m_iSlider = m_pWeb.AddSlider(node, place.iLink, place.fLinkT);
  }
  WebSlider& slider = m_pWeb.Sliders[size_t(m_iSlider)];
  slider.iLink = place.iLink;
  slider.fT = place.fLinkT;
  slider.fShare = 1.0f;
  slider.bLocked = 1;
  m_pWeb.Nodes[size_t(slider.iNode)].vPos = place.vPoint;
  m_vPos = place.vPoint;
  m_vDir = m_vStartDir;
  m_vUp = m_vStartUp;
  UpdateBodyMatrix();
}

void Spider::StartBuilding() {
  HoldFrameAnchors();
  m_States = {SpiderIdle, SpiderPlanSpiral, SpiderPlanRadius};
}

// A thread fastened to the frame must hold there: the frame's links carry no force, so a
// point split off a frame thread would fall away unless it is pinned like the frame itself.
// Frame threads made only of pinned nodes are marked so that their split points are pinned.
void Spider::HoldFrameAnchors() {
  for (WebThread& thread : m_pWeb.FrameThreads) {
    bool pinned = !thread.Nodes.empty();
    for (int node : thread.Nodes)
      pinned = pinned && node >= 0 && node < int(m_pWeb.Nodes.size()) &&
               m_pWeb.Nodes[size_t(node)].bFixed != 0;
    if (pinned) thread.bFlag = 1;
  }
}

void Spider::Resume() {
  // A loaded web replaced every node and link: the spider's own node is gone with them.
  if (m_iSlider >= 0 && m_iSlider < int(m_pWeb.Sliders.size())) {
    WebSlider& slider = m_pWeb.Sliders[size_t(m_iSlider)];
    slider.iNode = m_pWeb.AddNode(m_vPos, m_fNodeWeight, false);
    slider.iLink = -1;
  } else {
    m_iSlider = -1;
  }
  m_NewThread = WebThread{};
  m_NewRibbon.vertexCount = m_NewRibbon.indexCount = 0;
  m_Route = WebRoute{};
  m_fSpeed = 0.0f;
  HoldFrameAnchors();
  PlaceOnWeb();
  // Radii come first, but a web whose spiral has begun has all the radii it will get.
  m_States = {SpiderIdle, SpiderPlanSpiral};
  if (m_pWeb.Spiral.empty()) m_States.push_back(SpiderPlanRadius);
}

void Spider::FinishMove() {
  if (m_NewThread.Nodes.empty()) return;
  if (!AttachNewThread()) DropNewThread();
  m_Route = WebRoute{};
  m_fSpeed = 0.0f;
  m_States = {SpiderIdle, SpiderPlanSpiral};
  if (m_pWeb.Spiral.empty()) m_States.push_back(SpiderPlanRadius);
}

void Spider::Reset() {
  m_iSlider = -1;
  m_States = {SpiderIdle};
  m_NewThread = WebThread{};
  m_NewRibbon.vertexCount = m_NewRibbon.indexCount = 0;
  m_Route = WebRoute{};
  m_fSpeed = 0.0f;
  m_fTimer = 0.0f;
  m_fRadiusStep = kRadiusStepStart;
}

bool Spider::SliderValid() const {
  if (m_iSlider < 0 || m_iSlider >= int(m_pWeb.Sliders.size())) return false;
  const WebSlider& slider = m_pWeb.Sliders[size_t(m_iSlider)];
  return slider.iNode >= 0 && slider.iNode < int(m_pWeb.Nodes.size());
}

bool Spider::WebFinished() const {
  for (int state : m_States)
    if (state == SpiderPlanRadius || state == SpiderPlanSpiral || state == SpiderAnchor ||
        state == SpiderAttach)
      return false;
  return true;
}

int Spider::CurrentLink() const {
  if (!SliderValid()) return -1;
  const int link = m_pWeb.Sliders[size_t(m_iSlider)].iLink;
  return link >= 0 && link < int(m_pWeb.Links.size()) ? link : -1;
}

// ---------------------------------------------------------------------------------------------
// Frame move and states
// ---------------------------------------------------------------------------------------------

HRESULT Spider::FrameMove(float elapsed) {
  m_fElapsed = elapsed;
  m_fClock += elapsed;
  if (m_fClock > kClockWrap) m_fClock = 0.0f;
  if (State() == SpiderCrawl) AdjustSpeed();
  const size_t position = m_States.size() - 1;
  if (RunState(m_States[position]) != 1) PopStateAt(position);
  m_pModel->Advance(elapsed);
  PullThread();
  if (!m_NewThread.Nodes.empty()) BuildNewThreadRibbon();
  UpdateBodyMatrix();
  return S_OK;
}

int Spider::RunState(int state) {
  switch (state) {
    case SpiderIdle: return Idle();
    case SpiderToFirstRadius: return ToFirstRadius();
    case SpiderTighten: return Tighten();
    case SpiderTurn: return Turn();
    case SpiderCrawl: return Crawl();
    case SpiderPlanRadius: return PlanRadius();
    case SpiderPlanSpiral: return PlanSpiral();
    case SpiderAnchor: return Anchor();
    case SpiderAttach: return Attach();
    case SpiderWait: return Wait();
    default: return 2;  // a state the spider does not know ends at once
  }
}

// The state that ran may no longer be on top: its handler can push the next steps.
void Spider::PopStateAt(size_t position) {
  if (position < m_States.size()) m_States.erase(m_States.begin() + std::ptrdiff_t(position));
  if (m_States.empty()) m_States.push_back(SpiderIdle);
}

void Spider::PushWait(float seconds) {
  m_fTimer = seconds;
  PushState(SpiderWait);
}

void Spider::PushTighten(float seconds) {
  m_fTimer = seconds;
  PushState(SpiderTighten);
}

void Spider::PushTurn(const D3DXVECTOR3& direction) {
  m_vTurnTarget = direction;
  PushState(SpiderTurn);
}

int Spider::Idle() {
  m_fTimer -= m_fElapsed;
  SetAnim("wait", kKeepPlaying);
  KeepOnSlider();
  if (m_fTimer >= 0.0f) return 1;
  // A walk to the spiral and back to the hub, or else a turn on the spot; a web without
  // spiral threads leaves only the turn.
  if (RandomInt(0, 1) == 1 && !m_pWeb.Spiral.empty()) {
    PushState(SpiderToFirstRadius);
    GoTo({WebList::Spiral, RandomInt(0, int(m_pWeb.Spiral.size()) - 1)}, 0.5f);
  } else {
    float angle = float(RandomInt(62, 157)) / 100.0f;
    if (RandomInt(0, 1) == 0) angle = -angle;
    PushTurn(RotateAbout(m_vDir, angle, m_vUp));
    SetAnim("move", kKeepPlaying);
  }
  m_fTimer = float(RandomInt(2, 15));
  return 1;
}

int Spider::ToFirstRadius() {
  if (!m_pWeb.Radii.empty()) GoTo({WebList::Radii, 0}, 0.0f);
  return 2;
}

int Spider::Tighten() {
  m_fTimer -= m_fElapsed;
  for (const WebThread& radius : m_pWeb.Radii) {
    if (radius.Links.empty()) continue;
    const int link = radius.Links.front();
    if (link < 0 || link >= int(m_pWeb.Links.size())) continue;
    WebLink& l = m_pWeb.Links[size_t(link)];
    l.fRest += m_fElapsed * (LinkLength(m_pWeb, link) * kTightLength - l.fRest) * kTightenRate;
  }
  KeepOnSlider();
  return m_fTimer < 0.0f ? 2 : 1;
}

int Spider::Turn() {
  const float step = m_fElapsed * m_fTurnRate;
  const float angle = AngleBetween(m_vDir, m_vTurnTarget);
  KeepOnSlider();
  if (angle < step) {
    m_vDir = SafeNormalize(m_vTurnTarget);
    return 2;
  }
  // The target was made by turning about the up vector: turn that way round.
  D3DXVECTOR3 side;
  D3DXVec3Cross(&side, &m_vDir, &m_vTurnTarget);
  const float sense = D3DXVec3Dot(&side, &m_vUp) < 0.0f ? -1.0f : 1.0f;
  if (angle > kWideTurn) {
    m_vDir = SafeNormalize(RotateAbout(m_vDir, sense * step, m_vUp));
    return 1;
  }
  m_vDir = TurnToward(m_vDir, m_vTurnTarget, step, m_vUp);
  return 2;
}

int Spider::Wait() {
  SetAnim("wait", kKeepPlaying);
  m_fTimer -= m_fElapsed;
  KeepOnSlider();
  return m_fTimer > 0.0f ? 1 : 2;
}

void Spider::SetAnim(const char* name, int count) {
  const int set = m_pModel->FindSet(name);
  if (set < 0 || set == m_Anim.iSet) return;
  m_Anim.iSet = set;
  m_Anim.iCount = count;
  m_Anim.fTime = 0.0f;
  m_Anim.fLength = m_pModel->SetLength(set);
  m_pModel->SetAnimState(m_Anim);
}

// ---------------------------------------------------------------------------------------------
// Walking
// ---------------------------------------------------------------------------------------------

void Spider::AdjustSpeed() {
  const float target =
      (std::sin(2.0f * m_fClock) + 1.0f) / 2.0f * (m_fSpeedMax - m_fSpeedMin) + m_fSpeedMin;
  if (m_fSpeed >= target)
    m_fSpeed = target;
  else
    m_fSpeed += (target - m_fSpeed) * m_fElapsed;
}

bool Spider::GoTo(const ThreadRef& ref, float t) {
  const WebThread* thread = Thread(ref);
  const ThreadPlace place = thread ? PlaceOnThread(m_pWeb, *thread, t) : ThreadPlace{};
  const int link = CurrentLink();
  if (!place.bValid || link < 0 ||
      !FindRoute(m_pWeb, link, m_pWeb.Sliders[size_t(m_iSlider)].fT, place.iLink, place.fLinkT,
                 m_NewThread.Links, &m_Route)) {
    PushWait(kRetryWait);
    return false;
  }
  m_iRouteLeg = 0;
  PushState(SpiderCrawl);
  return true;
}

D3DXVECTOR3 Spider::GoalPoint() const {
  if (m_Route.legs.empty()) return m_vPos;
  const WebLink& l = m_pWeb.Links[size_t(m_Route.legs.back())];
  const D3DXVECTOR3& a = m_pWeb.Nodes[size_t(l.iNodeA)].vPos;
  const D3DXVECTOR3& b = m_pWeb.Nodes[size_t(l.iNodeB)].vPos;
  return a + (b - a) * m_Route.fGoalT;
}

int Spider::Crawl() {
  // A route that no longer matches the web (the web changed under it) is planned again
  // from where the spider is; one that cannot be, ends in a short wait.
  const int link = CurrentLink();
  bool routeValid = link >= 0 && m_iRouteLeg < m_Route.legs.size() &&
                    m_Route.legs[m_iRouteLeg] == link;
  for (int leg : m_Route.legs) routeValid = routeValid && leg >= 0 && leg < int(m_pWeb.Links.size());
  if (!routeValid) {
    const int goalLink = m_Route.legs.empty() ? -1 : m_Route.legs.back();
    WebRoute again;
    if (link < 0 || !FindRoute(m_pWeb, link, m_pWeb.Sliders[size_t(m_iSlider)].fT, goalLink,
                               m_Route.fGoalT, m_NewThread.Links, &again)) {
      m_fSpeed = 0.0f;
      PushWait(kRetryWait);
      return 2;
    }
    m_Route = again;
    m_iRouteLeg = 0;
  }

  WebSlider& slider = m_pWeb.Sliders[size_t(m_iSlider)];
  float step = m_fSpeed * m_fElapsed;
  const D3DXVECTOR3 toGoal = GoalPoint() - m_vPos;
  const float distance = D3DXVec3Length(&toGoal);
  const float half = m_fSize / 2.0f;
  if (half > 0.0f && distance < half) step *= (distance / half + 0.5f) / 1.5f;

  bool arrived = false;
  D3DXVECTOR3 travel(0, 0, 0);
  while (true) {
    const int current = m_Route.legs[m_iRouteLeg];
    const WebLink& l = m_pWeb.Links[size_t(current)];
    const bool last = m_iRouteLeg + 1 == m_Route.legs.size();
    const float endT = last ? m_Route.fGoalT : (m_Route.exits[m_iRouteLeg] == l.iNodeA ? 0.0f : 1.0f);
    const float length = LinkLength(m_pWeb, current);
    const float left = std::fabs(endT - slider.fT) * length;
    const D3DXVECTOR3 along = m_pWeb.Nodes[size_t(l.iNodeB)].vPos - m_pWeb.Nodes[size_t(l.iNodeA)].vPos;
    if (endT != slider.fT) travel = endT > slider.fT ? along : -along;
    if (left <= step) {
      slider.fT = endT;
      if (last) {
        arrived = true;
        break;
      }
      step -= left;
      const int entry = m_Route.exits[m_iRouteLeg];
      ++m_iRouteLeg;
      slider.iLink = m_Route.legs[m_iRouteLeg];
      slider.fT = m_pWeb.Links[size_t(slider.iLink)].iNodeA == entry ? 0.0f : 1.0f;
      continue;
    }
    slider.fT += (endT > slider.fT ? step : -step) / length;
    break;
  }
  KeepOnSlider();
  if (D3DXVec3LengthSq(&travel) > 0.0f) FaceAlong(travel);
  const int type = m_pWeb.Links[size_t(slider.iLink)].iType;
  SetAnim(type == kLinkFrame ? "move" : "on_thread", kKeepPlaying);
  if (!arrived) return 1;
  m_fSpeed = 0.0f;
  return 2;
}

// Puts the body where its slider is now (a little off the thread on an ordinary thread).
void Spider::KeepOnSlider() {
  const int link = CurrentLink();
  if (link < 0) return;
  WebSlider& slider = m_pWeb.Sliders[size_t(m_iSlider)];
  const WebLink& l = m_pWeb.Links[size_t(link)];
  const D3DXVECTOR3& a = m_pWeb.Nodes[size_t(l.iNodeA)].vPos;
  const D3DXVECTOR3& b = m_pWeb.Nodes[size_t(l.iNodeB)].vPos;
  const D3DXVECTOR3 riding = a + (b - a) * slider.fT;
  m_pWeb.Nodes[size_t(slider.iNode)].vPos = riding;
  m_vOffset = m_vUp * (m_fSize * kThreadOffset);
  m_vPos = l.iType == kLinkThread ? riding + m_vOffset : riding;
}

// The web's plane seen from the side the spider's back already faces.
D3DXVECTOR3 Spider::LocalUp() const {
  const D3DXVECTOR3 normal = SafeNormalize(m_pWeb.vNormal);
  if (D3DXVec3LengthSq(&normal) == 0.0f) return m_vUp;
  return D3DXVec3Dot(&normal, &m_vUp) < 0.0f ? -normal : normal;
}

void Spider::FaceAlong(const D3DXVECTOR3& direction) {
  const float turn = m_fTurnRate * m_fElapsed;
  m_vUp = TurnToward(m_vUp, LocalUp(), turn, m_vDir);
  m_vDir = TurnToward(m_vDir, SafeNormalize(direction), turn, m_vUp);
  // Keep the heading square to the up vector, on the side it points to.
  const D3DXVECTOR3 flat = m_vDir - m_vUp * D3DXVec3Dot(&m_vDir, &m_vUp);
  if (D3DXVec3LengthSq(&flat) > 1e-8f) m_vDir = SafeNormalize(flat);
}

// The model faces -x with +z up; it is scaled to the spider's size, turned to the heading
// and up vector, moved to the body position and carried by the web frame.
void Spider::UpdateBodyMatrix() {
  const D3DXVECTOR3 forward = SafeNormalize(m_vDir), up = SafeNormalize(m_vUp);
  if (D3DXVec3LengthSq(&forward) == 0.0f || D3DXVec3LengthSq(&up) == 0.0f) return;
  const D3DXVECTOR3 x = -forward;
  D3DXVECTOR3 y;
  D3DXVec3Cross(&y, &up, &x);
  y = SafeNormalize(y);
  D3DXVECTOR3 z;
  D3DXVec3Cross(&z, &x, &y);
  D3DXMATRIX turn;
  D3DXMatrixIdentity(&turn);
  turn._11 = x.x, turn._12 = x.y, turn._13 = x.z;
  turn._21 = y.x, turn._22 = y.y, turn._23 = y.z;
  turn._31 = z.x, turn._32 = z.y, turn._33 = z.z;
  turn._41 = m_vPos.x, turn._42 = m_vPos.y, turn._43 = m_vPos.z;
  D3DXMATRIX placed;
  D3DXMatrixMultiply(&placed, &m_mScale, &turn);
  D3DXMatrixMultiply(&m_mBody, &placed, &m_pWeb.FrameTransform());
}

// ---------------------------------------------------------------------------------------------
// Drawing
// ---------------------------------------------------------------------------------------------

void Spider::BuildNewThreadRibbon() {
  const float halfWidth = m_pWeb.fThreadWidth *
                          (m_pTargetList == WebList::Spiral ? kSpiralWidthFactor : 1.0f);
  m_NewThreadAlone.assign(1, m_NewThread);
  m_pWeb.BuildThreadRibbons(m_NewThreadAlone, halfWidth, &m_NewRibbon);
}

HRESULT Spider::Render() {
  if (!m_pDevice) return S_OK;
  D3DMATRIX kept;
  m_pDevice->GetTransform(D3DTS_WORLD, &kept);
  if (m_NewRibbon.indexCount > 0) {
    // Drawn like the threads of the list it will join, in their texture and material, so
    // that it does not stand out until it is fastened.
    m_pDevice->SetTransform(D3DTS_WORLD, &m_pWeb.FrameTransform());
    m_pDevice->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    m_pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    m_pDevice->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCCOLOR);
    m_pDevice->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCCOLOR);
    const bool spiral = m_pTargetList == WebList::Spiral;
    m_pDevice->SetTexture(0, m_pWeb.ThreadTexture(spiral));
    m_pDevice->SetMaterial(spiral ? &m_pWeb.m_SpiralMaterial : &m_pWeb.m_RadiusMaterial);
    m_pDevice->SetVertexShader(Cobweb::kRibbonFvf);
    m_pWeb.DrawRibbon(m_NewRibbon);
    m_pDevice->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
    m_pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
  }
  m_pDevice->SetTransform(D3DTS_WORLD, &m_mBody);
  m_pModel->Render();
  m_pDevice->SetTransform(D3DTS_WORLD, &kept);
  return S_OK;
}

void Spider::Report(JsonWriter& report) const {
  report.Key("spider");
  report.BeginObject();
  report.MemberInt("state", State());
  report.Key("stack");
  report.BeginArray();
  for (int state : m_States) report.Int(state);
  report.EndArray();
  report.Key("position");
  report.Vector3(m_vPos.x, m_vPos.y, m_vPos.z);
  report.MemberInt("link", CurrentLink());
  report.MemberInt("radii", std::int64_t(m_pWeb.Radii.size()));
  report.MemberInt("spiral_threads", std::int64_t(m_pWeb.Spiral.size()));
  report.MemberBool("laying_thread", !m_NewThread.Nodes.empty());
  report.MemberBool("web_finished", WebFinished());
  report.EndObject();
}

}  // namespace qm
