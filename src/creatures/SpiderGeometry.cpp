#include "creatures/SpiderGeometry.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace qm {

namespace {

// Samples per thread in the crossing search: t = 0, 0.01, 0.02, ... up to 1.
constexpr float kCrossingSampleStep = 0.01f;
// Weights of the crossing score: the angle counts fully, then the distance from the hub,
// then the height (threads high in the web make better anchors).
constexpr float kDistanceWeight = 0.8f;
constexpr float kHeightWeight = 0.2f;
// Stand-in for a range of zero when the kept values are normalised, so that a value every
// candidate shares scores as 0.
constexpr float kFlatRange = 10000.0f;
constexpr float kNoScore = 1000.0f;
constexpr float kFullTurn = 6.2831855f;

bool ValidNode(const Cobweb& web, int node) { return node >= 0 && node < int(web.Nodes.size()); }
bool ValidLink(const Cobweb& web, int link) {
  if (link < 0 || link >= int(web.Links.size())) return false;
  return ValidNode(web, web.Links[link].iNodeA) && ValidNode(web, web.Links[link].iNodeB);
}

}  // namespace

float LinkLength(const Cobweb& web, int link) {
  const WebLink& l = web.Links[size_t(link)];
  const D3DXVECTOR3 d = web.Nodes[size_t(l.iNodeB)].vPos - web.Nodes[size_t(l.iNodeA)].vPos;
  return D3DXVec3Length(&d);
}

float ThreadLength(const Cobweb& web, const WebThread& thread) {
  float total = 0.0f;
  for (int link : thread.Links)
    if (ValidLink(web, link)) total += LinkLength(web, link);
  return total;
}

ThreadPlace PlaceOnThread(const Cobweb& web, const WebThread& thread, float t) {
  ThreadPlace place;
  if (thread.Links.empty()) return place;
  for (int link : thread.Links)
    if (!ValidLink(web, link)) return place;
  const float target = std::clamp(t, 0.0f, 1.0f) * ThreadLength(web, thread);
  float covered = 0.0f;
  for (size_t k = 0; k < thread.Links.size(); ++k) {
    const int link = thread.Links[k];
    const float length = LinkLength(web, link);
    if (covered + length < target && k + 1 < thread.Links.size()) {
      covered += length;
      continue;
    }
    // Along the thread the link starts at the thread's k-th node, whichever end that is.
    const WebLink& l = web.Links[link];
    const bool forward = k >= thread.Nodes.size() || thread.Nodes[k] == l.iNodeA;
    const float f = length > 0.0f ? std::clamp((target - covered) / length, 0.0f, 1.0f) : 0.0f;
    place.bValid = true;
    place.iLink = link;
    place.fLinkT = forward ? f : 1.0f - f;
    const D3DXVECTOR3& a = web.Nodes[l.iNodeA].vPos;
    const D3DXVECTOR3& b = web.Nodes[l.iNodeB].vPos;
    place.vPoint = a + (b - a) * place.fLinkT;
    return place;
  }
  return place;
}

bool InWedge(const D3DXVECTOR3& v, const D3DXVECTOR3& a, const D3DXVECTOR3& b) {
  const D3DXVECTOR3 middle = SafeNormalize(a) + SafeNormalize(b);
  if (D3DXVec3LengthSq(&middle) == 0.0f) return true;
  return AngleBetween(v, middle) <= AngleBetween(a, b) / 2.0f;
}

Crossing FindCrossing(const Cobweb& web, const WebThread& thread, const D3DXVECTOR3& hub,
                      const D3DXVECTOR3& wanted, const D3DXVECTOR3& a, const D3DXVECTOR3& b) {
  struct Candidate {
    float angle, distance, height, t;
    D3DXVECTOR3 point;
  };
  const bool inside = InWedge(wanted, a, b);
  if (thread.Links.empty()) return Crossing{};
  for (int link : thread.Links)
    if (!ValidLink(web, link)) return Crossing{};
  // The samples walk the thread once, front to back, as PlaceOnThread would one by one.
  std::vector<float> lengths(thread.Links.size());
  float total = 0.0f;
  for (size_t k = 0; k < lengths.size(); ++k) total += lengths[k] = LinkLength(web, thread.Links[k]);
  std::vector<Candidate> candidates;
  size_t k = 0;
  float covered = 0.0f;
  for (float t = 0.0f; t <= 1.0f; t += kCrossingSampleStep) {
    const float target = t * total;
    while (covered + lengths[k] < target && k + 1 < lengths.size()) covered += lengths[k++];
    const WebLink& l = web.Links[size_t(thread.Links[k])];
    const bool forward = k >= thread.Nodes.size() || thread.Nodes[k] == l.iNodeA;
    const D3DXVECTOR3& from = web.Nodes[size_t(forward ? l.iNodeA : l.iNodeB)].vPos;
    const D3DXVECTOR3& to = web.Nodes[size_t(forward ? l.iNodeB : l.iNodeA)].vPos;
    const float f = lengths[k] > 0.0f ? std::clamp((target - covered) / lengths[k], 0.0f, 1.0f) : 0.0f;
    const D3DXVECTOR3 point = from + (to - from) * f;
    const D3DXVECTOR3 offset = point - hub;
    if (InWedge(offset, a, b) != inside) continue;
    candidates.push_back(
        {AngleBetween(wanted, offset), D3DXVec3Length(&offset), point.y, t, point});
  }
  if (candidates.empty()) return Crossing{};

  // Each measure is spread over 0..1 across the candidates before they are weighed.
  auto range = [&](float Candidate::*field, float* low) {
    float lo = std::numeric_limits<float>::max(), hi = std::numeric_limits<float>::lowest();
    for (const Candidate& c : candidates) {
      lo = std::min(lo, c.*field);
      hi = std::max(hi, c.*field);
    }
    *low = lo;
    return hi == lo ? kFlatRange - lo : hi - lo;
  };
  float angleLow, distanceLow, heightLow;
  const float angleRange = range(&Candidate::angle, &angleLow);
  const float distanceRange = range(&Candidate::distance, &distanceLow);
  const float heightRange = range(&Candidate::height, &heightLow);

  float best = kNoScore;
  Crossing result;
  for (const Candidate& c : candidates) {
    const float angle = (c.angle - angleLow) / angleRange;
    const float distance = (c.distance - distanceLow) / distanceRange;
    const float height = (c.height - heightLow) / heightRange;
    const float score = angle + kDistanceWeight * distance * distance +
                        kHeightWeight * (1.0f - height) * (1.0f - height);
    if (score < best) {
      best = score;
      result.iThread = 0;
      result.fT = c.t;
      result.vPoint = c.point;
    }
  }
  return result;
}

Crossing FindCrossingOnList(const Cobweb& web, const std::vector<WebThread>& threads,
                            const std::vector<int>& candidates, const D3DXVECTOR3& hub,
                            const D3DXVECTOR3& wanted, const D3DXVECTOR3& a,
                            const D3DXVECTOR3& b) {
  Crossing best;
  float bestAngle = kFullTurn;
  for (int index : candidates) {
    if (index < 0 || index >= int(threads.size())) continue;
    const Crossing hit = FindCrossing(web, threads[index], hub, wanted, a, b);
    if (hit.iThread < 0) continue;
    const float angle = AngleBetween(hit.vPoint - hub, wanted);
    if (angle < bestAngle) {
      bestAngle = angle;
      best = hit;
      best.iThread = index;
    }
  }
  return best;
}

bool BridgeCrosses(const Cobweb& web, const WebThread& x, float a, const WebThread& y, float b,
                   const std::vector<WebThread>& threads, float clearance) {
  const ThreadPlace start = PlaceOnThread(web, x, a);
  const ThreadPlace end = PlaceOnThread(web, y, b);
  if (!start.bValid || !end.bValid) return true;
  const D3DXVECTOR3& s = start.vPoint;
  const D3DXVECTOR3& e = end.vPoint;
  const D3DXVECTOR3 u = s - web.vCentre, w = e - web.vCentre;
  const float reach = std::max(D3DXVec3Length(&u), D3DXVec3Length(&w));

  // A node of a link that lies across the bridge's wedge is in the way when it is about as
  // far out as the bridge and not merely the place where the bridge itself ends.
  auto inTheWay = [&](const D3DXVECTOR3& p) {
    const D3DXVECTOR3 fromStart = p - s, fromEnd = p - e, fromCentre = p - web.vCentre;
    return D3DXVec3Length(&fromStart) > clearance && D3DXVec3Length(&fromEnd) > clearance &&
           std::fabs(D3DXVec3Length(&fromCentre) - reach) < clearance;
  };
  for (const WebThread& thread : threads) {
    for (int link : thread.Links) {
      if (!ValidLink(web, link)) continue;
      const D3DXVECTOR3& pa = web.Nodes[web.Links[link].iNodeA].vPos;
      const D3DXVECTOR3& pb = web.Nodes[web.Links[link].iNodeB].vPos;
      const D3DXVECTOR3 v = pa - web.vCentre, xv = pb - web.vCentre;
      const bool across = (InWedge(v, u, w) && InWedge(xv, u, w)) ||
                          (InWedge(u, v, xv) && InWedge(w, v, xv));
      if (!across) continue;
      if (inTheWay(pa) || inTheWay(pb)) return true;
    }
  }
  return false;
}

}  // namespace qm
