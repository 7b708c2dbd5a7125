// Functions of system DLLs the program needs only now and then: the file dialog, the shell and OLE.
// Importing those DLLs makes every start of the program wait for them (under wine the window takes
// about twice as long to show), so they are loaded when first called, always from the system
// directory, never from the program's folder or the current directory.
#pragma once

#include "platform/win32/win32_api.h"

namespace setup::win32 {

// The function `name` of the system DLL `dll` (for example L"ole32.dll"), loading the DLL when needed;
// null when the DLL or the function is missing.
FARPROC system_function(const wchar_t* dll, const char* name);

// The same as a pointer of the given function type.
template <typename function>
function system_function_as(const wchar_t* dll, const char* name) {
  // Through void (*)(), the type that stands for any function.
  return reinterpret_cast<function>(reinterpret_cast<void (*)()>(system_function(dll, name)));
}

}  // namespace setup::win32

namespace setup::win32 {

// Functions of a newer Windows than the one the headers are set to (Windows 7), looked up by name so
// that the program still starts where they are missing. Their pointer types are declared here and
// nowhere else, each with WINAPI: without it only the 32-bit program calls them wrongly (x86_64 has one
// calling convention), and the 32-bit program cannot run on every test machine.
// system_library_types.cpp compares each with the system's own declaration, in both Windows trees.
using get_dpi_for_window = UINT(WINAPI*)(HWND);
using adjust_window_rect_ex_for_dpi = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);

}  // namespace setup::win32

// A typed pointer to a system function loaded when first used, e.g.
//   const auto initialize = SETUP_SYSTEM_FUNCTION(L"ole32.dll", OleInitialize);
//   if (initialize != nullptr) initialize(nullptr);
#define SETUP_SYSTEM_FUNCTION(dll, name) ::setup::win32::system_function_as<decltype(&::name)>(dll, #name)
