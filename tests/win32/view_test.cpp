// The Win32 view of a window model: a small form of our own shown for real, and checked through the
// system's own calls (control IDs, texts, states, positions, fonts, pictures) while the model changes
// and while input is sent to the controls as a user's would be.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/win32/view.h"
#include "tests/win32/test_support.h"

namespace setup {
namespace {

using ui::control_kind;
using win32::narrow;
using win32::wide;

// 4 x 4 pixels: the upper half blue, the lower half red.
constexpr std::string_view blue_over_red_gif(
    "\x47\x49\x46\x38\x39\x61\x04\x00\x04\x00\xf0\x00\x00\xff\x00\x00\x00\x00\xff\x21\xf9\x04\x00\x00\x00\x00"
    "\x00\x2c\x00\x00\x00\x00\x04\x00\x04\x00\x00\x02\x05\x8c\x6f\xa0\xab\x05\x00\x3b",
    46);

// A 2 x 2 BMP file of one colour.
std::string solid_bmp(unsigned char red, unsigned char green, unsigned char blue) {
  std::string bytes(70, '\0');
  const auto put = [&](std::size_t at, std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i) bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xff);
  };
  bytes[0] = 'B';
  bytes[1] = 'M';
  put(2, 70, 4);
  put(10, 54, 4);
  put(14, 40, 4);
  put(18, 2, 4);
  put(22, 2, 4);
  put(26, 1, 2);
  put(28, 24, 2);
  put(34, 16, 4);
  for (std::size_t row = 0; row < 2; ++row) {
    for (std::size_t pixel = 0; pixel < 2; ++pixel) {
      const std::size_t at = 54 + row * 8 + pixel * 3;
      bytes[at] = static_cast<char>(blue);
      bytes[at + 1] = static_cast<char>(green);
      bytes[at + 2] = static_cast<char>(red);
    }
  }
  return bytes;
}

enum id : int {
  st_status = 201,
  sle_name,
  sle_secret,
  sle_shown,
  cb_go,
  rb_a,
  rb_b,
  cbx_x,
  ddl_list,
  p_logo,
  pb_pick,
  st_song,
  st_arial,
  ln_1,
  gb_1,
  st_on_logo,
  tab_1 = 300,
  tabpage_1 = 301,
  st_p1 = 311,
  sle_p1,
  st_p2 = 321,
  st_p2_hidden,
};

ui::control_design design(std::string name, control_kind kind, int id, std::string text, int x, int y,
                          int width, int height, int page = 0) {
  ui::control_design s;
  s.name = std::move(name);
  s.kind = kind;
  s.id = id;
  s.page = page;
  s.text = std::move(text);
  s.x = x;
  s.y = y;
  s.width = width;
  s.height = height;
  return s;
}

template <typename change>
ui::control_design with(ui::control_design s, change&& f) {
  f(s);
  return s;
}

class sample_form final : public ui::form {
 public:
  sample_form() : form(2286, 1600) {
    set_title("样例窗口");
    for (ui::control* c : {&status, &name,  &secret,   &shown,   &go,       &a,        &b,     &x,
                           &list,   &logo,  &pick,     &song,    &arial,    &line,     &frame, &on_logo,
                           &tab,    &page1, &p1_label, &p1_edit, &p2_label, &p2_hidden}) {
      add(*c);
      c->on_click = [this, c] { clicked(*c); };
      c->on_modified = [this, c] { events.push_back("modified " + c->name() + " " + c->text()); };
      c->on_selection_changed = [this, c] {
        events.push_back("selection " + c->name() + " " + std::to_string(c->selection()) + " " + c->text());
      };
    }
  }

  ui::control status{design("st_status", control_kind::label, st_status, "就绪", 457, 100, 1371, 80)};
  ui::control name{design("sle_name", control_kind::edit, sle_name, "", 457, 200, 914, 88)};
  ui::control secret{design("sle_secret", control_kind::password_edit, sle_secret, "", 457, 300, 914, 88)};
  ui::control shown{with(design("sle_shown", control_kind::edit, sle_shown, "只读", 1500, 200, 700, 88),
                         [](ui::control_design& s) { s.display_only = true; })};
  ui::control go{design("cb_go", control_kind::button, cb_go, "执行(&G)", 1500, 300, 457, 100)};
  ui::control a{
      with(design("rb_a", control_kind::radio, rb_a, "甲", 457, 420, 457, 72), [](ui::control_design& s) {
        s.checked = true;
        s.group = 1;
      })};
  ui::control b{with(design("rb_b", control_kind::radio, rb_b, "乙", 914, 420, 457, 72),
                     [](ui::control_design& s) { s.group = 1; })};
  ui::control x{design("cbx_x", control_kind::checkbox, cbx_x, "选项", 1500, 420, 457, 72)};
  ui::control list{design("ddl_list", control_kind::dropdown, ddl_list, "", 457, 520, 914, 88)};
  ui::control logo{with(design("p_logo", control_kind::picture, p_logo, "", 0, 0, 457, 400),
                        [](ui::control_design& s) { s.picture = "resource\\logo.gif"; })};
  ui::control pick{with(design("pb_pick", control_kind::picture_button, pb_pick, " ...", 1500, 520, 457, 160),
                        [](ui::control_design& s) { s.picture = "resource\\pick.gif"; })};
  ui::control song{with(design("st_song", control_kind::label, st_song, "宋体文字", 457, 620, 914, 80),
                        [](ui::control_design& s) {
                          s.font = "宋体";
                          s.font_points = 12;
                          s.bold = true;
                        })};
  ui::control arial{with(design("st_arial", control_kind::label, st_arial, "Arial", 1500, 700, 457, 80),
                         [](ui::control_design& s) { s.font = "Arial"; })};
  ui::control line{design("ln_1", control_kind::line, ln_1, "", 0, 790, 2286, 0)};
  ui::control frame{design("gb_1", control_kind::frame, gb_1, "选项组", 400, 380, 1000, 200)};
  ui::control on_logo{design("st_on_logo", control_kind::label, st_on_logo, "标志", 20, 40, 400, 80)};
  ui::control tab{design("tab_1", control_kind::tab, tab_1, "", 457, 800, 1600, 700)};
  ui::control page1{design("tabpage_1", control_kind::page, tabpage_1, "", 0, 0, 0, 0, 1)};
  ui::control p1_label{design("st_p1", control_kind::label, st_p1, "第一页", 0, 0, 914, 80, 1)};
  ui::control p1_edit{design("sle_p1", control_kind::edit, sle_p1, "", 0, 100, 914, 88, 1)};
  ui::control p2_label{design("st_p2", control_kind::label, st_p2, "第二页", 0, 0, 914, 80, 2)};
  ui::control p2_hidden{
      with(design("st_p2_hidden", control_kind::label, st_p2_hidden, "隐藏", 0, 100, 914, 80, 2),
           [](ui::control_design& s) { s.visible = false; })};

  // What the handlers saw, in order: the event, the control, and the model's state at that moment.
  std::vector<std::string> events;
  std::function<void(ui::control&)> on_click;
  int closings = 0;

  void clicked(ui::control& c) {
    events.push_back("clicked " + c.name() + " a=" + std::to_string(a.checked()) +
                     " b=" + std::to_string(b.checked()) + " x=" + std::to_string(x.checked()));
    if (on_click) on_click(c);
  }
  void closing() override { ++closings; }
};

std::string text_of(HWND window) {
  wchar_t buffer[512] = {};
  GetWindowTextW(window, buffer, 512);
  return narrow(buffer);
}

// The control's rectangle in the client coordinates of the window, on a page as well.
RECT placed(HWND control) {
  RECT r{};
  GetWindowRect(control, &r);
  MapWindowPoints(nullptr, GetAncestor(control, GA_ROOT), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

LOGFONTW font_of(HWND control) {
  LOGFONTW font{};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), sizeof font, &font);
  return font;
}

LONG_PTR style_of(HWND window) {
  return GetWindowLongPtrW(window, GWL_STYLE);
}

struct id_search {
  int id;
  HWND found = nullptr;
};

BOOL CALLBACK match_id(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<id_search*>(data);
  if (GetDlgCtrlID(window) != search->id) return TRUE;
  search->found = window;
  return FALSE;
}

// The control with this ID at any depth of the window: page controls are inside their page.
HWND control_of(HWND window, int id) {
  id_search search{id};
  EnumChildWindows(window, match_id, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

int check_of(HWND button) {
  return static_cast<int>(SendMessageW(button, BM_GETCHECK, 0, 0));
}

class ShownForm : public ::testing::Test {
 protected:
  void SetUp() override {
    CreateDirectoryW(wide(dir / "resource").c_str(), nullptr);
    ASSERT_TRUE(test::write_file(dir / "resource\\logo.gif", blue_over_red_gif));
    view = std::make_unique<win32_view>(form, dialogs, win32_view::options{dir.path()});
    ASSERT_TRUE(view->create(SW_SHOW));
    view->pump_pending();
  }
  void TearDown() override { view.reset(); }

  HWND item(int id) const { return control_of(view->window(), id); }

  test::temp_directory dir;
  sample_form form;
  win32_dialogs dialogs{test::log()};
  std::unique_ptr<win32_view> view;
};

TEST_F(ShownForm, TheWindowShowsWhatTheModelSays) {
  const HWND window = view->window();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(text_of(window), "样例窗口");
  EXPECT_EQ(dialogs.owner(), window);
  // Title bar with the control menu and a minimize box; not resizable, no maximize box.
  const LONG_PTR style = style_of(window);
  EXPECT_TRUE(style & WS_CAPTION);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_TRUE(style & WS_MINIMIZEBOX);
  EXPECT_FALSE(style & WS_THICKFRAME);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);

  EXPECT_EQ(text_of(item(st_status)), "就绪");
  EXPECT_EQ(text_of(item(cb_go)), "执行(&G)");
  EXPECT_EQ(text_of(item(sle_shown)), "只读");
  EXPECT_EQ(text_of(item(gb_1)), "选项组");
  EXPECT_TRUE(style_of(item(sle_secret)) & ES_PASSWORD);
  EXPECT_FALSE(style_of(item(sle_name)) & (ES_PASSWORD | ES_READONLY));
  EXPECT_TRUE(style_of(item(sle_shown)) & ES_READONLY);
  EXPECT_EQ(style_of(item(gb_1)) & BS_TYPEMASK, BS_GROUPBOX);
  EXPECT_EQ(check_of(item(rb_a)), BST_CHECKED);
  EXPECT_EQ(check_of(item(rb_b)), BST_UNCHECKED);
  EXPECT_EQ(check_of(item(cbx_x)), BST_UNCHECKED);
  EXPECT_TRUE(IsWindowVisible(item(st_status)));
  EXPECT_TRUE(IsWindowEnabled(item(cb_go)));
  // The tab and its pages are the view's business: no child window stands for them.
  EXPECT_EQ(item(tab_1), nullptr);
}

TEST_F(ShownForm, TheWindowIsCentredOnTheWorkAreaWithTheFormsClientSize) {
  RECT client{};
  GetClientRect(view->window(), &client);
  EXPECT_EQ(client.right, layout_x_to_pixels(2286, view->dpi()));
  EXPECT_EQ(client.bottom, layout_y_to_pixels(1600, view->dpi()));
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  ASSERT_TRUE(GetMonitorInfoW(MonitorFromWindow(view->window(), MONITOR_DEFAULTTOPRIMARY), &monitor));
  RECT outer{};
  GetWindowRect(view->window(), &outer);
  const RECT& work = monitor.rcWork;
  EXPECT_NEAR(outer.left - work.left, work.right - outer.right, 1);
  EXPECT_NEAR(outer.top - work.top, work.bottom - outer.bottom, 1);
}

TEST(Win32Layout, UnitsBecomePixelsAt96DpiAndScaleWithTheDpi) {
  EXPECT_EQ(layout_x_to_pixels(457, 96), 100);
  EXPECT_EQ(layout_y_to_pixels(400, 96), 100);
  EXPECT_EQ(layout_x_to_pixels(2386, 96), 522);
  EXPECT_EQ(layout_y_to_pixels(1444, 96), 361);
  EXPECT_EQ(layout_x_to_pixels(457, 144), 150);
  EXPECT_EQ(layout_y_to_pixels(400, 192), 200);
  EXPECT_EQ(layout_x_to_pixels(0, 144), 0);
  EXPECT_EQ(scale_for_dpi(2, 96), 2);
  EXPECT_EQ(scale_for_dpi(2, 120), 3);
}

TEST_F(ShownForm, ControlsSitAtTheirConvertedPositionsAndPageControlsFollowTheTab) {
  ASSERT_EQ(view->dpi(), 96) << "the positions below are for 96 DPI";
  const RECT status = placed(item(st_status));
  EXPECT_EQ(status.left, 100);
  EXPECT_EQ(status.top, 25);
  EXPECT_EQ(status.right - status.left, 300);
  EXPECT_EQ(status.bottom - status.top, 20);
  // tab_1 is at (457, 800): its page controls are placed from there.
  const RECT p1_edit = placed(item(sle_p1));
  EXPECT_EQ(p1_edit.left, 100);
  EXPECT_EQ(p1_edit.top, 225);
  const RECT logo = placed(item(p_logo));
  EXPECT_EQ(logo.right - logo.left, 100);
  EXPECT_EQ(logo.bottom - logo.top, 100);

  form.tab.set_y(900);
  EXPECT_EQ(placed(item(sle_p1)).top, 250);
  form.name.set_x(914);
  form.name.set_width(457);
  const RECT name = placed(item(sle_name));
  EXPECT_EQ(name.left, 200);
  EXPECT_EQ(name.right - name.left, 100);
}

TEST_F(ShownForm, MovingToAMonitorOfAnotherDpiLaysTheWindowOutAgain) {
  RECT suggested{};
  GetWindowRect(view->window(), &suggested);
  SendMessageW(view->window(), 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(144, 144),
               reinterpret_cast<LPARAM>(&suggested));
  ASSERT_EQ(view->dpi(), 144);
  RECT client{};
  GetClientRect(view->window(), &client);
  EXPECT_EQ(client.right, layout_x_to_pixels(2286, 144));
  EXPECT_EQ(client.bottom, layout_y_to_pixels(1600, 144));
  const RECT status = placed(item(st_status));
  EXPECT_EQ(status.left, 150);
  EXPECT_EQ(status.right - status.left, 450);
  EXPECT_EQ(placed(item(sle_p1)).top, layout_y_to_pixels(900, 144));
  EXPECT_EQ(font_of(item(st_song)).lfHeight, -24);
  const auto logo = reinterpret_cast<HBITMAP>(SendMessageW(item(p_logo), STM_GETIMAGE, IMAGE_BITMAP, 0));
  BITMAP size{};
  ASSERT_TRUE(GetObjectW(logo, sizeof size, &size));
  EXPECT_EQ(size.bmWidth, 150);
}

TEST_F(ShownForm, ModelChangesAreShownAtOnce) {
  form.status.set_text("正在安装数据库，请稍候……");
  EXPECT_EQ(text_of(item(st_status)), "正在安装数据库，请稍候……");
  form.go.set_enabled(false);
  EXPECT_FALSE(IsWindowEnabled(item(cb_go)));
  form.status.set_visible(false);
  EXPECT_FALSE(IsWindowVisible(item(st_status)));
  form.status.set_visible(true);
  EXPECT_TRUE(IsWindowVisible(item(st_status)));
  form.x.set_checked(true);
  EXPECT_EQ(check_of(item(cbx_x)), BST_CHECKED);
  // Checking one radio button of a group unchecks the other, on the screen too.
  form.b.set_checked(true);
  EXPECT_EQ(check_of(item(rb_b)), BST_CHECKED);
  EXPECT_EQ(check_of(item(rb_a)), BST_UNCHECKED);
  // Tab lands on the checked button of a group only.
  EXPECT_TRUE(style_of(item(rb_b)) & WS_TABSTOP);
  EXPECT_FALSE(style_of(item(rb_a)) & WS_TABSTOP);
  form.set_title("[演示]服务器安装程序");
  EXPECT_EQ(text_of(view->window()), "[演示]服务器安装程序");
}

TEST_F(ShownForm, ALabelWrittenDuringAHandlerIsPaintedBeforeTheHandlerGoesOn) {
  bool painted_at_once = false;
  form.on_click = [&](ui::control&) {
    form.status.set_text("第 1 步");
    RECT pending{};
    painted_at_once =
        !GetUpdateRect(item(st_status), &pending, FALSE) && !GetUpdateRect(view->window(), &pending, FALSE);
  };
  SendMessageW(item(cb_go), BM_CLICK, 0, 0);
  EXPECT_TRUE(painted_at_once);
  EXPECT_EQ(text_of(item(st_status)), "第 1 步");
}

TEST_F(ShownForm, DropDownItemsAndSelectionFollowTheModel) {
  const HWND list = item(ddl_list);
  EXPECT_EQ(SendMessageW(list, CB_GETCOUNT, 0, 0), 0);
  form.list.add_item("C:\\Program Files\\Microsoft SQL Server\\MSSQL");
  form.list.add_item("D:\\SQL\\实例2");
  EXPECT_EQ(SendMessageW(list, CB_GETCOUNT, 0, 0), 2);
  ASSERT_TRUE(form.list.select(2));
  EXPECT_EQ(SendMessageW(list, CB_GETCURSEL, 0, 0), 1);
  EXPECT_EQ(text_of(list), "D:\\SQL\\实例2");
  form.list.reset_items();
  EXPECT_EQ(SendMessageW(list, CB_GETCOUNT, 0, 0), 0);
  form.list.set_text("E:\\手工");
  EXPECT_EQ(text_of(list), "E:\\手工");
}

TEST_F(ShownForm, OnlyTheSelectedPageShowsItsVisibleControls) {
  form.tab.SelectTab(1);
  EXPECT_TRUE(IsWindowVisible(item(st_p1)));
  EXPECT_FALSE(IsWindowVisible(item(st_p2)));
  EXPECT_FALSE(IsWindowVisible(item(st_p2_hidden)));

  form.tab.SelectTab(2);
  EXPECT_FALSE(IsWindowVisible(item(st_p1)));
  EXPECT_FALSE(IsWindowVisible(item(sle_p1)));
  EXPECT_TRUE(IsWindowVisible(item(st_p2)));
  EXPECT_FALSE(IsWindowVisible(item(st_p2_hidden))) << "a hidden control stays hidden on its page";
  // A control keeps its own visible state whatever page is shown; its page's container shows it.
  EXPECT_TRUE(style_of(item(st_p1)) & WS_VISIBLE);
  EXPECT_FALSE(style_of(item(st_p2_hidden)) & WS_VISIBLE);

  // Shown by the model while its page is not selected: it appears with its page.
  form.tab.SelectTab(1);
  form.p2_hidden.set_visible(true);
  EXPECT_FALSE(IsWindowVisible(item(st_p2_hidden)));
  form.tab.SelectTab(2);
  EXPECT_TRUE(IsWindowVisible(item(st_p2_hidden)));
  EXPECT_TRUE(IsWindowVisible(item(st_status))) << "window-level controls stay";

  // The page control of the form names its page's container; hiding it hides the page.
  const HWND page = item(tabpage_1);
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(GetParent(item(st_p1)), page);
  form.tab.SelectTab(1);
  EXPECT_TRUE(IsWindowVisible(page));
  form.page1.set_visible(false);
  EXPECT_FALSE(IsWindowVisible(item(st_p1)));
  form.page1.set_visible(true);
  EXPECT_TRUE(IsWindowVisible(item(st_p1)));
}

TEST(Win32View, ChangesMadeBeforeTheWindowExistsAreShownWhenItIsCreated) {
  test::temp_directory dir;
  sample_form form;
  win32_dialogs dialogs{test::log()};
  win32_view view(form, dialogs, win32_view::options{dir.path()});
  form.status.set_text("已改");
  form.go.set_enabled(false);
  form.b.set_checked(true);
  form.tab.SelectTab(2);
  form.list.add_item("甲");
  ASSERT_TRUE(view.create(SW_SHOW));
  const HWND window = view.window();
  EXPECT_EQ(text_of(control_of(window, st_status)), "已改");
  EXPECT_FALSE(IsWindowEnabled(control_of(window, cb_go)));
  EXPECT_EQ(check_of(control_of(window, rb_a)), BST_UNCHECKED);
  EXPECT_EQ(check_of(control_of(window, rb_b)), BST_CHECKED);
  EXPECT_FALSE(IsWindowVisible(control_of(window, st_p1)));
  EXPECT_TRUE(IsWindowVisible(control_of(window, st_p2)));
  EXPECT_EQ(SendMessageW(control_of(window, ddl_list), CB_GETCOUNT, 0, 0), 1);
}

// The control IDs of a window's children from the top of their order down, which is the order of the
// Tab key.
std::vector<int> child_order(HWND parent) {
  std::vector<int> ids;
  for (HWND c = GetWindow(parent, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
    ids.push_back(GetDlgCtrlID(c));
  }
  return ids;
}

TEST(Win32View, ControlsHiddenWhenTheWindowIsFirstShownTakeTheirDeclaredPlace) {
  // Declaration order, the picture and then the frame below the others; the second page's container
  // (no ID) is made after the controls of the window.
  const std::vector<int> window_order = {st_status, sle_name,   sle_secret, sle_shown, cb_go,   rb_a,
                                         rb_b,      cbx_x,      ddl_list,   pb_pick,   st_song, st_arial,
                                         ln_1,      st_on_logo, tabpage_1,  0,         p_logo,  gb_1};
  const std::vector<int> page_order = {st_p1, sle_p1};
  const std::vector<std::pair<const char*, std::vector<ui::control sample_form::*>>> hidden = {
      {"none", {}},
      {"the first control", {&sample_form::status}},
      {"edits in the middle", {&sample_form::name, &sample_form::shown}},
      {"the checked radio button", {&sample_form::a}},
      {"the picture and the frame", {&sample_form::logo, &sample_form::frame}},
      {"the last before the pages", {&sample_form::on_logo}},
      {"the first on the shown page", {&sample_form::p1_label}},
  };
  test::temp_directory dir;
  for (const auto& [what, controls] : hidden) {
    sample_form form;
    form.tab.SelectTab(1);
    for (ui::control sample_form::*c : controls) (form.*c).set_visible(false);
    win32_dialogs dialogs{test::log()};
    win32_view view(form, dialogs, win32_view::options{dir.path()});
    ASSERT_TRUE(view.create(SW_SHOW)) << what;
    EXPECT_EQ(child_order(view.window()), window_order) << what;
    EXPECT_EQ(child_order(control_of(view.window(), tabpage_1)), page_order) << what;
    for (ui::control sample_form::*c : controls) (form.*c).set_visible(true);
    EXPECT_EQ(GetNextDlgTabItem(view.window(), control_of(view.window(), sle_name), FALSE),
              control_of(view.window(), sle_secret))
        << what;
  }
}

TEST_F(ShownForm, ClicksReachTheModelBeforeTheHandler) {
  SendMessageW(item(cb_go), BM_CLICK, 0, 0);
  SendMessageW(item(rb_b), BM_CLICK, 0, 0);
  SendMessageW(item(cbx_x), BM_CLICK, 0, 0);
  SendMessageW(item(cbx_x), BM_CLICK, 0, 0);
  const std::vector<std::string> expected{
      "clicked cb_go a=1 b=0 x=0",
      "clicked rb_b a=0 b=1 x=0",
      "clicked cbx_x a=0 b=1 x=1",
      "clicked cbx_x a=0 b=1 x=0",
  };
  EXPECT_EQ(form.events, expected);
  EXPECT_EQ(check_of(item(rb_a)), BST_UNCHECKED);
  EXPECT_EQ(check_of(item(rb_b)), BST_CHECKED);
  EXPECT_EQ(check_of(item(cbx_x)), BST_UNCHECKED);

  // A disabled button reports nothing.
  form.events.clear();
  form.go.set_enabled(false);
  SendMessageW(item(cb_go), BM_CLICK, 0, 0);
  EXPECT_TRUE(form.events.empty());
}

TEST_F(ShownForm, TypedTextIsTheModelsAtOnceAndIsConfirmedByEnterOrByLeavingTheField) {
  const HWND name = item(sle_name);
  SetFocus(name);
  SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"门店库"));
  EXPECT_EQ(form.name.text(), "门店库");
  EXPECT_TRUE(form.events.empty()) << "typing alone confirms nothing";

  // Enter goes through the window's keyboard handling to the field.
  PostMessageW(name, WM_KEYDOWN, VK_RETURN, 1);
  PostMessageW(name, WM_CHAR, L'\r', 1);
  view->pump_pending();
  ASSERT_EQ(form.events, std::vector<std::string>{"modified sle_name 门店库"});
  EXPECT_EQ(text_of(name), "门店库") << "no line break typed into the field";
  EXPECT_TRUE(view->is_open()) << "Enter does not close the window";

  // Enter again without a change, and leaving unchanged: nothing more.
  PostMessageW(name, WM_KEYDOWN, VK_RETURN, 1);
  view->pump_pending();
  SetFocus(item(sle_secret));
  EXPECT_EQ(form.events.size(), 1u);

  // Changed, then Tab to the next field: confirmed as the focus leaves.
  SendMessageW(item(sle_secret), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"p@ss"));
  PostMessageW(item(sle_secret), WM_KEYDOWN, VK_TAB, 1);
  view->pump_pending();
  EXPECT_EQ(GetFocus(), item(sle_shown));
  ASSERT_EQ(form.events.size(), 2u);
  EXPECT_EQ(form.events[1], "modified sle_secret p@ss");

  // The model writing a field is not the user changing it.
  form.name.set_text("由程序写入");
  SetFocus(name);
  SetFocus(item(sle_secret));
  EXPECT_EQ(form.events.size(), 2u);
  EXPECT_EQ(form.name.text(), "由程序写入");
}

TEST_F(ShownForm, SetFocusMovesTheInputFocusAndAHiddenFieldGivesItUp) {
  form.secret.set_focus();
  EXPECT_EQ(GetFocus(), item(sle_secret));
  form.secret.set_visible(false);
  EXPECT_NE(GetFocus(), item(sle_secret));
  EXPECT_NE(GetFocus(), nullptr);
}

TEST_F(ShownForm, AChosenItemReachesTheModelBeforeTheHandler) {
  form.list.add_item("C:\\SQL\\默认实例");
  form.list.add_item("D:\\SQL\\SQLEXPRESS");
  const HWND list = item(ddl_list);
  // The arrow key in the drop-down's field moves to the next item as a user's key press does.
  const HWND field = FindWindowExW(list, nullptr, L"Edit", nullptr);
  ASSERT_NE(field, nullptr);
  SendMessageW(field, WM_KEYDOWN, VK_DOWN, 1);
  ASSERT_EQ(form.events, std::vector<std::string>{"selection ddl_list 1 C:\\SQL\\默认实例"});
  SendMessageW(field, WM_KEYDOWN, VK_DOWN, 1);
  EXPECT_EQ(form.events.back(), "selection ddl_list 2 D:\\SQL\\SQLEXPRESS");
  EXPECT_EQ(form.list.selection(), 2);

  // Typed text becomes the model's text without an event.
  form.events.clear();
  SendMessageW(field, EM_SETSEL, 0, -1);
  for (const wchar_t typed : std::wstring(L"E:\\另选")) SendMessageW(field, WM_CHAR, typed, 1);
  EXPECT_EQ(form.list.text(), "E:\\另选");
  EXPECT_TRUE(form.events.empty());
}

TEST_F(ShownForm, NamedFacesGetTheirSizeAndWeightOthersTheSystemMessageFont) {
  ASSERT_EQ(view->dpi(), 96);
  const LOGFONTW song = font_of(item(st_song));
  EXPECT_EQ(narrow(song.lfFaceName), "宋体");
  EXPECT_EQ(song.lfHeight, -16);  // 12 points
  EXPECT_EQ(song.lfWeight, FW_BOLD);
  const LOGFONTW arial = font_of(item(st_arial));
  EXPECT_EQ(narrow(arial.lfFaceName), "Arial");
  EXPECT_EQ(arial.lfHeight, -12);  // 9 points when none is named
  EXPECT_EQ(arial.lfWeight, FW_NORMAL);

  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  ASSERT_TRUE(SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0));
  const LOGFONTW plain = font_of(item(sle_name));
  EXPECT_EQ(std::wstring(plain.lfFaceName), std::wstring(metrics.lfMessageFont.lfFaceName));
  EXPECT_EQ(font_of(item(cb_go)).lfHeight, plain.lfHeight);
}

// The colour of the picture control's bitmap at a fraction of its width and height.
COLORREF shown_colour(HWND picture, double across, double down) {
  const auto bitmap = reinterpret_cast<HBITMAP>(SendMessageW(picture, STM_GETIMAGE, IMAGE_BITMAP, 0));
  BITMAP size{};
  if (bitmap == nullptr || !GetObjectW(bitmap, sizeof size, &size)) return CLR_INVALID;
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ before = SelectObject(dc, bitmap);
  const COLORREF colour =
      GetPixel(dc, static_cast<int>(size.bmWidth * across), static_cast<int>(size.bmHeight * down));
  SelectObject(dc, before);
  DeleteDC(dc);
  return colour;
}

TEST_F(ShownForm, PicturesAreLoadedFromTheirFolderAndScaledToTheControl) {
  const HWND logo = item(p_logo);
  const auto bitmap = reinterpret_cast<HBITMAP>(SendMessageW(logo, STM_GETIMAGE, IMAGE_BITMAP, 0));
  ASSERT_NE(bitmap, nullptr);
  BITMAP size{};
  ASSERT_TRUE(GetObjectW(bitmap, sizeof size, &size));
  RECT client{};
  GetClientRect(logo, &client);
  EXPECT_EQ(size.bmWidth, client.right);
  EXPECT_EQ(size.bmHeight, client.bottom);
  // Stretched the right way up: blue above, red below.
  EXPECT_EQ(shown_colour(logo, 0.5, 0.25), RGB(0, 0, 255));
  EXPECT_EQ(shown_colour(logo, 0.5, 0.75), RGB(255, 0, 0));

  // BMP as well as GIF.
  ASSERT_TRUE(test::write_file(dir / "resource\\green.bmp", solid_bmp(0, 128, 0)));
  form.logo.set_picture("resource\\green.bmp");
  EXPECT_EQ(shown_colour(logo, 0.5, 0.5), RGB(0, 128, 0));
}

// What the window shows at a point of a control (read from the window: a label draws on its parent's DC).
COLORREF on_screen(HWND control, int x, int y) {
  const HWND window = GetAncestor(control, GA_ROOT);
  POINT at{x, y};
  MapWindowPoints(control, window, &at, 1);
  HDC dc = GetDC(window);
  const COLORREF colour = GetPixel(dc, at.x, at.y);
  ReleaseDC(window, dc);
  return colour;
}

TEST_F(ShownForm, ALabelShowsWhatLiesBehindIt) {
  // On the picture: the picture's upper half is blue. Elsewhere: the window's own colour.
  RECT on_logo{};
  GetClientRect(item(st_on_logo), &on_logo);
  EXPECT_EQ(on_screen(item(st_on_logo), on_logo.right - 2, 1), RGB(0, 0, 255));
  RECT status{};
  GetClientRect(item(st_status), &status);
  EXPECT_EQ(on_screen(item(st_status), status.right - 2, 1), GetSysColor(COLOR_BTNFACE));
  // Rewritten, it still does.
  form.on_logo.set_text("新");
  EXPECT_EQ(on_screen(item(st_on_logo), on_logo.right - 2, 1), RGB(0, 0, 255));
}

TEST_F(ShownForm, AMissingOrBrokenPictureLeavesThePlaceEmptyAndAPictureButtonShowsItsCaption) {
  const HWND pick = item(pb_pick);
  EXPECT_EQ(SendMessageW(pick, BM_GETIMAGE, IMAGE_BITMAP, 0), 0);
  EXPECT_FALSE(style_of(pick) & BS_BITMAP);
  EXPECT_EQ(text_of(pick), " ...");
  EXPECT_TRUE(IsWindowVisible(pick));

  // The picture arrives: the button shows it.
  ASSERT_TRUE(test::write_file(dir / "resource\\pick.gif", blue_over_red_gif));
  form.pick.set_picture("resource\\pick.gif");
  EXPECT_NE(SendMessageW(pick, BM_GETIMAGE, IMAGE_BITMAP, 0), 0);
  EXPECT_TRUE(style_of(pick) & BS_BITMAP);

  // Not a picture, an empty file, an absent one: empty, and the window goes on.
  ASSERT_TRUE(test::write_file(dir / "resource\\broken.gif", "GIF89a this is not a picture"));
  ASSERT_TRUE(test::write_file(dir / "resource\\empty.gif", ""));
  for (const char* name : {"resource\\broken.gif", "resource\\empty.gif", "resource\\absent.gif", ""}) {
    form.logo.set_picture(name);
    EXPECT_EQ(SendMessageW(item(p_logo), STM_GETIMAGE, IMAGE_BITMAP, 0), 0) << name;
    form.pick.set_picture(name);
    EXPECT_EQ(SendMessageW(pick, BM_GETIMAGE, IMAGE_BITMAP, 0), 0) << name;
    EXPECT_FALSE(style_of(pick) & BS_BITMAP) << name;
  }
  EXPECT_TRUE(view->is_open());
}

TEST_F(ShownForm, TheWaitCursorLastsUntilTheHandlerReturns) {
  const HCURSOR wait = LoadCursorW(nullptr, IDC_WAIT);
  bool waiting_inside = false;
  form.on_click = [&](ui::control&) {
    dialogs.ShowWaitCursor();
    waiting_inside = GetCursor() == wait;
  };
  SendMessageW(item(cb_go), BM_CLICK, 0, 0);
  EXPECT_TRUE(waiting_inside);
  EXPECT_NE(GetCursor(), wait);
  EXPECT_FALSE(dialogs.wait_cursor_shown());
}

TEST_F(ShownForm, TheCloseBoxClosesOnceWithoutAQuestion) {
  PostMessageW(view->window(), WM_SYSCOMMAND, SC_CLOSE, 0);
  view->pump_pending();
  EXPECT_FALSE(view->is_open());
  EXPECT_EQ(form.closings, 1);
  EXPECT_EQ(dialogs.owner(), nullptr);
  view->close();
  EXPECT_EQ(form.closings, 1);
}

TEST_F(ShownForm, AnExitButtonClosesAfterItsHandlerHasReturned) {
  bool open_when_handler_ended = false;
  form.on_click = [&](ui::control&) {
    form.close();
    open_when_handler_ended = view->is_open() && form.closings == 0;
  };
  SendMessageW(item(cb_go), BM_CLICK, 0, 0);
  EXPECT_TRUE(open_when_handler_ended);
  view->pump_pending();
  EXPECT_FALSE(view->is_open());
  EXPECT_EQ(form.closings, 1);
}

TEST_F(ShownForm, EscapeDoesNothing) {
  SetFocus(item(sle_name));
  PostMessageW(item(sle_name), WM_KEYDOWN, VK_ESCAPE, 1);
  PostMessageW(item(cb_go), WM_KEYDOWN, VK_ESCAPE, 1);
  view->pump_pending();
  EXPECT_TRUE(view->is_open());
  EXPECT_TRUE(form.events.empty());
  EXPECT_EQ(form.closings, 0);
}

TEST(Win32View, DestroyingTheViewLeavesTheClosingStepToTheForm) {
  sample_form form;
  win32_dialogs dialogs{test::log()};
  HWND window = nullptr;
  {
    win32_view view(form, dialogs);
    ASSERT_TRUE(view.create(SW_SHOW));
    window = view.window();
  }
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(form.closings, 0);
  EXPECT_EQ(dialogs.owner(), nullptr);
  // Detached: the model can go on changing without a window.
  form.status.set_text("无窗口");
  form.close();
  EXPECT_EQ(form.closings, 1);
}

}  // namespace
}  // namespace setup
