// qm-creature-bench: the update cost of the creature groups per frame.
//
// Loads the generated glade on the recording device (no display needed), lets the animals
// come out for a simulated warm-up, then moves the scene frame by frame at 25 frames per
// second of simulated time and measures, per group, the wall-clock time of its FrameMove
// (every animal's step, avoidance, spawning) over the following simulated minutes. Drawing is
// not measured: on the recording device it costs only logging.
// With --timeline SECONDS it instead steps the scene as a headless snapshot does (30 frames
// per second, seeded after the scene is made) and prints every animal each half second,
// which shows the --time at which to catch an animal in a snapshot.
// Usage: qm-creature-bench [simulated minutes, default 10] [seed, default 3]
//        qm-creature-bench --timeline SECONDS [seed, default 3]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "creatures/CreatureGroup.h"
#include "scene/ForestScene.h"
#include "shell/Random.h"
#include "support/RecordingDevice.h"

namespace {

constexpr float kStep = 0.04f;
constexpr float kSnapshotStep = 1.0f / 30.0f;
constexpr int kWarmUpFrames = 25 * 120;
const char* const kKinds[] = {"ants", "bugs", "ladybirds"};

// Every animal of every group, one line per animal.
void PrintAnimals(const std::vector<qm::CreatureGroup*>& groups, float time) {
  for (size_t g = 0; g < groups.size(); ++g) {
    for (const qm::Creature& c : groups[g]->Creatures()) {
      const D3DXMATRIX frame = groups[g]->PathMatrix(c);
      D3DXVECTOR3 world;
      D3DXVec3TransformCoord(&world, &c.m_vPos, &frame);
      std::printf("%7.2f %-10s %-5s path %2d param %.3f at (%.1f, %.1f, %.1f)\n", time, kKinds[g],
                  qm::CreatureStateName(c.State()), c.m_iPath, c.m_fParam, world.x, world.y,
                  world.z);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  const bool timeline = argc > 1 && std::strcmp(argv[1], "--timeline") == 0;
  if (timeline) ++argv, --argc;
  // Simulated minutes of the benchmark, or seconds of the timeline.
  const int length = argc > 1 ? std::atoi(argv[1]) : 10;
  const int minutes = length;
  const std::uint32_t seed = argc > 2 ? static_cast<std::uint32_t>(std::atoi(argv[2])) : 3;
  if (length <= 0 || argc > 3) {
    std::fprintf(stderr, "usage: qm-creature-bench [--timeline] [MINUTES|SECONDS] [SEED]\n");
    return 2;
  }
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

  int status = 0;
  {
    qm::ForestScene scene;
    qm::SeedRandom(seed);  // after the scene is made, as the saver does
    // The saver's default random background takes the first number.
    if (timeline) qm::RandomInt(1, 5);
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
      if (timeline) {
        const int frames = static_cast<int>(static_cast<float>(length) / kSnapshotStep);
        for (int i = 1; i <= frames; ++i) {
          scene.FrameMove(kSnapshotStep, 1);
          for (qm::CreatureGroup* group : groups) group->Render();
          direct3D->Log()->Clear();
          if (i % 15 == 0) PrintAnimals(groups, static_cast<float>(i) * kSnapshotStep);
        }
      } else {
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
  }
  direct3D->Release();
  return status;
}
