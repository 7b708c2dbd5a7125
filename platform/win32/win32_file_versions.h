// File versions through the system's version functions (GetFileVersionInfoW, VerQueryValueW).
#pragma once

#include "platform/file_versions.h"
#include "platform/trace.h"

namespace setup {

// A file without a version, or one that cannot be read, is traced with the system's code.
class win32_file_versions final : public file_versions {
 public:
  explicit win32_file_versions(trace& log) : log_(log) {}
  std::string FileVersion(std::string_view path) override;

 private:
  trace& log_;
};

}  // namespace setup
