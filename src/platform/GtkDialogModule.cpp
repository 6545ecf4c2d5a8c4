// Opening the GTK dialog module, the first time a dialog is asked for.
#include <dlfcn.h>

#include <filesystem>
#include <system_error>
#include <vector>

#include "platform/GtkDialogView.h"
#include "shell/DialogTemplates.h"
#include "shell/ResourcePicture.h"

namespace qm {

namespace {

// The module calls into the program for these and for others defined beside them. Naming
// one per source file links that file in even where the program itself never calls it;
// the program exports them (see the dynamic list in src/app), and a test checks that
// nothing the module needs is missing.
[[gnu::used]] constexpr auto kBuildDialog = &BuildDialog;
[[gnu::used]] constexpr auto kDialogUnitsToPixels = &DialogUnitsToPixels;
[[gnu::used]] constexpr ControlState* (DialogModel::*kFindControl)(int) = &DialogModel::Find;
[[gnu::used]] constexpr auto kDrawPicture = &ResourcePicture::Draw;

}  // namespace

#ifdef QM_DIALOG_MODULE_FROM_PROGRAM

namespace {

// Where the module may be, in the order tried: beside the program (the build folder), then
// where installing puts it. Never a path relative to the working folder, which could load
// whatever module lies there; so nothing when the program's own path is unknown.
std::vector<std::filesystem::path> ModuleCandidates() {
  std::error_code error;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error || !program.is_absolute()) return {};
  const std::filesystem::path folder = program.parent_path();
  return {folder / kGtkDialogModuleFile,
          (folder / QM_DIALOG_MODULE_FROM_PROGRAM / kGtkDialogModuleFile).lexically_normal()};
}

}  // namespace

std::unique_ptr<DialogHost> CreateGtkDialogHost(std::string& whyNot) {
  // Opened once and never closed: the host's code and GTK's state live in it.
  static void* module = nullptr;
  const std::string theModule = std::string("the settings dialog's module ") + kGtkDialogModuleFile;
  if (!module) {
    std::string reasons;
    for (const auto& path : ModuleCandidates()) {
      std::error_code error;
      if (!std::filesystem::is_regular_file(path, error)) continue;
      module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
      if (module) break;
      reasons += std::string(": ") + dlerror();
    }
    if (!module) {
      whyNot = theModule + " cannot be opened" +
               (reasons.empty() ? ": it is not installed" : reasons);
      return nullptr;
    }
  }
  using Entry = DialogHost* (*)();
  const auto entry = reinterpret_cast<Entry>(dlsym(module, kGtkDialogModuleEntry));
  if (!entry) {
    whyNot = theModule + " has no entry point " + kGtkDialogModuleEntry;
    return nullptr;
  }
  std::unique_ptr<DialogHost> host(entry());
  if (!host) {
    whyNot = "the settings dialog needs a display, and none could be opened (is DISPLAY set?)";
  }
  return host;
}

#else  // without GTK

std::unique_ptr<DialogHost> CreateGtkDialogHost(std::string& whyNot) {
  whyNot = "this build has no settings dialog: GTK 3 was missing when it was built";
  return nullptr;
}

#endif

}  // namespace qm
