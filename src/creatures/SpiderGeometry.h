// SpiderGeometry: the measurements the spider takes on its web before it lays a thread.
//
// Places at a parameter of a thread (0 at its first node, 1 at its last, by length), the
// wedge between two directions, the search for where a new radius from the hub meets a
// thread, and the test whether a bridge between two radii would run across the frame.
// Spider and its planners call these; they read the web and never change it, so the tests
// call them on small hand-made webs.
#pragma once

#include <vector>

#include "creatures/Cobweb.h"
#include "creatures/CreatureMath.h"
#include "d3dx/D3DXMath.h"

namespace qm {

// A place on a thread: the link that holds it and where on that link it lies.
struct ThreadPlace {
  bool bValid = false;
  int iLink = -1;       // index into the web's Links
  float fLinkT = 0.0f;  // 0 at the link's node A, 1 at its node B
  D3DXVECTOR3 vPoint{0, 0, 0};
};

// The result of a crossing search: the thread (index in its list, -1 for none), the
// parameter on it and the point there.
struct Crossing {
  int iThread = -1;
  float fT = 0.0f;
  D3DXVECTOR3 vPoint{0, 0, 0};
};

// Current length of a link (its nodes must lie inside the web's lists).
float LinkLength(const Cobweb& web, int link);
// Summed length of the thread's links (current node positions).
float ThreadLength(const Cobweb& web, const WebThread& thread);
// The place at parameter t of the thread: t times its length, walked link by link from the
// first. Not valid when the thread has no link or refers outside the web's lists.
ThreadPlace PlaceOnThread(const Cobweb& web, const WebThread& thread, float t);

// Whether direction v lies in the wedge that a and b span (always, when they are opposite).
bool InWedge(const D3DXVECTOR3& v, const D3DXVECTOR3& a, const D3DXVECTOR3& b);

// Where the direction `wanted` from the hub meets the thread, inside the gap between the
// directions a and b (or outside it, when `wanted` points outside). iThread is 0 on a hit.
Crossing FindCrossing(const Cobweb& web, const WebThread& thread, const D3DXVECTOR3& hub,
                      const D3DXVECTOR3& wanted, const D3DXVECTOR3& a, const D3DXVECTOR3& b);
// The same over several threads (indices into `threads`); the hit nearest in angle to
// `wanted` wins and iThread is its index in `threads`.
Crossing FindCrossingOnList(const Cobweb& web, const std::vector<WebThread>& threads,
                            const std::vector<int>& candidates, const D3DXVECTOR3& hub,
                            const D3DXVECTOR3& wanted, const D3DXVECTOR3& a,
                            const D3DXVECTOR3& b);

// Whether a thread from parameter a of thread x to parameter b of thread y would run across
// a thread of `threads` (closer than `clearance` to where it ends). Yes when an end point
// cannot be found.
bool BridgeCrosses(const Cobweb& web, const WebThread& x, float a, const WebThread& y, float b,
                   const std::vector<WebThread>& threads, float clearance);

}  // namespace qm
