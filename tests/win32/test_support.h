// Helpers for the tests of the Windows implementations under wine.
#pragma once

#include <string>
#include <string_view>

#include "platform/memory/memory_system.h"
#include "platform/win32/win32_api.h"

namespace setup::test {

// A fresh directory under the temporary directory, removed with its contents when the object goes.
class temp_directory {
 public:
  temp_directory();
  ~temp_directory();
  temp_directory(const temp_directory&) = delete;
  temp_directory& operator=(const temp_directory&) = delete;

  const std::string& path() const { return path_; }
  // path() + "\" + name
  std::string operator/(std::string_view name) const { return path_ + "\\" + std::string(name); }

 private:
  std::string path_;
};

// Writes bytes to a file, replacing it; false on failure.
bool write_file(const std::string& path, std::string_view bytes);
// The file's bytes; empty when it cannot be read.
std::string read_file(const std::string& path);
// A Unix path of the build tree as wine shows it (Z:\...).
std::string windows_path_of_unix(std::string_view unix_path);

// The trace the Windows implementations under test write to, for the whole test program.
memory_trace& log();

}  // namespace setup::test
