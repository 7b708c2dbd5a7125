// The version information of a program file (the VS_VERSIONINFO tree of its version resource), and
// the one reading of its "FileVersion" text that every source of version information shares.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace setup {

// A value found in version information.
struct version_value {
  // The bytes from the value's start to the end of the block that holds it: all that may be read.
  std::span<const std::uint8_t> bytes;
  // The length the block records for the value: bytes for binary values (the translation table),
  // UTF-16 units for text values. It may claim more than `bytes` holds.
  std::uint32_t length = 0;
};

// Version information that can be queried by sub-block path.
class version_block {
 public:
  virtual ~version_block() = default;
  // The value that a path such as "\VarFileInfo\Translation" names; nullopt when the path names
  // nothing. Path components compare without regard to case.
  virtual std::optional<version_value> query(std::string_view sub_block) = 0;
};

inline constexpr std::string_view translation_sub_block = "\\VarFileInfo\\Translation";

// The eight upper-case hexadecimal digits of a translation entry (language id, then code page), with
// "04091252" replaced by "040904E4"; empty when the entry holds fewer than four bytes.
std::string language_code_page(std::span<const std::uint8_t> entry);

// "\StringFileInfo\" + language and code page + "\FileVersion".
std::string file_version_sub_block(std::string_view language_code_page);

// The "FileVersion" text of the first translation entry, in UTF-8: up to the value's first zero
// character and never beyond its recorded length or its block. Empty when the block has no
// translation table or no such string.
std::string file_version_text(version_block& block);

// A version block over the bytes of a version resource as stored in a PE file (UTF-16 keys and text).
// Every length and offset in the bytes is checked against them; malformed parts are not found.
class resource_version_block final : public version_block {
 public:
  explicit resource_version_block(std::string bytes) : bytes_(std::move(bytes)) {}
  std::optional<version_value> query(std::string_view sub_block) override;

 private:
  std::string bytes_;
};

}  // namespace setup
