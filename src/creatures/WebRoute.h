// WebRoute: the way the spider walks over its web from where it sits to a place on a link.
//
// The spider rides a link at a fraction; the route leaves it by either end and follows the
// web's threads and frame to the goal link, and the shorter of the two ways (by summed
// link length) is taken. Leaf and strand links are not walked, nor the links of a thread
// still being laid. Spider::GoTo asks for a route; Spider's crawl walks it leg by leg.
#pragma once

#include <vector>

#include "creatures/Cobweb.h"

namespace qm {

// The legs of a route: leg k runs along link legs[k] and ends at node exits[k]; the last
// leg ends at fGoalT on its link instead (exits holds one entry fewer than legs).
struct WebRoute {
  std::vector<int> legs;
  std::vector<int> exits;
  float fGoalT = 0.0f;
  float fLength = 0.0f;  // summed length along the route
};

// Whether the spider may walk on a link of this type (thread, pulled thread, frame).
bool WalkableLinkType(int type);

// A route from fraction fromT of link `fromLink` to fraction goalT of link `goalLink`,
// avoiding the links listed in `closed`. False when the goal cannot be reached.
bool FindRoute(const Cobweb& web, int fromLink, float fromT, int goalLink, float goalT,
               const std::vector<int>& closed, WebRoute* route);

}  // namespace qm
