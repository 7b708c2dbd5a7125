#include <vector>

#include "platform/win32/system_library.h"
#include "platform/win32/win32_api.h"
#include "platform/win32/win32_system.h"

namespace setup {
namespace {

using win32::narrow;
using win32::unique_handle;
using win32::wide;

// The version Windows really is: GetVersionEx answers what the manifest declares it supports.
std::string windows_version(bool& server) {
  using rtl_get_version = LONG(WINAPI*)(OSVERSIONINFOEXW*);
  const auto get_version = win32::system_function_as<rtl_get_version>(L"ntdll.dll", "RtlGetVersion");
  OSVERSIONINFOEXW info{};
  info.dwOSVersionInfoSize = sizeof(info);
  if (get_version == nullptr || get_version(&info) != 0) return {};
  server = info.wProductType != VER_NT_WORKSTATION;
  std::string text = std::to_string(info.dwMajorVersion) + "." + std::to_string(info.dwMinorVersion) +
                     " build " + std::to_string(info.dwBuildNumber);
  if (info.szCSDVersion[0] != L'\0') text += " " + narrow(info.szCSDVersion);
  return text;
}

bool windows_64bit() {
#ifdef _WIN64
  return true;
#else
  BOOL wow64 = FALSE;
  return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
#endif
}

std::string user_name() {
  wchar_t buffer[257] = {};
  DWORD size = 257;
  return GetUserNameW(buffer, &size) && size > 0 ? narrow(std::wstring_view(buffer, size - 1))
                                                 : std::string();
}

// Elevated where Windows splits an administrator's rights (Vista on); before that, a member of the
// administrators.
std::optional<bool> elevated() {
  HANDLE raw = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw)) return std::nullopt;
  const unique_handle token(raw);
  TOKEN_ELEVATION elevation{};
  DWORD size = 0;
  if (GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof(elevation), &size)) {
    return elevation.TokenIsElevated != 0;
  }
  SID_IDENTIFIER_AUTHORITY nt_authority = SECURITY_NT_AUTHORITY;
  PSID administrators = nullptr;
  if (!AllocateAndInitializeSid(&nt_authority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0,
                                0, 0, 0, 0, &administrators)) {
    return std::nullopt;
  }
  BOOL member = FALSE;
  const bool asked = CheckTokenMembership(nullptr, administrators, &member) != 0;
  FreeSid(administrators);
  if (!asked) return std::nullopt;
  return member != 0;
}

}  // namespace

machine_facts win32_environment::machine() {
  machine_facts facts;
  facts.windows_version = windows_version(facts.windows_server);
  facts.windows_64bit = windows_64bit();
  facts.user = user_name();
  facts.elevated = elevated();
  return facts;
}

std::string win32_environment::temporary_folder() {
  wchar_t buffer[MAX_PATH + 2] = {};
  const DWORD length = GetTempPathW(MAX_PATH + 2, buffer);
  if (length == 0 || length > MAX_PATH + 1) {
    log_.line(failure_line("temporary folder", GetLastError()));
    return {};
  }
  std::wstring_view folder(buffer, length);
  while (folder.size() > 3 && folder.back() == L'\\') folder.remove_suffix(1);
  return narrow(folder);
}

std::optional<std::string> win32_environment::variable(std::string_view name) {
  if (name.empty()) return std::nullopt;
  const std::wstring wide_name = wide(name);
  std::vector<wchar_t> buffer(256);
  for (int round = 0; round < 4; ++round) {
    SetLastError(ERROR_SUCCESS);
    const DWORD length =
        GetEnvironmentVariableW(wide_name.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) {
      if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
      return GetLastError() == ERROR_SUCCESS ? std::optional<std::string>(std::string()) : std::nullopt;
    }
    if (length < buffer.size()) return narrow(std::wstring_view(buffer.data(), length));
    buffer.assign(length + 1, L'\0');
  }
  return std::nullopt;
}

}  // namespace setup
