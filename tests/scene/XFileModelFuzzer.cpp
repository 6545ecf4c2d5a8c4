// libFuzzer target for the model loader: an X file of arbitrary bytes is loaded into an
// XFileModel on a recording device as the scene loads its models (frames, meshes with their
// materials, textures and skins, animation sets and keys), then every animation set is
// played, the model drawn, its device objects released and drawn again. A file may fail to
// load; nothing may crash, hang or touch memory it does not own.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "RarPacker.h"
#include "scene/XFileModel.h"
#include "support/RecordingDevice.h"

namespace {

// A 2 x 2 24-bit bitmap: the textures the seeds name are found in the fuzzer's archive.
std::vector<std::uint8_t> TinyBitmap() {
  std::vector<std::uint8_t> bmp = {'B', 'M', 70, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0,
                                   2,   0,   0,  0, 2, 0, 0, 0, 1, 0, 24, 0};
  bmp.resize(54, 0);
  for (int i = 0; i < 16; ++i) bmp.push_back(static_cast<std::uint8_t>(i * 15));
  return bmp;
}

struct Harness {
  qm::RecordingDirect3D8* direct3D = nullptr;
  qm::RecordingDevice8* device = nullptr;
  std::vector<std::uint8_t> archiveBytes;
  qm::MediaArchive archive{};

  Harness() {
    device = qm::testing::CreateRecordingDevice(direct3D, {}, qm::testing::TestBackBuffer(64, 64));
    if (device == nullptr) std::abort();
    const std::vector<std::uint8_t> bmp = TinyBitmap();
    const std::vector<qm::PackEntry> entries = {
        {"bark.bmp", bmp, false}, {"leaf.tga", bmp, false}, {"test.png", bmp, false}};
    std::string error;
    if (!qm::PackArchive(entries, qm::PackOptions{}, archiveBytes, error)) std::abort();
    archive = qm::MediaArchive{archiveBytes.data(), static_cast<std::uint32_t>(archiveBytes.size()), 0};
  }
};

void Play(qm::XFileModel& model) {
  for (int set = -1; set < model.SetCount(); ++set) {
    // A set's own length as the scene plays it, then a negative one: each key array then
    // loops on its own last key.
    for (float length : {model.SetLength(set), -1.0f}) {
      model.SetAnimState({set, 2, 0.0f, length});
      for (int step = 0; step < 4; ++step) {
        model.Advance(0.37f);
        model.Render();
      }
    }
    if (model.SetName(set) != nullptr && model.FindSet(model.SetName(set)) < 0) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Harness harness;
  {
    qm::XFileModel model("fuzz.x");
    model.UseArchive(harness.archive, nullptr);
    if (SUCCEEDED(model.LoadFromMemory(harness.device, data, static_cast<DWORD>(size)))) {
      Play(model);
      for (qm::XFileFrame* frame = model.FirstFrame(); frame; frame = frame->pNextSibling) {
        if (!frame->name.empty() && model.FindFrame(frame->name.c_str()) == nullptr) std::abort();
      }
      // Another skinning method, and the device objects made again after a release.
      model.SetSkinningMethod(1);
      model.Render();
      model.ReleaseDeviceObjects();
      model.Render();
      (void)model.Radius();
    }
    model.DeleteAll();
  }
  harness.direct3D->Log()->Clear();
  return 0;
}
