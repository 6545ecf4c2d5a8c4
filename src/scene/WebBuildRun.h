// WebBuildRun: the spider builds its web on a scene in simulated time, from the first
// thread to the resting spider, and the web is kept as it stood at chosen shares of the
// finished web.
//
// The build's start-file generator (tools/webgen) runs it on the saver's own forest to make
// "cobweb_quarter.dat" and "cobweb_half.dat"; tests run it to watch a whole web being built.
// The scene must have its device objects (the forest, the web's frame, the spider on it).
// Everything is driven by the process-wide random generator, so a fixed seed repeats a run
// to the byte.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace qm {

class ForestScene;

// What one run did.
struct WebBuildResult {
  bool bFinished = false;   // the spider rests on a finished web
  float fSeconds = 0.0f;    // scene time the web took (or the run lasted)
  int iThreadsLaid = 0;     // radii, bridges and spiral threads the spider laid
  int iRadii = 0;
  int iSpiral = 0;
  bool bAlwaysOnWeb = true;  // the spider never left the web
  bool bFinite = true;       // no web node and no spider position became NaN or infinite
  // Frame costs, for the benchmark: the dearest frame in which the spider planned a thread
  // (states 7 and 8), with that state, and the mean of all frames (milliseconds of processor
  // time).
  double dWorstPlanMs = 0.0;
  int iWorstPlanState = -1;
  double dMeanFrameMs = 0.0;
  // The web files (web, drops, leaf clusters) at the first moment when at least the asked
  // share of the finished web's threads stood, one per share.
  std::vector<std::vector<std::uint8_t>> shares;
};

// Runs the scene in steps of `step` seconds until the web is finished or `maxSeconds` have
// passed. `onFrame` (optional) is called after every frame with the scene time.
WebBuildResult RunWebBuild(ForestScene& scene, float step, float maxSeconds,
                           const std::vector<float>& shares,
                           const std::function<void(float)>& onFrame = {});

}  // namespace qm
