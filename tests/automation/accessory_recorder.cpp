// Stands in for the accessory installers of an install medium (automess.exe, auto_up.exe, the data
// transfer services): notes its own file name in "started.txt" beside it, one line per start, and ends.
#include <cstdio>
#include <string>

#include "platform/win32/win32_api.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  std::wstring path(MAX_PATH, L'\0');
  const DWORD length = GetModuleFileNameW(nullptr, path.data(), MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return 1;
  path.resize(length);
  const std::size_t slash = path.rfind(L'\\');
  const std::wstring folder = path.substr(0, slash);
  FILE* out = _wfopen((folder + L"\\started.txt").c_str(), L"ab");
  if (out == nullptr) return 1;
  const std::string name = setup::win32::narrow(path.substr(slash + 1));
  std::fprintf(out, "%s\n", name.c_str());
  std::fclose(out);
  return 0;
}
