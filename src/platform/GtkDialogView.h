// GtkDialogView: the dialogs on screen, with GTK 3.
//
// CreateGtkDialogHost gives the DialogHost that SaverApp runs the settings dialog and the
// About box with. It lays each template out at its pixel positions in the dialog font,
// shows the model's state in GTK widgets, turns clicks, typing, list choices and slider
// moves into the dialog messages, draws owner-drawn buttons through WM_DRAWITEM, takes
// Esc and the close box as Cancel, and opens web addresses with the desktop's handler.
// This file and its .cpp are the only ones that see GTK.
#pragma once

#include <memory>

#include "shell/DialogHost.h"

namespace qm {

// The GTK host, or null when no display can be opened (or GTK is not part of this build).
std::unique_ptr<DialogHost> CreateGtkDialogHost();

}  // namespace qm
