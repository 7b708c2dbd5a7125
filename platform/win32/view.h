// The Win32 view of a window model (platform/ui.h): one top-level window, a real child window for each
// control, every change of the model shown at once, the user's input copied into the model before the
// form's handler runs. The view knows nothing of the forms it shows.
//
// The controls of a page of the tab are children of a plain container window, one per page, placed at
// the tab's origin (the page's own control ID when the form has a page control for it). Only the
// container of the selected page is shown; a control keeps its own visible state (WS_VISIBLE) from the
// model whatever page is shown. There are no tab headers: the form's own navigation selects pages.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/trace.h"
#include "platform/ui.h"
#include "platform/win32/picture.h"
#include "platform/win32/win32_api.h"
#include "platform/win32/win32_dialogs.h"
#include "platform/win32/win32_waiting.h"

namespace setup {

// Layout units to pixels: 4.57 units a pixel across and 4 down at 96 DPI, scaled for `dpi`.
int layout_x_to_pixels(int units, int dpi);
int layout_y_to_pixels(int units, int dpi);
// Every pixel constant of the view goes through this: a length at 96 DPI, scaled for `dpi`.
int scale_for_dpi(double pixels_at_96_dpi, int dpi);

// The class names of the view's top-level window, by which other programs can find it, and of the
// plain containers that hold the controls of each page of the form's tab.
inline constexpr wchar_t view_window_class[] = L"ServerSetupWizardWindow";
inline constexpr wchar_t view_page_class[] = L"ServerSetupWizardPage";

class win32_view final : public ui::form_observer {
 public:
  struct options {
    // Folder the controls' picture files are relative to; empty: the program's own folder.
    std::string picture_folder;
    // Where the view notes the stages of making the window (created, shown, the rest of the controls,
    // the pictures); none: not noted.
    trace* log = nullptr;
    // How the platform waits for the long calls of the form's handlers; none: they block the window.
    win32_waiting* waiting = nullptr;
  };

  // Attaches itself to the form and makes the dialogs' boxes modal to its window while it exists.
  win32_view(ui::form& form, win32_dialogs& dialogs, options settings);
  win32_view(ui::form& form, win32_dialogs& dialogs) : win32_view(form, dialogs, options{}) {}
  // Destroys the window if it is still there (without running the form's closing step) and detaches.
  ~win32_view() override;
  win32_view(const win32_view&) = delete;
  win32_view& operator=(const win32_view&) = delete;

  // Creates the window and its controls and shows it with `show_command`. Can only be called once;
  // false when the system refused to create the window.
  bool create(int show_command = SW_SHOWNORMAL);
  // The top-level window; null before create() and after the window has gone.
  HWND window() const { return window_; }
  bool is_open() const { return window_ != nullptr; }
  // The DPI the window is laid out for.
  int dpi() const { return dpi_; }

  // Hands one message of the thread's queue to the window: keyboard navigation first, then dispatch.
  void deliver(MSG& message);
  // Delivers every message waiting in the thread's queue and returns without waiting for more.
  void pump_pending();
  // Closes the window as its close box does: the form's closing step runs once, then the window goes.
  // While an event handler runs the close box does nothing (the form hears close_refused() when the
  // handler waits for a long call); a close the form asked for waits until the handler has returned.
  void close();

  void control_changed(ui::control& c, ui::change what) override;
  void title_changed() override;
  void close_requested() override;

 private:
  struct entry {
    ui::control* model = nullptr;
    HWND hwnd = nullptr;
    // An edit's text was changed by the user and not yet confirmed (Enter or leaving the field).
    bool unconfirmed = false;
    std::unique_ptr<win32::picture> image;
    win32::unique_bitmap shown_bitmap;
    // A label's background while it is painted on a picture.
    win32::unique_brush background;
  };

  static LRESULT CALLBACK window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  static LRESULT CALLBACK page_procedure(HWND page, UINT message, WPARAM wparam, LPARAM lparam);
  static LRESULT CALLBACK edit_procedure(HWND edit, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR id,
                                         DWORD_PTR view);
  LRESULT handle(UINT message, WPARAM wparam, LPARAM lparam);
  // The notices of controls, which reach the window or the page container they are children of.
  bool handle_control_notice(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result);
  // The brush a label's background is filled with: the picture under it, or nothing (transparent).
  HBRUSH label_background(entry& label, HDC dc);
  LRESULT handle_edit(entry& e, UINT message, WPARAM wparam, LPARAM lparam);

  // The client area's size in pixels at the window's DPI.
  SIZE client_size() const;
  // Where the window goes: at `origin`, or in the middle of the monitor's work area; `correction` added
  // to the size the system computes for the frame.
  RECT planned_rect(const POINT* origin, HMONITOR monitor, SIZE correction) const;
  // How much the window's client area falls short of client_size().
  SIZE frame_correction() const;
  // Gives the window the form's client size at the current DPI, at `origin` or centred on the work
  // area of its monitor.
  void size_window(const POINT* origin);
  // Creates the controls `wanted` says (not created yet), in declaration order.
  template <typename filter>
  void create_controls(filter&& wanted);
  void create_control(entry& e);
  void place_in_declared_order(std::size_t index);
  HWND page_container(int page) const;
  HWND parent_of(const ui::control& c) const;
  HWND window_of(const entry& e) const;
  HWND create_page(int page, int id);
  void apply(entry& e, ui::change what);
  void apply_geometry(entry& e);
  void apply_visibility(entry& e);
  void apply_items(entry& e);
  void apply_picture(entry& e, bool reload);
  void apply_radio_tab_stop(entry& e);
  void apply_pages();
  void apply_page_geometry(int page);
  void relayout_for_dpi(int new_dpi, const RECT* suggested);
  // Repaints the part of the window under the control now, also while an event handler still runs.
  void repaint(const RECT& area);
  void repaint(entry& e);
  void move_focus_from(entry& e);

  void on_command(HWND child, int code);
  void confirm_edit(entry& e);
  template <typename event>
  void run_handler(event&& handler);
  // A handler is waiting for a long call (the window takes no input meanwhile).
  bool waiting_for_a_call() const;
  void on_close();
  void on_destroyed();

  // The control's rectangle in its parent: the window, or its page's container.
  RECT pixel_rect(const ui::control& c) const;
  // A page container's rectangle in the window: from the tab's origin, at least the tab's size and
  // large enough for every control of the page.
  RECT page_rect(int page) const;
  POINT tab_origin() const;
  bool page_shown(int page) const;
  // Visible on the screen: its own visible state and, on a page, the page shown.
  bool on_screen(const ui::control& c) const;
  RECT in_window(const RECT& r, HWND parent) const;
  HFONT font_for(const ui::control& c);
  // The system's message font at the window's DPI.
  const LOGFONTW& message_font();
  std::string picture_path(const std::string& name) const;
  entry* find(HWND child);
  entry* find(const ui::control& c);

  void note(std::string_view stage);

  ui::form& form_;
  win32_dialogs& dialogs_;
  std::string picture_folder_;
  trace* log_ = nullptr;
  win32_waiting* waiting_ = nullptr;
  HWND window_ = nullptr;
  int dpi_ = 96;
  bool created_ = false;
  bool closing_ = false;
  bool close_pending_ = false;
  // The form asked to be closed (close_requested); the close box did not.
  bool close_asked_ = false;
  bool ole_started_ = false;
  bool ole_ready_ = false;
  int handler_depth_ = 0;
  // Set while the view writes into a control, so that the control's change notices are not taken for
  // the user's input.
  int applying_ = 0;
  HWND focus_before_deactivation_ = nullptr;
  const ui::control* tab_ = nullptr;
  // Page number -> the page control of the form (may be absent) and the container window.
  std::map<int, const ui::control*> page_models_;
  std::map<int, HWND> pages_;
  std::vector<entry> entries_;
  std::unordered_map<int, std::size_t> by_id_;
  std::unordered_map<const ui::control*, std::size_t> by_model_;
  std::unordered_map<std::wstring, win32::unique_font> fonts_;
  LOGFONTW message_font_{};
  int message_font_dpi_ = 0;
};

// Shows the form and runs the message loop until its window has closed: the form's closing step runs
// once, the window is destroyed, and the function returns 0 (-1 when the window could not be created).
int run_window(ui::form& form, win32_dialogs& dialogs, trace* log = nullptr,
               win32_waiting* waiting = nullptr);

}  // namespace setup
