#include "shell/DialogModel.h"

#include <algorithm>
#include <map>

namespace qm {

namespace {

// Open dialogs by handle. Handles start high so that they never look like window ids of
// the window system (small SDL ids) in a log.
std::map<HWND, DialogModel*>& OpenDialogs() {
  static std::map<HWND, DialogModel*> dialogs;
  return dialogs;
}

HWND NextHandle() {
  static HWND next = 0x7D000;
  return ++next;
}

}  // namespace

DialogModel::DialogModel(std::string caption, int width, int height)
    : m_handle(NextHandle()), m_caption(std::move(caption)), m_width(width), m_height(height) {
  OpenDialogs()[m_handle] = this;
}

DialogModel::~DialogModel() { OpenDialogs().erase(m_handle); }

DialogModel* DialogModel::FromHandle(HWND dialog) {
  const auto it = OpenDialogs().find(dialog);
  return it == OpenDialogs().end() ? nullptr : it->second;
}

ControlState& DialogModel::Add(ControlState control) {
  m_controls.push_back(std::move(control));
  return m_controls.back();
}

ControlState* DialogModel::Find(int id) {
  if (id == 0) return nullptr;
  for (ControlState& c : m_controls)
    if (c.id == id) return &c;
  return nullptr;
}

const ControlState* DialogModel::Find(int id) const {
  return const_cast<DialogModel*>(this)->Find(id);
}

void DialogModel::SetSize(int width, int height) {
  m_width = width;
  m_height = height;
}

void DialogModel::SetText(int id, std::string text) {
  if (ControlState* c = Find(id)) c->text = std::move(text);
}

std::string DialogModel::GetText(int id) const {
  const ControlState* c = Find(id);
  return c ? c->text : std::string();
}

void DialogModel::SetCheck(int id, bool checked) {
  if (ControlState* c = Find(id)) c->checked = checked;
}

bool DialogModel::GetCheck(int id) const {
  const ControlState* c = Find(id);
  return c && c->checked;
}

void DialogModel::Enable(int id, bool enabled) {
  if (ControlState* c = Find(id)) c->enabled = enabled;
}

bool DialogModel::IsEnabled(int id) const {
  const ControlState* c = Find(id);
  return c && c->enabled;
}

void DialogModel::Show(int id, bool visible) {
  if (ControlState* c = Find(id)) c->visible = visible;
}

bool DialogModel::IsVisible(int id) const {
  const ControlState* c = Find(id);
  return c && c->visible;
}

void DialogModel::MoveControl(int id, int dx, int dy) {
  if (ControlState* c = Find(id)) {
    c->rect.left += dx;
    c->rect.right += dx;
    c->rect.top += dy;
    c->rect.bottom += dy;
  }
}

void DialogModel::ResetContent(int id) {
  if (ControlState* c = Find(id)) {
    c->items.clear();
    c->curSel = -1;
  }
}

int DialogModel::AddString(int id, std::string text) {
  ControlState* c = Find(id);
  if (!c) return -1;
  c->items.push_back({std::move(text), 0});
  return int(c->items.size()) - 1;
}

void DialogModel::SetItemData(int id, int item, std::intptr_t data) {
  ControlState* c = Find(id);
  if (c && item >= 0 && item < int(c->items.size())) c->items[std::size_t(item)].data = data;
}

void DialogModel::SetCurSel(int id, int item) {
  ControlState* c = Find(id);
  if (!c) return;
  c->curSel = (item >= 0 && item < int(c->items.size())) ? item : -1;
}

int DialogModel::GetCurSel(int id) const {
  const ControlState* c = Find(id);
  return c ? c->curSel : -1;
}

std::intptr_t DialogModel::GetItemData(int id, int item) const {
  const ControlState* c = Find(id);
  if (!c || item < 0 || item >= int(c->items.size())) return -1;
  return c->items[std::size_t(item)].data;
}

void DialogModel::SetRange(int id, int low, int high) {
  if (ControlState* c = Find(id)) {
    c->rangeMin = low;
    c->rangeMax = std::max(low, high);
    c->pos = std::clamp(c->pos, c->rangeMin, c->rangeMax);
  }
}

void DialogModel::SetPos(int id, int pos) {
  if (ControlState* c = Find(id)) c->pos = std::clamp(pos, c->rangeMin, c->rangeMax);
}

int DialogModel::GetPos(int id) const {
  const ControlState* c = Find(id);
  return c ? c->pos : 0;
}

void DialogModel::SetPageSize(int id, int size) {
  if (ControlState* c = Find(id)) c->pageSize = size;
}

void DialogModel::Invalidate(int id) {
  if (ControlState* c = Find(id)) ++c->paintRequests;
}

void DialogModel::EndDialog(int result) {
  m_ended = true;
  m_result = result;
}

// ---------------------------------------------------------------------------------------
// User actions
// ---------------------------------------------------------------------------------------

namespace {

// Checks `id` and clears the other radio buttons of its group: the run of radio buttons
// from the last group start up to the next one.
void CheckRadioInGroup(DialogModel& dialog, int id) {
  auto& controls = dialog.Controls();
  std::size_t index = 0;
  while (index < controls.size() && controls[index].id != id) ++index;
  if (index == controls.size()) return;
  std::size_t first = index;
  while (first > 0 && !controls[first].groupStart &&
         controls[first - 1].kind == ControlKind::RadioButton)
    --first;
  for (std::size_t i = first; i < controls.size(); ++i) {
    if (controls[i].kind != ControlKind::RadioButton) break;
    if (i > first && controls[i].groupStart) break;
    controls[i].checked = (i == index);
  }
}

}  // namespace

LRESULT UserClick(DialogModel& dialog, const DialogProcedure& procedure, int id) {
  const ControlState* control = dialog.Find(id);
  if (!control || !control->enabled || !control->visible) return 0;
  if (control->kind == ControlKind::CheckBox) dialog.SetCheck(id, !control->checked);
  if (control->kind == ControlKind::RadioButton) CheckRadioInGroup(dialog, id);
  return procedure(dialog, WM_COMMAND, MAKEWPARAM(unsigned(id), BN_CLICKED), 0);
}

LRESULT UserSelect(DialogModel& dialog, const DialogProcedure& procedure, int id, int item) {
  const ControlState* control = dialog.Find(id);
  if (!control || !control->enabled || !control->visible) return 0;
  dialog.SetCurSel(id, item);
  return procedure(dialog, WM_COMMAND, MAKEWPARAM(unsigned(id), CBN_SELENDOK), 0);
}

LRESULT UserScroll(DialogModel& dialog, const DialogProcedure& procedure, int id, int pos,
                   WORD scrollCode) {
  const ControlState* control = dialog.Find(id);
  if (!control || !control->enabled || !control->visible) return 0;
  dialog.SetPos(id, pos);
  return procedure(dialog, WM_HSCROLL, MAKEWPARAM(scrollCode, unsigned(dialog.GetPos(id))),
                   LPARAM(id));
}

}  // namespace qm
