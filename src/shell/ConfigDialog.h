// ConfigDialog: the settings dialog's procedure for the base settings, and the About box.
//
// SaverApp::RunConfigDialog makes one and runs it through a DialogHost (the GTK view, or a
// script in tests). The procedure reads the settings when the dialog opens, keeps the base
// settings in the application's m_Settings as the user changes controls, hands every
// message on to the scene's page (ScenePageMessage), and stores base and scene settings
// only on OK; Cancel, Esc and the close box store nothing. It also fills the mode and
// antialiasing lists for DeviceList::FillSettingsLists.
#pragma once

#include <string>

#include "graphics/DeviceList.h"
#include "shell/DialogHost.h"

namespace qm {

class SaverApp;

// Control ids of the settings dialog and the About box.
namespace dialog_ids {
inline constexpr int kModeList = 1011;
inline constexpr int kUseDesktopSettings = 1012;
inline constexpr int kVolume = 1020;
inline constexpr int kEnableMusic = 1021;
inline constexpr int kEnableSfx = 1022;
inline constexpr int kVolumeLabel = 1023;
inline constexpr int kShowTime = 1043;
inline constexpr int kShowFps = 1044;
inline constexpr int kExitOnMouseMove = 1045;
inline constexpr int kGamma = 1046;
inline constexpr int kAntialiasingList = 1047;
inline constexpr int kRockingCamera = 1048;
inline constexpr int kEnableRays = 1049;
inline constexpr int kRandomBackground = 1055;
inline constexpr int kVisit = 1061;
inline constexpr int kAbout = 1062;
inline constexpr int kRestoreDefaults = 1063;
inline constexpr int kGammaLabel = 1106;
inline constexpr int kClock24h = 1110;
inline constexpr int kClock12h = 1111;
inline constexpr int kBackground1 = 1117;
inline constexpr int kBackground2 = 1119;
inline constexpr int kBackground3 = 1120;
inline constexpr int kBackground4 = 1121;
inline constexpr int kBackground5 = 1122;
inline constexpr int kNettingList = 1123;
inline constexpr int kAboutFirstLine = 1133;
}  // namespace dialog_ids

class ConfigDialog : public SettingsListControls {
 public:
  // How far the bottom row of buttons (and the dialog's bottom edge) moves up, in pixels,
  // so that it closes up under the Products group.
  static constexpr int kBottomRowLift = 44;

  ConfigDialog(SaverApp& app, DialogHost& host);

  // Runs the dialog modally; the EndDialog result (1 OK, 2 Cancel), -1 when not shown.
  int Run();
  // The procedure: every message of the dialog comes here.
  LRESULT HandleMessage(DialogModel& dialog, UINT message, WPARAM wParam, LPARAM lParam);
  // Texts, the one-time layout change and every base control from m_Settings.
  void InitBaseControls(DialogModel& dialog);
  // The About box over the settings dialog.
  void ShowAbout();
  // The About box's own procedure.
  static LRESULT AboutProcedure(DialogModel& dialog, UINT message, WPARAM wParam, LPARAM lParam);
  // "Gamma Control: 100%" for a gamma of 100.
  static std::string GammaText(int gamma);

  // SettingsListControls, on the dialog being initialised.
  void ResetContent(int control) override;
  int AddString(int control, const std::string& text) override;
  void SetItemData(int control, int item, std::intptr_t data) override;
  void SetCurSel(int control, int item) override;

 private:
  LRESULT OnInitDialog(DialogModel& dialog, UINT message, WPARAM wParam, LPARAM lParam);
  void ReadAllSettings();
  void FillVideoLists(DialogModel& dialog);
  void OnScroll(DialogModel& dialog, WORD code);
  // A button or check box; true when the message ends here with 1.
  bool OnClick(DialogModel& dialog, int id);
  // CBN_SELENDOK of any list; false when nothing is selected.
  bool OnListChoice(DialogModel& dialog, int id);
  void RestoreDefaults(DialogModel& dialog);
  void StoreSettings();

  SaverApp& m_app;
  DialogHost& m_host;
  DialogModel* m_pDialog = nullptr;  // the open dialog, while it is open
  bool m_bBottomRowMoved = false;
};

}  // namespace qm
