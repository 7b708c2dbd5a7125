// File versions read by our own PE version-resource reader, through the files interface: the same
// text on every system, and no system call beyond reading the file.
#pragma once

#include "platform/file_versions.h"
#include "platform/files.h"

namespace setup {

class portable_file_versions final : public file_versions {
 public:
  explicit portable_file_versions(files& fs) : fs_(fs) {}
  std::string FileVersion(std::string_view path) override;

 private:
  files& fs_;
};

}  // namespace setup
