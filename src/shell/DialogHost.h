// DialogHost: what shows a dialog template on screen and runs it modally.
//
// The settings dialog and the About box know only this interface: the GTK view implements
// it on a display, tests implement it with a script of user actions. A host builds the
// model from the template with its own font's base units, sends WM_INITDIALOG, reports
// the user's actions through UserClick / UserSelect / UserScroll, and returns when the
// procedure calls EndDialog.
#pragma once

#include <string>

#include "shell/DialogModel.h"
#include "shell/DialogTemplates.h"

namespace qm {

class DialogHost {
 public:
  virtual ~DialogHost() = default;
  // Shows the template modally over `owner` (0 for none) and returns the EndDialog result,
  // or -1 when the dialog could not be shown.
  virtual int RunModal(const DialogTemplate& dialog, const DialogProcedure& procedure,
                       HWND owner) = 0;
  // Opens a web address with the desktop's handler; false when nothing could open it.
  virtual bool OpenUrl(HWND owner, const std::string& url) = 0;
};

}  // namespace qm
