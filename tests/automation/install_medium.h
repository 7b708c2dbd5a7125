// An install medium laid out for one test in a fresh temporary folder, as a technician's medium is:
// server.exe, the pictures under resource\, and the profile files the test writes. The folder goes
// with the object.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "tests/automation/automation.h"
#include "tests/win32/test_support.h"

namespace setup::automation {

// Windows paths of the programs the build made, for the tests.
std::string server_exe();
std::string built_program(std::string_view file_name);

// `utf8` in a Windows code page (936: GBK, as a Chinese Windows writes setup.ini).
std::string in_code_page(std::string_view utf8, unsigned code_page);

class install_medium {
 public:
  // Copies `program` (server.exe by default) and, unless told otherwise, the demo medium's pictures.
  install_medium();
  explicit install_medium(const std::string& program, bool with_pictures = true);

  // Whether the folder was laid out.
  testing::AssertionResult ready() const;
  const std::string& path() const { return folder_.path(); }
  std::string program() const { return program_; }
  // path() + "\" + name
  std::string operator/(std::string_view name) const { return folder_ / name; }

  // "[Options]" followed by `lines` ("Key=Value\r\n"...), in UTF-8.
  bool write_setup_ini(std::string_view lines);
  // "[oem]" followed by `lines`, in the given code page (0: UTF-8).
  bool write_setup_des(std::string_view lines, unsigned code_page = 0);
  bool write(std::string_view name, std::string_view bytes);
  // The demo medium's profile files (setup.ini, and setup.des when it has one).
  bool copy_demo_profile();

  // How to start the program in the medium, with `environment` added to ours.
  program::options start_options(std::vector<std::pair<std::string, std::string>> environment = {}) const;

 private:
  test::temp_directory folder_;
  std::string program_;
  std::string error_;
};

}  // namespace setup::automation
