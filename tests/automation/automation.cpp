#include "tests/automation/automation.h"

#include <algorithm>
#include <cwctype>
#include <thread>

namespace setup::automation {
namespace {

using clock_type = std::chrono::steady_clock;

// How long one cross-process message may take before we call the program hung.
constexpr UINT message_timeout_ms = 5000;
// The control ID of a message box's text.
constexpr int message_box_text_id = 0xFFFF;
constexpr std::wstring_view dialog_class = L"#32770";

bool send(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, DWORD_PTR& result) {
  return SendMessageTimeoutW(hwnd, message, wparam, lparam, SMTO_ABORTIFHUNG, message_timeout_ms, &result) !=
         0;
}

std::wstring class_of(HWND hwnd) {
  wchar_t name[256] = {};
  const int length = GetClassNameW(hwnd, name, 256);
  return std::wstring(name, length > 0 ? length : 0);
}

bool same_text_ignoring_case(std::wstring_view a, std::wstring_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](wchar_t x, wchar_t y) {
           return std::towlower(x) == std::towlower(y);
         });
}

BOOL CALLBACK collect_child(HWND hwnd, LPARAM list) {
  reinterpret_cast<std::vector<HWND>*>(list)->push_back(hwnd);
  return TRUE;
}

std::vector<HWND> descendants(HWND parent) {
  std::vector<HWND> found;
  EnumChildWindows(parent, collect_child, reinterpret_cast<LPARAM>(&found));
  return found;
}

struct process_windows {
  DWORD process_id;
  std::vector<HWND> found;
};

BOOL CALLBACK collect_top_level(HWND hwnd, LPARAM param) {
  auto* search = reinterpret_cast<process_windows*>(param);
  DWORD owner_process = 0;
  GetWindowThreadProcessId(hwnd, &owner_process);
  if (owner_process == search->process_id) search->found.push_back(hwnd);
  return TRUE;
}

std::vector<HWND> top_level_windows_of(DWORD process_id) {
  process_windows search{process_id, {}};
  EnumWindows(collect_top_level, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::string describe_exit(HANDLE process) {
  DWORD code = 0;
  GetExitCodeProcess(process, &code);
  return "the program ended (exit code " + std::to_string(code) + ")";
}

// The environment block of this process with `extra` set, for CreateProcessW.
std::wstring environment_with(const std::vector<std::pair<std::string, std::string>>& extra) {
  std::vector<std::wstring> entries;
  if (wchar_t* block = GetEnvironmentStringsW()) {
    for (const wchar_t* p = block; *p != L'\0'; p += wcslen(p) + 1) entries.emplace_back(p);
    FreeEnvironmentStringsW(block);
  }
  for (const auto& [name, value] : extra) {
    const std::wstring key = win32::wide(name);
    std::erase_if(entries, [&](const std::wstring& entry) {
      // "=C:=C:\..." entries keep their leading '='.
      const std::size_t equals = entry.find(L'=', 1);
      return equals != std::wstring::npos &&
             same_text_ignoring_case(std::wstring_view(entry).substr(0, equals), key);
    });
    entries.push_back(key + L"=" + win32::wide(value));
  }
  std::wstring result;
  for (const std::wstring& entry : entries) {
    result += entry;
    result.push_back(L'\0');
  }
  result.push_back(L'\0');
  return result;
}

}  // namespace

testing::AssertionResult wait_until(const std::function<bool()>& condition, std::string_view what,
                                    milliseconds timeout) {
  const auto deadline = clock_type::now() + timeout;
  while (true) {
    if (condition()) return testing::AssertionSuccess();
    if (clock_type::now() >= deadline) {
      return testing::AssertionFailure() << "gave up after " << timeout.count() << " ms waiting for " << what;
    }
    std::this_thread::sleep_for(poll_interval);
  }
}

// window

int window::id() const {
  return hwnd_ != nullptr ? GetDlgCtrlID(hwnd_) : 0;
}

std::string window::class_name() const {
  return hwnd_ != nullptr ? win32::narrow(class_of(hwnd_)) : std::string();
}

std::string window::text() const {
  if (hwnd_ == nullptr) return {};
  DWORD_PTR length = 0;
  if (!send(hwnd_, WM_GETTEXTLENGTH, 0, 0, length)) return {};
  std::wstring buffer(length + 1, L'\0');
  DWORD_PTR copied = 0;
  if (!send(hwnd_, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()), copied)) return {};
  buffer.resize(std::min<std::size_t>(copied, length));
  return win32::narrow(buffer);
}

bool window::visible() const {
  return hwnd_ != nullptr && (GetWindowLongW(hwnd_, GWL_STYLE) & WS_VISIBLE) != 0;
}

bool window::shown() const {
  return hwnd_ != nullptr && IsWindowVisible(hwnd_);
}

bool window::enabled() const {
  return hwnd_ != nullptr && IsWindowEnabled(hwnd_);
}

bool window::checked() const {
  DWORD_PTR state = 0;
  return hwnd_ != nullptr && send(hwnd_, BM_GETCHECK, 0, 0, state) && state == BST_CHECKED;
}

std::vector<std::string> window::items() const {
  std::vector<std::string> out;
  DWORD_PTR count = 0;
  if (hwnd_ == nullptr || !send(hwnd_, CB_GETCOUNT, 0, 0, count) || static_cast<LRESULT>(count) == CB_ERR)
    return out;
  for (DWORD_PTR i = 0; i < count; ++i) {
    DWORD_PTR length = 0;
    if (!send(hwnd_, CB_GETLBTEXTLEN, i, 0, length) || static_cast<LRESULT>(length) == CB_ERR) break;
    std::wstring item(length + 1, L'\0');
    DWORD_PTR copied = 0;
    if (!send(hwnd_, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item.data()), copied)) break;
    item.resize(std::min<std::size_t>(copied, length));
    out.push_back(win32::narrow(item));
  }
  return out;
}

int window::selection() const {
  DWORD_PTR index = 0;
  if (hwnd_ == nullptr || !send(hwnd_, CB_GETCURSEL, 0, 0, index)) return 0;
  return static_cast<LRESULT>(index) == CB_ERR ? 0 : static_cast<int>(index) + 1;
}

void window::choose_item(int position) const {
  if (hwnd_ == nullptr) return;
  PostMessageW(hwnd_, CB_SETCURSEL, static_cast<WPARAM>(position - 1), 0);
  PostMessageW(GetParent(hwnd_), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(hwnd_), CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(hwnd_));
}

bool window::default_push_button() const {
  return hwnd_ != nullptr && (GetWindowLongW(hwnd_, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
}

RECT window::screen_rect() const {
  RECT r{};
  if (hwnd_ != nullptr) GetWindowRect(hwnd_, &r);
  return r;
}

RECT window::rect_in(const window& other) const {
  RECT r = screen_rect();
  MapWindowPoints(HWND_DESKTOP, other.hwnd(), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

bool window::has_image() const {
  if (hwnd_ == nullptr) return false;
  const bool button = same_text_ignoring_case(class_of(hwnd_), L"Button");
  DWORD_PTR image = 0;
  return send(hwnd_, button ? BM_GETIMAGE : STM_GETIMAGE, IMAGE_BITMAP, 0, image) && image != 0;
}

void window::click() const {
  if (hwnd_ != nullptr) PostMessageW(hwnd_, BM_CLICK, 0, 0);
}

void window::type(std::string_view text) const {
  if (hwnd_ == nullptr) return;
  const bool combo = same_text_ignoring_case(class_of(hwnd_), L"ComboBox");
  if (combo) {
    PostMessageW(hwnd_, CB_SETEDITSEL, 0, MAKELPARAM(0, -1));
  } else {
    PostMessageW(hwnd_, EM_SETSEL, 0, -1);
  }
  PostMessageW(hwnd_, WM_CHAR, VK_BACK, 1);
  for (wchar_t unit : win32::wide(text)) PostMessageW(hwnd_, WM_CHAR, unit, 1);
}

// message_box

std::string message_box::message() const {
  if (!found()) return {};
  if (HWND text = GetDlgItem(hwnd(), message_box_text_id)) return window(text).text();
  // Otherwise the first label that is not the icon.
  for (HWND child : descendants(hwnd())) {
    if (same_text_ignoring_case(class_of(child), L"Static") &&
        (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON) {
      return window(child).text();
    }
  }
  return {};
}

std::vector<int> message_box::buttons() const {
  std::vector<int> ids;
  if (!found()) return ids;
  for (HWND child : descendants(hwnd())) {
    if (same_text_ignoring_case(class_of(child), L"Button") && window(child).visible()) {
      ids.push_back(GetDlgCtrlID(child));
    }
  }
  return ids;
}

int message_box::default_button() const {
  if (!found()) return 0;
  const std::vector<int> ids = buttons();
  for (int id : ids) {
    if (window(GetDlgItem(hwnd(), id)).default_push_button()) return id;
  }
  // No button styled as the default: the dialog's own record, when it names one of its buttons (a
  // dialog answers IDOK when nothing was set).
  DWORD_PTR answer = 0;
  if (send(hwnd(), DM_GETDEFID, 0, 0, answer) && HIWORD(answer) == DC_HASDEFID &&
      std::find(ids.begin(), ids.end(), LOWORD(answer)) != ids.end()) {
    return LOWORD(answer);
  }
  return 0;
}

bool message_box::press(int button_id) const {
  if (!found()) return false;
  const HWND button = GetDlgItem(hwnd(), button_id);
  if (button == nullptr || !same_text_ignoring_case(class_of(button), L"Button")) return false;
  window(button).click();
  return true;
}

// program

testing::AssertionResult program::start(const options& how) {
  if (process_.valid() && running()) return testing::AssertionFailure() << "a program is already running";
  // A program that has ended may be started again.
  process_.reset();
  job_.reset();
  main_window_ = nullptr;
  const std::wstring executable = win32::wide(how.executable);
  std::wstring command_line = L"\"" + executable + L"\"";
  if (!how.arguments.empty()) command_line += L" " + win32::wide(how.arguments);
  std::wstring environment = environment_with(how.environment);
  const std::wstring directory = win32::wide(how.directory);

  // The job ends the program and what it started when the test process goes without ending them,
  // and counts the programs it starts.
  keep_running_ = how.keep_running;
  if (!keep_running_) job_.reset(CreateJobObjectW(nullptr, nullptr));
  if (job_.valid()) {
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!SetInformationJobObject(job_.get(), JobObjectExtendedLimitInformation, &limits, sizeof limits)) {
      job_.reset();
    }
  }

  // Wine starts the desktop process (explorer.exe) for the first program that asks for the desktop,
  // as that program's child: were the program started here the first, the desktop would join its job,
  // outlive it and be killed with the job. Asking here makes it this test's.
  GetDesktopWindow();

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(executable.c_str(), command_line.data(), nullptr, nullptr, FALSE,
                      CREATE_SUSPENDED | CREATE_UNICODE_ENVIRONMENT, environment.data(),
                      directory.empty() ? nullptr : directory.c_str(), &startup, &info)) {
    const DWORD error = GetLastError();
    return testing::AssertionFailure()
           << "cannot start " << how.executable << " in " << how.directory << " (error " << error << ")";
  }
  process_.reset(info.hProcess);
  process_id_ = info.dwProcessId;
  if (job_.valid() && !AssignProcessToJobObject(job_.get(), process_.get())) job_.reset();
  ResumeThread(info.hThread);
  CloseHandle(info.hThread);
  main_window_ = nullptr;
  return testing::AssertionSuccess();
}

testing::AssertionResult program::attach(DWORD process_id, bool keep_running) {
  if (process_.valid() && running()) return testing::AssertionFailure() << "a program is already running";
  // A program that has ended may be started again.
  process_.reset();
  job_.reset();
  main_window_ = nullptr;
  process_.reset(
      OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process_id));
  if (!process_.valid()) {
    return testing::AssertionFailure() << "no process " << process_id << " (error " << GetLastError() << ")";
  }
  process_id_ = process_id;
  keep_running_ = keep_running;
  return testing::AssertionSuccess();
}

bool program::running() const {
  return process_.valid() && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
}

std::vector<HWND> program::visible_top_level_windows() const {
  std::vector<HWND> windows;
  if (!process_.valid()) return windows;
  for (HWND hwnd : top_level_windows_of(process_id_)) {
    if (IsWindowVisible(hwnd)) windows.push_back(hwnd);
  }
  return windows;
}

testing::AssertionResult program::wait_for_visible_window(milliseconds timeout) {
  if (!process_.valid()) return testing::AssertionFailure() << "no program started";
  bool ended = false;
  testing::AssertionResult shown = wait_until(
      [&] {
        for (HWND hwnd : visible_top_level_windows()) {
          if (GetWindow(hwnd, GW_OWNER) == nullptr) {
            main_window_ = hwnd;
            return true;
          }
        }
        ended = !running();
        return ended;
      },
      "the program's main window to be visible", timeout);
  if (ended)
    return testing::AssertionFailure() << describe_exit(process_.get()) << " before showing a window";
  return shown;
}

testing::AssertionResult program::wait_for_window(milliseconds timeout) {
  const auto start = clock_type::now();
  testing::AssertionResult shown = wait_for_visible_window(timeout);
  if (!shown) return shown;
  const auto left = std::chrono::duration_cast<milliseconds>(timeout - (clock_type::now() - start));
  const DWORD idle =
      WaitForInputIdle(process_.get(), static_cast<DWORD>(std::max<long long>(left.count(), 0)));
  if (idle == WAIT_TIMEOUT) {
    return testing::AssertionFailure()
           << "the window showed but the program did not wait for input within " << timeout.count() << " ms";
  }
  // One round trip through the window's thread: it answers messages now.
  DWORD_PTR ignored = 0;
  if (!send(main_window_, WM_NULL, 0, 0, ignored)) {
    return testing::AssertionFailure() << "the window does not answer messages";
  }
  return testing::AssertionSuccess();
}

window program::find_control(int id) const {
  if (main_window_ == nullptr) return window();
  // The match nearest to the window: the inner parts of controls have IDs of their own (a drop-down's
  // edit field is 1001).
  HWND best = nullptr;
  int best_depth = 0;
  for (HWND child : descendants(main_window_)) {
    if (GetDlgCtrlID(child) != id) continue;
    int depth = 0;
    for (HWND up = child; up != nullptr && up != main_window_; up = GetParent(up)) ++depth;
    if (best == nullptr || depth < best_depth) {
      best = child;
      best_depth = depth;
    }
  }
  return window(best);
}

window program::control(int id) const {
  const window found = find_control(id);
  if (!found.found()) ADD_FAILURE() << "the window has no control with ID " << id;
  return found;
}

void program::press_close_box() const {
  if (main_window_ != nullptr) PostMessageW(main_window_, WM_SYSCOMMAND, SC_CLOSE, 0);
}

testing::AssertionResult program::wait_for_message_box(message_box& box, milliseconds timeout) {
  bool ended = false;
  testing::AssertionResult appeared = wait_until(
      [&] {
        for (HWND hwnd : visible_top_level_windows()) {
          if (hwnd != main_window_ && class_of(hwnd) == dialog_class) {
            box = message_box(hwnd);
            return true;
          }
        }
        ended = !running();
        return ended;
      },
      "a message box", timeout);
  if (ended) return testing::AssertionFailure() << describe_exit(process_.get()) << " without a message box";
  return appeared;
}

testing::AssertionResult program::wait_for_exit(milliseconds timeout) {
  if (!process_.valid()) return testing::AssertionFailure() << "no program started";
  message_box unexpected;
  testing::AssertionResult ended = wait_until(
      [&] {
        if (!running()) return true;
        for (HWND hwnd : visible_top_level_windows()) {
          if (hwnd != main_window_ && class_of(hwnd) == dialog_class) {
            unexpected = message_box(hwnd);
            return true;
          }
        }
        return false;
      },
      "the program to end", timeout);
  if (unexpected.found()) {
    return testing::AssertionFailure() << "the program asked instead of ending: \"" << unexpected.caption()
                                       << "\": \"" << unexpected.message() << "\"";
  }
  return ended;
}

DWORD program::exit_code() const {
  DWORD code = STILL_ACTIVE;
  if (process_.valid()) GetExitCodeProcess(process_.get(), &code);
  return code;
}

testing::AssertionResult program::wait_for_all_to_end(milliseconds timeout) {
  if (!process_.valid()) return testing::AssertionFailure() << "no program started";
  if (!job_.valid()) {
    return testing::AssertionFailure() << "the programs started by the program cannot be followed (no job)";
  }
  testing::AssertionResult ended = wait_until(
      [&] {
        JOBOBJECT_BASIC_ACCOUNTING_INFORMATION info{};
        return QueryInformationJobObject(job_.get(), JobObjectBasicAccountingInformation, &info, sizeof info,
                                         nullptr) &&
               info.ActiveProcesses == 0;
      },
      "the program and the programs it started to end", timeout);
  if (!ended) ended << "; still running:" << programs_in_job();
  return ended;
}

std::string program::programs_in_job() const {
  struct {
    JOBOBJECT_BASIC_PROCESS_ID_LIST list;
    ULONG_PTR more[63];
  } ids{};
  ids.list.NumberOfAssignedProcesses = 64;
  if (!QueryInformationJobObject(job_.get(), JobObjectBasicProcessIdList, &ids, sizeof ids, nullptr)) {
    return " (the job does not list them, error " + std::to_string(GetLastError()) + ")";
  }
  std::string names;
  for (DWORD i = 0; i < ids.list.NumberOfProcessIdsInList; ++i) {
    const DWORD id = static_cast<DWORD>(ids.list.ProcessIdList[i]);
    names += " " + std::to_string(id);
    win32::unique_handle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id));
    wchar_t path[MAX_PATH] = {};
    DWORD length = MAX_PATH;
    if (process.valid() && QueryFullProcessImageNameW(process.get(), 0, path, &length)) {
      names += " " + win32::narrow(std::wstring_view(path, length));
    }
  }
  return names;
}

int program::processes_started() const {
  JOBOBJECT_BASIC_ACCOUNTING_INFORMATION info{};
  if (!job_.valid() || !QueryInformationJobObject(job_.get(), JobObjectBasicAccountingInformation, &info,
                                                  sizeof info, nullptr)) {
    return 0;
  }
  return static_cast<int>(info.TotalProcesses);
}

bool program::end(milliseconds grace) {
  if (!process_.valid() || keep_running_) return true;
  bool closed = !running();
  if (!closed) {
    // Message boxes first (a box without Cancel ignores it), then the main window.
    for (HWND hwnd : visible_top_level_windows()) {
      if (hwnd != main_window_) PostMessageW(hwnd, WM_CLOSE, 0, 0);
    }
    if (main_window_ != nullptr) PostMessageW(main_window_, WM_CLOSE, 0, 0);
    closed = WaitForSingleObject(process_.get(), static_cast<DWORD>(grace.count())) == WAIT_OBJECT_0;
    if (!closed) {
      TerminateProcess(process_.get(), 1);
      WaitForSingleObject(process_.get(), message_timeout_ms);
    }
  }
  return closed;
}

}  // namespace setup::automation
