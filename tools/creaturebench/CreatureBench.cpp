// qm-creature-bench: the update cost of the creature groups per frame.
//
// Loads the generated glade on the recording device (no display needed), lets the animals
// come out for a simulated warm-up, then moves the scene frame by frame at 25 frames per
// second of simulated time and measures, per group, the wall-clock time of its FrameMove
// (every animal's step, avoidance, spawning) over the following simulated minutes. Drawing is
// not measured: on the recording device it costs only logging.
// Usage: qm-creature-bench [simulated minutes, default 10] [seed, default 3]
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "creatures/CreatureGroup.h"
#include "scene/ForestScene.h"
#include "shell/Random.h"
#include "support/RecordingDevice.h"

namespace {

constexpr float kStep = 0.04f;
constexpr int kWarmUpFrames = 25 * 120;
const char* const kKinds[] = {"ants", "bugs", "ladybirds"};

}  // namespace

int main(int argc, char** argv) {
  const int minutes = argc > 1 ? std::atoi(argv[1]) : 10;
  const std::uint32_t seed = argc > 2 ? static_cast<std::uint32_t>(std::atoi(argv[2])) : 3;
  qm::RecordingDirect3D8* direct3D = nullptr;
  D3DPRESENT_PARAMETERS parameters = qm::testing::TestBackBuffer(320, 240);
  parameters.Windowed = TRUE;
  parameters.EnableAutoDepthStencil = TRUE;
  parameters.AutoDepthStencilFormat = D3DFMT_D16;
  IDirect3DDevice8* device = qm::testing::CreateRecordingDevice(direct3D, {}, parameters);
  if (device == nullptr) {
    std::fprintf(stderr, "qm-creature-bench: no recording device\n");
    return 1;
  }

  qm::SeedRandom(seed);
  int status = 0;
  {
    qm::ForestScene scene;
    scene.SetBackgroundName("background_03.jpg");
    if (FAILED(scene.InitDeviceObjects(device))) {
      std::fprintf(stderr, "qm-creature-bench: the glade did not load\n");
      status = 1;
    } else {
      const std::vector<qm::CreatureGroup*>& groups = scene.CreatureGroups();
      auto frame = [&](double* seconds, long* animals) {
        scene.FrameMove(0.0f, 1);  // the rest of the scene, not timed
        for (size_t g = 0; g < groups.size(); ++g) {
          const auto start = std::chrono::steady_clock::now();
          groups[g]->FrameMove(kStep);
          const auto end = std::chrono::steady_clock::now();
          if (seconds) seconds[g] += std::chrono::duration<double>(end - start).count();
          if (animals) animals[g] += static_cast<long>(groups[g]->Creatures().size());
          groups[g]->Render();  // plays the animations on, as every frame does
        }
        direct3D->Log()->Clear();
      };
      for (int i = 0; i < kWarmUpFrames; ++i) frame(nullptr, nullptr);
      const int frames = minutes * 60 * 25;
      double seconds[3] = {};
      long animals[3] = {};
      for (int i = 0; i < frames; ++i) frame(seconds, animals);
      double total = 0;
      std::printf("creature update over %d frames (%d simulated minutes, seed %u)\n", frames,
                  minutes, seed);
      for (size_t g = 0; g < groups.size(); ++g) {
        total += seconds[g];
        std::printf("  %-10s %8.3f us/frame, %.2f animals on average\n", kKinds[g],
                    seconds[g] / frames * 1e6, static_cast<double>(animals[g]) / frames);
      }
      std::printf("  %-10s %8.3f us/frame\n", "all groups", total / frames * 1e6);
    }
  }
  direct3D->Release();
  return status;
}
