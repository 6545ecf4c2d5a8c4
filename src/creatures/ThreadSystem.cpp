// ThreadSystem: wind, forces and integration of the web's nodes, links and sliders.
//
// Sections: lists - wind - forces - integration - riders.
//
// Lengths that can reach zero (a link whose ends meet, a rider standing still, a force that
// cancels out) never become divisors: a zero-length link pulls nothing, a zero move moves
// nothing, and normalising a zero vector gives the zero vector.
#include "creatures/ThreadSystem.h"

#include <algorithm>
#include <cmath>

namespace qm {

namespace {

// Below this a length counts as zero and gives no direction.
constexpr float kTinyLength = 1e-6f;

D3DXVECTOR3 Normalised(const D3DXVECTOR3& v) {
  D3DXVECTOR3 out;
  D3DXVec3Normalize(&out, &v);
  return out;
}

float Length(const D3DXVECTOR3& v) { return D3DXVec3Length(&v); }

float Dot(const D3DXVECTOR3& a, const D3DXVECTOR3& b) { return D3DXVec3Dot(&a, &b); }

// The part of v along d (zero when d has no length).
D3DXVECTOR3 Projection(const D3DXVECTOR3& v, const D3DXVECTOR3& d) {
  const float dd = Dot(d, d);
  if (!(dd > kTinyLength * kTinyLength)) return D3DXVECTOR3(0, 0, 0);
  return d * (Dot(v, d) / dd);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Lists
// ---------------------------------------------------------------------------------------------

int ThreadSystem::AddSlider(int node, int link, float t) {
  WebSlider slider;
  slider.iLink = link;
  slider.fT = t;
  slider.iNode = node;
  Sliders.push_back(slider);
  return int(Sliders.size()) - 1;
}

void ThreadSystem::RebuildNodeLinks() {
  for (WebNode& node : Nodes) node.Links.clear();
  for (int i = 0; i < int(Links.size()); ++i) {
    const WebLink& link = Links[i];
    if (ValidNode(link.iNodeA)) Nodes[link.iNodeA].Links.push_back(i);
    if (ValidNode(link.iNodeB)) Nodes[link.iNodeB].Links.push_back(i);
  }
}

int ThreadSystem::AddNode(const D3DXVECTOR3& pos, float weight, bool fixed) {
  WebNode node;
  node.vPos = pos;
  node.fWeight = weight;
  node.bFixed = fixed ? 1 : 0;
  Nodes.push_back(std::move(node));
  return int(Nodes.size()) - 1;
}

int ThreadSystem::AddLink(int nodeA, int nodeB, float rest, float stiffness, float damping,
                          int type) {
  Links.push_back(WebLink{nodeA, nodeB, rest, stiffness, damping, type});
  return int(Links.size()) - 1;
}

void ThreadSystem::ClearSystem() {
  Links.clear();
  Nodes.clear();
  Sliders.clear();
  fWindTime = 0.0f;
  vWind = D3DXVECTOR3(0, 0, 0);
}

void ThreadSystem::Step(float elapsed) {
  UpdateWind(elapsed);
  ComputeForces();
  Integrate(elapsed);
}

// ---------------------------------------------------------------------------------------------
// Wind
// ---------------------------------------------------------------------------------------------

void ThreadSystem::UpdateWind(float elapsed) {
  fWindTime += elapsed;
  if (fWindTime > kWindTimeWrap) fWindTime = 0.0f;
  const float t = fWindTime;
  const float angle = std::sin(t / 8.0f);
  const float strength = std::max(0.0f, (std::sin(t) * 0.3f + std::sin(t / 5.5f) * 0.7f) * 0.2f);
  // (-1, 1, 0) turned about z.
  const float c = std::cos(angle), s = std::sin(angle);
  const D3DXVECTOR3 direction(-c - s, -s + c, 0.0f);
  vWind = Normalised(direction) * strength;
}

// ---------------------------------------------------------------------------------------------
// Forces
// ---------------------------------------------------------------------------------------------

void ThreadSystem::ComputeForces() {
  for (WebNode& node : Nodes) {
    node.vForce = D3DXVECTOR3(0, 0, 0);
    if (node.bFixed) continue;
    if (bWind) node.vForce += vWind;
    if (bGravity) node.vForce += vGravity * node.fWeight;
    node.vForce -= node.vVel * (bStrongDrag ? fDrag : kWeakDrag);
  }
  for (const WebLink& link : Links) AddLinkForce(link);
  for (WebSlider& slider : Sliders) PassRiderForce(slider);
}

void ThreadSystem::AddLinkForce(const WebLink& link) {
  if (link.iType == kLinkLeaf || link.iType == kLinkStrand || link.iType == kLinkFrame) return;
  if (!ValidNode(link.iNodeA) || !ValidNode(link.iNodeB)) return;
  WebNode& a = Nodes[link.iNodeA];
  WebNode& b = Nodes[link.iNodeB];
  if (link.iType == kLinkPulled && bGravity) {
    a.vForce += vThreadPull * a.fWeight;
    b.vForce += vThreadPull * b.fWeight;
  }
  const D3DXVECTOR3 d = b.vPos - a.vPos;
  const float len = Length(d);
  // Ends that meet give the spring no direction to pull in.
  if (!(len > kTinyLength)) return;
  float stretch = (len - link.fRest) * link.fStiffness / 2.0f;
  if (stretch < 0.0f) stretch /= kSlackWeakening;
  const float damp = Dot(b.vVel - a.vVel, d) * link.fDamping / len;
  const D3DXVECTOR3 f = d * ((stretch + damp) / len);
  a.vForce += f;
  b.vForce -= f;
}

void ThreadSystem::PassRiderForce(WebSlider& slider) {
  if (!ValidLink(slider.iLink) || !ValidNode(slider.iNode)) return;
  const WebLink& link = Links[slider.iLink];
  if (!ValidNode(link.iNodeA) || !ValidNode(link.iNodeB)) return;
  WebNode& rider = Nodes[slider.iNode];
  WebNode& a = Nodes[link.iNodeA];
  WebNode& b = Nodes[link.iNodeB];
  D3DXVECTOR3 passed = rider.vForce;
  if (!slider.bLocked) {
    const D3DXVECTOR3 along = Normalised(b.vPos - a.vPos);
    const float h = Dot(rider.vForce, along) * slider.fShare;
    passed = rider.vForce - Normalised(rider.vForce) * h;
    rider.vForce = along * h;
  }
  if (!a.bFixed) a.vForce += passed * ((1.0f - slider.fT) * kRiderForceShare);
  if (!b.bFixed) b.vForce += passed * (slider.fT * kRiderForceShare);
}

// ---------------------------------------------------------------------------------------------
// Integration
// ---------------------------------------------------------------------------------------------

void ThreadSystem::Integrate(float dt) {
  for (WebNode& node : Nodes) {
    if (node.bFixed) continue;
    node.vVel += node.vForce * (dt * node.fWeight);
    node.vPos += node.vVel * dt;
  }
  for (WebSlider& slider : Sliders) MoveRider(slider, dt);
}

// ---------------------------------------------------------------------------------------------
// Riders
// ---------------------------------------------------------------------------------------------

void ThreadSystem::MoveRider(WebSlider& slider, float dt) {
  if (!ValidLink(slider.iLink) || !ValidNode(slider.iNode)) return;
  const WebLink& link = Links[slider.iLink];
  if (!ValidNode(link.iNodeA) || !ValidNode(link.iNodeB)) return;
  WebNode& rider = Nodes[slider.iNode];
  const WebNode& a = Nodes[link.iNodeA];
  const WebNode& b = Nodes[link.iNodeB];

  const D3DXVECTOR3 d = b.vPos - a.vPos;
  rider.vPos = a.vPos + d * slider.fT;
  rider.vInward = Normalised(b.vInward * slider.fT + a.vInward * (1.0f - slider.fT));
  if (slider.bLocked) {
    rider.vVel = D3DXVECTOR3(0, 0, 0);
    return;
  }

  const float len = Length(d);
  rider.vVel = Projection(rider.vVel, d);
  const D3DXVECTOR3 move = rider.vVel * dt;
  const float s = len > kTinyLength ? Dot(move, d) / len : 0.0f;
  const int endIndex = s >= 0.0f ? link.iNodeB : link.iNodeA;
  const D3DXVECTOR3 endPos = Nodes[endIndex].vPos;
  const float toEnd = Length(endPos - rider.vPos);

  if (toEnd >= std::fabs(s)) {
    rider.vPos += move;
    if (len > kTinyLength) slider.fT = Length(rider.vPos - a.vPos) / len;
  } else {
    // The rider passes the end: it goes on along the link that best continues its way,
    // or leaves the web when every link there turns back.
    const float rest = std::fabs(s) - toEnd;
    rider.vPos = endPos;
    const D3DXVECTOR3 wanted = rider.vVel + vThreadPull * rider.fWeight;
    const int next = ContinuingLink(endIndex, slider.iLink, wanted);
    const D3DXVECTOR3 heading = Normalised(move);
    if (next < 0) {
      slider.iLink = -1;
      rider.vPos += heading * rest;
      rider.vVel /= kFallOffSlowdown;
    } else {
      const WebLink& nextLink = Links[next];
      const D3DXVECTOR3 o = Nodes[OtherEnd(nextLink, endIndex)].vPos - endPos;
      const float oLength = Length(o);
      D3DXVECTOR3 m = Projection(heading * rest, o);
      // A move that points back against the new link leaves the rider at the node.
      if (Dot(m, o) < 0.0f) m = D3DXVECTOR3(0, 0, 0);
      if (Length(m) >= oLength) {
        rider.vPos += o * kOvershootStop;
        if (dt > 0.0f)
          rider.vVel = Normalised(rider.vVel) * ((oLength * kOvershootStop + toEnd) / dt);
      } else {
        rider.vPos += m;
      }
      slider.iLink = next;
      slider.fT = oLength > kTinyLength
                      ? Length(Nodes[nextLink.iNodeA].vPos - rider.vPos) / oLength
                      : 0.0f;
    }
  }
  rider.vVel -= rider.vVel * dt;
}

int ThreadSystem::ContinuingLink(int end, int current, const D3DXVECTOR3& wanted) const {
  const float wantedLength = Length(wanted);
  if (!(wantedLength > kTinyLength)) return -1;
  int best = -1;
  float bestAngle = kRightAngle;
  for (int index : Nodes[end].Links) {
    if (index == current || !ValidLink(index)) continue;
    const int other = OtherEnd(Links[index], end);
    if (!ValidNode(other)) continue;
    const D3DXVECTOR3 way = Nodes[other].vPos - Nodes[end].vPos;
    const float wayLength = Length(way);
    if (!(wayLength > kTinyLength)) continue;
    const float cosine = std::clamp(Dot(way, wanted) / (wayLength * wantedLength), -1.0f, 1.0f);
    const float angle = std::acos(cosine);
    if (angle < bestAngle) {
      bestAngle = angle;
      best = index;
    }
  }
  return best;
}

}  // namespace qm
