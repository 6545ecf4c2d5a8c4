// Running the settings dialog without a display: a scripted host, and a fixture with a
// recorded Direct3D catalogue and a settings file of its own.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "d3d/RecordingDirect3D8.h"
#include "platform/RegistryFile.h"
#include "shell/ConfigDialog.h"
#include "shell/LabelTable.h"
#include "shell/SaverApp.h"
#include "support/SettingsFile.h"

namespace qm::testing {

// Plays the user: the settings dialog gets the script, the About box is closed with Esc
// after its texts are kept, and every address asked for is recorded.
class ScriptedDialogHost : public DialogHost {
 public:
  using Script = std::function<void(DialogModel&, const DialogProcedure&)>;
  Script script;
  std::vector<std::string> openedUrls;
  std::vector<std::string> aboutTexts;  // caption, then every control's text
  int aboutResult = 0;

  int RunModal(const DialogTemplate& dialog, const DialogProcedure& procedure,
               HWND) override {
    auto model = BuildDialog(dialog, DialogBaseUnits{});
    procedure(*model, WM_INITDIALOG, 0, 0);
    if (dialog.id == kAboutDialogTemplate) {
      aboutTexts.push_back(model->Caption());
      for (const ControlState& c : model->Controls()) aboutTexts.push_back(c.text);
      procedure(*model, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
      aboutResult = model->Result();
    } else if (script) {
      script(*model, procedure);
    }
    return model->Ended() ? model->Result() : -1;
  }
  bool OpenUrl(HWND, const std::string& url) override {
    openedUrls.push_back(url);
    return true;
  }
};

// A catalogue with 640 x 480, 800 x 600 and 1024 x 768 at 32 bits, and 2 and 4 samples.
class DialogFixture : public ::testing::Test {
 protected:
  std::filesystem::path dir = std::filesystem::temp_directory_path() /
                              ("qm-dialog-" + std::to_string(::getpid()));
  std::filesystem::path file = dir / "settings.reg";
  RegistryFile registry{file};
  RecordingDirect3D8* d3d = nullptr;
  ScriptedDialogHost host;

  static ScriptedAdapter StandardAdapter() {
    ScriptedAdapter adapter;
    adapter.modes = {{640, 480, 60, D3DFMT_X8R8G8B8},
                     {800, 600, 60, D3DFMT_X8R8G8B8},
                     {1024, 768, 60, D3DFMT_X8R8G8B8}};
    adapter.multiSampleTypes = {D3DMULTISAMPLE_2_SAMPLES, D3DMULTISAMPLE_4_SAMPLES};
    return adapter;
  }
  void SetUp() override {
    std::filesystem::create_directories(dir);
    LoadLabelsFor("");  // the English table, whatever the machine's locale
    UseAdapter(StandardAdapter());
  }
  void TearDown() override {
    UseRecordingDirect3D(nullptr);
    if (d3d) d3d->Release();
    std::filesystem::remove_all(dir);
  }
  void UseAdapter(const ScriptedAdapter& adapter) {
    UseRecordingDirect3D(nullptr);
    if (d3d) d3d->Release();
    Direct3DScript script;
    script.adapters.push_back(adapter);
    d3d = new RecordingDirect3D8(script);
    UseRecordingDirect3D(d3d);
  }
  void WriteFile(const std::string& text) {
    std::ofstream(file, std::ios::binary) << text;
    registry.Load();
  }
  std::string ReadFile() const { return FileBytes(file); }
  std::optional<std::uint32_t> Stored(const char* name) const { return StoredValue(file, name); }
  // Opens the settings dialog of `app` (as mode Config does), runs `script`, returns the
  // dialog's result.
  int RunDialog(SaverApp& app, ScriptedDialogHost::Script script) {
    app.SetServices(nullptr, &registry, LaunchOptions{});
    if (app.m_DeviceList.nAdapters == 0) app.m_DeviceList.CreateAndEnumerate();
    host.script = std::move(script);
    ConfigDialog dialog(app, host);
    return dialog.Run();
  }
};

inline std::string Line(const char* name, std::uint32_t value) {
  char text[96];
  std::snprintf(text, sizeof text, "\"%s\"=dword:%08x\r\n", name, value);
  return text;
}

inline std::string KeyHeader() {
  return std::string("[HKEY_CURRENT_USER\\") + kSettingsKey + "]\r\n";
}

}  // namespace qm::testing
