#include "platform/win32/win32_dialogs.h"
#include "platform/win32/system_library.h"

#include <vector>

namespace setup {
namespace {

using win32::narrow;
using win32::wide;

constexpr int chosen = 1;
constexpr int not_chosen = 0;
// Room for any path the file dialog can return, long paths included.
constexpr DWORD file_buffer_characters = 32768;

// COM on this thread for the length of one dialog; the shell's folder browser and ShellExecute need it.
class com_apartment {
 public:
  com_apartment() {
    const auto initialize = SETUP_SYSTEM_FUNCTION(L"ole32.dll", CoInitializeEx);
    result_ = initialize != nullptr ? initialize(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)
                                    : E_FAIL;
  }
  ~com_apartment() {
    if (SUCCEEDED(result_)) SETUP_SYSTEM_FUNCTION(L"ole32.dll", CoUninitialize)();
  }
  com_apartment(const com_apartment&) = delete;
  com_apartment& operator=(const com_apartment&) = delete;
  // False when the thread already runs in a multithreaded apartment.
  bool single_threaded() const { return result_ != RPC_E_CHANGED_MODE; }

 private:
  HRESULT result_;
};

// The process's current directory, put back when the object goes: the pickers leave it as they found
// it, whatever the dialog did while the operator browsed.
class current_directory_kept {
 public:
  current_directory_kept() {
    const DWORD length = GetCurrentDirectoryW(0, nullptr);
    if (length == 0) return;
    saved_.resize(length);
    const DWORD written = GetCurrentDirectoryW(length, saved_.data());
    saved_.resize(written < length ? written : 0);
  }
  ~current_directory_kept() {
    if (!saved_.empty()) SetCurrentDirectoryW(saved_.c_str());
  }
  current_directory_kept(const current_directory_kept&) = delete;
  current_directory_kept& operator=(const current_directory_kept&) = delete;

 private:
  std::wstring saved_;
};

// Owns an item list the shell allocated.
class unique_item_list {
 public:
  explicit unique_item_list(PIDLIST_ABSOLUTE list) : list_(list) {}
  ~unique_item_list() {
    if (list_ != nullptr) SETUP_SYSTEM_FUNCTION(L"ole32.dll", CoTaskMemFree)(list_);
  }
  unique_item_list(const unique_item_list&) = delete;
  unique_item_list& operator=(const unique_item_list&) = delete;
  PIDLIST_ABSOLUTE get() const { return list_; }

 private:
  PIDLIST_ABSOLUTE list_;
};

// The folder browser shows the title above its tree; the caption carries it too, so that the dialog is
// named like every other window of the wizard.
int CALLBACK folder_browser_started(HWND browser, UINT message, LPARAM, LPARAM title) {
  if (message == BFFM_INITIALIZED) SetWindowTextW(browser, reinterpret_cast<const wchar_t*>(title));
  return 0;
}

bool is_web_address(std::string_view address) {
  auto starts_with = [&](std::string_view prefix) {
    if (address.size() <= prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
      const char c = address[i];
      const char lower = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
      if (lower != prefix[i]) return false;
    }
    return true;
  };
  return starts_with("http://") || starts_with("https://");
}

}  // namespace

std::wstring open_dialog_filter(std::string_view filter) {
  std::vector<std::wstring> parts;
  std::size_t start = 0;
  while (true) {
    const std::size_t comma = filter.find(',', start);
    parts.push_back(
        wide(filter.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start)));
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  std::wstring result;
  for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
    if (parts[i + 1].empty()) continue;  // a description without a pattern matches nothing
    result += parts[i];
    result.push_back(L'\0');
    result += parts[i + 1];
    result.push_back(L'\0');
  }
  if (!result.empty()) result.push_back(L'\0');
  return result;
}

void win32_dialogs::ShowMessage(std::string_view title, std::string_view text) {
  const UINT modality = owner_ != nullptr ? MB_APPLMODAL : MB_TASKMODAL;
  if (MessageBoxW(owner_, wide(text).c_str(), wide(title).c_str(), MB_OK | modality) == 0) {
    log_.line(failure_line("message box \"" + std::string(title) + "\"", GetLastError()));
  }
}

int win32_dialogs::ask(std::string_view title, std::string_view text, UINT default_button) {
  const UINT modality = owner_ != nullptr ? MB_APPLMODAL : MB_TASKMODAL;
  const int pressed = MessageBoxW(owner_, wide(text).c_str(), wide(title).c_str(),
                                  MB_YESNO | MB_ICONQUESTION | default_button | modality);
  if (pressed == 0)
    log_.line(failure_line("question box \"" + std::string(title) + "\": taken as No", GetLastError()));
  // A box that could not be shown counts as No: no question goes ahead without an answer.
  return pressed == IDYES ? answer_yes : answer_no;
}

int win32_dialogs::AskYesNo(std::string_view title, std::string_view text) {
  return ask(title, text, MB_DEFBUTTON2);
}

int win32_dialogs::AskYesNoDefaultYes(std::string_view title, std::string_view text) {
  return ask(title, text, MB_DEFBUTTON1);
}

int win32_dialogs::ChooseFolder(std::string_view title, std::string& path) {
  com_apartment com;
  current_directory_kept directory;
  const std::wstring caption = wide(title);
  wchar_t display_name[MAX_PATH] = {};
  BROWSEINFOW info{};
  info.hwndOwner = owner_;
  info.pszDisplayName = display_name;
  info.lpszTitle = caption.c_str();
  info.ulFlags = BIF_RETURNONLYFSDIRS | (com.single_threaded() ? BIF_NEWDIALOGSTYLE : 0);
  info.lpfn = folder_browser_started;
  info.lParam = reinterpret_cast<LPARAM>(caption.c_str());
  const auto browse = SETUP_SYSTEM_FUNCTION(L"shell32.dll", SHBrowseForFolderW);
  const auto path_of = SETUP_SYSTEM_FUNCTION(L"shell32.dll", SHGetPathFromIDListW);
  if (browse == nullptr || path_of == nullptr) {
    log_.line(failure_line("folder dialog: shell32 functions", ERROR_PROC_NOT_FOUND));
    return not_chosen;
  }
  unique_item_list chosen_folder(browse(&info));
  if (chosen_folder.get() == nullptr) return not_chosen;  // cancelled
  wchar_t folder[MAX_PATH] = {};
  if (!path_of(chosen_folder.get(), folder) || folder[0] == L'\0') {
    log_.line("folder dialog: the folder chosen has no file system path");
    return not_chosen;
  }
  path = narrow(folder);
  return chosen;
}

int win32_dialogs::ChooseFileToOpen(std::string_view title, std::string_view default_extension,
                                    std::string_view filter, std::string& full_path, std::string& file_name) {
  current_directory_kept directory;
  const std::wstring caption = wide(title);
  const std::wstring extension = wide(default_extension);
  const std::wstring filters = open_dialog_filter(filter);
  std::wstring file(file_buffer_characters, L'\0');
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner_;
  dialog.lpstrFilter = filters.empty() ? nullptr : filters.c_str();
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = file.data();
  dialog.nMaxFile = file_buffer_characters;
  dialog.lpstrTitle = caption.c_str();
  dialog.lpstrDefExt = extension.empty() ? nullptr : extension.c_str();
  dialog.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
  const auto open_dialog = SETUP_SYSTEM_FUNCTION(L"comdlg32.dll", GetOpenFileNameW);
  if (open_dialog == nullptr) {
    log_.line(failure_line("file dialog: comdlg32 function", ERROR_PROC_NOT_FOUND));
    return not_chosen;
  }
  if (!open_dialog(&dialog)) {
    // 0: cancelled; anything else: the dialog failed.
    if (const auto extended = SETUP_SYSTEM_FUNCTION(L"comdlg32.dll", CommDlgExtendedError)) {
      if (const DWORD code = extended(); code != 0) log_.line(failure_line("file dialog", code));
    }
    return not_chosen;
  }
  const std::wstring_view path(file.c_str());
  if (path.empty() || dialog.nFileOffset >= path.size()) return not_chosen;
  full_path = narrow(path);
  file_name = narrow(path.substr(dialog.nFileOffset));
  return chosen;
}

void win32_dialogs::ShowWaitCursor() {
  wait_cursor_ = true;
  SetCursor(LoadCursorW(nullptr, IDC_WAIT));
}

void win32_dialogs::handler_finished() {
  if (!wait_cursor_) return;
  wait_cursor_ = false;
  SetCursor(LoadCursorW(nullptr, IDC_ARROW));
}

bool win32_dialogs::KeyIsDown(key which) {
  switch (which) {
    case key::enter:
      return (GetKeyState(VK_RETURN) & 0x8000) != 0;
  }
  return false;
}

void win32_dialogs::OpenUrl(std::string_view address) {
  // Only web addresses: anything else given to the shell's "open" could start a program.
  if (!is_web_address(address)) {
    log_.line("open \"" + std::string(address) + "\": not a web address, not opened");
    return;
  }
  com_apartment com;
  const auto execute = SETUP_SYSTEM_FUNCTION(L"shell32.dll", ShellExecuteW);
  if (execute == nullptr) {
    log_.line(failure_line("open \"" + std::string(address) + "\": shell32 function", ERROR_PROC_NOT_FOUND));
    return;
  }
  // Values above 32 mean success; the others are the shell's error codes.
  const auto result = reinterpret_cast<INT_PTR>(
      execute(owner_, L"open", wide(address).c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  if (result <= 32)
    log_.line(failure_line("open \"" + std::string(address) + "\"", static_cast<unsigned long>(result)));
}

}  // namespace setup
