// DialogModel: the state of one open dialog and its controls, apart from any toolkit.
//
// The dialog procedures (ConfigDialog, the scene page of ForestSaver, the About box) read
// and change controls only through this model, addressed by control id, the way a dialog
// procedure sends messages to its items. A view (GtkDialogView) builds its widgets from
// the model, copies the user's actions into it (a check box that ticked itself, a slider
// that moved, a list entry chosen) before it sends the procedure the matching message,
// and shows the model again afterwards. Tests drive the procedures with no display.
// A dialog handle (HWND) names an open model; FromHandle finds it again.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "d3d/WinTypes.h"

// Dialog messages and notifications, with the values the procedures were written for.
constexpr UINT WM_DRAWITEM = 0x002B;    // lParam = DRAWITEMSTRUCT*
constexpr UINT WM_INITDIALOG = 0x0110;
constexpr UINT WM_COMMAND = 0x0111;     // LOWORD(wParam) id, HIWORD(wParam) notification
constexpr UINT WM_HSCROLL = 0x0114;     // LOWORD(wParam) scroll code, lParam control id
constexpr WORD BN_CLICKED = 0;
constexpr WORD CBN_SELENDOK = 9;
constexpr WORD TB_LINEUP = 0;           // arrow keys
constexpr WORD TB_LINEDOWN = 1;
constexpr WORD TB_PAGEUP = 2;           // page keys, clicks beside the thumb
constexpr WORD TB_PAGEDOWN = 3;
constexpr WORD TB_THUMBPOSITION = 4;
constexpr WORD TB_THUMBTRACK = 5;       // dragging the thumb
constexpr WORD TB_TOP = 6;              // Home
constexpr WORD TB_BOTTOM = 7;           // End
constexpr WORD TB_ENDTRACK = 8;
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;

constexpr WPARAM MAKEWPARAM(unsigned low, unsigned high) {
  return WPARAM((low & 0xFFFF) | ((high & 0xFFFF) << 16));
}
constexpr WORD LOWORD(WPARAM value) { return WORD(value & 0xFFFF); }
constexpr WORD HIWORD(WPARAM value) { return WORD((value >> 16) & 0xFFFF); }

namespace qm {

// What a control is; the view picks its widget by this.
enum class ControlKind {
  GroupBox,
  Label,           // static text, left or centred
  CheckBox,        // auto check box: ticks itself when clicked
  RadioButton,     // auto radio button: checks itself and clears its group
  PushButton,
  OwnerDrawButton, // flat button whose face the procedure draws (WM_DRAWITEM)
  ComboBox,        // drop-down list
  Trackbar,        // horizontal slider without ticks
  Picture,         // static bitmap, centred, sunken
};

// One 24-bit picture ready to draw: 0xAARRGGBB pixels, rows top first.
struct PicturePixels {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> argb;
};

// Where an owner-drawn face goes; the view implements it on its drawing surface.
class ItemCanvas {
 public:
  virtual ~ItemCanvas() = default;
  // Draws the picture stretched over `rect` (pixels of the item).
  virtual void DrawPicture(const PicturePixels& picture, const RECT& rect) = 0;
};

// lParam of WM_DRAWITEM: the item to draw and where.
struct DRAWITEMSTRUCT {
  UINT CtlID = 0;
  ItemCanvas* canvas = nullptr;
  RECT rcItem{};
};

// One list entry of a combo box: its text and the number kept with it.
struct ListItem {
  std::string text;
  std::intptr_t data = 0;
};

// Everything the procedures may set or read on one control.
struct ControlState {
  int id = 0;
  ControlKind kind = ControlKind::Label;
  RECT rect{};                 // pixels in the dialog's client area
  std::string text;
  bool centred = false;        // centred text (labels)
  bool defaultButton = false;  // Enter presses it
  bool groupStart = false;     // first of a radio group or a tab group
  bool tabStop = false;
  int pictureResource = 0;     // BITMAP resource of a picture control
  bool visible = true;
  bool enabled = true;
  bool checked = false;
  std::vector<ListItem> items;
  int curSel = -1;
  int rangeMin = 0, rangeMax = 100, pos = 0, pageSize = 1;
  int paintRequests = 0;       // how often the face was invalidated
};

class DialogModel {
 public:
  DialogModel(std::string caption, int width, int height);
  ~DialogModel();
  DialogModel(const DialogModel&) = delete;
  DialogModel& operator=(const DialogModel&) = delete;

  // The open model behind a dialog handle, or null.
  static DialogModel* FromHandle(HWND dialog);
  HWND Handle() const { return m_handle; }

  // Adds a control (the template tables do this); the id must be new unless it is 0.
  ControlState& Add(ControlState control);
  // The control with this id, or null. Controls without an id (0) are not found.
  ControlState* Find(int id);
  const ControlState* Find(int id) const;
  const std::vector<ControlState>& Controls() const { return m_controls; }
  std::vector<ControlState>& Controls() { return m_controls; }

  // The dialog window itself: caption and client size in pixels.
  const std::string& Caption() const { return m_caption; }
  void SetCaption(std::string caption) { m_caption = std::move(caption); }
  int Width() const { return m_width; }
  int Height() const { return m_height; }
  void SetSize(int width, int height);

  // --- What a procedure sends to its items (unknown ids are ignored, reads give 0/"")
  void SetText(int id, std::string text);
  std::string GetText(int id) const;
  void SetCheck(int id, bool checked);
  bool GetCheck(int id) const;
  void Enable(int id, bool enabled);
  bool IsEnabled(int id) const;
  void Show(int id, bool visible);
  bool IsVisible(int id) const;
  void MoveControl(int id, int dx, int dy);
  // Combo boxes: CB_RESETCONTENT, CB_ADDSTRING (index of the new item), CB_SETITEMDATA,
  // CB_SETCURSEL (-1 or an index past the end clears it), CB_GETCURSEL, CB_GETITEMDATA.
  void ResetContent(int id);
  int AddString(int id, std::string text);
  void SetItemData(int id, int item, std::intptr_t data);
  void SetCurSel(int id, int item);
  int GetCurSel(int id) const;
  std::intptr_t GetItemData(int id, int item) const;
  // Trackbars: TBM_SETRANGE, TBM_SETPOS (clamped to the range), TBM_GETPOS, TBM_SETPAGESIZE.
  void SetRange(int id, int low, int high);
  void SetPos(int id, int pos);
  int GetPos(int id) const;
  void SetPageSize(int id, int size);
  // Asks for the control's face to be drawn again.
  void Invalidate(int id);

  // Ends the modal loop with `result` (EndDialog).
  void EndDialog(int result);
  bool Ended() const { return m_ended; }
  int Result() const { return m_result; }

 private:
  HWND m_handle = 0;
  std::string m_caption;
  int m_width = 0;
  int m_height = 0;
  std::vector<ControlState> m_controls;
  bool m_ended = false;
  int m_result = 0;
};

// A dialog procedure: gets every message of its dialog, returns the message's result.
using DialogProcedure = std::function<LRESULT(DialogModel&, UINT, WPARAM, LPARAM)>;

// What the user does to a control, as a view reports it: the control changes itself first
// (a check box ticks, a radio button checks and clears its group, a list or a slider takes
// the new value), then the procedure gets the message. The GTK view and the tests share
// these, so that both drive a procedure alike. Each returns the procedure's result.
LRESULT UserClick(DialogModel& dialog, const DialogProcedure& procedure, int id);
LRESULT UserSelect(DialogModel& dialog, const DialogProcedure& procedure, int id, int item);
LRESULT UserScroll(DialogModel& dialog, const DialogProcedure& procedure, int id, int pos,
                   WORD scrollCode);

}  // namespace qm
