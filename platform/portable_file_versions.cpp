#include "platform/portable_file_versions.h"

#include "platform/pe_version_reader.h"

namespace setup {

std::string portable_file_versions::FileVersion(std::string_view path) {
  const std::unique_ptr<byte_source> file = fs_.OpenForReading(path);
  if (!file) return {};
  return pe_file_version(*file);
}

}  // namespace setup
