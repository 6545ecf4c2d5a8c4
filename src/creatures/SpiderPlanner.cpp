// The spider's planners: which radius or spiral thread it lays next.
//
// Radii: the first thread runs across the frame through the web's centre and is then split
// at the hub into two radii; after that each new radius halves the widest gap between two
// neighbours, meeting the frame (or a bridge laid across the gap) where the crossing search
// finds it. A gap too wide for the frame to give a radius first gets a bridge. When no gap
// takes a radius any more, the smallest allowed gap shrinks until it reaches its minimum.
// Spiral: threads from radius to radius, going round the hub outward in even steps, until
// the spiral reaches the end of the shortest radius.
#include <algorithm>
#include <cmath>
#include <numeric>

#include "creatures/Spider.h"
#include "creatures/SpiderGeometry.h"
#include "shell/Random.h"

namespace qm {

namespace {

constexpr float kPi = 3.14159265f;
constexpr float kFirstRadiusRest = 0.98f;
constexpr float kRadiusRest = 0.98f;
constexpr float kBridgeRest = 0.97f;
constexpr float kSpiralRest = 0.999f;
// A gap this close to a straight angle has no bisector to speak of.
constexpr float kStraightGapTolerance = 0.01f;
// A gap wider than this many radius steps gets a bridge (more when it has one already).
constexpr float kBridgeGapFactor = 1.6f;
constexpr float kSecondBridgeGapFactor = 1.9f;
// The smallest gap shrinks by this factor each time no gap takes a radius, and radius
// planning ends once the step no longer exceeds its minimum by this ratio.
constexpr float kRadiusStepShrink = 1.3f;
constexpr float kRadiusStepEndRatio = 1.1f;
// Where a bridge meets its radii when the outer ends would run across the frame.
constexpr float kBridgeFallbackParams[] = {1.0f, 0.9f, 0.8f, 0.7f, 0.6f, 0.5f};
// The spiral starts a sixth of the shortest radius out and takes six rounds to its end.
constexpr float kSpiralStartShare = 1.0f / 6.0f;
constexpr float kSpiralRounds = 6.0f;
constexpr float kFinishedWait = 2.0f;
constexpr int kMaxJitter = 100;
constexpr float kJitterScale = 1.0f / 1000.0f;

// Any direction lies in the wedge of two opposite directions: the crossing search then
// weighs every sample of the frame.
const D3DXVECTOR3 kAllRoundA(1, 0, 0), kAllRoundB(-1, 0, 0);

std::vector<int> AllIndices(size_t count) {
  std::vector<int> indices(count);
  std::iota(indices.begin(), indices.end(), 0);
  return indices;
}

}  // namespace

int Spider::PlanRadius() {
  if (m_pWeb.FrameThreads.empty() || CurrentLink() < 0) return 2;
  if (m_pWeb.Radii.empty()) return PlanFirstRadius();
  if (m_pWeb.Radii.size() == 1) {
    SplitFirstRadius();
    return 1;
  }

  const size_t n = m_pWeb.Radii.size();
  // The gap bookkeeping has one entry per gap; a web that lost it starts it afresh.
  if (m_pWeb.Marks2.size() != n) m_pWeb.Marks2.assign(n, -1);
  if (m_pWeb.Flags.size() != n) m_pWeb.Flags.assign(n, 0);

  std::vector<D3DXVECTOR3> directions(n);
  for (size_t i = 0; i < n; ++i) {
    const WebThread& radius = m_pWeb.Radii[i];
    if (radius.Nodes.size() < 2) return 2;
    directions[i] = m_pWeb.Nodes[size_t(radius.Nodes.back())].vPos -
                    m_pWeb.Nodes[size_t(radius.Nodes.front())].vPos;
  }
  // Gap i runs counter-clockwise (about the web's normal) from radius i to radius i + 1;
  // a gap whose neighbours look less than half a turn apart the other way round is wider
  // than half a turn.
  std::vector<float> sizes(n);
  for (size_t i = 0; i < n; ++i) {
    const D3DXVECTOR3& a = directions[i];
    const D3DXVECTOR3& b = directions[(i + 1) % n];
    D3DXVECTOR3 turn;
    D3DXVec3Cross(&turn, &a, &b);
    sizes[i] = AngleBetween(a, b);
    if (D3DXVec3Dot(&turn, &m_pWeb.vNormal) < 0.0f) sizes[i] = 2.0f * kPi - sizes[i];
  }
  std::vector<int> gaps = AllIndices(n);
  std::stable_sort(gaps.begin(), gaps.end(), [&](int x, int y) { return sizes[x] > sizes[y]; });

  if (PlanRadiusInGap(gaps, directions)) return 1;
  if (PlanBridge(gaps, sizes)) return 1;

  const float ratio = m_fRadiusStep / m_fRadiusStepMin;
  m_fRadiusStep = std::max(m_fRadiusStep / kRadiusStepShrink, m_fRadiusStepMin);
  return ratio > kRadiusStepEndRatio ? 1 : 2;
}

int Spider::PlanFirstRadius() {
  const D3DXVECTOR3 centre = m_pWeb.vCentre;
  const std::vector<int> frames = AllIndices(m_pWeb.FrameThreads.size());
  const Crossing top = FindCrossingOnList(m_pWeb, m_pWeb.FrameThreads, frames, centre,
                                          D3DXVECTOR3(0, 0, 1), kAllRoundA, kAllRoundB);
  if (top.iThread < 0) return 2;
  float jitter = float(RandomInt(0, kMaxJitter) - kMaxJitter / 2) * kJitterScale;
  if (top.fT + jitter < 0.0f || top.fT + jitter > 1.0f) jitter = -jitter;
  if (top.fT + jitter < 0.0f || top.fT + jitter > 1.0f) jitter = 0.0f;
  const float startT = top.fT + jitter;
  const ThreadPlace start = PlaceOnThread(m_pWeb, m_pWeb.FrameThreads[size_t(top.iThread)], startT);
  if (!start.bValid) return 2;
  const Crossing other = FindCrossingOnList(m_pWeb, m_pWeb.FrameThreads, frames, centre,
                                            centre - start.vPoint, kAllRoundA, kAllRoundB);
  if (other.iThread < 0) return 2;
  Plan({WebList::Frame, top.iThread}, startT, {WebList::Frame, other.iThread}, other.fT,
       WebList::Radii, 0, kFirstRadiusRest);
  return 1;
}

// The first thread across the web becomes two radii that meet at the hub, each running
// from the hub outward.
void Spider::SplitFirstRadius() {
  WebThread& across = m_pWeb.Radii[0];
  if (across.Nodes.size() < 2) return;
  const D3DXVECTOR3& first = m_pWeb.Nodes[size_t(across.Nodes.front())].vPos;
  const D3DXVECTOR3& last = m_pWeb.Nodes[size_t(across.Nodes.back())].vPos;
  const float length = ThreadLength(m_pWeb, across);
  const D3DXVECTOR3 along = SafeNormalize(last - first);
  const D3DXVECTOR3 toCentre = m_pWeb.vCentre - first;
  float f = length > 0.0f ? D3DXVec3Dot(&toCentre, &along) / length : 0.5f;
  if (f < 0.1f) f = 0.5f;
  // A hub at the far end would leave the second radius without a link.
  f = std::min(f, 0.9f);
  const int hub = m_pWeb.SplitThread(across, f);
  const auto at = std::find(across.Nodes.begin(), across.Nodes.end(), hub);
  const std::ptrdiff_t h = at - across.Nodes.begin();
  if (hub < 0 || at == across.Nodes.end() || h == 0 || h + 1 == std::ptrdiff_t(across.Nodes.size()))
    return;

  WebThread inner;
  inner.bFlag = across.bFlag;
  inner.Nodes.assign(across.Nodes.rbegin() + std::ptrdiff_t(across.Nodes.size()) - h - 1,
                     across.Nodes.rend());
  inner.Links.assign(across.Links.rbegin() + std::ptrdiff_t(across.Links.size()) - h,
                     across.Links.rend());
  across.Nodes.erase(across.Nodes.begin(), across.Nodes.begin() + h);
  across.Links.erase(across.Links.begin(), across.Links.begin() + h);
  const int outer = inner.Nodes.back();
  m_pWeb.Radii.push_back(std::move(inner));
  m_pWeb.Marks2.assign(2, -1);
  m_pWeb.Flags.assign(2, 0);
  m_pWeb.Marks0.push_back(outer);
  m_pWeb.Marks1.push_back(outer);
}

// Pass 1: a new radius through the middle of the widest gap that can take one.
bool Spider::PlanRadiusInGap(const std::vector<int>& gaps,
                             const std::vector<D3DXVECTOR3>& directions) {
  const size_t n = directions.size();
  const D3DXVECTOR3 hub = m_pWeb.Nodes[size_t(m_pWeb.Radii[0].Nodes.front())].vPos;
  const std::vector<int> frames = AllIndices(m_pWeb.FrameThreads.size());
  for (int i : gaps) {
    const D3DXVECTOR3& a = directions[size_t(i)];
    const D3DXVECTOR3& b = directions[(size_t(i) + 1) % n];
    const float size = AngleBetween(a, b);
    D3DXVECTOR3 turn;
    D3DXVec3Cross(&turn, &a, &b);
    const bool reflex = D3DXVec3Dot(&turn, &m_pWeb.vNormal) < 0.0f;
    if ((reflex ? 2.0f * kPi - size : size) < m_fRadiusStep) continue;

    D3DXVECTOR3 wanted;
    if (std::fabs(size - kPi) < kStraightGapTolerance) {
      wanted = RotateAbout(a, kPi / 2.0f, m_pWeb.vNormal);
    } else {
      wanted = SafeNormalize(a) + SafeNormalize(b);
      if (AngleBetween(turn, m_pWeb.vNormal) > kPi / 2.0f) wanted = -wanted;
    }
    const int bridge = m_pWeb.Marks2[size_t(i)];
    const bool bridged = bridge >= 0 && bridge < int(m_pWeb.FrameThreads.size());
    const Crossing hit = FindCrossingOnList(m_pWeb, m_pWeb.FrameThreads,
                                            bridged ? std::vector<int>{bridge} : frames, hub,
                                            wanted, a, b);
    if (hit.iThread < 0) continue;
    const D3DXVECTOR3 radius = hit.vPoint - hub;
    if (std::min(AngleBetween(radius, a), AngleBetween(radius, b)) <= m_fRadiusStep) continue;
    if (Plan({WebList::Radii, 0}, 0.0f, {WebList::Frame, hit.iThread}, hit.fT, WebList::Radii,
             i + 1, kRadiusRest)) {
      m_pWeb.Marks2.insert(m_pWeb.Marks2.begin() + i, bridged ? bridge : -1);
      m_pWeb.Flags.insert(m_pWeb.Flags.begin() + i, 0);
    }
    return true;
  }
  return false;
}

// Pass 2: a bridge across the widest gap that is too wide and has none yet from this pass.
bool Spider::PlanBridge(const std::vector<int>& gaps, const std::vector<float>& sizes) {
  const int n = int(m_pWeb.Radii.size());
  for (int i : gaps) {
    const int j = (i + 1) % n;
    const bool bridged = m_pWeb.Marks2[size_t(i)] != -1;
    const float need = m_fRadiusStep * (bridged ? kSecondBridgeGapFactor : kBridgeGapFactor);
    if (sizes[size_t(i)] < need || m_pWeb.Flags[size_t(i)] != 0) continue;
    for (float t : kBridgeFallbackParams) {
      if (BridgeCrosses(m_pWeb, m_pWeb.Radii[size_t(i)], t, m_pWeb.Radii[size_t(j)], t,
                        m_pWeb.FrameThreads, m_fSize))
        continue;
      const int index = int(m_pWeb.FrameThreads.size());
      if (Plan({WebList::Radii, i}, t, {WebList::Radii, j}, t, WebList::Frame, index,
               kBridgeRest)) {
        m_pWeb.Marks2[size_t(i)] = index;
        m_pWeb.Flags[size_t(i)] = 1;
      }
      return true;
    }
  }
  return false;
}

int Spider::PlanSpiral() {
  const int n = int(m_pWeb.Radii.size());
  if (n == 0) return 2;  // no radii to carry a spiral
  float shortest = ThreadLength(m_pWeb, m_pWeb.Radii[0]);
  for (const WebThread& radius : m_pWeb.Radii)
    shortest = std::min(shortest, ThreadLength(m_pWeb, radius));
  if (!(shortest > 0.0f)) return 2;

  const int count = int(m_pWeb.Spiral.size());
  const int from = count % n;
  const int to = (from + 1) % n;
  const float start = shortest * kSpiralStartShare;
  const float pitch = (shortest - start) / float(n) / kSpiralRounds;
  const float reach = pitch + start + pitch * float(count);
  if (shortest < reach) {
    PushWait(kFinishedWait);
    GoTo({WebList::Radii, 0}, 0.0f);
    return 2;
  }
  const float fromLength = ThreadLength(m_pWeb, m_pWeb.Radii[size_t(from)]);
  const float toLength = ThreadLength(m_pWeb, m_pWeb.Radii[size_t(to)]);
  const ThreadRef fromThread = count > 0 ? ThreadRef{WebList::Spiral, count - 1}
                                         : ThreadRef{WebList::Radii, from};
  const float fromT = count > 0 ? 1.0f : (start + pitch * float(count)) / fromLength;
  Plan(fromThread, fromT, {WebList::Radii, to}, reach / toLength, WebList::Spiral, count,
       kSpiralRest);
  return 1;
}

}  // namespace qm
