#include "shell/DialogTemplates.h"

namespace qm {

namespace {

using K = ControlKind;

// The settings dialog. Group boxes come before the controls they frame, so that a view
// that stacks widgets in this order draws the frames underneath.
constexpr TemplateControl kConfigControls[] = {
    {1124, K::GroupBox, 7, 4, 230, 44, "video_mode_selection"},
    {1011, K::ComboBox, 14, 17, 142, 74, ""},
    {1012, K::CheckBox, 14, 34, 161, 10, "use_desktop_settings"},
    {1125, K::GroupBox, 7, 51, 230, 40, "sound_control"},
    {1023, K::Label, 13, 64, 61, 8, "master_volume:"},
    {1020, K::Trackbar, 77, 62, 155, 13, ""},
    {1021, K::CheckBox, 14, 76, 88, 11, "enable_music"},
    {1022, K::CheckBox, 130, 77, 104, 9, "enable_sfx"},
    {1126, K::GroupBox, 7, 94, 202, 56, "graphics"},
    {1106, K::Label, 13, 107, 74, 8, "gamma_control:"},
    {1046, K::Trackbar, 90, 104, 109, 12, ""},
    {1130, K::Label, 13, 121, 100, 8, "fullscreen_antialiasing"},
    {1047, K::ComboBox, 117, 119, 86, 51, ""},
    {1131, K::Label, 13, 135, 102, 8, "start_the_cobweb"},
    {1123, K::ComboBox, 117, 133, 86, 60, ""},
    {1132, K::GroupBox, 216, 94, 153, 56, "misc_options"},
    {1044, K::CheckBox, 225, 108, 73, 10, "show_fps"},
    {1048, K::CheckBox, 225, 121, 80, 10, "rocking_camera"},
    {1045, K::CheckBox, 225, 134, 82, 10, "exit_on_mouse_move"},
    {1043, K::CheckBox, 305, 108, 58, 10, "show_time"},
    {1110, K::RadioButton, 313, 121, 51, 10, "24h_style", true},
    {1111, K::RadioButton, 313, 134, 51, 10, "12h_style"},
    {1127, K::GroupBox, 7, 153, 362, 85, "background"},
    {1117, K::OwnerDrawButton, 16, 164, 62, 58, ""},
    {1119, K::OwnerDrawButton, 86, 164, 62, 58, ""},
    {1120, K::OwnerDrawButton, 156, 164, 62, 58, ""},
    {1121, K::OwnerDrawButton, 226, 164, 62, 58, ""},
    {1122, K::OwnerDrawButton, 296, 164, 62, 58, ""},
    {1049, K::CheckBox, 20, 225, 185, 10, "enable_rays_of_light"},
    {1055, K::CheckBox, 223, 225, 109, 10, "random_background"},
    {1128, K::GroupBox, 7, 241, 362, 26, "products"},
    {1145, K::Label, 14, 253, 213, 8, "visit_our_official_web-site_for_more_great_3d_screensavers"},
    {1061, K::PushButton, 231, 250, 63, 13, "visit..."},
    {1062, K::PushButton, 298, 250, 63, 13, "about"},
    {1063, K::PushButton, 12, 301, 78, 13, "restore_defaults", true},
    {IDOK, K::PushButton, 231, 301, 63, 13, "ok", false, true},
    {IDCANCEL, K::PushButton, 298, 301, 63, 13, "cancel"},
    {0, K::Picture, 247, 9, 115, 81, "", false, false, false, 434},
};

constexpr TemplateControl kAboutControls[] = {
    {0, K::GroupBox, 6, 0, 221, 94, ""},
    {0, K::Picture, 169, 11, 49, 46, "", false, false, false, 437},
    {1133, K::Label, 7, 12, 156, 8, "", false, false, true},
    {1134, K::Label, 7, 23, 156, 8, "", false, false, true},
    {1135, K::Label, 7, 34, 156, 8, "", false, false, true},
    {1136, K::Label, 7, 45, 156, 8, "", false, false, true},
    {1137, K::Label, 7, 56, 156, 8, "", false, false, true},
    {1138, K::Label, 7, 67, 156, 8, "", false, false, true},
    {1139, K::Label, 7, 78, 156, 8, "", false, false, true},
    {IDOK, K::PushButton, 169, 70, 50, 14, "ok", false, true},
};

constexpr const char* kDialogFont = "Microsoft Sans Serif";

const DialogTemplate kConfigTemplate{kConfigDialogTemplate, 376, 322, "screensaver_configuration",
                                     kDialogFont, 8, kConfigControls};
const DialogTemplate kAboutTemplate{kAboutDialogTemplate, 233, 102, "about", kDialogFont, 8,
                                    kAboutControls};

// Controls the user can act on take the keyboard focus in turn.
bool TakesTabStop(ControlKind kind) {
  switch (kind) {
    case K::GroupBox:
    case K::Label:
    case K::Picture:
      return false;
    default:
      return true;
  }
}

int MulDiv(int value, int numerator, int denominator) {
  // Rounds half away from zero, as the Windows helper does.
  const long long product = static_cast<long long>(value) * numerator;
  const long long half = denominator / 2;
  return int(product >= 0 ? (product + half) / denominator : (product - half) / denominator);
}

}  // namespace

const DialogTemplate& ConfigDialogTemplate() { return kConfigTemplate; }
const DialogTemplate& AboutDialogTemplate() { return kAboutTemplate; }

RECT DialogUnitsToPixels(int x, int y, int width, int height, DialogBaseUnits units) {
  const LONG left = MulDiv(x, units.x, 4);
  const LONG top = MulDiv(y, units.y, 8);
  return RECT{left, top, left + MulDiv(width, units.x, 4), top + MulDiv(height, units.y, 8)};
}

std::unique_ptr<DialogModel> BuildDialog(const DialogTemplate& dialog, DialogBaseUnits units) {
  const RECT size = DialogUnitsToPixels(0, 0, dialog.width, dialog.height, units);
  auto model = std::make_unique<DialogModel>(dialog.caption, size.right, size.bottom);
  for (const TemplateControl& t : dialog.controls) {
    ControlState c;
    c.id = t.id;
    c.kind = t.kind;
    c.rect = DialogUnitsToPixels(t.x, t.y, t.width, t.height, units);
    c.text = t.label;
    c.groupStart = t.groupStart;
    c.defaultButton = t.defaultButton;
    c.centred = t.centred;
    c.pictureResource = t.pictureResource;
    c.tabStop = TakesTabStop(t.kind) && (t.kind != K::RadioButton || t.groupStart);
    model->Add(std::move(c));
  }
  return model;
}

}  // namespace qm
