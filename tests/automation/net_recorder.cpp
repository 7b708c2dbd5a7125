// Stands in for Windows' net.exe while a test moves an instance's port: each command takes two seconds,
// as a service's stop or start does, and its command line is added to C:\net_commands.txt.
#include <cstdio>
#include <string>

#include "platform/win32/win32_api.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR arguments, int) {
  Sleep(2000);
  FILE* out = _wfopen(L"C:\\net_commands.txt", L"ab");
  if (out == nullptr) return 1;
  std::fprintf(out, "net %s\n", setup::win32::narrow(arguments).c_str());
  std::fclose(out);
  return 0;
}
