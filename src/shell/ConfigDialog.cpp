#include "shell/ConfigDialog.h"

#include <cstdio>

#include "platform/RegistryFile.h"
#include "shell/DefaultSettings.h"
#include "shell/LabelTable.h"
#include "shell/SaverApp.h"

namespace qm {

namespace {

using namespace dialog_ids;

constexpr int kGammaMin = 10;
constexpr int kGammaMax = 200;
constexpr int kGammaPage = 1;
constexpr int kVolumeMin = 1;
constexpr int kVolumeMax = 100;
constexpr int kVolumePage = 10;

}  // namespace

ConfigDialog::ConfigDialog(SaverApp& app, DialogHost& host) : m_app(app), m_host(host) {}

int ConfigDialog::Run() {
  const DialogProcedure procedure = [this](DialogModel& d, UINT m, WPARAM w, LPARAM l) {
    return HandleMessage(d, m, w, l);
  };
  const int result = m_host.RunModal(ConfigDialogTemplate(), procedure, m_app.m_hWnd);
  m_pDialog = nullptr;
  return result;
}

std::string ConfigDialog::GammaText(int gamma) {
  return GetLabel("gamma_control:") + " " + std::to_string(gamma) + "%";
}

// ---------------------------------------------------------------------------------------
// Opening the dialog
// ---------------------------------------------------------------------------------------

LRESULT ConfigDialog::OnInitDialog(DialogModel& dialog, UINT message, WPARAM wParam,
                                   LPARAM lParam) {
  m_pDialog = &dialog;
  m_app.m_hWnd = dialog.Handle();
  dialog.SetCaption(GetLabel(ConfigDialogTemplate().caption));
  ReadAllSettings();
  m_app.m_Log.Write("Read settings from reg complete.");
  FillVideoLists(dialog);
  m_app.m_Log.Write("Video mode controls init complete.");
  m_app.InitScenePage(dialog.Handle());
  m_app.m_Log.Write("Dialog controls init complete.");
  InitBaseControls(dialog);
  m_app.m_Log.Write("Def Dialog controls init complete.");
  m_app.m_Log.Write("Create Config Window complete.");
  return m_app.ScenePageMessage(dialog.Handle(), message, wParam, lParam);
}

void ConfigDialog::ReadAllSettings() {
  if (RegistryFile* registry = m_app.Registry()) ReadSettings(*registry, m_app.m_Settings);
  m_app.ResetSceneSettings();
  m_app.ReadSceneSettings();
}

void ConfigDialog::FillVideoLists(DialogModel& dialog) {
  SaverSettings& s = m_app.m_Settings;
  m_app.m_DeviceList.SelectMode(s.m_iWidth, s.m_iHeight, s.m_iBitCount, s.m_iFSAA);
  m_app.ApplySelectedModeToSettings();
  m_pDialog = &dialog;
  m_app.m_DeviceList.FillSettingsLists(*this);
}

void ConfigDialog::InitBaseControls(DialogModel& dialog) {
  const SaverSettings& s = m_app.m_Settings;
  dialog.SetCaption(GetLabel(ConfigDialogTemplate().caption));
  for (const TemplateControl& control : ConfigDialogTemplate().controls) {
    if (control.id != 0 && *control.label) dialog.SetText(control.id, GetLabel(control.label));
  }
  dialog.SetText(kAbout, GetLabel("about") + "...");
  dialog.SetText(kGammaLabel, GammaText(100));

  if (!m_bBottomRowMoved) {
    for (int id : {IDOK, IDCANCEL, kRestoreDefaults}) dialog.MoveControl(id, 0, -kBottomRowLift);
    dialog.SetSize(dialog.Width(), dialog.Height() - kBottomRowLift);
    m_bBottomRowMoved = true;
  }

  dialog.SetCheck(kShowFps, s.m_bShowFPS);
  dialog.SetCheck(kShowTime, s.m_bShowTime);
  dialog.SetCheck(kExitOnMouseMove, s.m_bExitOnMouseMove);
  dialog.SetCheck(kEnableMusic, s.m_bMusic);
  dialog.SetCheck(kUseDesktopSettings, s.m_bUseDesktopSettings);

  dialog.SetCheck(kClock24h, s.m_bDigClock24H);
  dialog.SetCheck(kClock12h, !s.m_bDigClock24H);
  dialog.Enable(kClock24h, s.m_bShowTime);
  dialog.Enable(kClock12h, s.m_bShowTime);

  dialog.SetRange(kGamma, kGammaMin, kGammaMax);
  dialog.SetPos(kGamma, s.m_byGamma);
  dialog.SetPageSize(kGamma, kGammaPage);
  dialog.SetText(kGammaLabel, GammaText(s.m_byGamma));

  dialog.SetCheck(kEnableSfx, s.m_bSFX);
  if (!m_app.m_bSfxControl) {
    m_app.m_Settings.m_bSFX = 0;
    dialog.Show(kEnableSfx, false);
  }
  dialog.Enable(kModeList, !s.m_bUseDesktopSettings);

  dialog.SetRange(kVolume, kVolumeMin, kVolumeMax);
  dialog.SetPos(kVolume, s.m_iMusicVolume);
  dialog.SetPageSize(kVolume, kVolumePage);
  const bool sound = s.m_bMusic || s.m_bSFX;
  dialog.Enable(kVolume, sound);
  dialog.Enable(kVolumeLabel, sound);
}

// ---------------------------------------------------------------------------------------
// Messages
// ---------------------------------------------------------------------------------------

LRESULT ConfigDialog::HandleMessage(DialogModel& dialog, UINT message, WPARAM wParam,
                                    LPARAM lParam) {
  m_pDialog = &dialog;
  switch (message) {
    case WM_INITDIALOG:
      return OnInitDialog(dialog, message, wParam, lParam);
    case WM_HSCROLL:
      OnScroll(dialog, LOWORD(wParam));
      break;
    case WM_COMMAND:
      if (HIWORD(wParam) == CBN_SELENDOK) {
        if (!OnListChoice(dialog, LOWORD(wParam))) return 1;
      } else if (OnClick(dialog, LOWORD(wParam))) {
        return 1;
      }
      break;
    default:
      break;
  }
  return m_app.ScenePageMessage(dialog.Handle(), message, wParam, lParam);
}

void ConfigDialog::OnScroll(DialogModel& dialog, WORD code) {
  // Only page steps and dragging store a value; arrow keys and the end of a drag do not.
  if (code != TB_PAGEUP && code != TB_PAGEDOWN && code != TB_THUMBTRACK) return;
  SaverSettings& s = m_app.m_Settings;
  s.m_iMusicVolume = dialog.GetPos(kVolume);
  s.m_byGamma = std::uint8_t(dialog.GetPos(kGamma) & 0xFF);
  dialog.SetText(kGammaLabel, GammaText(s.m_byGamma));
}

bool ConfigDialog::OnClick(DialogModel& dialog, int id) {
  SaverSettings& s = m_app.m_Settings;
  auto flip = [&dialog, id](std::int32_t& field) {
    field = !field;
    dialog.SetCheck(id, field);
  };
  auto enableVolume = [&] {
    const bool sound = s.m_bMusic || s.m_bSFX;
    dialog.Enable(kVolumeLabel, sound);
    dialog.Enable(kVolume, sound);
  };
  switch (id) {
    case kShowFps:
      flip(s.m_bShowFPS);
      break;
    case kShowTime:
      flip(s.m_bShowTime);
      dialog.Enable(kClock24h, s.m_bShowTime);
      dialog.Enable(kClock12h, s.m_bShowTime);
      break;
    case kExitOnMouseMove:
      flip(s.m_bExitOnMouseMove);
      break;
    case kEnableMusic:
      flip(s.m_bMusic);
      enableVolume();
      break;
    case kEnableSfx:
      flip(s.m_bSFX);
      enableVolume();
      break;
    case kUseDesktopSettings:
      flip(s.m_bUseDesktopSettings);
      dialog.Enable(kModeList, !s.m_bUseDesktopSettings);
      break;
    case kClock24h:
    case kClock12h:
      s.m_bDigClock24H = (id == kClock24h);
      dialog.SetCheck(kClock24h, s.m_bDigClock24H);
      dialog.SetCheck(kClock12h, !s.m_bDigClock24H);
      break;
    case kAbout:
      ShowAbout();
      break;
    case kRestoreDefaults:
      RestoreDefaults(dialog);
      break;
    case kVisit:
      // A missing handler is not the saver's failure; the dialog stays as it is.
      m_host.OpenUrl(dialog.Handle(), DefaultSettings().GetDefault("main_web_site_url"));
      break;
    case IDOK:
      StoreSettings();
      m_app.m_Log.Write("Write settings to reg complete.");
      m_app.m_Log.Close();
      dialog.EndDialog(IDOK);
      return true;
    case IDCANCEL:
      m_app.m_Log.Close();
      dialog.EndDialog(IDCANCEL);
      return true;
    default:
      break;
  }
  return false;
}

bool ConfigDialog::OnListChoice(DialogModel& dialog, int id) {
  const int index = dialog.GetCurSel(id);
  const std::intptr_t data = dialog.GetItemData(id, index);
  if (index == -1) return false;
  DeviceList& devices = m_app.m_DeviceList;
  if (devices.nAdapters == 0) return true;
  DeviceRecord& device = devices.CurrentDevice();
  SaverSettings& s = m_app.m_Settings;
  if (id == kModeList) {
    if (data >= 0 && data < std::intptr_t(device.nModes) &&
        unsigned(data) != device.iCurrentMode) {
      device.iCurrentMode = unsigned(data);
    }
    devices.RefreshSelection();
    s.m_iWidth = devices.selection.iWidth;
    s.m_iHeight = devices.selection.iHeight;
    s.m_iBitCount = FormatBitCount(devices.selection.eFormat);
  } else if (id == kAntialiasingList) {
    std::intptr_t counter = -1;
    for (int k = 0; k < 16; ++k) {
      if (device.abMultiSample[k] && ++counter == data) {
        device.iMultiSample = MultiSampleTypeOfIndex(k);
        break;
      }
    }
    devices.RefreshSelection();
    s.m_iFSAA = devices.selection.iMultiSample;
  }
  return true;
}

void ConfigDialog::RestoreDefaults(DialogModel& dialog) {
  m_app.ResetSceneSettings();
  m_app.m_Settings = BaseDefaults();
  FillVideoLists(dialog);
  m_app.InitScenePage(dialog.Handle());
  InitBaseControls(dialog);
}

void ConfigDialog::StoreSettings() {
  RegistryFile* registry = m_app.Registry();
  if (!registry) return;
  // Read the file again first: values another program wrote while the dialog was open
  // stay. If it cannot be read now, the copy read at start-up is the better base.
  RegistryFile fresh(registry->Path());
  if (fresh.Load()) *registry = fresh;
  WriteSettings(*registry, m_app.m_Settings);
  m_app.WriteSceneSettings();
  if (!registry->Save()) {
    // The dialog closes either way; the user must learn that nothing was stored.
    std::fprintf(stderr, "quillmoor: could not write the settings to %s\n",
                 registry->Path().c_str());
    m_app.m_Log.Write("Cannot write settings.");
  }
}

// ---------------------------------------------------------------------------------------
// The lists of DeviceList::FillSettingsLists
// ---------------------------------------------------------------------------------------

void ConfigDialog::ResetContent(int control) {
  if (m_pDialog) m_pDialog->ResetContent(control);
}

int ConfigDialog::AddString(int control, const std::string& text) {
  return m_pDialog ? m_pDialog->AddString(control, text) : -1;
}

void ConfigDialog::SetItemData(int control, int item, std::intptr_t data) {
  if (m_pDialog) m_pDialog->SetItemData(control, item, data);
}

void ConfigDialog::SetCurSel(int control, int item) {
  if (m_pDialog) m_pDialog->SetCurSel(control, item);
}

// ---------------------------------------------------------------------------------------
// About box
// ---------------------------------------------------------------------------------------

void ConfigDialog::ShowAbout() { m_host.RunModal(AboutDialogTemplate(), AboutProcedure, m_app.m_hWnd); }

LRESULT ConfigDialog::AboutProcedure(DialogModel& dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) {
    dialog.SetCaption(GetLabel(AboutDialogTemplate().caption));
    dialog.SetText(IDOK, GetLabel("ok"));
    const auto& lines = Labels().AboutLines();
    for (std::size_t i = 0; i < lines.size() && i < LabelTable::kAboutLines; ++i)
      dialog.SetText(kAboutFirstLine + int(i), lines[i]);
    return 1;
  }
  if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
    dialog.EndDialog(LOWORD(wParam));
    return 1;
  }
  return 0;
}

}  // namespace qm
