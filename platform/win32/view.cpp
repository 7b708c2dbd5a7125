#include "platform/win32/view.h"

#include <algorithm>
#include <cmath>
#include <cwchar>
#include <iterator>

#include "platform/win32/system_library.h"
#include "platform/win32/view_resources.h"

namespace setup {
namespace {

using win32::narrow;
using win32::wide;

// Layout units per pixel at 96 DPI.
constexpr double units_per_pixel_across = 4.57;
constexpr double units_per_pixel_down = 4.0;
constexpr int base_dpi = 96;
// Pixel lengths at 96 DPI, scaled through scale_for_dpi.
constexpr double line_thickness = 2;
constexpr double dropdown_list_height = 160;
constexpr double picture_button_margin = 4;
constexpr int default_font_points = 9;

constexpr DWORD window_style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr DWORD window_ex_style = 0;
// Sent by per-monitor DPI aware systems when the window moves to a monitor of another DPI.
constexpr UINT message_dpi_changed = 0x02E0;

// The DPI of the primary screen, which is what a system-aware program is laid out for.
int system_dpi() {
  HDC screen = GetDC(nullptr);
  const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
  if (screen != nullptr) ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : base_dpi;
}

// The DPI of the monitor the window is on where the system tells it (Windows 10), else the system's.
int dpi_of_window(HWND window) {
  // Windows 7 has none of the per-monitor DPI functions.
  static const auto get =
      win32::system_function_as<win32::get_dpi_for_window>(L"user32.dll", "GetDpiForWindow");
  if (get != nullptr) {
    const UINT dpi = get(window);
    if (dpi > 0) return static_cast<int>(dpi);
  }
  return system_dpi();
}

RECT outer_rect_for_client(int width, int height, int dpi) {
  static const auto adjust = win32::system_function_as<win32::adjust_window_rect_ex_for_dpi>(
      L"user32.dll", "AdjustWindowRectExForDpi");
  RECT r{0, 0, width, height};
  if (adjust != nullptr) {
    adjust(&r, window_style, FALSE, window_ex_style, static_cast<UINT>(dpi));
  } else {
    AdjustWindowRectEx(&r, window_style, FALSE, window_ex_style);
  }
  return r;
}

std::wstring text_of(HWND window) {
  const int length = GetWindowTextLengthW(window);
  if (length <= 0) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int copied = GetWindowTextW(window, text.data(), length + 1);
  text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
  return text;
}

bool is_edit(ui::control_kind kind) {
  return kind == ui::control_kind::edit || kind == ui::control_kind::password_edit;
}

bool has_picture(ui::control_kind kind) {
  return kind == ui::control_kind::picture || kind == ui::control_kind::picture_button;
}

bool has_window(ui::control_kind kind) {
  return kind != ui::control_kind::tab && kind != ui::control_kind::page;
}

// The kinds put below the other controls once they are made, in this order: pictures, then frames
// below everything. What is placed on a picture or inside a frame is in front of it.
constexpr ui::control_kind lowered_kinds[] = {ui::control_kind::picture, ui::control_kind::frame};

bool is_lowered(ui::control_kind kind) {
  return std::find(std::begin(lowered_kinds), std::end(lowered_kinds), kind) != std::end(lowered_kinds);
}

bool is_absolute(const std::string& path) {
  return (path.size() >= 2 && path[1] == ':') || (path.size() >= 2 && path[0] == '\\' && path[1] == '\\');
}

std::string program_folder() {
  std::wstring path(MAX_PATH, L'\0');
  while (true) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);
  }
  const std::size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::string() : narrow(std::wstring_view(path).substr(0, slash));
}

struct window_class_and_style {
  const wchar_t* window_class;
  DWORD style;
  DWORD ex_style;
};

// The system control that shows a control of this kind, and its styles apart from visibility, state
// and keyboard grouping.
window_class_and_style system_control_for(const ui::control& c) {
  using kind = ui::control_kind;
  switch (c.kind()) {
    case kind::label:
      return {WC_STATICW, SS_LEFT | SS_NOPREFIX, 0};
    case kind::edit:
    case kind::password_edit: {
      DWORD style = ES_AUTOHSCROLL | WS_TABSTOP;
      if (c.kind() == kind::password_edit) style |= ES_PASSWORD;
      if (c.display_only()) style |= ES_READONLY;
      return {WC_EDITW, style, WS_EX_CLIENTEDGE};
    }
    case kind::button:
    case kind::picture_button:
      return {WC_BUTTONW, BS_PUSHBUTTON | WS_TABSTOP, 0};
    case kind::radio:
      // Manual: the model decides what is checked, the view only reports the click.
      return {WC_BUTTONW, BS_RADIOBUTTON, 0};
    case kind::checkbox:
      return {WC_BUTTONW, BS_CHECKBOX | WS_TABSTOP, 0};
    case kind::dropdown:
      return {WC_COMBOBOXW, CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP, 0};
    case kind::picture:
      // Clipped by every control above it (and pictures go below the other controls): what is
      // placed on a picture shows in front of it.
      return {WC_STATICW, SS_BITMAP | SS_REALSIZECONTROL | WS_CLIPSIBLINGS, 0};
    case kind::line:
      return {WC_STATICW, static_cast<DWORD>(c.width() >= c.height() ? SS_ETCHEDHORZ : SS_ETCHEDVERT), 0};
    case kind::frame:
      // Clipped by every control above it: a frame paints its edge and caption, never over what it
      // surrounds.
      return {WC_BUTTONW, BS_GROUPBOX | WS_CLIPSIBLINGS, 0};
    case kind::tab:
    case kind::page:
      break;
  }
  return {nullptr, 0, 0};
}

bool register_class(const wchar_t* name, HINSTANCE instance, WNDPROC procedure, HICON icon,
                    HICON small_icon) {
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = procedure;
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  window_class.lpszClassName = name;
  window_class.hIcon = icon;
  window_class.hIconSm = small_icon;
  if (RegisterClassExW(&window_class) != 0) return true;
  return GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

// The program's icon; null in a program without the icon resource (the system's default icon then).
HICON program_icon(HINSTANCE instance, int width, int height) {
  return static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(SETUP_PROGRAM_ICON), IMAGE_ICON, width,
                                       height, (width == 0 ? LR_DEFAULTSIZE : 0) | LR_SHARED));
}

}  // namespace

int scale_for_dpi(double pixels_at_96_dpi, int dpi) {
  return static_cast<int>(std::lround(pixels_at_96_dpi * dpi / base_dpi));
}

int layout_x_to_pixels(int units, int dpi) {
  return scale_for_dpi(units / units_per_pixel_across, dpi);
}

int layout_y_to_pixels(int units, int dpi) {
  return scale_for_dpi(units / units_per_pixel_down, dpi);
}

win32_view::win32_view(ui::form& form, win32_dialogs& dialogs, options settings)
    : form_(form),
      dialogs_(dialogs),
      picture_folder_(settings.picture_folder.empty() ? program_folder()
                                                      : std::move(settings.picture_folder)),
      log_(settings.log),
      waiting_(settings.waiting) {
  for (ui::control* c : form_.controls()) {
    if (tab_ == nullptr && c->kind() == ui::control_kind::tab) tab_ = c;
    if (c->kind() == ui::control_kind::page && c->page() > 0) page_models_.emplace(c->page(), c);
    by_model_[c] = entries_.size();
    if (c->id() != 0) by_id_[c->id()] = entries_.size();
    entries_.emplace_back();
    entries_.back().model = c;
  }
  form_.attach(this);
}

win32_view::~win32_view() {
  if (window_ != nullptr) {
    closing_ = true;
    DestroyWindow(window_);
  }
  form_.attach(nullptr);
  if (ole_ready_) SETUP_SYSTEM_FUNCTION(L"ole32.dll", OleUninitialize)();
}

bool win32_view::create(int show_command) {
  if (created_) return false;
  created_ = true;
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);
  if (!register_class(view_window_class, instance, window_procedure, program_icon(instance, 0, 0),
                      program_icon(instance, GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON))) ||
      !register_class(view_page_class, instance, page_procedure, nullptr, nullptr)) {
    return false;
  }

  // Hidden, in the middle of the primary monitor and at its size for the system's DPI, which is the
  // primary monitor's; placed again when the system gives the window another DPI or another frame.
  dpi_ = system_dpi();
  const RECT planned = planned_rect(nullptr, MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), {0, 0});
  if (CreateWindowExW(window_ex_style, view_window_class, wide(form_.title()).c_str(), window_style,
                      planned.left, planned.top, planned.right - planned.left, planned.bottom - planned.top,
                      nullptr, nullptr, instance, this) == nullptr) {
    return false;
  }
  dialogs_.set_owner(window_);
  const int given = dpi_of_window(window_);
  if (const SIZE correction = frame_correction(); given != dpi_ || correction.cx != 0 || correction.cy != 0) {
    dpi_ = given;
    size_window(nullptr);
  }
  note("window created");

  // Creating the controls not on the screen (the other pages' and the hidden ones) and decoding pictures
  // are the slow part of making the window (each child window costs a tenth of a millisecond to a
  // millisecond under wine): they come once the window and what it shows are on the screen, the
  // pictures it shows first. Everything exists when create() returns.
  const auto shown_first = [this](const ui::control& c) { return on_screen(c); };
  const auto show_pictures = [this](auto&& wanted) {
    for (entry& e : entries_) {
      if (e.hwnd != nullptr && has_picture(e.model->kind()) && wanted(*e.model)) apply_picture(e, true);
    }
  };
  create_controls(shown_first);
  ShowWindow(window_, show_command);
  UpdateWindow(window_);
  note("window shown");
  show_pictures(shown_first);
  note("pictures shown");
  create_controls([](const ui::control&) { return true; });
  note("the other controls created");
  show_pictures([&](const ui::control& c) { return !shown_first(c); });
  note("the other pictures shown");
  if (HWND first = GetNextDlgTabItem(window_, nullptr, FALSE)) SetFocus(first);
  return true;
}

void win32_view::note(std::string_view stage) {
  if (log_ != nullptr) log_->line("window: " + std::string(stage));
}

template <typename filter>
void win32_view::create_controls(filter&& wanted) {
  // In declaration order, which is the order of the Tab key. A page's container comes with the first of
  // its controls wanted, or with the page's own entry when the page is wanted.
  for (entry& e : entries_) {
    const ui::control& c = *e.model;
    if (c.kind() == ui::control_kind::page) {
      if (c.page() > 0 && e.hwnd == nullptr && wanted(c)) e.hwnd = create_page(c.page(), c.id());
    } else if (has_window(c.kind()) && e.hwnd == nullptr && wanted(c)) {
      if (c.page() > 0 && page_container(c.page()) == nullptr) create_page(c.page(), 0);
      create_control(e);
    }
  }
  // Each lowered kind below the others, the first declared in front of the later ones.
  for (const ui::control_kind lowered : lowered_kinds) {
    for (const entry& e : entries_) {
      if (e.hwnd != nullptr && e.model->kind() == lowered) {
        SetWindowPos(e.hwnd, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
      }
    }
  }
}

SIZE win32_view::client_size() const {
  return {layout_x_to_pixels(form_.width(), dpi_), layout_y_to_pixels(form_.height(), dpi_)};
}

RECT win32_view::planned_rect(const POINT* origin, HMONITOR monitor, SIZE correction) const {
  const SIZE client = client_size();
  const RECT outer = outer_rect_for_client(client.cx, client.cy, dpi_);
  const LONG width = outer.right - outer.left + correction.cx;
  const LONG height = outer.bottom - outer.top + correction.cy;
  MONITORINFO info{};
  info.cbSize = sizeof info;
  RECT work{0, 0, width, height};
  if (GetMonitorInfoW(monitor, &info)) work = info.rcWork;
  const POINT at = origin != nullptr ? *origin
                                     : POINT{work.left + std::max(0L, (work.right - work.left - width) / 2),
                                             work.top + std::max(0L, (work.bottom - work.top - height) / 2)};
  return {at.x, at.y, at.x + width, at.y + height};
}

SIZE win32_view::frame_correction() const {
  const SIZE wanted = client_size();
  RECT client{};
  GetClientRect(window_, &client);
  return {wanted.cx - client.right, wanted.cy - client.bottom};
}

void win32_view::size_window(const POINT* origin) {
  const HMONITOR monitor = MonitorFromWindow(window_, MONITOR_DEFAULTTOPRIMARY);
  const auto place = [&](SIZE correction) {
    const RECT r = planned_rect(origin, monitor, correction);
    SetWindowPos(window_, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  };
  place({0, 0});
  // The frame the system draws may differ from the one it computed (a frame not scaled for the DPI):
  // the client area is measured and the window corrected.
  if (const SIZE correction = frame_correction(); correction.cx != 0 || correction.cy != 0) place(correction);
}

void win32_view::create_control(entry& e) {
  const ui::control& c = *e.model;
  const window_class_and_style kind = system_control_for(c);
  DWORD style = WS_CHILD | kind.style;
  if (c.visible()) style |= WS_VISIBLE;
  if (!c.enabled()) style |= WS_DISABLED;
  // Each control is a keyboard group of its own, except consecutive radio buttons of one group,
  // between which the arrow keys move.
  const std::size_t index = by_model_[&c];
  const ui::control* previous = index > 0 ? entries_[index - 1].model : nullptr;
  const bool continues_group = c.kind() == ui::control_kind::radio && previous != nullptr &&
                               previous->kind() == ui::control_kind::radio &&
                               previous->group() == c.group() && previous->page() == c.page();
  if (!continues_group) style |= WS_GROUP;
  // Tab lands on the checked radio button of a group: focusing an unchecked one would check it.
  if (c.kind() == ui::control_kind::radio && c.checked()) style |= WS_TABSTOP;

  const RECT r = pixel_rect(c);
  const std::wstring text = wide(c.text());
  ++applying_;
  e.hwnd = CreateWindowExW(
      kind.ex_style, kind.window_class, c.kind() == ui::control_kind::picture ? nullptr : text.c_str(), style,
      r.left, r.top, r.right - r.left, r.bottom - r.top, parent_of(c),
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id())), GetModuleHandleW(nullptr), nullptr);
  --applying_;
  if (e.hwnd == nullptr) return;

  place_in_declared_order(index);
  SendMessageW(e.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font_for(c)), FALSE);
  if (is_edit(c.kind())) SetWindowSubclass(e.hwnd, edit_procedure, index, reinterpret_cast<DWORD_PTR>(this));
  if (c.kind() == ui::control_kind::radio || c.kind() == ui::control_kind::checkbox) {
    SendMessageW(e.hwnd, BM_SETCHECK, c.checked() ? BST_CHECKED : BST_UNCHECKED, 0);
  }
  if (c.kind() == ui::control_kind::dropdown) apply_items(e);
}

HWND win32_view::page_container(int page) const {
  const auto container = pages_.find(page);
  return container != pages_.end() ? container->second : nullptr;
}

HWND win32_view::parent_of(const ui::control& c) const {
  return c.kind() == ui::control_kind::page || c.page() == 0 ? window_ : page_container(c.page());
}

HWND win32_view::window_of(const entry& e) const {
  // A page's container may have been made for its controls before the page's own entry.
  return e.model->kind() == ui::control_kind::page ? page_container(e.model->page()) : e.hwnd;
}

void win32_view::place_in_declared_order(std::size_t index) {
  // A new child window goes below its siblings: made in declaration order, the controls are in it.
  // One made after a sibling declared later than it (one hidden when the window was first shown)
  // goes just below the nearest sibling declared before it that is not of a lowered kind (those go
  // below the others once the controls are made), or on top when there is none.
  const HWND parent = parent_of(*entries_[index].model);
  const auto sibling = [&](const entry& other) {
    return window_of(other) != nullptr && parent_of(*other.model) == parent;
  };
  if (std::none_of(entries_.begin() + static_cast<std::ptrdiff_t>(index) + 1, entries_.end(), sibling))
    return;
  HWND above = HWND_TOP;
  for (std::size_t i = index; i-- > 0;) {
    if (!is_lowered(entries_[i].model->kind()) && sibling(entries_[i])) {
      above = window_of(entries_[i]);
      break;
    }
  }
  SetWindowPos(entries_[index].hwnd, above, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

HWND win32_view::create_page(int page, int id) {
  const auto existing = pages_.find(page);
  if (existing != pages_.end()) {
    if (id != 0) SetWindowLongPtrW(existing->second, GWLP_ID, id);
    return existing->second;
  }
  const RECT r = page_rect(page);
  // Clipped by the window's controls above it, so that a page never paints over them.
  const DWORD style = WS_CHILD | WS_CLIPSIBLINGS | (page_shown(page) ? WS_VISIBLE : 0);
  // A control parent: the Tab key and the dialog keys reach into the page.
  const HWND container = CreateWindowExW(
      WS_EX_CONTROLPARENT, view_page_class, nullptr, style, r.left, r.top, r.right - r.left, r.bottom - r.top,
      window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), this);
  pages_[page] = container;
  return container;
}

POINT win32_view::tab_origin() const {
  if (tab_ == nullptr) return {0, 0};
  return {layout_x_to_pixels(tab_->x(), dpi_), layout_y_to_pixels(tab_->y(), dpi_)};
}

RECT win32_view::page_rect(int page) const {
  const POINT origin = tab_origin();
  RECT r{origin.x, origin.y, origin.x, origin.y};
  if (tab_ != nullptr) {
    r.right = layout_x_to_pixels(tab_->x() + tab_->width(), dpi_);
    r.bottom = layout_y_to_pixels(tab_->y() + tab_->height(), dpi_);
  }
  for (const entry& e : entries_) {
    const ui::control& c = *e.model;
    if (c.page() != page || !has_window(c.kind())) continue;
    const RECT inside = pixel_rect(c);
    r.right = std::max(r.right, origin.x + inside.right);
    r.bottom = std::max(r.bottom, origin.y + inside.bottom);
  }
  return r;
}

bool win32_view::page_shown(int page) const {
  if (tab_ == nullptr || !tab_->visible() || tab_->selection() != page) return false;
  const auto model = page_models_.find(page);
  return model == page_models_.end() || model->second->visible();
}

bool win32_view::on_screen(const ui::control& c) const {
  return c.visible() && (c.page() == 0 || page_shown(c.page()));
}

RECT win32_view::in_window(const RECT& r, HWND parent) const {
  RECT mapped = r;
  MapWindowPoints(parent, window_, reinterpret_cast<POINT*>(&mapped), 2);
  return mapped;
}

RECT win32_view::pixel_rect(const ui::control& c) const {
  int x = c.x();
  int y = c.y();
  POINT parent_origin{0, 0};
  if (c.page() > 0 && tab_ != nullptr) {
    x += tab_->x();
    y += tab_->y();
    parent_origin = tab_origin();
  }
  // Both edges converted from the window's origin, so that controls that touch in layout units touch
  // in pixels, on a page as well as on the window.
  RECT r{layout_x_to_pixels(x, dpi_) - parent_origin.x, layout_y_to_pixels(y, dpi_) - parent_origin.y,
         layout_x_to_pixels(x + c.width(), dpi_) - parent_origin.x,
         layout_y_to_pixels(y + c.height(), dpi_) - parent_origin.y};
  if (c.kind() == ui::control_kind::line) {
    if (c.width() >= c.height()) {
      r.bottom = r.top + scale_for_dpi(line_thickness, dpi_);
    } else {
      r.right = r.left + scale_for_dpi(line_thickness, dpi_);
    }
  }
  // A drop-down's height includes its open list.
  if (c.kind() == ui::control_kind::dropdown) r.bottom += scale_for_dpi(dropdown_list_height, dpi_);
  return r;
}

const LOGFONTW& win32_view::message_font() {
  if (message_font_dpi_ == dpi_) return message_font_;
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  LOGFONTW font{};
  if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
    font = metrics.lfMessageFont;
    // The system gives it for the system DPI; the window may be on a monitor of another.
    font.lfHeight = MulDiv(font.lfHeight, dpi_, system_dpi());
  } else {
    font.lfHeight = -MulDiv(default_font_points, dpi_, 72);
    font.lfCharSet = DEFAULT_CHARSET;
    wcsncpy(font.lfFaceName, L"MS Shell Dlg 2", LF_FACESIZE - 1);
  }
  message_font_ = font;
  message_font_dpi_ = dpi_;
  return message_font_;
}

HFONT win32_view::font_for(const ui::control& c) {
  // Asked once per DPI, not once per control.
  LOGFONTW font = message_font();
  if (!c.font().empty()) {
    const std::wstring face = wide(c.font());
    std::fill(std::begin(font.lfFaceName), std::end(font.lfFaceName), L'\0');
    wcsncpy(font.lfFaceName, face.c_str(), LF_FACESIZE - 1);
    font.lfHeight = -MulDiv(c.font_points() > 0 ? c.font_points() : default_font_points, dpi_, 72);
    font.lfWeight = FW_NORMAL;
    // The face decides the character set: 宋体 and 黑体 bring their Chinese glyphs.
    font.lfCharSet = DEFAULT_CHARSET;
  } else if (c.font_points() > 0) {
    font.lfHeight = -MulDiv(c.font_points(), dpi_, 72);
  }
  if (c.bold()) font.lfWeight = FW_BOLD;
  font.lfWidth = 0;

  const std::wstring key = std::wstring(font.lfFaceName) + L'|' + std::to_wstring(font.lfHeight) + L'|' +
                           std::to_wstring(font.lfWeight);
  auto found = fonts_.find(key);
  if (found == fonts_.end())
    found = fonts_.emplace(key, win32::unique_font(CreateFontIndirectW(&font))).first;
  return found->second.get();
}

std::string win32_view::picture_path(const std::string& name) const {
  if (name.empty()) return {};
  if (is_absolute(name) || picture_folder_.empty()) return name;
  return picture_folder_ + "\\" + name;
}

win32_view::entry* win32_view::find(HWND child) {
  if (child == nullptr) return nullptr;
  const auto found = by_id_.find(GetDlgCtrlID(child));
  if (found != by_id_.end() && entries_[found->second].hwnd == child) return &entries_[found->second];
  // A control without an ID of its own, or one whose ID another control repeats.
  for (entry& e : entries_) {
    if (e.hwnd == child) return &e;
  }
  return nullptr;
}

win32_view::entry* win32_view::find(const ui::control& c) {
  const auto found = by_model_.find(&c);
  return found == by_model_.end() ? nullptr : &entries_[found->second];
}

void win32_view::control_changed(ui::control& c, ui::change what) {
  // Before the window exists (or after it has gone) there is nothing to show: creation reads the
  // model as it is then.
  if (window_ == nullptr) return;
  if (&c == tab_ && (what == ui::change::selection || what == ui::change::visible)) {
    apply_pages();
    return;
  }
  if (&c == tab_ && what == ui::change::geometry) {
    for (const auto& [page, container] : pages_) apply_page_geometry(page);
    return;
  }
  if (c.kind() == ui::control_kind::page) {
    if (what == ui::change::visible) apply_pages();
    return;
  }
  entry* e = find(c);
  if (e == nullptr || e->hwnd == nullptr) return;
  apply(*e, what);
}

void win32_view::apply(entry& e, ui::change what) {
  const ui::control& c = *e.model;
  switch (what) {
    case ui::change::text:
      ++applying_;
      SetWindowTextW(e.hwnd, wide(c.text()).c_str());
      --applying_;
      // The text is the model's now; nothing typed is left to confirm.
      e.unconfirmed = false;
      repaint(e);
      break;
    case ui::change::visible:
      apply_visibility(e);
      break;
    case ui::change::enabled:
      if (!c.enabled()) move_focus_from(e);
      EnableWindow(e.hwnd, c.enabled() ? TRUE : FALSE);
      repaint(e);
      break;
    case ui::change::checked:
      SendMessageW(e.hwnd, BM_SETCHECK, c.checked() ? BST_CHECKED : BST_UNCHECKED, 0);
      apply_radio_tab_stop(e);
      repaint(e);
      break;
    case ui::change::geometry:
      apply_geometry(e);
      break;
    case ui::change::items:
      apply_items(e);
      break;
    case ui::change::selection:
      if (c.kind() == ui::control_kind::dropdown) {
        ++applying_;
        SendMessageW(e.hwnd, CB_SETCURSEL, c.selection() > 0 ? c.selection() - 1 : -1, 0);
        --applying_;
        repaint(e);
      }
      break;
    case ui::change::picture:
      apply_picture(e, true);
      break;
    case ui::change::focus:
      if (IsWindowVisible(e.hwnd) && IsWindowEnabled(e.hwnd)) SetFocus(e.hwnd);
      break;
  }
}

void win32_view::apply_visibility(entry& e) {
  const bool visible = e.model->visible();
  if (visible == ((GetWindowLongPtrW(e.hwnd, GWL_STYLE) & WS_VISIBLE) != 0)) return;
  if (!visible) move_focus_from(e);
  ShowWindow(e.hwnd, visible ? SW_SHOWNA : SW_HIDE);
  repaint(e);
}

void win32_view::apply_pages() {
  const HWND focus = GetFocus();
  bool focus_hidden = false;
  for (const auto& [page, container] : pages_) {
    const bool show = page_shown(page);
    if (show == (IsWindowVisible(container) != FALSE)) continue;
    if (!show && focus != nullptr && IsChild(container, focus)) focus_hidden = true;
    ShowWindow(container, show ? SW_SHOWNA : SW_HIDE);
    RECT area{};
    GetWindowRect(container, &area);
    MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&area), 2);
    repaint(area);
  }
  if (focus_hidden) {
    // The keyboard goes on with the first control that can take it; the field left behind is not
    // confirmed by this (the model, not the user, moved the focus).
    ++applying_;
    const HWND first = GetNextDlgTabItem(window_, nullptr, FALSE);
    SetFocus(first != nullptr ? first : window_);
    --applying_;
  }
}

void win32_view::apply_page_geometry(int page) {
  const auto container = pages_.find(page);
  if (container == pages_.end()) return;
  RECT before{};
  GetWindowRect(container->second, &before);
  MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&before), 2);
  const RECT after = page_rect(page);
  if (!EqualRect(&before, &after)) {
    MoveWindow(container->second, after.left, after.top, after.right - after.left, after.bottom - after.top,
               FALSE);
  }
  // The tab may have moved by a fraction of a pixel: every control of the page is placed again.
  for (entry& e : entries_) {
    if (e.hwnd == nullptr || e.model->page() != page || e.model->kind() == ui::control_kind::page) continue;
    const RECT r = pixel_rect(*e.model);
    MoveWindow(e.hwnd, r.left, r.top, r.right - r.left, r.bottom - r.top, FALSE);
  }
  RECT both{};
  UnionRect(&both, &before, &after);
  repaint(both);
}

void win32_view::apply_geometry(entry& e) {
  const ui::control& c = *e.model;
  const HWND parent = GetParent(e.hwnd);
  // A page grows first, so that the control is not cut off where it lands.
  if (c.page() > 0) {
    const auto container = pages_.find(c.page());
    if (container != pages_.end()) {
      const RECT needed = page_rect(c.page());
      RECT now{};
      GetWindowRect(container->second, &now);
      MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&now), 2);
      if (!EqualRect(&now, &needed)) {
        MoveWindow(container->second, needed.left, needed.top, needed.right - needed.left,
                   needed.bottom - needed.top, FALSE);
      }
    }
  }
  RECT before{};
  GetWindowRect(e.hwnd, &before);
  MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&before), 2);
  const RECT placed = pixel_rect(c);
  MoveWindow(e.hwnd, placed.left, placed.top, placed.right - placed.left, placed.bottom - placed.top, FALSE);
  const RECT after = in_window(placed, parent);
  const bool resized = (before.right - before.left) != (after.right - after.left) ||
                       (before.bottom - before.top) != (after.bottom - after.top);
  if (resized && has_picture(c.kind())) apply_picture(e, false);
  RECT both{};
  UnionRect(&both, &before, &after);
  repaint(both);
}

void win32_view::apply_items(entry& e) {
  const ui::control& c = *e.model;
  ++applying_;
  SendMessageW(e.hwnd, CB_RESETCONTENT, 0, 0);
  for (const std::string& item : c.items()) {
    SendMessageW(e.hwnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide(item).c_str()));
  }
  if (c.selection() > 0) {
    SendMessageW(e.hwnd, CB_SETCURSEL, c.selection() - 1, 0);
  } else {
    SetWindowTextW(e.hwnd, wide(c.text()).c_str());
  }
  --applying_;
  repaint(e);
}

void win32_view::apply_picture(entry& e, bool reload) {
  const ui::control& c = *e.model;
  if (reload) {
    // The system's picture decoders are COM objects. OLE is started with the first picture, after the
    // window is on the screen: loading it costs the start of the program a noticeable time.
    if (!ole_started_) {
      ole_started_ = true;
      const auto initialize = SETUP_SYSTEM_FUNCTION(L"ole32.dll", OleInitialize);
      ole_ready_ = initialize != nullptr && SUCCEEDED(initialize(nullptr));
    }
    // A missing or unreadable picture leaves the place empty (a picture button shows its caption).
    e.image = win32::picture::load(picture_path(c.picture()));
  }
  RECT client{};
  GetClientRect(e.hwnd, &client);
  const COLORREF background = GetSysColor(COLOR_BTNFACE);
  win32::unique_bitmap bitmap;
  if (c.kind() == ui::control_kind::picture) {
    if (e.image) bitmap = e.image->render(client.right, client.bottom, background, false);
    SendMessageW(e.hwnd, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap.get()));
  } else {
    const int margin = scale_for_dpi(picture_button_margin, dpi_);
    if (e.image) {
      bitmap = e.image->render(client.right - 2 * margin, client.bottom - 2 * margin, background, true);
    }
    // A button takes a bitmap only while it has the bitmap style, and shows its caption without it.
    LONG_PTR style = GetWindowLongPtrW(e.hwnd, GWL_STYLE);
    if (bitmap) SetWindowLongPtrW(e.hwnd, GWL_STYLE, style | BS_BITMAP);
    SendMessageW(e.hwnd, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap.get()));
    if (!bitmap) SetWindowLongPtrW(e.hwnd, GWL_STYLE, style & ~static_cast<LONG_PTR>(BS_BITMAP));
  }
  const UINT get_image = c.kind() == ui::control_kind::picture ? STM_GETIMAGE : BM_GETIMAGE;
  const auto now_shown = reinterpret_cast<HBITMAP>(SendMessageW(e.hwnd, get_image, IMAGE_BITMAP, 0));
  // The previous bitmap is ours to delete once the control has let go of it; a control that refused
  // the new one keeps showing the old, which then stays.
  if (now_shown == bitmap.get()) e.shown_bitmap = std::move(bitmap);
  repaint(e);
}

void win32_view::apply_radio_tab_stop(entry& e) {
  if (e.model->kind() != ui::control_kind::radio) return;
  LONG_PTR style = GetWindowLongPtrW(e.hwnd, GWL_STYLE);
  style = e.model->checked() ? (style | WS_TABSTOP) : (style & ~static_cast<LONG_PTR>(WS_TABSTOP));
  SetWindowLongPtrW(e.hwnd, GWL_STYLE, style);
}

void win32_view::move_focus_from(entry& e) {
  const HWND focus = GetFocus();
  if (focus != e.hwnd && !IsChild(e.hwnd, focus)) return;
  // A control the model hides or disables takes the keyboard with it unless the focus moves on. The
  // edit it leaves is not confirmed by this: the model, not the user, moved the focus.
  ++applying_;
  const HWND next = GetNextDlgTabItem(window_, e.hwnd, FALSE);
  SetFocus(next != nullptr && next != e.hwnd ? next : window_);
  --applying_;
}

void win32_view::repaint(const RECT& area) {
  RedrawWindow(window_, &area, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  // Hands what was drawn to the screen now: the logic may not come back to the message loop for a while.
  GdiFlush();
}

void win32_view::repaint(entry& e) {
  RECT area{};
  GetWindowRect(e.hwnd, &area);
  MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&area), 2);
  repaint(area);
}

void win32_view::title_changed() {
  if (window_ != nullptr) SetWindowTextW(window_, wide(form_.title()).c_str());
}

void win32_view::close_requested() {
  if (window_ != nullptr) {
    close_asked_ = true;
    PostMessageW(window_, WM_CLOSE, 0, 0);
  } else if (!closing_) {
    closing_ = true;
    form_.closing();
  }
}

void win32_view::close() {
  on_close();
}

void win32_view::on_close() {
  if (closing_ || window_ == nullptr) return;
  if (handler_depth_ > 0) {
    // An install or a port change must not be cut off: only the form's own close waits for its turn.
    if (close_asked_) {
      close_pending_ = true;
    } else if (waiting_for_a_call()) {
      form_.close_refused();
    }
    return;
  }
  closing_ = true;
  run_handler([this] { form_.closing(); });
  if (window_ != nullptr) DestroyWindow(window_);
}

void win32_view::on_destroyed() {
  closing_ = true;
  if (dialogs_.owner() == window_) dialogs_.set_owner(nullptr);
  window_ = nullptr;
  pages_.clear();
  for (entry& e : entries_) {
    e.hwnd = nullptr;
    e.shown_bitmap.reset();
    e.background.reset();
  }
}

template <typename event>
void win32_view::run_handler(event&& handler) {
  ++handler_depth_;
  handler();
  --handler_depth_;
  if (handler_depth_ > 0) return;
  dialogs_.handler_finished();
  if (close_pending_ && window_ != nullptr) {
    close_pending_ = false;
    PostMessageW(window_, WM_CLOSE, 0, 0);
  }
}

bool win32_view::waiting_for_a_call() const {
  return waiting_ != nullptr && waiting_->waiting_here();
}

void win32_view::confirm_edit(entry& e) {
  // Left unconfirmed while a long call runs (the field lost the focus with the window's activation).
  if (!e.unconfirmed || closing_ || waiting_for_a_call()) return;
  e.unconfirmed = false;
  ui::control& c = *e.model;
  run_handler([&] { form_.modify(c); });
}

void win32_view::on_command(HWND child, int code) {
  if (closing_) return;
  entry* e = find(child);
  if (e == nullptr) return;
  ui::control& c = *e->model;
  // A control the model has disabled or hidden, or one on a page not shown, reports nothing and takes
  // no input, whatever reaches its window.
  if (!c.enabled() || !on_screen(c)) return;
  using kind = ui::control_kind;
  switch (c.kind()) {
    case kind::button:
    case kind::picture_button:
    case kind::radio:
    case kind::checkbox:
      // The form applies the click's rules (a radio button checked, a check box toggled). No click
      // starts a handler inside another (one that waits for a long call, or shows a box).
      if (code == BN_CLICKED && handler_depth_ == 0) run_handler([&] { form_.click(c); });
      break;
    case kind::edit:
    case kind::password_edit:
      if (applying_ > 0) break;
      if (code == EN_CHANGE) {
        c.input_text(narrow(text_of(child)));
        e->unconfirmed = true;
      } else if (code == EN_KILLFOCUS) {
        confirm_edit(*e);
      }
      break;
    case kind::dropdown:
      if (code == CBN_SELCHANGE) {
        if (handler_depth_ > 0) {
          // Refused as a click is; the list shows the model's choice again.
          apply_items(*e);
          break;
        }
        const LRESULT index = SendMessageW(child, CB_GETCURSEL, 0, 0);
        if (index == CB_ERR) break;
        run_handler([&] { form_.choose(c, static_cast<int>(index) + 1); });
      } else if (code == CBN_EDITCHANGE && applying_ == 0) {
        c.input_text(narrow(text_of(child)));
      }
      break;
    default:
      break;
  }
}

void win32_view::relayout_for_dpi(int new_dpi, const RECT* suggested) {
  dpi_ = new_dpi;
  RECT now{};
  GetWindowRect(window_, &now);
  const POINT origin =
      suggested != nullptr ? POINT{suggested->left, suggested->top} : POINT{now.left, now.top};
  size_window(&origin);
  // The controls take the new fonts before the old ones are deleted.
  auto old_fonts = std::move(fonts_);
  fonts_.clear();
  for (const auto& [page, container] : pages_) {
    const RECT r = page_rect(page);
    MoveWindow(container, r.left, r.top, r.right - r.left, r.bottom - r.top, FALSE);
  }
  for (entry& e : entries_) {
    if (e.hwnd == nullptr || e.model->kind() == ui::control_kind::page) continue;
    SendMessageW(e.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font_for(*e.model)), FALSE);
    const RECT r = pixel_rect(*e.model);
    MoveWindow(e.hwnd, r.left, r.top, r.right - r.left, r.bottom - r.top, FALSE);
    if (has_picture(e.model->kind())) apply_picture(e, false);
  }
  RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

LRESULT CALLBACK win32_view::window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* view = static_cast<win32_view*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
    view->window_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(view));
  }
  auto* view = reinterpret_cast<win32_view*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (view == nullptr || view->window_ != window) return DefWindowProcW(window, message, wparam, lparam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    view->on_destroyed();
    return DefWindowProcW(window, message, wparam, lparam);
  }
  return view->handle(message, wparam, lparam);
}

bool win32_view::handle_control_notice(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) {
  switch (message) {
    case WM_COMMAND:
      // Only notices from our controls: the keyboard's Enter and Escape (IDOK, IDCANCEL without a
      // control) do nothing.
      if (lparam != 0) on_command(reinterpret_cast<HWND>(lparam), HIWORD(wparam));
      result = 0;
      return true;
    case WM_CTLCOLORSTATIC: {
      entry* e = find(reinterpret_cast<HWND>(lparam));
      if (e == nullptr || e->model->kind() != ui::control_kind::label) return false;
      const HDC dc = reinterpret_cast<HDC>(wparam);
      SetBkMode(dc, TRANSPARENT);
      result = reinterpret_cast<LRESULT>(label_background(*e, dc));
      return true;
    }
    default:
      return false;
  }
}

HBRUSH win32_view::label_background(entry& label, HDC dc) {
  RECT area{};
  GetWindowRect(label.hwnd, &area);
  const HWND parent = GetParent(label.hwnd);
  // On a picture, the label's background is the part of the picture it covers.
  for (const entry& e : entries_) {
    if (e.hwnd == nullptr || e.model->kind() != ui::control_kind::picture || !e.shown_bitmap ||
        GetParent(e.hwnd) != parent || !IsWindowVisible(e.hwnd)) {
      continue;
    }
    RECT picture{};
    GetWindowRect(e.hwnd, &picture);
    RECT overlap{};
    if (!IntersectRect(&overlap, &area, &picture) || !EqualRect(&overlap, &area)) continue;
    label.background.reset(CreatePatternBrush(e.shown_bitmap.get()));
    if (!label.background) break;
    SetBrushOrgEx(dc, picture.left - area.left, picture.top - area.top, nullptr);
    return label.background.get();
  }
  // Elsewhere nothing is filled: the parent has erased under the label before it paints.
  return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
}

LRESULT CALLBACK win32_view::page_procedure(HWND page, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    SetWindowLongPtrW(page, GWLP_USERDATA,
                      reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams));
  }
  auto* view = reinterpret_cast<win32_view*>(GetWindowLongPtrW(page, GWLP_USERDATA));
  LRESULT result = 0;
  if (view != nullptr && view->window_ != nullptr &&
      view->handle_control_notice(message, wparam, lparam, result)) {
    return result;
  }
  return DefWindowProcW(page, message, wparam, lparam);
}

LRESULT win32_view::handle(UINT message, WPARAM wparam, LPARAM lparam) {
  LRESULT result = 0;
  if (handle_control_notice(message, wparam, lparam, result)) return result;
  switch (message) {
    case WM_SETCURSOR:
      if (dialogs_.wait_cursor_shown()) {
        SetCursor(LoadCursorW(nullptr, IDC_WAIT));
        return TRUE;
      }
      break;
    case WM_ACTIVATE:
      if (LOWORD(wparam) == WA_INACTIVE) {
        const HWND focus = GetFocus();
        if (focus != nullptr && IsChild(window_, focus)) focus_before_deactivation_ = focus;
        return 0;
      }
      if (focus_before_deactivation_ != nullptr && IsWindow(focus_before_deactivation_) &&
          IsChild(window_, focus_before_deactivation_)) {
        SetFocus(focus_before_deactivation_);
        return 0;
      }
      break;
    case WM_CLOSE:
      on_close();
      return 0;
    case WM_QUERYENDSESSION:
      // Windows is not to end the session in the middle of an install or a port change.
      if (handler_depth_ > 0) return FALSE;
      break;
    case message_dpi_changed:
      relayout_for_dpi(LOWORD(wparam), reinterpret_cast<const RECT*>(lparam));
      return 0;
    default:
      break;
  }
  return DefWindowProcW(window_, message, wparam, lparam);
}

LRESULT CALLBACK win32_view::edit_procedure(HWND edit, UINT message, WPARAM wparam, LPARAM lparam,
                                            UINT_PTR id, DWORD_PTR view) {
  auto* self = reinterpret_cast<win32_view*>(view);
  if (message == WM_NCDESTROY) {
    RemoveWindowSubclass(edit, edit_procedure, id);
    return DefSubclassProc(edit, message, wparam, lparam);
  }
  if (id < self->entries_.size() && self->entries_[id].hwnd == edit) {
    return self->handle_edit(self->entries_[id], message, wparam, lparam);
  }
  return DefSubclassProc(edit, message, wparam, lparam);
}

LRESULT win32_view::handle_edit(entry& e, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_GETDLGCODE:
      // Enter belongs to the field (it confirms the text), not to the window's keyboard navigation.
      if (wparam == VK_RETURN) return DefSubclassProc(e.hwnd, message, wparam, lparam) | DLGC_WANTALLKEYS;
      break;
    case WM_KEYDOWN:
      if (wparam == VK_RETURN) {
        confirm_edit(e);
        return 0;
      }
      break;
    case WM_CHAR:
      // A single-line field beeps at Enter; the Enter has done its work already.
      if (wparam == L'\r' || wparam == L'\n') return 0;
      break;
    default:
      break;
  }
  return DefSubclassProc(e.hwnd, message, wparam, lparam);
}

void win32_view::deliver(MSG& message) {
  if (window_ != nullptr && IsDialogMessageW(window_, &message)) return;
  TranslateMessage(&message);
  DispatchMessageW(&message);
}

void win32_view::pump_pending() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(message.wParam));
      break;
    }
    deliver(message);
  }
}

int run_window(ui::form& form, win32_dialogs& dialogs, trace* log, win32_waiting* waiting) {
  // Between two long calls a handler keeps the window from its messages for a moment; the system must
  // not replace it with a ghost meanwhile.
  DisableProcessWindowsGhosting();
  win32_view view(form, dialogs, win32_view::options{.log = log, .waiting = waiting});
  if (!view.create()) return -1;
  MSG message;
  while (view.is_open()) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == 0 || got == -1) {
      view.close();
      break;
    }
    view.deliver(message);
  }
  return 0;
}

}  // namespace setup
