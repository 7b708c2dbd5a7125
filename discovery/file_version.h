// uo_file_version: the "FileVersion" text of a program file, which tells SQL Server versions apart
// (sqlservr.exe of SQL Server 2005 carries "2005.090...", of 2008 "2007.100..." and so on).
#pragma once

#include <string>
#include <string_view>

#include "platform/file_versions.h"

namespace setup {

class uo_file_version {
 public:
  explicit uo_file_version(file_versions& versions) : versions_(versions) {}

  // `version` receives the FileVersion text of the first translation of `str_file`'s version
  // resource, or the empty text when the file is absent or has no such string. Always 1.
  int f_get_fileversion(std::string_view str_file, std::string& version);

 private:
  file_versions& versions_;
};

}  // namespace setup
