#include "creatures/WebRoute.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <queue>
#include <utility>

namespace qm {

namespace {

float LinkLength(const Cobweb& web, const WebLink& link) {
  const D3DXVECTOR3 d = web.Nodes[link.iNodeB].vPos - web.Nodes[link.iNodeA].vPos;
  return D3DXVec3Length(&d);
}

bool UsableLink(const Cobweb& web, int index) {
  if (index < 0 || index >= int(web.Links.size())) return false;
  const WebLink& link = web.Links[index];
  const int nodes = int(web.Nodes.size());
  return WalkableLinkType(link.iType) && link.iNodeA >= 0 && link.iNodeA < nodes &&
         link.iNodeB >= 0 && link.iNodeB < nodes;
}

}  // namespace

bool WalkableLinkType(int type) {
  return type == kLinkPulled || type == kLinkThread || type == kLinkFrame;
}

bool FindRoute(const Cobweb& web, int fromLink, float fromT, int goalLink, float goalT,
               const std::vector<int>& closed, WebRoute* route) {
  *route = WebRoute{};
  const int linkCount = int(web.Links.size());
  if (fromLink < 0 || fromLink >= linkCount || goalLink < 0 || goalLink >= linkCount)
    return false;
  const WebLink& start = web.Links[fromLink];
  const WebLink& goal = web.Links[goalLink];
  const int nodeCount = int(web.Nodes.size());
  for (int node : {start.iNodeA, start.iNodeB, goal.iNodeA, goal.iNodeB})
    if (node < 0 || node >= nodeCount) return false;
  fromT = std::clamp(fromT, 0.0f, 1.0f);
  goalT = std::clamp(goalT, 0.0f, 1.0f);

  if (fromLink == goalLink) {
    route->legs = {goalLink};
    route->fGoalT = goalT;
    route->fLength = std::fabs(goalT - fromT) * LinkLength(web, goal);
    return true;
  }

  std::vector<bool> blocked(size_t(linkCount), false);
  for (int link : closed)
    if (link >= 0 && link < linkCount) blocked[size_t(link)] = true;

  // Shortest distances over the nodes, starting from both ends of the spider's link.
  constexpr float kUnreached = std::numeric_limits<float>::infinity();
  std::vector<float> distance(size_t(nodeCount), kUnreached);
  std::vector<int> viaLink(size_t(nodeCount), -1);
  using Entry = std::pair<float, int>;
  std::priority_queue<Entry, std::vector<Entry>, std::greater<Entry>> open;
  const float startLength = LinkLength(web, start);
  auto reach = [&](int node, float d, int link) {
    if (d < distance[size_t(node)]) {
      distance[size_t(node)] = d;
      viaLink[size_t(node)] = link;
      open.push({d, node});
    }
  };
  reach(start.iNodeA, fromT * startLength, fromLink);
  reach(start.iNodeB, (1.0f - fromT) * startLength, fromLink);
  while (!open.empty()) {
    const auto [d, node] = open.top();
    open.pop();
    if (d > distance[size_t(node)]) continue;
    for (int link : web.Nodes[size_t(node)].Links) {
      if (link == fromLink || !UsableLink(web, link) || blocked[size_t(link)]) continue;
      const WebLink& l = web.Links[size_t(link)];
      reach(OtherEnd(l, node), d + LinkLength(web, l), link);
    }
  }

  // The goal is entered from whichever of its ends gives the shorter total.
  const float goalLength = LinkLength(web, goal);
  const float viaA = distance[size_t(goal.iNodeA)] + goalT * goalLength;
  const float viaB = distance[size_t(goal.iNodeB)] + (1.0f - goalT) * goalLength;
  if (!(std::min(viaA, viaB) < kUnreached)) return false;
  int node = viaA <= viaB ? goal.iNodeA : goal.iNodeB;
  route->fLength = std::min(viaA, viaB);

  // Walk back to the spider's link, collecting legs and the nodes where they end.
  std::vector<int> legs{goalLink}, exits;
  while (true) {
    const int link = viaLink[size_t(node)];
    legs.push_back(link);
    exits.push_back(node);
    if (link == fromLink) break;
    node = OtherEnd(web.Links[size_t(link)], node);
    if (legs.size() > size_t(linkCount) + 1) return false;  // never loops on a sound web
  }
  std::reverse(legs.begin(), legs.end());
  std::reverse(exits.begin(), exits.end());
  route->legs = std::move(legs);
  route->exits = std::move(exits);
  route->fGoalT = goalT;
  return true;
}

}  // namespace qm
