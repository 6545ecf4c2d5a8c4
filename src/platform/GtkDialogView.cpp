#include "platform/GtkDialogView.h"

#ifdef QM_HAVE_GTK

#include <gtk/gtk.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <vector>

#include "shell/ResourcePicture.h"

namespace qm {

namespace {

// Sections: styling and font units / one open dialog (widgets, refresh, user input,
// drawing) / the host.

// ---------------------------------------------------------------------------------------
// Styling and font units
// ---------------------------------------------------------------------------------------

// The template fixes every control's size in dialog units; the theme's generous padding
// would make controls outgrow those boxes, so the dialogs use compact spacing and the
// dialog font throughout.
constexpr const char* kDialogCss = R"css(
.qm-dialog, .qm-dialog * { font-family: "%s", Sans; font-size: %dpt; }
.qm-dialog button { min-height: 0; min-width: 0; padding: 0 4px; }
.qm-dialog button.qm-picture { padding: 1px; border-radius: 0; }
.qm-dialog combobox button { padding: 0 4px; min-height: 0; }
.qm-dialog checkbutton, .qm-dialog radiobutton { min-height: 0; padding: 0; }
.qm-dialog check, .qm-dialog radio { min-width: 12px; min-height: 12px; margin: 0 4px 0 0; }
.qm-dialog scale { min-height: 0; padding: 0 6px; }
.qm-dialog scale slider { min-width: 12px; min-height: 12px; margin: -5px; }
.qm-dialog frame > border { border-radius: 0; }
)css";

// Everything a font needs to match the template's: the face with a generic fallback.
std::string FontFamilies(const DialogTemplate& dialog) {
  return std::string(dialog.font) + ", Sans";
}

// The font's base units as Windows measures them for dialogs: the average width of the
// 52 Latin letters, rounded, and the character height.
DialogBaseUnits MeasureBaseUnits(const DialogTemplate& dialog) {
  PangoFontMap* fonts = pango_cairo_font_map_get_default();
  PangoContext* context = pango_font_map_create_context(fonts);
  pango_cairo_context_set_resolution(context, 96.0);
  const std::string description = FontFamilies(dialog) + " " + std::to_string(dialog.pointSize);
  PangoFontDescription* font = pango_font_description_from_string(description.c_str());
  PangoLayout* layout = pango_layout_new(context);
  pango_layout_set_font_description(layout, font);
  pango_layout_set_text(layout, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", -1);
  int width = 0, height = 0;
  pango_layout_get_pixel_size(layout, &width, &height);
  g_object_unref(layout);
  pango_font_description_free(font);
  g_object_unref(context);
  DialogBaseUnits units;
  if (width > 0) units.x = (width / 26 + 1) / 2;
  if (height > 0) units.y = height;
  return units;
}

void InstallCss(const DialogTemplate& dialog) {
  static bool installed = false;
  if (installed) return;
  installed = true;
  char css[2048];
  std::snprintf(css, sizeof css, kDialogCss, dialog.font, dialog.pointSize);
  GtkCssProvider* provider = gtk_css_provider_new();
  gtk_css_provider_load_from_data(provider, css, -1, nullptr);
  gtk_style_context_add_provider_for_screen(gdk_screen_get_default(), GTK_STYLE_PROVIDER(provider),
                                            GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  g_object_unref(provider);
}

// The dialogs' texts are single-byte (Latin-1), as the label table hands them out; GTK
// takes UTF-8.
std::string ToUtf8(const std::string& text) {
  gchar* utf8 = g_convert(text.data(), gssize(text.size()), "UTF-8", "ISO-8859-1", nullptr,
                          nullptr, nullptr);
  std::string result = utf8 ? utf8 : "";
  g_free(utf8);
  return result;
}

// Draws owner-drawn faces and pictures with cairo.
class CairoCanvas : public ItemCanvas {
 public:
  explicit CairoCanvas(cairo_t* cr) : m_cr(cr) {}
  void DrawPicture(const PicturePixels& picture, const RECT& rect) override {
    if (picture.width <= 0 || picture.height <= 0) return;
    cairo_surface_t* surface = cairo_image_surface_create_for_data(
        reinterpret_cast<unsigned char*>(const_cast<std::uint32_t*>(picture.argb.data())),
        CAIRO_FORMAT_RGB24, picture.width, picture.height, picture.width * 4);
    cairo_save(m_cr);
    cairo_rectangle(m_cr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
    cairo_clip(m_cr);
    cairo_translate(m_cr, rect.left, rect.top);
    cairo_scale(m_cr, double(rect.right - rect.left) / picture.width,
                double(rect.bottom - rect.top) / picture.height);
    cairo_set_source_surface(m_cr, surface, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(m_cr), CAIRO_FILTER_GOOD);
    cairo_paint(m_cr);
    cairo_restore(m_cr);
    cairo_surface_destroy(surface);
  }

 private:
  cairo_t* m_cr;
};

// ---------------------------------------------------------------------------------------
// One open dialog
// ---------------------------------------------------------------------------------------

class OpenDialog;

// What a widget's signal handler needs to find its control.
struct ControlLink {
  OpenDialog* dialog;
  int id;
  std::size_t index;
};

// The widgets of one control and what they show now.
struct ControlView {
  GtkWidget* widget = nullptr;   // what sits in the layout
  GtkWidget* inner = nullptr;    // the picture's drawing area, or the widget itself
  std::string text;
  std::vector<std::string> items;
  int paintRequests = -1;
  RECT rect{};
  ResourcePicture picture;       // picture controls only
  ControlLink link{};
};

class OpenDialog {
 public:
  // A drop-down list's height in the template is the height of its open list; closed it
  // is one line high, in dialog units.
  static constexpr int kComboLines = 14;

  OpenDialog(DialogModel& model, const DialogProcedure& procedure, GtkWindow* owner,
             const DialogTemplate& dialog, DialogBaseUnits units)
      : m_model(model),
        m_procedure(procedure),
        m_comboHeight(DialogUnitsToPixels(0, 0, 0, kComboLines, units).bottom) {
    InstallCss(dialog);
    m_window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_style_context_add_class(gtk_widget_get_style_context(m_window), "qm-dialog");
    gtk_window_set_modal(GTK_WINDOW(m_window), TRUE);
    gtk_window_set_resizable(GTK_WINDOW(m_window), FALSE);
    gtk_window_set_type_hint(GTK_WINDOW(m_window), GDK_WINDOW_TYPE_HINT_DIALOG);
    if (owner) {
      gtk_window_set_transient_for(GTK_WINDOW(m_window), owner);
      gtk_window_set_position(GTK_WINDOW(m_window), GTK_WIN_POS_CENTER_ON_PARENT);
    } else {
      gtk_window_set_position(GTK_WINDOW(m_window), GTK_WIN_POS_CENTER);
    }
    m_layout = gtk_fixed_new();
    gtk_container_add(GTK_CONTAINER(m_window), m_layout);
    g_signal_connect(m_window, "delete-event", G_CALLBACK(OnDelete), this);
    g_signal_connect(m_window, "key-press-event", G_CALLBACK(OnKey), this);
    m_views.resize(model.Controls().size());
    for (std::size_t i = 0; i < m_views.size(); ++i) CreateWidget(i);
  }

  ~OpenDialog() { gtk_widget_destroy(m_window); }

  GtkWindow* Window() const { return GTK_WINDOW(m_window); }

  // Sends the procedure WM_INITDIALOG, shows the dialog and runs until EndDialog.
  int Run() {
    m_procedure(m_model, WM_INITDIALOG, 0, 0);
    Refresh();
    if (m_model.Ended()) return m_model.Result();
    gtk_widget_show(m_layout);
    gtk_widget_show(m_window);
    FocusFirstControl();
    while (!m_model.Ended()) gtk_main_iteration();
    gtk_widget_hide(m_window);
    return m_model.Result();
  }

 private:
  // --- Widgets

  void CreateWidget(std::size_t index) {
    const ControlState& c = m_model.Controls()[index];
    ControlView& view = m_views[index];
    view.link = ControlLink{this, c.id, index};
    GtkWidget* w = nullptr;
    switch (c.kind) {
      case ControlKind::GroupBox:
        w = gtk_frame_new(nullptr);
        gtk_frame_set_shadow_type(GTK_FRAME(w), GTK_SHADOW_ETCHED_IN);
        break;
      case ControlKind::Label:
        w = gtk_label_new(nullptr);
        gtk_label_set_xalign(GTK_LABEL(w), c.centred ? 0.5f : 0.0f);
        gtk_label_set_yalign(GTK_LABEL(w), 0.0f);
        gtk_label_set_ellipsize(GTK_LABEL(w), PANGO_ELLIPSIZE_END);
        break;
      case ControlKind::CheckBox:
        w = gtk_check_button_new_with_label("");
        g_signal_connect(w, "toggled", G_CALLBACK(OnToggled), &view.link);
        break;
      case ControlKind::RadioButton:
        w = gtk_radio_button_new_with_label_from_widget(
            c.groupStart || !m_lastRadio ? nullptr : GTK_RADIO_BUTTON(m_lastRadio), "");
        m_lastRadio = w;
        g_signal_connect(w, "toggled", G_CALLBACK(OnToggled), &view.link);
        break;
      case ControlKind::PushButton:
        w = gtk_button_new_with_label("");
        g_signal_connect(w, "clicked", G_CALLBACK(OnClicked), &view.link);
        if (c.defaultButton) {
          gtk_widget_set_can_default(w, TRUE);
          gtk_window_set_default(GTK_WINDOW(m_window), w);
        }
        break;
      case ControlKind::OwnerDrawButton: {
        w = gtk_button_new();
        gtk_button_set_relief(GTK_BUTTON(w), GTK_RELIEF_NONE);
        gtk_style_context_add_class(gtk_widget_get_style_context(w), "qm-picture");
        view.inner = gtk_drawing_area_new();
        gtk_container_add(GTK_CONTAINER(w), view.inner);
        gtk_widget_show(view.inner);
        g_signal_connect(view.inner, "draw", G_CALLBACK(OnDrawItem), &view.link);
        g_signal_connect(w, "clicked", G_CALLBACK(OnClicked), &view.link);
        break;
      }
      case ControlKind::ComboBox:
        w = gtk_combo_box_text_new();
        g_signal_connect(w, "changed", G_CALLBACK(OnComboChanged), &view.link);
        break;
      case ControlKind::Trackbar:
        w = gtk_scale_new(GTK_ORIENTATION_HORIZONTAL, nullptr);
        gtk_scale_set_draw_value(GTK_SCALE(w), FALSE);
        gtk_range_set_round_digits(GTK_RANGE(w), 0);
        g_signal_connect(w, "change-value", G_CALLBACK(OnChangeValue), &view.link);
        break;
      case ControlKind::Picture: {
        w = gtk_frame_new(nullptr);
        gtk_frame_set_shadow_type(GTK_FRAME(w), GTK_SHADOW_IN);
        view.inner = gtk_drawing_area_new();
        gtk_container_add(GTK_CONTAINER(w), view.inner);
        gtk_widget_show(view.inner);
        view.picture.Load(c.pictureResource, "BITMAP");
        g_signal_connect(view.inner, "draw", G_CALLBACK(OnDrawPicture), &view.link);
        break;
      }
    }
    if (!view.inner) view.inner = w;
    gtk_widget_set_can_focus(w, c.tabStop || c.kind == ControlKind::RadioButton);
    view.widget = w;
    view.rect = c.rect;
    SetSize(c, w);
    gtk_fixed_put(GTK_FIXED(m_layout), w, c.rect.left, c.rect.top);
    EllipsizeChildLabel(w);
  }

  void SetSize(const ControlState& c, GtkWidget* w) const {
    int height = c.rect.bottom - c.rect.top;
    if (c.kind == ControlKind::ComboBox) height = std::min(height, m_comboHeight);
    gtk_widget_set_size_request(w, c.rect.right - c.rect.left, height);
  }

  // A check box's or button's text must not widen it beyond its box.
  static void EllipsizeChildLabel(GtkWidget* w) {
    if (!GTK_IS_BIN(w)) return;
    GtkWidget* child = gtk_bin_get_child(GTK_BIN(w));
    if (child && GTK_IS_LABEL(child)) gtk_label_set_ellipsize(GTK_LABEL(child), PANGO_ELLIPSIZE_END);
  }

  void FocusFirstControl() {
    for (std::size_t i = 0; i < m_views.size(); ++i) {
      const ControlState& c = m_model.Controls()[i];
      if (c.tabStop && c.visible && c.enabled && c.kind != ControlKind::OwnerDrawButton) {
        gtk_widget_grab_focus(m_views[i].widget);
        return;
      }
    }
  }

  // Tab and Shift+Tab walk the controls in the template's order, as the dialog manager
  // does, over those that take a tab stop and can be used now; a radio group is entered
  // at its checked button.
  void MoveFocus(int step) {
    const auto& controls = m_model.Controls();
    const int count = int(controls.size());
    GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(m_window));
    int current = -1;
    for (int i = 0; i < count && focus; ++i) {
      GtkWidget* w = m_views[std::size_t(i)].widget;
      if (focus == w || gtk_widget_is_ancestor(focus, w)) current = i;
    }
    if (current < 0) current = step > 0 ? count - 1 : 0;
    for (int n = 1; n <= count; ++n) {
      const int i = ((current + step * n) % count + count) % count;
      const ControlState& c = controls[std::size_t(i)];
      if (!c.tabStop || !c.visible || !c.enabled) continue;
      int target = i;
      if (c.kind == ControlKind::RadioButton) {
        for (int j = i; j < count && controls[std::size_t(j)].kind == ControlKind::RadioButton &&
                        (j == i || !controls[std::size_t(j)].groupStart);
             ++j)
          if (controls[std::size_t(j)].checked) target = j;
      }
      gtk_widget_grab_focus(m_views[std::size_t(target)].widget);
      return;
    }
  }

  // --- Showing the model

  // Makes every widget show what its control holds. Signals the widgets raise meanwhile
  // are the view's own doing, not the user's, and are ignored.
  void Refresh() {
    m_refreshing = true;
    gtk_window_set_title(GTK_WINDOW(m_window), ToUtf8(m_model.Caption()).c_str());
    gtk_widget_set_size_request(m_layout, m_model.Width(), m_model.Height());
    for (std::size_t i = 0; i < m_views.size(); ++i) RefreshControl(i);
    m_refreshing = false;
  }

  void RefreshControl(std::size_t index) {
    const ControlState& c = m_model.Controls()[index];
    ControlView& view = m_views[index];
    GtkWidget* w = view.widget;
    gtk_widget_set_visible(w, c.visible);
    gtk_widget_set_sensitive(w, c.enabled);
    if (c.rect.left != view.rect.left || c.rect.top != view.rect.top ||
        c.rect.right != view.rect.right || c.rect.bottom != view.rect.bottom) {
      view.rect = c.rect;
      SetSize(c, w);
      gtk_fixed_move(GTK_FIXED(m_layout), w, c.rect.left, c.rect.top);
    }
    if (c.text != view.text) {
      view.text = c.text;
      SetWidgetText(c.kind, w, c.text);
    }
    switch (c.kind) {
      case ControlKind::CheckBox:
      case ControlKind::RadioButton:
        if (gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(w)) != gboolean(c.checked))
          gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(w), c.checked);
        break;
      case ControlKind::ComboBox:
        RefreshList(c, view);
        break;
      case ControlKind::Trackbar:
        gtk_range_set_range(GTK_RANGE(w), c.rangeMin, std::max(c.rangeMax, c.rangeMin + 1));
        gtk_range_set_increments(GTK_RANGE(w), 1, c.pageSize);
        gtk_range_set_value(GTK_RANGE(w), c.pos);
        break;
      case ControlKind::OwnerDrawButton:
        if (c.paintRequests != view.paintRequests) {
          view.paintRequests = c.paintRequests;
          gtk_widget_queue_draw(view.inner);
        }
        break;
      default:
        break;
    }
  }

  static void SetWidgetText(ControlKind kind, GtkWidget* w, const std::string& text) {
    const std::string utf8 = ToUtf8(text);
    const char* shown = utf8.c_str();
    switch (kind) {
      case ControlKind::GroupBox:
        gtk_frame_set_label(GTK_FRAME(w), *shown ? shown : nullptr);
        break;
      case ControlKind::Label:
        gtk_label_set_text(GTK_LABEL(w), shown);
        break;
      case ControlKind::CheckBox:
      case ControlKind::RadioButton:
      case ControlKind::PushButton:
        gtk_button_set_label(GTK_BUTTON(w), shown);
        EllipsizeChildLabel(w);
        break;
      default:
        break;
    }
  }

  static void RefreshList(const ControlState& c, ControlView& view) {
    GtkComboBoxText* combo = GTK_COMBO_BOX_TEXT(view.widget);
    std::vector<std::string> texts;
    for (const ListItem& item : c.items) texts.push_back(item.text);
    if (texts != view.items) {
      view.items = texts;
      gtk_combo_box_text_remove_all(combo);
      for (const std::string& text : texts)
        gtk_combo_box_text_append_text(combo, ToUtf8(text).c_str());
    }
    if (gtk_combo_box_get_active(GTK_COMBO_BOX(combo)) != c.curSel)
      gtk_combo_box_set_active(GTK_COMBO_BOX(combo), c.curSel);
  }

  // --- User input

  // Runs one user action against the procedure and shows the outcome.
  template <typename Action>
  void Act(Action action) {
    action();
    if (!m_model.Ended()) Refresh();
  }

  static void OnToggled(GtkToggleButton* button, ControlLink* link) {
    OpenDialog* d = link->dialog;
    if (d->m_refreshing) return;
    const ControlState* c = d->m_model.Find(link->id);
    // A radio button that another one cleared reports a toggle too; only the one the user
    // chose counts.
    if (c && c->kind == ControlKind::RadioButton && !gtk_toggle_button_get_active(button)) return;
    d->Act([&] { UserClick(d->m_model, d->m_procedure, link->id); });
  }

  static void OnClicked(GtkButton*, ControlLink* link) {
    OpenDialog* d = link->dialog;
    if (d->m_refreshing) return;
    d->Act([&] { UserClick(d->m_model, d->m_procedure, link->id); });
  }

  static void OnComboChanged(GtkComboBox* combo, ControlLink* link) {
    OpenDialog* d = link->dialog;
    if (d->m_refreshing) return;
    const int item = gtk_combo_box_get_active(combo);
    d->Act([&] { UserSelect(d->m_model, d->m_procedure, link->id, item); });
  }

  // The slider's own notion of what moved it becomes the trackbar's scroll code: arrow
  // keys and the wheel are line steps, Page keys page steps, dragging a thumb track.
  static WORD ScrollCode(GtkScrollType scroll, double from, double to) {
    switch (scroll) {
      case GTK_SCROLL_STEP_BACKWARD:
      case GTK_SCROLL_STEP_FORWARD:
      case GTK_SCROLL_STEP_UP:
      case GTK_SCROLL_STEP_DOWN:
      case GTK_SCROLL_STEP_LEFT:
      case GTK_SCROLL_STEP_RIGHT:
        return to < from ? TB_LINEUP : TB_LINEDOWN;
      case GTK_SCROLL_PAGE_BACKWARD:
      case GTK_SCROLL_PAGE_FORWARD:
      case GTK_SCROLL_PAGE_UP:
      case GTK_SCROLL_PAGE_DOWN:
      case GTK_SCROLL_PAGE_LEFT:
      case GTK_SCROLL_PAGE_RIGHT:
        return to < from ? TB_PAGEUP : TB_PAGEDOWN;
      case GTK_SCROLL_START:
        return TB_TOP;
      case GTK_SCROLL_END:
        return TB_BOTTOM;
      case GTK_SCROLL_JUMP:
        return TB_THUMBTRACK;
      default:
        return TB_THUMBPOSITION;
    }
  }

  static gboolean OnChangeValue(GtkRange* range, GtkScrollType scroll, gdouble value,
                                ControlLink* link) {
    OpenDialog* d = link->dialog;
    if (d->m_refreshing) return FALSE;
    const int pos = int(std::lround(value));
    const WORD code = ScrollCode(scroll, gtk_range_get_value(range), value);
    d->Act([&] { UserScroll(d->m_model, d->m_procedure, link->id, pos, code); });
    return TRUE;  // the refresh has set the value the model holds
  }

  void Cancel() {
    Act([&] { m_procedure(m_model, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0); });
  }

  static gboolean OnDelete(GtkWidget*, GdkEvent*, OpenDialog* d) {
    d->Cancel();
    return TRUE;  // the procedure decides; the window goes when the dialog ends
  }

  static gboolean OnKey(GtkWidget*, GdkEventKey* event, OpenDialog* d) {
    if (event->keyval == GDK_KEY_Escape) {
      d->Cancel();
      return TRUE;
    }
    if (event->keyval == GDK_KEY_Tab || event->keyval == GDK_KEY_ISO_Left_Tab ||
        event->keyval == GDK_KEY_KP_Tab) {
      const bool back = (event->state & GDK_SHIFT_MASK) || event->keyval == GDK_KEY_ISO_Left_Tab;
      d->MoveFocus(back ? -1 : 1);
      return TRUE;
    }
    if (event->keyval == GDK_KEY_Return || event->keyval == GDK_KEY_KP_Enter) {
      // Enter presses a focused push button, and the default button from anywhere else
      // (GTK would tick a focused check box instead).
      GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(d->m_window));
      if (focus && GTK_IS_BUTTON(focus) && !GTK_IS_TOGGLE_BUTTON(focus)) return FALSE;
      for (const ControlState& c : d->m_model.Controls()) {
        if (c.defaultButton && c.visible && c.enabled) {
          d->Act([&] { UserClick(d->m_model, d->m_procedure, c.id); });
          return TRUE;
        }
      }
    }
    return FALSE;
  }

  // --- Drawing

  static gboolean OnDrawItem(GtkWidget* area, cairo_t* cr, ControlLink* link) {
    OpenDialog* d = link->dialog;
    CairoCanvas canvas(cr);
    DRAWITEMSTRUCT item;
    item.CtlID = UINT(link->id);
    item.canvas = &canvas;
    item.rcItem = RECT{0, 0, gtk_widget_get_allocated_width(area),
                       gtk_widget_get_allocated_height(area)};
    d->m_procedure(d->m_model, WM_DRAWITEM, WPARAM(link->id), reinterpret_cast<LPARAM>(&item));
    return TRUE;
  }

  static gboolean OnDrawPicture(GtkWidget* area, cairo_t* cr, ControlLink* link) {
    const ResourcePicture& picture = link->dialog->m_views[link->index].picture;
    if (picture.Empty()) return FALSE;
    // Centred at its natural size, cut off where the box is smaller.
    const int width = gtk_widget_get_allocated_width(area);
    const int height = gtk_widget_get_allocated_height(area);
    const int left = (width - picture.Width()) / 2;
    const int top = (height - picture.Height()) / 2;
    CairoCanvas canvas(cr);
    cairo_rectangle(cr, 0, 0, width, height);
    cairo_clip(cr);
    picture.Draw(canvas, RECT{left, top, left + picture.Width(), top + picture.Height()});
    return TRUE;
  }

  DialogModel& m_model;
  const DialogProcedure& m_procedure;
  GtkWidget* m_window = nullptr;
  GtkWidget* m_layout = nullptr;
  GtkWidget* m_lastRadio = nullptr;
  int m_comboHeight = 0;
  std::vector<ControlView> m_views;
  bool m_refreshing = false;
};

// ---------------------------------------------------------------------------------------
// The host
// ---------------------------------------------------------------------------------------

class GtkDialogHost : public DialogHost {
 public:
  int RunModal(const DialogTemplate& dialog, const DialogProcedure& procedure,
               HWND owner) override {
    const DialogBaseUnits units = MeasureBaseUnits(dialog);
    std::unique_ptr<DialogModel> model = BuildDialog(dialog, units);
    const auto found = m_windows.find(owner);
    OpenDialog view(*model, procedure, found == m_windows.end() ? nullptr : found->second,
                    dialog, units);
    m_windows[model->Handle()] = view.Window();
    const int result = view.Run();
    m_windows.erase(model->Handle());
    // Let the window go from the screen before the caller goes on.
    while (gtk_events_pending()) gtk_main_iteration();
    return result;
  }

  bool OpenUrl(HWND owner, const std::string& url) override {
    const auto found = m_windows.find(owner);
    GError* error = nullptr;
    const gboolean shown = gtk_show_uri_on_window(found == m_windows.end() ? nullptr : found->second,
                                                  url.c_str(), GDK_CURRENT_TIME, &error);
    if (!shown) {
      std::fprintf(stderr, "quillmoor: cannot open %s: %s\n", url.c_str(),
                   error ? error->message : "no handler");
      if (error) g_error_free(error);
    }
    return shown;
  }

 private:
  std::map<HWND, GtkWindow*> m_windows;  // open dialogs, as owners of the next
};

}  // namespace

}  // namespace qm

extern "C" [[gnu::visibility("default")]] qm::DialogHost* QmCreateGtkDialogHost() {
  if (!gtk_init_check(nullptr, nullptr)) return nullptr;
  return new qm::GtkDialogHost();
}

#endif
