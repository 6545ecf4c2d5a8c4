#include "scene/WebBuildRun.h"

#include <cmath>
#include <ctime>
#include <utility>

#include "creatures/Cobweb.h"
#include "creatures/Spider.h"
#include "scene/ForestScene.h"

namespace qm {

namespace {

int ThreadsStanding(const Cobweb& web) {
  return int(web.FrameThreads.size() + web.Radii.size() + web.Spiral.size());
}

bool WebFinite(const Cobweb& web) {
  for (const WebNode& node : web.Nodes)
    if (!std::isfinite(node.vPos.x + node.vPos.y + node.vPos.z)) return false;
  return true;
}

}  // namespace

WebBuildResult RunWebBuild(ForestScene& scene, float step, float maxSeconds,
                           const std::vector<float>& shares,
                           const std::function<void(float)>& onFrame) {
  WebBuildResult result;
  Cobweb& web = scene.Web();
  Spider& spider = scene.WebSpider();
  const int before = ThreadsStanding(web);

  // Every count of threads the web passes through, with the web as it stood then; a share
  // of the finished web is known only at the end.
  std::vector<std::pair<int, std::vector<std::uint8_t>>> stages;
  int lastCount = -1;
  float time = 0.0f;
  double totalMs = 0.0;
  int frames = 0;
  while (time < maxSeconds) {
    const int planning = spider.State();
    // Processor time, not wall time: a busy machine does not inflate the figures.
    const std::clock_t begin = std::clock();
    scene.FrameMove(step, 1);
    const double ms = double(std::clock() - begin) * 1000.0 / CLOCKS_PER_SEC;
    totalMs += ms;
    ++frames;
    if ((planning == SpiderPlanRadius || planning == SpiderPlanSpiral) && ms > result.dWorstPlanMs) {
      result.dWorstPlanMs = ms;
      result.iWorstPlanState = planning;
    }
    time += step;
    if (onFrame) onFrame(time);
    if (spider.CurrentLink() < 0) result.bAlwaysOnWeb = false;
    const D3DXVECTOR3& at = spider.Position();
    if (!std::isfinite(at.x + at.y + at.z)) result.bFinite = false;
    const int count = ThreadsStanding(web);
    if (count != lastCount && spider.NewThread().Nodes.empty()) {
      lastCount = count;
      if (!shares.empty()) stages.emplace_back(count - before, scene.CobwebImage());
    }
    if (spider.WebFinished()) {
      result.bFinished = true;
      break;
    }
  }
  result.fSeconds = time;
  result.dMeanFrameMs = frames ? totalMs / frames : 0.0;
  result.iThreadsLaid = ThreadsStanding(web) - before;
  result.iRadii = int(web.Radii.size());
  result.iSpiral = int(web.Spiral.size());
  result.bFinite = result.bFinite && WebFinite(web);

  for (float share : shares) {
    std::vector<std::uint8_t> image;
    for (auto& [laid, bytes] : stages) {
      if (float(laid) >= share * float(result.iThreadsLaid)) {
        image = bytes;
        break;
      }
    }
    result.shares.push_back(std::move(image));
  }
  return result;
}

}  // namespace qm
