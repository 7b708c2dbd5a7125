// The browser's stand-in in tests (see browser_stand_in.h): appends each address on its command line,
// one a line in UTF-8, to the file named by SETUP_TEST_URL_LOG. Started without that variable (the
// prefix kept the association after a test died), it hands the addresses to wine's own browser.
#include <string>

#include "platform/win32/win32_api.h"

namespace {

constexpr const wchar_t* log_variable = L"SETUP_TEST_URL_LOG";

bool append_line(const std::wstring& log, const std::wstring& address) {
  setup::win32::unique_handle file(CreateFileW(log.c_str(), FILE_APPEND_DATA,
                                               FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                               FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return false;
  const std::string line = setup::win32::narrow(address) + "\n";
  DWORD written = 0;
  return WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr) &&
         written == line.size();
}

void hand_to_wine_browser(const std::wstring& address) {
  wchar_t system[MAX_PATH] = {};
  if (GetSystemDirectoryW(system, MAX_PATH) == 0) return;
  const std::wstring browser = std::wstring(system) + L"\\winebrowser.exe";
  std::wstring command_line = L"\"" + browser + L"\" \"" + address + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (CreateProcessW(browser.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                     &startup, &info)) {
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  wchar_t log[MAX_PATH * 2] = {};
  const DWORD log_length = GetEnvironmentVariableW(log_variable, log, MAX_PATH * 2);
  int count = 0;
  wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &count);
  if (args == nullptr) return 1;
  int status = 0;
  for (int i = 1; i < count; ++i) {
    if (log_length > 0 && log_length < MAX_PATH * 2) {
      if (!append_line(log, args[i])) status = 1;
    } else {
      hand_to_wine_browser(args[i]);
    }
  }
  LocalFree(args);
  return status;
}
