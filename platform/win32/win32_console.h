// The console on Windows. server.exe is a GUI program: Windows gives it no console, and a command
// prompt does not wait for it unless started with `start /wait`. Lines go to the standard output when
// it is redirected (a file or a pipe), otherwise to the console of the process that started the
// program, attached on the first line; with neither, nowhere.
#pragma once

#include <string_view>

#include "platform/console.h"
#include "platform/win32/win32_api.h"

namespace setup {

class win32_console final : public console {
 public:
  win32_console() = default;
  win32_console(const win32_console&) = delete;
  win32_console& operator=(const win32_console&) = delete;
  ~win32_console() override;

  void write_line(std::string_view text) override;

 private:
  // Finds where the lines go; once.
  void open();

  bool opened_ = false;
  HANDLE out_ = nullptr;
  bool is_console_ = false;  // WriteConsoleW (UTF-16); otherwise WriteFile (UTF-8)
  bool owns_handle_ = false;
};

}  // namespace setup
