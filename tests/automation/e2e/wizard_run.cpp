#include "tests/automation/e2e/wizard_run.h"

#include <cmath>
#include <sstream>

#include "model/sql_server_registry.h"
#include "platform/win32/win32_system.h"

namespace setup::automation {
namespace {

using ui::control_kind;

// Layout units in a pixel at 96 DPI.
constexpr double units_across = 4.57;
constexpr double units_down = 4.0;
// Rounding of the view and of this conversion may differ by a pixel.
constexpr int pixel_tolerance = 1;
// Time for the window to apply what a click changed.
constexpr milliseconds settle_timeout{5000};

int screen_dpi() {
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : 96;
}

int to_pixels(int units, double units_per_pixel, int dpi) {
  return static_cast<int>(std::lround(units / units_per_pixel * dpi / 96.0));
}

bool shows_text(control_kind kind) {
  // A picture's file name is no text; a password field does not hand out its text.
  return kind != control_kind::picture && kind != control_kind::line && kind != control_kind::password_edit;
}

bool file_exists(const std::string& path) {
  return GetFileAttributesW(win32::wide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

template <typename value>
void compare(std::vector<std::string>& out, const ui::control& c, const char* what, const value& real,
             const value& model) {
  if (real == model) return;
  std::ostringstream line;
  line << c.name() << " (" << c.id() << ") " << what << ": the window shows " << testing::PrintToString(real)
       << ", the model says " << testing::PrintToString(model);
  out.push_back(line.str());
}

}  // namespace

wizard_run::wizard_run(bool windows_64bit)
    : browser(built_program("browser_recorder.exe"), medium / "opened-addresses.txt"),
      machine(windows_64bit) {
  machine.fs.add_directory(medium.path());
  machine.fs.SetCurrentDirectory(medium.path());
  sql_servers.mark_64bit_windows(windows_64bit);
  // Discovery proposes the computer's address: the model's computer is the prefix's.
  wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD length = MAX_COMPUTERNAME_LENGTH + 1;
  if (GetComputerNameW(name, &length)) {
    const std::string computer = win32::narrow(name);
    machine.reg.set_string(sql_registry::computer_name_key, "ComputerName", computer);
    win32_network net(test::log());
    if (const auto addresses = net.host_addresses(computer)) machine.net.hosts[computer] = *addresses;
  }
}

void wizard_run::sql_instance(const test::sql_instance& instance, const std::string& fixture) {
  sql_servers.add_instance(instance.name, instance.id, fixture, instance.in_32bit_view, instance.folder(),
                           instance.port);
  machine.add(instance);
}

void wizard_run::sql2000(const std::string& active, bool in_32bit_view, const std::string& port) {
  sql_servers.add_sql2000(active, "code_page_0x1252_32.dll", in_32bit_view,
                          test::sql_server_machine::sql2000_folder(active), port);
  machine.add_sql2000(active, in_32bit_view, true, port);
}

testing::AssertionResult wizard_run::click_answering(ui::control& c, std::string_view caption,
                                                     std::string_view text, int button) {
  const window w = real(c);
  if (!w.shown() || !w.enabled()) return testing::AssertionFailure() << c.name() << " cannot be clicked";
  if (button == IDYES || button == IDNO) machine.ui.yes_no_answers.push_back(button == IDYES ? 1 : 2);
  model->click(c);
  w.click();
  message_box box;
  if (testing::AssertionResult shown = app.wait_for_message_box(box); !shown) return shown;
  if (box.caption() != caption || box.message() != text) {
    return testing::AssertionFailure() << "a box \"" << box.caption() << "\": \"" << box.message()
                                       << "\", not \"" << caption << "\": \"" << text << "\"";
  }
  if (!box.press(button)) return testing::AssertionFailure() << "the box has no button " << button;
  return shows_the_model();
}

testing::AssertionResult wizard_run::type(ui::control& c, std::string_view text) {
  const window w = real(c);
  if (!w.shown() || !w.enabled()) return testing::AssertionFailure() << c.name() << " cannot be typed into";
  c.input_text(std::string(text));
  w.type(text);
  return shows_the_model();
}

testing::AssertionResult wizard_run::choose(ui::control& c, int position) {
  const window w = real(c);
  if (!w.shown() || !w.enabled()) return testing::AssertionFailure() << c.name() << " cannot be chosen from";
  model->choose(c, position);
  w.choose_item(position);
  return shows_the_model();
}

void wizard_run::setup_ini(std::string_view lines) {
  EXPECT_TRUE(medium.write_setup_ini(lines));
  machine.fs.add_file(medium / "setup.ini", "[Options]\r\n" + std::string(lines));
}

void wizard_run::setup_des(std::string_view lines, unsigned code_page) {
  EXPECT_TRUE(medium.write_setup_des(lines, code_page));
  const std::string text = "[oem]\r\n" + std::string(lines);
  machine.fs.add_file(medium / "setup.des", code_page == 0 ? text : in_code_page(text, code_page));
}

void wizard_run::medium_file(std::string_view name, std::string_view bytes) {
  EXPECT_TRUE(medium.write(name, bytes));
}

testing::AssertionResult wizard_run::open(const std::string& arguments) {
  if (testing::AssertionResult ready = medium.ready(); !ready) return ready;
  if (testing::AssertionResult installed = browser.installed(); !installed) return installed;
  model = machine.open_window();
  program::options how = medium.start_options({browser.environment()});
  how.arguments = arguments;
  if (testing::AssertionResult started = app.start(how); !started) return started;
  if (testing::AssertionResult shown = app.wait_for_window(); !shown) return shown;
  // The title is the open step's last act.
  return wait_until(
      [&] { return app.main_window().text() == model->title(); },
      "the title \"" + model->title() + "\" (the window shows \"" + app.main_window().text() + "\")");
}

std::vector<std::string> wizard_run::differences() const {
  std::vector<std::string> out;
  if (model == nullptr || !app.main_window().found()) return {"the wizard is not open"};
  if (!IsWindow(app.main_window().hwnd())) {
    std::ostringstream gone;
    gone << "the window has gone; the program ";
    if (app.running()) {
      gone << "still runs";
    } else {
      gone << "ended with exit code 0x" << std::hex << app.exit_code();
    }
    return {gone.str()};
  }
  if (app.main_window().text() != model->title()) {
    out.push_back("title: the window shows \"" + app.main_window().text() + "\", the model says \"" +
                  model->title() + "\"");
  }
  const int dpi = screen_dpi();
  const window main = app.main_window();
  for (const ui::control* c : model->controls()) {
    if (c->kind() == control_kind::tab || c->kind() == control_kind::page) continue;
    const window w = app.find_control(c->id());
    if (!w.found()) {
      out.push_back(c->name() + " (" + std::to_string(c->id()) + "): not in the window");
      continue;
    }
    // Only the selected page's controls are on the screen.
    const bool on_screen = c->visible() && (c->page() == 0 || c->page() == model->tab_1.selectedtab());
    compare(out, *c, "shown", w.shown(), on_screen);
    compare(out, *c, "enabled", w.enabled(), c->enabled());
    if (shows_text(c->kind())) compare(out, *c, "text", w.text(), c->text());
    if (c->kind() == control_kind::radio || c->kind() == control_kind::checkbox) {
      compare(out, *c, "checked", w.checked(), c->checked());
    }
    if (c->kind() == control_kind::dropdown) {
      compare(out, *c, "items", w.items(), c->items());
      compare(out, *c, "selection", w.selection(), c->selection());
    }
    if (c->kind() == control_kind::picture || c->kind() == control_kind::picture_button) {
      // A picture that is not in the medium leaves the place empty.
      const bool picture_there = !c->picture().empty() && file_exists(medium / c->picture());
      compare(out, *c, "picture shown", w.has_image(), picture_there);
    }

    // Page controls are placed from the tab's origin.
    const int x = c->x() + (c->page() > 0 ? model->tab_1.x() : 0);
    const int y = c->y() + (c->page() > 0 ? model->tab_1.y() : 0);
    const RECT r = w.rect_in(main);
    const auto within_tolerance = [](long a, long b) { return std::abs(a - b) <= pixel_tolerance; };
    const RECT expected{to_pixels(x, units_across, dpi), to_pixels(y, units_down, dpi),
                        to_pixels(x + c->width(), units_across, dpi),
                        to_pixels(y + c->height(), units_down, dpi)};
    // A line's thickness and length are the system's; a drop-down's height includes its list.
    const bool line = c->kind() == control_kind::line;
    const bool height_is_the_views = line || c->kind() == control_kind::dropdown;
    if (!within_tolerance(r.left, expected.left) || !within_tolerance(r.top, expected.top) ||
        (!line && !within_tolerance(r.right, expected.right)) ||
        (!height_is_the_views && !within_tolerance(r.bottom, expected.bottom))) {
      std::ostringstream line;
      line << c->name() << " (" << c->id() << ") at " << r.left << "," << r.top << " to " << r.right << ","
           << r.bottom << " px; the model's " << x << "," << y << " " << c->width() << "x" << c->height()
           << " units are " << expected.left << "," << expected.top << " to " << expected.right << ","
           << expected.bottom << " px at " << dpi << " DPI";
      out.push_back(line.str());
    }
  }
  return out;
}

testing::AssertionResult wizard_run::shows_the_model() const {
  std::vector<std::string> last;
  const testing::AssertionResult same = wait_until([&] { return (last = differences()).empty(); },
                                                   "the window to show the model", settle_timeout);
  if (same) return same;
  testing::AssertionResult failure = testing::AssertionFailure();
  failure << "the window differs from the model:";
  for (const std::string& line : last) failure << "\n  " << line;
  return failure;
}

testing::AssertionResult wizard_run::click(ui::control& c) {
  const window w = real(c);
  if (!w.shown() || !w.enabled()) {
    return testing::AssertionFailure()
           << c.name() << " cannot be clicked: it is " << (w.shown() ? "disabled" : "not on the screen");
  }
  model->click(c);
  w.click();
  return shows_the_model();
}

}  // namespace setup::automation
