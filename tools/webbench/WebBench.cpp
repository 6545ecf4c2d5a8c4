// qm-web-bench: how long one step of a large web takes.
//
// Builds a round web of about 5 000 links (a pinned frame, radii from a hub, a spiral
// joining them, two riders) and times the simulation step and the ribbon rebuild apart,
// in microseconds of CPU time per step, over a number of steps of 1/30 s.
//
//   qm-web-bench [LINKS] [STEPS]     defaults: 5000 links, 3000 steps
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "creatures/Cobweb.h"

namespace {

constexpr float kPi = 3.14159265f;

// A web of the requested size in the xz plane: frame, radii, spiral rounds.
void BuildRoundWeb(qm::Cobweb& web, int wantedLinks) {
  const int radii = 32;
  const float outer = 100.0f;
  web.vNormal = {0, -1, 0};
  web.fThreadWidth = 0.5f;
  web.FrameThreads.emplace_back();
  qm::WebThread& frame = web.FrameThreads.back();
  web.AddThread(frame, {outer, 0, 0}, {outer * std::cos(2 * kPi / radii), 0, outer * std::sin(2 * kPi / radii)},
                0, 1.0f, 50.0f, 1.2f, true, 1.0f);
  for (int i = 2; i <= radii; ++i) {
    const float a = 2 * kPi * float(i) / radii;
    web.ExtendThread(frame, {outer * std::cos(a), 0, outer * std::sin(a)}, 0, 1.0f, 50.0f, 1.2f,
                     true);
  }
  for (int link : frame.Links) web.Links[link].iType = qm::kLinkFrame;
  const int segments = 12;
  for (int i = 0; i < radii; ++i) {
    web.Radii.emplace_back();
    const float a = 2 * kPi * float(i) / radii;
    web.AddThread(web.Radii.back(), {0, 0, 0}, {outer * std::cos(a), 0, outer * std::sin(a)},
                  segments - 1, 1.0f, 10.0f, 0.5f, false, 0.98f);
    web.Nodes[web.Radii.back().Nodes.back()].bFixed = 1;
  }
  // Spiral rounds from radius to radius until the web holds the wanted number of links.
  for (int round = 0; int(web.Links.size()) < wantedLinks; ++round) {
    const int ring = 1 + round % (segments - 1);
    web.Spiral.emplace_back();
    qm::WebThread& spiral = web.Spiral.back();
    spiral.Nodes.push_back(web.Radii[0].Nodes[ring]);
    for (int i = 1; i <= radii && int(web.Links.size()) < wantedLinks; ++i) {
      const int to = web.Radii[i % radii].Nodes[ring];
      const D3DXVECTOR3 gap = web.Nodes[to].vPos - web.Nodes[spiral.Nodes.back()].vPos;
      spiral.Links.push_back(web.AddLink(spiral.Nodes.back(), to, D3DXVec3Length(&gap) * 0.97f,
                                         8.0f, 0.4f, qm::kLinkThread));
      spiral.Nodes.push_back(to);
    }
  }
  web.RebuildNodeLinks();
  for (int r = 0; r < 2; ++r) web.AddSlider(web.AddNode({0, 0, 0}, 1.0f, false), web.Radii[r].Links[3], 0.5f);
}

}  // namespace

int main(int argc, char** argv) {
  const int links = argc > 1 ? std::atoi(argv[1]) : 5000;
  const int steps = argc > 2 ? std::atoi(argv[2]) : 3000;
  if (links < 100 || steps < 1) {
    std::fputs("usage: qm-web-bench [LINKS >= 100] [STEPS >= 1]\n", stderr);
    return 2;
  }
  qm::Cobweb web;
  BuildRoundWeb(web, links);
  // Thread CPU time: on a shared machine the wall clock also counts other processes' turns.
  const auto now = [] {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e6 + double(t.tv_nsec) / 1e3;
  };
  double simulation = 0.0, ribbons = 0.0;
  for (int i = 0; i < steps; ++i) {
    const double start = now();
    web.Step(1.0f / 30.0f);
    const double middle = now();
    web.BuildRibbons();
    ribbons += now() - middle;
    simulation += middle - start;
  }
  const auto micro = [steps](double total) { return total / steps; };
  std::printf("web: %zu nodes, %zu links, %zu sliders; %d steps of 1/30 s\n", web.Nodes.size(),
              web.Links.size(), web.Sliders.size(), steps);
  std::printf("step (wind, forces, integration): %.1f us CPU per step\n", micro(simulation));
  std::printf("ribbons: %.1f us CPU per step\n", micro(ribbons));
  std::printf("non-finite node values after the run: %d\n", web.NonFiniteValues());
  return web.NonFiniteValues() == 0 ? 0 : 1;
}
