// The version resource of a PE file (PE32 or PE32+), read without the system's version functions.
//
// Only the headers, the section table, the resource directory entries on the way to the version
// resource and the resource itself are read, so a file of any size costs a few small reads. Files
// are untrusted: every offset, length and count is checked against the file and the structure that
// holds it, and anything malformed gives "no version resource".
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/byte_source.h"

namespace setup {

// The tree of version information records its whole length in 16 bits, so no more is ever read.
inline constexpr std::uint32_t max_version_resource_size = 0xFFFF;

// The bytes of the file's version resource (type 16, name 1, its first language); nullopt when the
// file is not a PE file, has no version resource, or any part on the way lies outside the file.
std::optional<std::string> read_version_resource(byte_source& file);

// The "FileVersion" text of the file's first translation (file_version_text); empty when there is none.
std::string pe_file_version(byte_source& file);

}  // namespace setup
