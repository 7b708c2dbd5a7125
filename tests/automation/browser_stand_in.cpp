#include "tests/automation/browser_stand_in.h"

#include "tests/win32/test_support.h"

namespace setup::automation {
namespace {

// The command the shell runs to open an https address, in the view of a 32-bit program (the view
// the programs under test see).
constexpr const wchar_t* https_open_command = L"Software\\Classes\\https\\shell\\open\\command";

}  // namespace

browser_stand_in::browser_stand_in(std::string recorder, std::string log) : log_(std::move(log)) {
  DeleteFileW(win32::wide(log_).c_str());
  win32::unique_hkey key;
  LONG status = RegCreateKeyExW(HKEY_LOCAL_MACHINE, https_open_command, 0, nullptr, 0,
                                KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, key.receive(), nullptr);
  if (status != ERROR_SUCCESS) {
    error_ = "cannot open the https association (error " + std::to_string(status) + ")";
    return;
  }
  DWORD type = 0;
  DWORD size = 0;
  if (RegQueryValueExW(key.get(), nullptr, nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
      type == REG_SZ) {
    std::wstring value(size / sizeof(wchar_t) + 1, L'\0');
    size = static_cast<DWORD>(value.size() * sizeof(wchar_t));
    if (RegQueryValueExW(key.get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value.data()), &size) ==
        ERROR_SUCCESS) {
      value.resize(wcsnlen(value.c_str(), value.size()));
      previous_command_ = value;
      had_previous_ = true;
    }
  }
  const std::wstring command = L"\"" + win32::wide(recorder) + L"\" \"%1\"";
  status = RegSetValueExW(key.get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                          static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t)));
  if (status != ERROR_SUCCESS) {
    error_ = "cannot set the https association (error " + std::to_string(status) + ")";
    return;
  }
  installed_ = true;
}

browser_stand_in::~browser_stand_in() {
  if (!installed_) return;
  win32::unique_hkey key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, https_open_command, 0, KEY_SET_VALUE, key.receive()) != ERROR_SUCCESS)
    return;
  if (had_previous_) {
    RegSetValueExW(key.get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(previous_command_.c_str()),
                   static_cast<DWORD>((previous_command_.size() + 1) * sizeof(wchar_t)));
  } else {
    RegDeleteValueW(key.get(), nullptr);
  }
}

testing::AssertionResult browser_stand_in::installed() const {
  if (installed_) return testing::AssertionSuccess();
  return testing::AssertionFailure() << error_;
}

std::vector<std::string> browser_stand_in::addresses() const {
  std::vector<std::string> lines;
  const std::string text = test::read_file(log_);
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

}  // namespace setup::automation
