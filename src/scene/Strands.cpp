#include "scene/Strands.h"

#include "creatures/Cobweb.h"

namespace qm {

namespace {

constexpr float kStrandWeight = 1.0f;
constexpr float kStrandRest = 1.0f;
constexpr float kStrandStiffness = 5.0f;

}  // namespace

int AddStrandsToWeb(const std::vector<PathRecord>& strands, const D3DXMATRIX& webInverse,
                    Cobweb* web) {
  // The step's own nodes first, so that sharing looks only at strand points.
  std::vector<WebNode> nodes;
  std::vector<WebLink> links;
  for (const PathRecord& strand : strands) {
    int previous = -1;
    for (size_t p = 0; p < strand.points.size(); ++p) {
      D3DXVECTOR3 world, q;
      D3DXVec3TransformCoord(&world, &strand.points[p], strand.pMatrix);
      D3DXVec3TransformCoord(&q, &world, &webInverse);
      int node = -1;
      for (int n = 0; n < int(nodes.size()) && node < 0; ++n) {
        const D3DXVECTOR3 gap = nodes[n].vPos - q;
        if (D3DXVec3Length(&gap) < kStrandShareDistance) node = n;
      }
      if (node < 0) {
        WebNode made;
        made.vPos = q;
        made.fWeight = kStrandWeight;
        made.bFixed = 1;
        if (p < strand.ups.size()) made.vInward = strand.ups[p];
        nodes.push_back(std::move(made));
        node = int(nodes.size()) - 1;
      }
      if (previous >= 0)
        links.push_back(WebLink{previous, node, kStrandRest, kStrandStiffness, 0.0f, kLinkStrand});
      previous = node;
    }
  }
  const int base = int(web->Nodes.size());
  for (WebNode& node : nodes) web->Nodes.push_back(std::move(node));
  for (WebLink link : links) {
    link.iNodeA += base;
    link.iNodeB += base;
    web->Links.push_back(link);
  }
  web->RebuildNodeLinks();
  return int(nodes.size());
}

int BuildStrands(XFileModel& forest, const D3DXMATRIX& webInverse, Cobweb* web) {
  std::vector<PathRecord> strands;
  BuildPathList(forest, kStrandFormat, &strands);
  ComputePathUps(forest, kStrandTreeText, &strands);
  AddStrandsToWeb(strands, webInverse, web);
  return int(strands.size());
}

}  // namespace qm
