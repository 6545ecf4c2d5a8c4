// The spider's thread laying: planning a thread, fastening it where the spider stands,
// pulling it out on the way and fastening it at its target.
#include <algorithm>

#include "creatures/Spider.h"
#include "creatures/SpiderGeometry.h"
#include "shell/Random.h"

namespace qm {

namespace {

// The thread being laid: weight of its nodes (lighter for the spiral), spring and damping.
constexpr float kNewThreadWeight = 0.2f;
constexpr float kNewSpiralWeight = 0.05f;
constexpr float kNewThreadStiffness = 80.0f;
constexpr float kNewThreadDamping = 2.1f;
// The spider carries the end of a new thread this far above its back (in sizes).
constexpr float kCarryHeight = 1.0f / 3.0f;

}  // namespace

// ---------------------------------------------------------------------------------------------
// Laying threads
// ---------------------------------------------------------------------------------------------

std::vector<WebThread>& Spider::List(WebList list) {
  switch (list) {
    case WebList::Threads0: return m_pWeb.Threads0;
    case WebList::Frame: return m_pWeb.FrameThreads;
    case WebList::Radii: return m_pWeb.Radii;
    case WebList::Spiral: break;
  }
  return m_pWeb.Spiral;
}

WebThread* Spider::Thread(const ThreadRef& ref) {
  std::vector<WebThread>& list = List(ref.list);
  return ref.index >= 0 && ref.index < int(list.size()) ? &list[size_t(ref.index)] : nullptr;
}

bool Spider::Reachable(const ThreadRef& from, float fromT, const ThreadRef& to, float toT) {
  const WebThread* start = Thread(from);
  const WebThread* target = Thread(to);
  const int link = CurrentLink();
  if (!start || !target || link < 0) return false;
  const ThreadPlace a = PlaceOnThread(m_pWeb, *start, fromT);
  const ThreadPlace b = PlaceOnThread(m_pWeb, *target, toT);
  if (!a.bValid || !b.bValid) return false;
  WebRoute route;
  return FindRoute(m_pWeb, link, m_pWeb.Sliders[size_t(m_iSlider)].fT, a.iLink, a.fLinkT,
                   m_NewThread.Links, &route) &&
         FindRoute(m_pWeb, a.iLink, a.fLinkT, b.iLink, b.fLinkT, m_NewThread.Links, &route);
}

bool Spider::Plan(const ThreadRef& fromThread, float fromT, const ThreadRef& toThread, float toT,
                  WebList list, int index, float restFactor) {
  if (!Reachable(fromThread, fromT, toThread, toT)) {
    PushWait(kRetryWait);
    return false;
  }
  m_pFromThread = fromThread;
  m_fFromT = fromT;
  m_pToThread = toThread;
  m_fToT = toT;
  m_pTargetList = list;
  m_iTargetIndex = index;
  m_fRestFactor = restFactor;
  PushState(SpiderAnchor);
  GoTo(fromThread, fromT);
  return true;
}

int Spider::Anchor() {
  WebThread* from = Thread(m_pFromThread);
  if (!from || !SliderValid()) return 2;
  const bool spiral = m_pTargetList == WebList::Spiral;
  const D3DXVECTOR3 carried = m_vPos + m_vUp * (m_fSize * kCarryHeight);
  m_pWeb.StartThread(m_NewThread, *from, m_fFromT, carried, 0,
                     spiral ? kNewSpiralWeight : kNewThreadWeight, kNewThreadStiffness,
                     kNewThreadDamping, false, m_fRestFactor);
  if (m_NewThread.Nodes.size() < 2 || m_NewThread.Links.empty()) {
    m_NewThread = WebThread{};
    return 2;
  }
  m_pWeb.Nodes[size_t(m_NewThread.Nodes.back())].bFixed = 1;
  PushState(SpiderAttach);
  if (!GoTo(m_pToThread, m_fToT)) {
    // The target cannot be reached after all: take the thread back and plan anew.
    DropNewThread();
    m_States.erase(std::find(m_States.begin(), m_States.end(), SpiderAttach));
  }
  return 2;
}

int Spider::Attach() {
  if (m_NewThread.Nodes.empty()) return 2;
  if (!AttachNewThread()) {
    DropNewThread();
    PushWait(kRetryWait);
    return 2;
  }
  const int index = m_iTargetIndex;
  if (m_pTargetList == WebList::Radii && m_pWeb.Radii.size() > 1) {
    PushTighten(float(RandomInt(8, 20)) / 10.0f);
    GoTo({WebList::Radii, index}, 0.0f);
  } else if (m_pTargetList == WebList::Frame) {
    PushTighten(float(RandomInt(8, 20)) / 10.0f);
    PushState(SpiderToFirstRadius);
    GoTo({WebList::Frame, index}, 0.5f);
  }
  return 2;
}

// Fastens the new thread at its target and files it in its list; false when the target has
// no place to fasten to (the thread is then still loose).
bool Spider::AttachNewThread() {
  WebThread* target = Thread(m_pToThread);
  if (!target || m_NewThread.Nodes.size() < 2 || m_NewThread.Links.empty()) return false;
  const int end = m_pWeb.SplitThread(*target, m_fToT);
  if (end < 0) return false;
  const int carried = m_NewThread.Nodes.back();
  WebLink& last = m_pWeb.Links[size_t(m_NewThread.Links.back())];
  if (last.iNodeB == carried)
    last.iNodeB = end;
  else if (last.iNodeA == carried)
    last.iNodeA = end;
  last.fRest = LinkLength(m_pWeb, m_NewThread.Links.back()) * m_fRestFactor;
  m_NewThread.Nodes.back() = end;
  m_pWeb.Nodes[size_t(carried)].bFixed = 1;  // left behind, joined to nothing

  std::vector<WebThread>& list = List(m_pTargetList);
  m_iTargetIndex = std::clamp(m_iTargetIndex, 0, int(list.size()));
  list.insert(list.begin() + m_iTargetIndex, m_NewThread);
  const int first = m_NewThread.Nodes.front();
  if (m_pTargetList == WebList::Radii) {
    auto at = [&](std::vector<std::int32_t>& marks) {
      return marks.begin() + std::min<std::ptrdiff_t>(m_iTargetIndex, std::ptrdiff_t(marks.size()));
    };
    m_pWeb.Marks0.insert(at(m_pWeb.Marks0), end);
    m_pWeb.Marks1.insert(at(m_pWeb.Marks1), end);
  }
  if (m_iMark0 >= 0 && m_iMark0 < int(m_pWeb.Marks0.size())) m_pWeb.Marks0[size_t(m_iMark0)] = first;
  if (m_iMark1 >= 0 && m_iMark1 < int(m_pWeb.Marks1.size())) m_pWeb.Marks1[size_t(m_iMark1)] = end;
  m_iMark0 = m_iMark1 = -1;
  m_NewThread = WebThread{};
  m_NewRibbon.vertexCount = m_NewRibbon.indexCount = 0;
  m_pWeb.RebuildNodeLinks();
  return true;
}

// Takes a thread that could not be fastened out of the web. Its links and carried node are
// the newest of the web unless something was added since; then they are only made slack.
void Spider::DropNewThread() {
  if (m_NewThread.Links.empty()) {
    m_NewThread = WebThread{};
    return;
  }
  const int links = int(m_NewThread.Links.size());
  const int carried = m_NewThread.Nodes.back();
  bool newest = m_NewThread.Links.back() == int(m_pWeb.Links.size()) - 1 &&
                m_NewThread.Links.front() == int(m_pWeb.Links.size()) - links &&
                carried == int(m_pWeb.Nodes.size()) - 1;
  if (newest) {
    m_pWeb.Links.resize(m_pWeb.Links.size() - size_t(links));
    m_pWeb.Nodes.pop_back();
  } else {
    for (int link : m_NewThread.Links) {
      m_pWeb.Links[size_t(link)].fStiffness = 0.0f;
      m_pWeb.Links[size_t(link)].fDamping = 0.0f;
      m_pWeb.Links[size_t(link)].iType = kLinkLeaf;
    }
  }
  m_NewThread = WebThread{};
  m_NewRibbon.vertexCount = m_NewRibbon.indexCount = 0;
  m_pWeb.RebuildNodeLinks();
}

// The end of a thread being laid rides above the spider's back; the thread lengthens as it
// is pulled out, so its last link rests at the length it has now.
void Spider::PullThread() {
  if (m_NewThread.Nodes.size() < 2 || m_NewThread.Links.empty()) return;
  const int carried = m_NewThread.Nodes.back();
  if (carried < 0 || carried >= int(m_pWeb.Nodes.size())) return;
  m_pWeb.Nodes[size_t(carried)].vPos = m_vPos + m_vUp * (m_fSize * kCarryHeight);
  const int last = m_NewThread.Links.back();
  if (last < 0 || last >= int(m_pWeb.Links.size())) return;
  m_pWeb.Links[size_t(last)].fRest = LinkLength(m_pWeb, last) * m_fRestFactor;
}

}  // namespace qm
