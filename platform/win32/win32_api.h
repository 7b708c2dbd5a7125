// The one way the Win32 code includes the system headers. Winsock comes before windows.h, and the
// macros that would rename this program's own operations (GetCurrentDirectory...) are removed: the
// Win32 code calls the W functions by their full names.
#pragma once

// The order of these three matters.
// clang-format off
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
// clang-format on
// The user interface: common controls, the common dialogs, the shell's folder browser and pictures.
#include <commctrl.h>
#include <commdlg.h>
#include <olectl.h>
#include <shellapi.h>
#include <shlobj.h>

#undef GetCurrentDirectory
#undef SetCurrentDirectory
#undef GetSystemDirectory
#undef SetFileAttributes

#include <string>
#include <string_view>

namespace setup::win32 {

// UTF-8 to UTF-16 for a W call, and back.
std::wstring wide(std::string_view text);
std::string narrow(std::wstring_view text);

// Owns a kernel handle.
class unique_handle {
 public:
  unique_handle() = default;
  explicit unique_handle(HANDLE handle) : handle_(handle) {}
  ~unique_handle() { reset(); }
  unique_handle(unique_handle&& other) noexcept : handle_(other.release()) {}
  unique_handle& operator=(unique_handle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  unique_handle(const unique_handle&) = delete;
  unique_handle& operator=(const unique_handle&) = delete;

  HANDLE get() const { return handle_; }
  bool valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
  HANDLE release() {
    HANDLE h = handle_;
    handle_ = nullptr;
    return h;
  }
  void reset(HANDLE handle = nullptr) {
    if (valid()) CloseHandle(handle_);
    handle_ = handle;
  }

 private:
  HANDLE handle_ = nullptr;
};

// Owns an open registry key.
class unique_hkey {
 public:
  unique_hkey() = default;
  ~unique_hkey() {
    if (key_ != nullptr) RegCloseKey(key_);
  }
  unique_hkey(const unique_hkey&) = delete;
  unique_hkey& operator=(const unique_hkey&) = delete;

  HKEY get() const { return key_; }
  HKEY* receive() { return &key_; }

 private:
  HKEY key_ = nullptr;
};

// Owns a handle of the Service Control Manager or of one service.
class unique_service_handle {
 public:
  unique_service_handle() = default;
  explicit unique_service_handle(SC_HANDLE handle) : handle_(handle) {}
  ~unique_service_handle() {
    if (handle_ != nullptr) CloseServiceHandle(handle_);
  }
  unique_service_handle(unique_service_handle&& other) noexcept : handle_(other.handle_) {
    other.handle_ = nullptr;
  }
  unique_service_handle(const unique_service_handle&) = delete;
  unique_service_handle& operator=(const unique_service_handle&) = delete;

  SC_HANDLE get() const { return handle_; }
  bool valid() const { return handle_ != nullptr; }

 private:
  SC_HANDLE handle_ = nullptr;
};

}  // namespace setup::win32
