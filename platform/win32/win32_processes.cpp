#include <vector>

#include "platform/win32/win32_api.h"
#include "platform/win32/win32_system.h"

namespace setup {
namespace {

using win32::unique_handle;
using win32::wide;

std::wstring full_path(const std::wstring& path) {
  std::wstring buffer(MAX_PATH, L'\0');
  for (int round = 0; round < 4; ++round) {
    const DWORD length =
        GetFullPathNameW(path.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
    if (length == 0) return path;
    if (length < buffer.size()) return buffer.substr(0, length);
    buffer.assign(length + 1, L'\0');
  }
  return path;
}

std::wstring system_directory() {
  wchar_t buffer[MAX_PATH + 1] = {};
  const UINT length = GetSystemDirectoryW(buffer, MAX_PATH + 1);
  return length > 0 && length <= MAX_PATH ? std::wstring(buffer, length) : std::wstring();
}

bool has_directory_part(std::wstring_view program) {
  return program.find_first_of(L"\\/:") != std::wstring_view::npos;
}

bool has_extension(std::wstring_view program) {
  const std::size_t dot = program.rfind(L'.');
  return dot != std::wstring_view::npos && program.find_first_of(L"\\/", dot) == std::wstring_view::npos;
}

// Creates the process for `application` (an absolute path) with `command_line`; the thread handle is
// closed at once, the process handle returned.
unique_handle create_process(const std::wstring& application, std::wstring command_line, int window_style,
                             DWORD flags) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = static_cast<WORD>(window_style);
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(application.c_str(), command_line.data(), nullptr, nullptr, FALSE, flags, nullptr,
                      nullptr, &startup, &info)) {
    return unique_handle();
  }
  CloseHandle(info.hThread);
  return unique_handle(info.hProcess);
}

}  // namespace

bool win32_processes::StartProgram(std::string_view program_path) {
  if (program_path.empty()) {
    log_.line("start: no program given");
    return false;
  }
  // The application name is given explicitly and the command line holds only the quoted path, so
  // neither the search order nor a space in the path can pick another program.
  const std::wstring program = full_path(wide(program_path));
  if (create_process(program, L"\"" + program + L"\"", SW_SHOWNORMAL, 0).valid()) return true;
  log_.line(failure_line("start \"" + win32::narrow(program) + "\"", GetLastError()));
  return false;
}

std::uint32_t win32_processes::RunWait(std::string_view command_line, int window_style) {
  return wait_.run_returning([&] {
    const std::uint32_t result = run_and_wait(command_line, window_style);
    if (result == run_failed) log_.line(failure_line("run " + std::string(command_line), GetLastError()));
    return result;
  });
}

std::uint32_t win32_processes::run_and_wait(std::string_view command_line, int window_style) {
  const std::wstring line = wide(command_line);
  const std::size_t start = line.find_first_not_of(L" \t");
  if (start == std::wstring::npos) return run_failed;

  // The program is the first token, quoted or not; the rest of the line is passed as written.
  std::wstring program;
  std::size_t rest = 0;
  if (line[start] == L'"') {
    const std::size_t close = line.find(L'"', start + 1);
    if (close == std::wstring::npos) return run_failed;
    program = line.substr(start + 1, close - start - 1);
    rest = close + 1;
  } else {
    const std::size_t end = line.find_first_of(L" \t", start);
    program = line.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
    rest = end == std::wstring::npos ? line.size() : end;
  }
  if (program.empty()) return run_failed;

  if (has_directory_part(program)) {
    program = full_path(program);
  } else {
    // A bare name comes from the system directory, never from the current directory.
    const std::wstring directory = system_directory();
    if (directory.empty()) return run_failed;
    program = directory + L"\\" + program + (has_extension(program) ? L"" : L".exe");
  }

  const DWORD flags = window_style == SW_HIDE ? CREATE_NO_WINDOW : 0;
  unique_handle process =
      create_process(program, L"\"" + program + L"\"" + line.substr(rest), window_style, flags);
  if (!process.valid()) return run_failed;
  if (WaitForSingleObject(process.get(), INFINITE) != WAIT_OBJECT_0) return run_failed;
  DWORD exit_code = 0;
  if (!GetExitCodeProcess(process.get(), &exit_code)) return run_failed;
  return exit_code;
}

}  // namespace setup
