// File versions through the system's version functions (GetFileVersionInfoW, VerQueryValueW).
#pragma once

#include "platform/file_versions.h"

namespace setup {

class win32_file_versions final : public file_versions {
 public:
  std::string FileVersion(std::string_view path) override;
};

}  // namespace setup
