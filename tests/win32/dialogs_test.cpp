// The dialogs on Windows, answered the way an operator would: a second thread finds the box this
// process shows, reads what it says and presses one of its buttons.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <thread>

#include "platform/win32/win32_dialogs.h"
#include "tests/win32/test_support.h"

namespace setup {
namespace {

using test::temp_directory;
using win32::narrow;
using win32::wide;

const std::string child = test::windows_path_of_unix(SETUP_TEST_CHILD);

std::string text_of(HWND window) {
  wchar_t buffer[1024] = {};
  GetWindowTextW(window, buffer, 1024);
  return narrow(buffer);
}

struct box_search {
  std::wstring caption;
  HWND found = nullptr;
};

BOOL CALLBACK match_box(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<box_search*>(data);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  wchar_t class_name[16] = {};
  GetClassNameW(window, class_name, 16);
  wchar_t title[256] = {};
  GetWindowTextW(window, title, 256);
  if (process == GetCurrentProcessId() && std::wstring(class_name) == L"#32770" && IsWindowVisible(window) &&
      search->caption == title) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

// The visible dialog box of this process whose caption is `caption`; null when none comes in time.
HWND wait_for_box(const std::string& caption) {
  box_search search{wide(caption)};
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (std::chrono::steady_clock::now() < deadline) {
    EnumWindows(match_box, reinterpret_cast<LPARAM>(&search));
    if (search.found != nullptr) return search.found;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return nullptr;
}

void press(HWND box, int button) {
  PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(box, button)));
}

// What the operator saw in a message box.
struct box_seen {
  bool found = false;
  std::string text;
  HWND owner = nullptr;
  bool has_ok = false;
  bool has_yes = false;
  bool has_no = false;
  int default_button = 0;
  HICON icon = nullptr;
};

BOOL CALLBACK match_icon(HWND control, LPARAM data) {
  if ((GetWindowLongPtrW(control, GWL_STYLE) & SS_TYPEMASK) != SS_ICON || !IsWindowVisible(control))
    return TRUE;
  auto shown = reinterpret_cast<HICON>(SendMessageW(control, STM_GETICON, 0, 0));
  if (shown == nullptr) return TRUE;
  *reinterpret_cast<HICON*>(data) = shown;
  return FALSE;
}

// The icon the box shows; null when it shows none.
HICON icon_in(HWND box) {
  HICON icon = nullptr;
  EnumChildWindows(box, match_icon, reinterpret_cast<LPARAM>(&icon));
  return icon;
}

// Answers the next box captioned `caption` on a thread of its own: reads it, then presses `button`.
class operator_thread {
 public:
  operator_thread(std::string caption, int button)
      : thread_([this, caption = std::move(caption), button] {
          const HWND box = wait_for_box(caption);
          if (box == nullptr) return;
          seen_.found = true;
          seen_.text = text_of(GetDlgItem(box, 0xFFFF));
          seen_.owner = GetWindow(box, GW_OWNER);
          seen_.has_ok = GetDlgItem(box, IDOK) != nullptr;
          seen_.has_yes = GetDlgItem(box, IDYES) != nullptr;
          seen_.has_no = GetDlgItem(box, IDNO) != nullptr;
          for (int id : {IDOK, IDYES, IDNO}) {
            const HWND b = GetDlgItem(box, id);
            if (b != nullptr && (GetWindowLongPtrW(b, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON) {
              seen_.default_button = id;
            }
          }
          seen_.icon = icon_in(box);
          press(box, button);
        }) {}
  ~operator_thread() {
    if (thread_.joinable()) thread_.join();
  }

  const box_seen& seen() {
    if (thread_.joinable()) thread_.join();
    return seen_;
  }

 private:
  box_seen seen_;
  std::thread thread_;
};

// A plain top-level window to own the boxes.
class owner_window {
 public:
  owner_window()
      : window_(CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 200, 100,
                                nullptr, nullptr, GetModuleHandleW(nullptr), nullptr)) {}
  ~owner_window() { DestroyWindow(window_); }
  owner_window(const owner_window&) = delete;
  owner_window& operator=(const owner_window&) = delete;
  HWND get() const { return window_; }

 private:
  HWND window_;
};

TEST(Win32Dialogs, AMessageShowsItsCaptionAndLinesWithOneOkButtonOwnedByTheWindow) {
  owner_window owner;
  win32_dialogs dialogs{test::log()};
  dialogs.set_owner(owner.get());
  operator_thread operator_("错误提示：", IDOK);
  dialogs.ShowMessage("错误提示：", "连接数据库失败！\n请检查 sa 口令。");
  const box_seen& seen = operator_.seen();
  ASSERT_TRUE(seen.found);
  EXPECT_EQ(seen.text, "连接数据库失败！\n请检查 sa 口令。");
  EXPECT_EQ(seen.owner, owner.get());
  EXPECT_TRUE(seen.has_ok);
  EXPECT_FALSE(seen.has_yes);
  EXPECT_FALSE(seen.has_no);
}

TEST(Win32Dialogs, AQuestionDefaultsToNoAndAnswersOneForYesAndTwoForNo) {
  owner_window owner;
  win32_dialogs dialogs{test::log()};
  dialogs.set_owner(owner.get());
  const HICON question = LoadIconW(nullptr, IDI_QUESTION);
  {
    operator_thread operator_("演示", IDYES);
    EXPECT_EQ(dialogs.AskYesNo("演示", "数据库已存在，是否覆盖？"), 1);
    const box_seen& seen = operator_.seen();
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.text, "数据库已存在，是否覆盖？");
    EXPECT_EQ(seen.owner, owner.get());
    EXPECT_TRUE(seen.has_yes);
    EXPECT_TRUE(seen.has_no);
    EXPECT_EQ(seen.default_button, IDNO);
    EXPECT_EQ(seen.icon, question);
  }
  {
    operator_thread operator_("演示", IDNO);
    EXPECT_EQ(dialogs.AskYesNo("演示", "数据库已存在，是否覆盖？"), 2);
  }
}

TEST(Win32Dialogs, TheDefaultYesQuestionDefaultsToYes) {
  win32_dialogs dialogs{test::log()};
  {
    operator_thread operator_("提示", IDYES);
    EXPECT_EQ(dialogs.AskYesNoDefaultYes("提示", "是否安装自动升级系统？"), 1);
    const box_seen& seen = operator_.seen();
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.default_button, IDYES);
    EXPECT_EQ(seen.owner, nullptr);
  }
  {
    operator_thread operator_("提示", IDNO);
    EXPECT_EQ(dialogs.AskYesNoDefaultYes("提示", "是否安装自动升级系统？"), 2);
  }
}

// The text of the folder the browser's tree has selected.
std::string selected_folder(HWND browser) {
  const HWND tree = FindWindowExW(browser, nullptr, WC_TREEVIEWW, nullptr);
  if (tree == nullptr) return {};
  const auto item = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
  if (item == nullptr) return {};
  wchar_t text[MAX_PATH] = {};
  TVITEMW request{};
  request.mask = TVIF_TEXT;
  request.hItem = item;
  request.pszText = text;
  request.cchTextMax = MAX_PATH;
  SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&request));
  return narrow(text);
}

// Answers the folder browser titled `title` by selecting `folder` and pressing `button`, once the tree
// shows `shown_as` selected (the browser may still be filling its tree when it appears).
std::thread browse_folder(const std::string& title, const std::string& folder, const std::string& shown_as,
                          int button) {
  return std::thread([title, folder, shown_as, button] {
    const HWND box = wait_for_box(title);
    if (box == nullptr) return;
    const std::wstring path = wide(folder);
    for (int i = 0; i < 100; ++i) {
      SendMessageW(box, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(path.c_str()));
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      if (selected_folder(box).find(shown_as) != std::string::npos) break;
    }
    press(box, button);
  });
}

TEST(Win32Dialogs, TheFolderBrowserReturnsTheChosenFolderAndADriveRootWithItsBackslash) {
  temp_directory dir;
  const std::string data = dir / "数据";
  ASSERT_TRUE(CreateDirectoryW(wide(data).c_str(), nullptr));
  win32_dialogs dialogs{test::log()};
  std::string path = "unchanged";
  {
    std::thread answer = browse_folder("请选择目录", data, "数据", IDOK);
    EXPECT_EQ(dialogs.ChooseFolder("请选择目录", path), 1);
    answer.join();
    EXPECT_EQ(path, data);
  }
  {
    std::thread answer = browse_folder("请选择目录", "C:\\", "C:", IDOK);
    EXPECT_EQ(dialogs.ChooseFolder("请选择目录", path), 1);
    answer.join();
    EXPECT_EQ(path, "C:\\");
  }
  {
    path = "unchanged";
    std::thread answer = browse_folder("请选择目录", data, "数据", IDCANCEL);
    EXPECT_NE(dialogs.ChooseFolder("请选择目录", path), 1);
    answer.join();
    EXPECT_EQ(path, "unchanged");
  }
}

// Answers the file dialog titled `title` by typing `file` as the file name and pressing `button`.
std::thread open_file(const std::string& title, const std::string& file, int button) {
  return std::thread([title, file, button] {
    const HWND box = wait_for_box(title);
    if (box == nullptr) return;
    // The file name field: a combo box (cmb13) in newer dialogs, an edit (edt1) in older ones.
    HWND name = GetDlgItem(box, 0x47c);
    if (name == nullptr) name = GetDlgItem(box, 0x480);
    if (name != nullptr) SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide(file).c_str()));
    press(box, button);
  });
}

TEST(Win32Dialogs, TheFileDialogReturnsPathAndNameAndLeavesTheCurrentDirectory) {
  temp_directory here;
  temp_directory elsewhere;
  const std::string backup = elsewhere / "门店数据.bak";
  ASSERT_TRUE(test::write_file(backup, "backup"));
  wchar_t saved[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, saved);
  ASSERT_TRUE(SetCurrentDirectoryW(wide(here.path()).c_str()));

  win32_dialogs dialogs{test::log()};
  std::string full_path = "unchanged";
  std::string file_name = "unchanged";
  {
    std::thread answer = open_file("选择数据库文件", backup, IDOK);
    EXPECT_EQ(dialogs.ChooseFileToOpen("选择数据库文件", "", "Data Files (*.*),*.*", full_path, file_name),
              1);
    answer.join();
    EXPECT_EQ(full_path, backup);
    EXPECT_EQ(file_name, "门店数据.bak");
  }
  {
    full_path = "unchanged";
    file_name = "unchanged";
    std::thread answer = open_file("选择数据库文件", backup, IDCANCEL);
    EXPECT_NE(dialogs.ChooseFileToOpen("选择数据库文件", "", "Data Files (*.*),*.*", full_path, file_name),
              1);
    answer.join();
    EXPECT_EQ(full_path, "unchanged");
    EXPECT_EQ(file_name, "unchanged");
  }
  wchar_t now[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, now);
  EXPECT_EQ(narrow(now), here.path());
  SetCurrentDirectoryW(saved);
}

TEST(Win32Dialogs, TheFilterPairsDescriptionsAndPatterns) {
  using namespace std::string_literals;
  EXPECT_EQ(open_dialog_filter("Data Files (*.*),*.*"), L"Data Files (*.*)\0*.*\0\0"s);
  EXPECT_EQ(open_dialog_filter("备份 (*.bak),*.bak,All,*.*"), L"备份 (*.bak)\0*.bak\0All\0*.*\0\0"s);
  // A description without its pattern is left out; nothing usable gives no filter.
  EXPECT_EQ(open_dialog_filter("Data Files (*.*),*.*,Orphan"), L"Data Files (*.*)\0*.*\0\0"s);
  EXPECT_EQ(open_dialog_filter("Orphan"), L"");
  EXPECT_EQ(open_dialog_filter(""), L"");
  EXPECT_EQ(open_dialog_filter("Empty,"), L"");
}

TEST(Win32Dialogs, TheEnterKeyIsDownOnlyWhileItIsHeld) {
  win32_dialogs dialogs{test::log()};
  BYTE saved[256] = {};
  ASSERT_TRUE(GetKeyboardState(saved));
  BYTE keys[256] = {};
  std::copy(std::begin(saved), std::end(saved), std::begin(keys));
  keys[VK_RETURN] = 0x80;
  ASSERT_TRUE(SetKeyboardState(keys));
  EXPECT_TRUE(dialogs.KeyIsDown(key::enter));
  keys[VK_RETURN] = 0;
  ASSERT_TRUE(SetKeyboardState(keys));
  EXPECT_FALSE(dialogs.KeyIsDown(key::enter));
  SetKeyboardState(saved);
}

TEST(Win32Dialogs, OpenUrlOpensWebAddressesOnlyAndNeverStartsAProgram) {
  temp_directory dir;
  const std::string program = dir / "run_me.exe";
  ASSERT_TRUE(CopyFileW(wide(child).c_str(), wide(program).c_str(), FALSE));
  const std::string ran = program + ".ran";
  auto wait_for = [&](const std::string& file) {
    for (int i = 0; i < 40 && GetFileAttributesW(wide(file).c_str()) == INVALID_FILE_ATTRIBUTES; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return GetFileAttributesW(wide(file).c_str()) != INVALID_FILE_ATTRIBUTES;
  };

  win32_dialogs dialogs{test::log()};
  dialogs.OpenUrl(program);
  dialogs.OpenUrl("file:///" + program);
  EXPECT_FALSE(wait_for(ran)) << "a program path was started";
  // The same path given to the shell directly starts it: the check above could have seen it.
  ShellExecuteW(nullptr, L"open", wide(program).c_str(), nullptr, nullptr, SW_HIDE);
  EXPECT_TRUE(wait_for(ran));
}

}  // namespace
}  // namespace setup
