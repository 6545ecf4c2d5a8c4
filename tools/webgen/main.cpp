// qm-webgen: makes the web start files "cobweb_quarter.dat" and "cobweb_half.dat".
//
//   qm-webgen FOLDER ENTRY...
//
// The saver's own scene is assembled from the generated media (the ENTRY files of FOLDER,
// packed into an archive in memory), the spider builds its web from scratch in simulated
// time with a fixed seed, and the web as it stood at a quarter and at half of the finished
// web's threads is written into FOLDER in the web file format. The build runs this before
// it packs the scene archive, so two builds give the same bytes.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "RarPacker.h"
#include "d3d/RecordingDevice8.h"
#include "d3d/RecordingDirect3D8.h"
#include "media/MediaArchive.h"
#include "scene/ForestScene.h"
#include "scene/WebBuildRun.h"
#include "shell/Random.h"

namespace qm {

// The generator runs before the saver's resources exist: its scene reads only the archive
// it is given, never the embedded one.
MediaArchive LoadMediaArchive(int /*resourceId*/) { return MediaArchive{}; }

}  // namespace qm

namespace {

constexpr std::uint32_t kSeed = 481;
constexpr float kStep = 1.0f / 20.0f;
// A web that is not finished within this much scene time means a broken build.
constexpr float kMaxSceneSeconds = 3.0f * 3600.0f;
constexpr char kBackground[] = "background_01.jpg";
const char* const kOutputs[] = {"cobweb_quarter.dat", "cobweb_half.dat"};

bool ReadFile(const std::string& path, std::vector<std::uint8_t>* bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

bool WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && written;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace qm;
  if (argc < 3) {
    std::fprintf(stderr, "usage: qm-webgen FOLDER ENTRY...\n");
    return 2;
  }
  const std::string folder = argv[1];
  std::vector<PackEntry> entries;
  for (int i = 2; i < argc; ++i) {
    PackEntry entry;
    entry.name = argv[i];
    if (!ReadFile(folder + "/" + entry.name, &entry.data)) {
      std::fprintf(stderr, "qm-webgen: cannot read %s/%s\n", folder.c_str(), argv[i]);
      return 1;
    }
    entries.push_back(std::move(entry));
  }
  PackOptions options;
  options.method = PackMethod::kStore;
  std::vector<std::uint8_t> archiveBytes;
  std::string error;
  if (!PackArchive(entries, options, archiveBytes, error)) {
    std::fprintf(stderr, "qm-webgen: %s\n", error.c_str());
    return 1;
  }
  MediaArchive archive;
  archive.pData = archiveBytes.data();
  archive.nSize = std::uint32_t(archiveBytes.size());

  RecordingDirect3D8* direct3D = new RecordingDirect3D8(Direct3DScript{{ScriptedAdapter{}}});
  D3DPRESENT_PARAMETERS parameters{};
  parameters.BackBufferWidth = 64;
  parameters.BackBufferHeight = 48;
  parameters.BackBufferFormat = D3DFMT_X8R8G8B8;
  IDirect3DDevice8* device = nullptr;
  if (FAILED(direct3D->CreateDevice(0, D3DDEVTYPE_HAL, 1, D3DCREATE_SOFTWARE_VERTEXPROCESSING,
                                    &parameters, &device))) {
    std::fprintf(stderr, "qm-webgen: no recording device\n");
    return 1;
  }

  int status = 0;
  {
    SeedRandom(kSeed);
    ForestScene scene;
    scene.UseArchive(archive, nullptr);
    scene.SetBackgroundName(kBackground);
    SeedRandom(kSeed);
    if (FAILED(scene.InitDeviceObjects(device))) {
      std::fprintf(stderr, "qm-webgen: the scene cannot be assembled\n");
      status = 1;
    } else {
      const WebBuildResult run = RunWebBuild(scene, kStep, kMaxSceneSeconds, {0.25f, 0.5f});
      std::printf("qm-webgen: web finished %s after %.0f s of scene time: %d radii, %d spiral "
                  "threads, %d threads laid\n",
                  run.bFinished ? "yes" : "no", double(run.fSeconds), run.iRadii, run.iSpiral,
                  run.iThreadsLaid);
      std::printf("qm-webgen: frame %.3f ms on average; dearest planning frame %.3f ms (state %d)\n",
                  run.dMeanFrameMs, run.dWorstPlanMs, run.iWorstPlanState);
      for (size_t i = 0; i < run.shares.size(); ++i) {
        const std::string path = folder + "/" + kOutputs[i];
        if (!run.bFinished || !run.bFinite || run.shares[i].empty() ||
            !WriteFile(path, run.shares[i])) {
          std::fprintf(stderr, "qm-webgen: cannot make %s\n", path.c_str());
          status = 1;
        }
      }
    }
    scene.DeleteDeviceObjects();
  }
  device->Release();
  direct3D->Release();
  return status;
}
