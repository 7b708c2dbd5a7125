#include "platform/win32/win32_console.h"

#include <string>

namespace setup {
namespace {

// The console and a file both end lines with CR LF.
std::string with_crlf(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 2);
  for (const char c : text) {
    if (c == '\n' && (out.empty() || out.back() != '\r')) out += '\r';
    out += c;
  }
  return out + "\r\n";
}

}  // namespace

win32_console::~win32_console() {
  if (owns_handle_ && out_ != nullptr && out_ != INVALID_HANDLE_VALUE) CloseHandle(out_);
}

void win32_console::open() {
  opened_ = true;
  const HANDLE given = GetStdHandle(STD_OUTPUT_HANDLE);
  if (given != nullptr && given != INVALID_HANDLE_VALUE && GetFileType(given) != FILE_TYPE_UNKNOWN) {
    DWORD mode = 0;
    out_ = given;
    is_console_ = GetConsoleMode(given, &mode) != 0;
    return;
  }
  if (!AttachConsole(ATTACH_PARENT_PROCESS)) return;
  out_ = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                     OPEN_EXISTING, 0, nullptr);
  if (out_ == INVALID_HANDLE_VALUE) {
    out_ = nullptr;
    return;
  }
  owns_handle_ = true;
  is_console_ = true;
}

void win32_console::write_line(std::string_view text) {
  if (!opened_) open();
  if (out_ == nullptr) return;
  const std::string line = with_crlf(text);
  DWORD written = 0;
  if (is_console_) {
    const std::wstring units = win32::wide(line);
    WriteConsoleW(out_, units.data(), static_cast<DWORD>(units.size()), &written, nullptr);
  } else {
    WriteFile(out_, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  }
}

}  // namespace setup
