// The version block over any bytes: every value found is bytes of the resource, paths are matched
// without regard to case, and the FileVersion text is UTF-8 within the value's recorded length.
#include <string>
#include <vector>

#include "platform/text.h"
#include "platform/version_block.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

std::string lower_ascii(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

std::string_view bytes_of(const setup::version_value& value) {
  return {reinterpret_cast<const char*>(value.bytes.data()), value.bytes.size()};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view resource = fuzz::as_text(data, size);
  setup::resource_version_block block{std::string(resource)};

  std::vector<std::string> paths = {"", "\\", std::string(setup::translation_sub_block), "\\StringFileInfo",
                                    "\\VarFileInfo\\\\Translation\\"};
  if (const auto translation = block.query(setup::translation_sub_block)) {
    const std::string digits = setup::language_code_page(translation->bytes);
    if (!digits.empty()) {
      FUZZ_CHECK(digits.size() == 8);
      paths.push_back(setup::file_version_sub_block(digits));
    }
  }
  for (const std::string& path : paths) {
    const auto value = block.query(path);
    if (value) {
      FUZZ_CHECK(value->bytes.size() <= size);
      FUZZ_CHECK(resource.find(bytes_of(*value)) != std::string_view::npos);
    }
    // Components compare without regard to case: the other spellings find the same value.
    for (const std::string& spelling : {setup::upper_ascii(path), lower_ascii(path)}) {
      const auto same = block.query(spelling);
      FUZZ_CHECK(same.has_value() == value.has_value());
      if (same) {
        FUZZ_CHECK(same->length == value->length);
        FUZZ_CHECK(bytes_of(*same) == bytes_of(*value));
      }
    }
  }

  const std::string text = setup::file_version_text(block);
  FUZZ_CHECK(setup::is_valid_utf8(text));
  FUZZ_CHECK(text.find('\0') == std::string::npos);
  FUZZ_CHECK(setup::utf16_length(text) * 2 <= size);
  return 0;
}
