// DialogTemplates: the layouts of the settings dialog (2003) and the About box (235).
//
// Each template lists its controls in dialog units with their kind and style, and as text
// the key of the label that replaces it at run time (the templates carry no real texts). BuildDialog turns a template into a
// DialogModel in pixels, given the dialog font's base units (the average character width
// and the character height in pixels), the way Windows lays out a dialog: x = du * bx / 4,
// y = du * by / 8. The view measures the font; tests pass fixed units.
#pragma once

#include <memory>
#include <span>

#include "shell/DialogModel.h"

namespace qm {

inline constexpr int kConfigDialogTemplate = 2003;
inline constexpr int kAboutDialogTemplate = 235;

// One control of a template, in dialog units.
struct TemplateControl {
  int id;
  ControlKind kind;
  int x, y, width, height;
  const char* label;      // label key of the text, "" for controls without text
  bool groupStart = false;
  bool defaultButton = false;
  bool centred = false;
  int pictureResource = 0;
};

// A whole template: size in dialog units, caption and controls in tab order.
struct DialogTemplate {
  int id;
  int width, height;
  const char* caption;    // label key of the caption
  const char* font;       // face and point size the units are measured with
  int pointSize;
  std::span<const TemplateControl> controls;
};

// The dialog font's base units in pixels.
struct DialogBaseUnits {
  int x = 6;   // average character width
  int y = 13;  // character height
};

const DialogTemplate& ConfigDialogTemplate();
const DialogTemplate& AboutDialogTemplate();

// The model of a template in pixels; every control visible and enabled.
std::unique_ptr<DialogModel> BuildDialog(const DialogTemplate& dialog, DialogBaseUnits units);
// One rectangle converted from dialog units.
RECT DialogUnitsToPixels(int x, int y, int width, int height, DialogBaseUnits units);

}  // namespace qm
