// A window as data. The logic reads and writes these objects; a view (the Win32 one, or none in tests)
// shows them and feeds the user's input back. Positions and sizes are in layout units (about 4.57 a
// pixel across and 4 a pixel down at 96 DPI); every position is relative to the window's client area.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace setup::ui {

enum class control_kind {
  label,
  edit,
  password_edit,  // an edit that masks what is typed
  button,
  picture_button,  // a button that shows a picture (and its caption when there is no picture)
  radio,
  checkbox,
  dropdown,  // an editable drop-down list
  picture,
  line,
  frame,
  tab,   // the page container: its selection is the page shown
  page,  // one page of the tab; its controls name it by number
};

// What changed in a control, so that a view updates only that.
enum class change { text, visible, enabled, checked, geometry, items, selection, picture, focus };

class control;

class control_observer {
 public:
  virtual ~control_observer() = default;
  virtual void control_changed(control& c, change what) = 0;
};

// The design-time arguments of a control.
struct control_design {
  std::string name;
  control_kind kind = control_kind::label;
  int id = 0;    // the fixed control ID, unique in the window
  int page = 0;  // 0: on the window itself; 1 to n: on that page of the tab
  std::string text;
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  bool visible = true;
  bool enabled = true;
  bool checked = false;
  int group = 0;        // radio buttons of one page and group exclude each other
  std::string font;     // face name; empty: the window's font
  int font_points = 0;  // 0: the window's size
  bool bold = false;
  bool display_only = false;  // an edit the user can read and select but not change
  std::string picture;        // file of a picture or picture button, relative to the program's folder
};

class control {
 public:
  explicit control(control_design design)
      : design_(std::move(design)), selection_(design_.kind == control_kind::tab ? 1 : 0) {}
  control(const control&) = delete;
  control& operator=(const control&) = delete;

  const std::string& name() const { return design_.name; }
  control_kind kind() const { return design_.kind; }
  int id() const { return design_.id; }
  int page() const { return design_.page; }
  int group() const { return design_.group; }
  const std::string& font() const { return design_.font; }
  int font_points() const { return design_.font_points; }
  bool bold() const { return design_.bold; }
  bool display_only() const { return design_.display_only; }

  const std::string& text() const { return design_.text; }
  bool visible() const { return design_.visible; }
  bool enabled() const { return design_.enabled; }
  bool checked() const { return design_.checked; }
  int x() const { return design_.x; }
  int y() const { return design_.y; }
  int width() const { return design_.width; }
  int height() const { return design_.height; }
  const std::string& picture() const { return design_.picture; }

  // Each setter tells the observer at once, so a view repaints before the logic goes on.
  void set_text(std::string text);
  void set_visible(bool visible);
  void set_enabled(bool enabled);
  // A radio button checked unchecks the others of its group (through its form).
  void set_checked(bool checked);
  void set_x(int x);
  void set_y(int y);
  void set_width(int width);
  void set_height(int height);
  void set_picture(std::string picture);
  // Asks the view to move the input focus here.
  void set_focus();

  // Drop-down items (positions from 1) and the selected position (0: none). For a tab the selection
  // is the page shown.
  const std::vector<std::string>& items() const { return items_; }
  int selection() const { return selection_; }
  void reset_items();
  // The position of the new item.
  int add_item(std::string item);
  // Selects an item (its text becomes the control's text) or a page; false when out of range.
  bool select(int position);

  // The tab's page operations, by page number.
  void SelectTab(int page) { select(page); }
  int selectedtab() const { return selection_; }

  // Input from the view: the new state is stored without being sent back to the view.
  void input_text(std::string text) { design_.text = std::move(text); }
  void input_selection(int position);

  void attach(control_observer* observer) { observer_ = observer; }
  // Radio groups: the form that owns this control unchecks the others when this one is checked.
  void on_checked(std::function<void(control&)> hook) { checked_hook_ = std::move(hook); }

  // The handlers of the user's events on this control, set once when its window is built; the form
  // runs them (form::click, form::modify, form::choose). An event without a handler does nothing.
  std::function<void()> on_click;              // a button, radio button or check box clicked
  std::function<void()> on_modified;           // an edit's text changed and confirmed
  std::function<void()> on_selection_changed;  // a drop-down item chosen

 private:
  void notify(change what) {
    if (observer_ != nullptr) observer_->control_changed(*this, what);
  }

  control_design design_;
  std::vector<std::string> items_;
  int selection_ = 0;
  control_observer* observer_ = nullptr;
  std::function<void(control&)> checked_hook_;
};

class form_observer : public control_observer {
 public:
  virtual void title_changed() = 0;
  // The form asks to be closed (an exit button); the view closes the window as its close box would.
  virtual void close_requested() = 0;
};

// A window: its title, size, controls in declaration order, and the events a view delivers.
class form {
 public:
  virtual ~form() = default;

  const std::string& title() const { return title_; }
  void set_title(std::string title);
  int width() const { return width_; }
  int height() const { return height_; }
  const std::vector<control*>& controls() const { return controls_; }

  // The view attaches itself before showing the window and detaches when it goes.
  void attach(form_observer* observer);
  // Closes the window as its close box does: closing() runs, then the window goes.
  void close();

  // The user's events, the one path from a view (or a test) to the handlers. Each does nothing on a
  // control that is disabled or hidden, whatever reached it.
  //
  // A click: a radio button becomes checked (its group's others unchecked), a check box toggles, then
  // the control's on_click runs.
  void click(control& c);
  // An edit's text, already copied into the control, was changed and confirmed (Enter, or the focus
  // left it): on_modified runs.
  void modify(control& c);
  // The user chose item `position` of a drop-down: it becomes the selection and the text, then
  // on_selection_changed runs. Nothing happens for a position out of range.
  void choose(control& c, int position);

  // The window is closing; nothing can stop it.
  virtual void closing() {}
  // The close box was pressed while a handler was waiting for a long call: the window stays.
  virtual void close_refused() {}

 protected:
  form(int width, int height) : width_(width), height_(height) {}
  // Adds a control in declaration order; the form keeps a pointer, the caller keeps the object.
  control& add(control& c);

 private:
  std::string title_;
  int width_;
  int height_;
  std::vector<control*> controls_;
  form_observer* observer_ = nullptr;
};

}  // namespace setup::ui
