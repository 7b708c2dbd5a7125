// A program the process tests start.
//   child.exe <report file> <exit code> [milliseconds to sleep]
// writes its own path, the window style it was given and its command line (UTF-8, one per line) to the
// report file, sleeps, and exits with the code. Started without arguments it writes the same report to
// its own path + ".ran" and exits with 200.
#include <windows.h>

#include <cstdlib>
#include <string>

int main() {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  STARTUPINFOW startup{};
  GetStartupInfoW(&startup);
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  const bool with_arguments = argv != nullptr && argc >= 3;
  const std::wstring report_path = with_arguments ? std::wstring(argv[1]) : std::wstring(self) + L".ran";

  const int style = (startup.dwFlags & STARTF_USESHOWWINDOW) ? static_cast<int>(startup.wShowWindow) : -1;
  const std::wstring report =
      std::wstring(self) + L"\n" + std::to_wstring(style) + L"\n" + GetCommandLineW() + L"\n";
  std::string utf8(report.size() * 3, '\0');
  utf8.resize(WideCharToMultiByte(CP_UTF8, 0, report.data(), static_cast<int>(report.size()), utf8.data(),
                                  static_cast<int>(utf8.size()), nullptr, nullptr));
  HANDLE file = CreateFileW(report_path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 201;
  DWORD written = 0;
  WriteFile(file, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
  CloseHandle(file);

  if (!with_arguments) return 200;
  if (argc >= 4) Sleep(static_cast<DWORD>(_wtoi(argv[3])));
  return _wtoi(argv[2]);
}
