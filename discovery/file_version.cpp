#include "discovery/file_version.h"

namespace setup {

int uo_file_version::f_get_fileversion(std::string_view str_file, std::string& version) {
  version = versions_.FileVersion(str_file);
  return 1;
}

}  // namespace setup
