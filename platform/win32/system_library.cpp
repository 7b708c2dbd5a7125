#include "platform/win32/system_library.h"

#include <string>

namespace setup::win32 {

FARPROC system_function(const wchar_t* dll, const char* name) {
  HMODULE module = GetModuleHandleW(dll);
  if (module == nullptr) {
    wchar_t directory[MAX_PATH + 1] = {};
    const UINT length = GetSystemDirectoryW(directory, MAX_PATH + 1);
    if (length == 0 || length > MAX_PATH) return nullptr;
    // Loaded for the rest of the run: the functions taken from it stay valid.
    module = LoadLibraryW((std::wstring(directory, length) + L"\\" + dll).c_str());
    if (module == nullptr) return nullptr;
  }
  return GetProcAddress(module, name);
}

}  // namespace setup::win32
