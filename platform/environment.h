// The process's surroundings: the Windows it runs on and the user who started it, its environment
// variables and its folder for temporary files.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace setup {

// What support asks first about a machine.
struct machine_facts {
  // "10.0 build 19045", with the service pack when there is one ("5.2 build 3790 Service Pack 2").
  std::string windows_version;
  bool windows_server = false;
  bool windows_64bit = false;
  std::string user;
  // Runs with the administrators' rights (elevated where Windows splits them); nullopt when Windows
  // does not tell.
  std::optional<bool> elevated;
};

class environment {
 public:
  virtual ~environment() = default;

  virtual machine_facts machine() = 0;
  // The folder for temporary files (%TEMP%), without a trailing backslash; empty when there is none.
  virtual std::string temporary_folder() = 0;
  // The value of an environment variable; nullopt when it is not set.
  virtual std::optional<std::string> variable(std::string_view name) = 0;
};

// The facts in one line: "Windows 10.0 build 19045 (workstation), 64-bit, user admin, elevated".
std::string describe(const machine_facts& facts);

}  // namespace setup
