// Small hand-made webs for the spider's tests: a square frame in the x-z plane around the
// origin, facing +y, with the web's centre and normal set as a built frame would set them.
#pragma once

#include "creatures/Cobweb.h"

namespace qm::spidertest {

constexpr float kHalfSide = 50.0f;

// One frame thread around the square, starting at its lower left corner, counter-clockwise
// seen along +y; every link is an invisible frame link.
inline void AddSquareFrame(Cobweb& web, float half = kHalfSide) {
  WebThread frame;
  const D3DXVECTOR3 corners[5] = {{-half, 0, -half}, {half, 0, -half}, {half, 0, half},
                                  {-half, 0, half}, {-half, 0, -half}};
  web.AddThread(frame, corners[0], corners[1], 3, 1.0f, 50.0f, 1.2f, true, 1.0f);
  for (int c = 2; c < 5; ++c) web.ExtendThread(frame, corners[c], 3, 1.0f, 50.0f, 1.2f, true);
  for (int link : frame.Links) web.Links[size_t(link)].iType = kLinkFrame;
  web.FrameThreads.push_back(frame);
  web.RebuildNodeLinks();
  web.vCentre = D3DXVECTOR3(0, 0, 0);
  web.vNormal = D3DXVECTOR3(0, 1, 0);
  web.fThreadWidth = 0.3f;
}

// A straight thread of `segments` + 1 links, not joined to anything else.
inline WebThread LooseThread(Cobweb& web, const D3DXVECTOR3& from, const D3DXVECTOR3& to,
                             int segments = 2) {
  WebThread thread;
  web.AddThread(thread, from, to, segments, 1.0f, 50.0f, 1.2f, true, 1.0f);
  web.RebuildNodeLinks();
  return thread;
}

// Whether every index the links and the threads hold points into the web's lists.
inline bool IndicesInRange(const Cobweb& web) {
  const auto node = [&](int i) { return i >= 0 && i < int(web.Nodes.size()); };
  const auto link = [&](int i) { return i >= 0 && i < int(web.Links.size()); };
  for (const WebLink& l : web.Links)
    if (!node(l.iNodeA) || !node(l.iNodeB)) return false;
  for (const auto* list : {&web.Threads0, &web.FrameThreads, &web.Radii, &web.Spiral})
    for (const WebThread& thread : *list) {
      for (int i : thread.Nodes)
        if (!node(i)) return false;
      for (int i : thread.Links)
        if (!link(i)) return false;
    }
  return true;
}

}  // namespace qm::spidertest
