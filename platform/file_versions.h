// The FileVersion string of a program file's version resource.
#pragma once

#include <string>
#include <string_view>

namespace setup {

class file_versions {
 public:
  virtual ~file_versions() = default;
  // The "FileVersion" text of the file's first translation; empty when the file is absent,
  // unreadable or has no such string.
  virtual std::string FileVersion(std::string_view path) = 0;
};

}  // namespace setup
