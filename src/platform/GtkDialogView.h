// GtkDialogView: the dialogs on screen, with GTK 3.
//
// CreateGtkDialogHost gives the DialogHost that SaverApp runs the settings dialog and the
// About box with. The host lays each template out at its pixel positions in the dialog font,
// shows the model's state in GTK widgets, turns clicks, typing, list choices and slider
// moves into the dialog messages, draws owner-drawn buttons through WM_DRAWITEM, takes
// Esc and the close box as Cancel, and opens web addresses with the desktop's handler.
//
// GTK and the libraries under it take megabytes and only the dialogs need them, so the
// host lives in a module of its own (kGtkDialogModuleFile), which the program opens the
// first time a dialog is asked for: a running saver or preview never maps GTK. The module
// calls back into the program for the dialog model; the program exports those symbols.
// GtkDialogView.cpp, the module, is the only file that sees GTK; GtkDialogModule.cpp
// opens it.
#pragma once

#include <memory>
#include <string>

#include "shell/DialogHost.h"

namespace qm {

inline constexpr const char* kGtkDialogModuleFile = "quillmoor-gtk-dialog.so";
inline constexpr const char* kGtkDialogModuleEntry = "QmCreateGtkDialogHost";

// The GTK host; or null, with the reason in whyNot, when the module cannot be opened, when
// no display can be opened, or when GTK is not part of this build.
std::unique_ptr<DialogHost> CreateGtkDialogHost(std::string& whyNot);

}  // namespace qm

// The module's entry point: a new host that the caller owns, or null without a display.
extern "C" qm::DialogHost* QmCreateGtkDialogHost();
