// INI decoding and look-up on any file, in every encoding. The input is "section NUL key NUL file"; the
// decoded text is UTF-8 of bounded size, reads the same when stored as UTF-8 with a mark or as UTF-16 of
// either byte order, and a value found is a trimmed piece of one line of it, found whatever the case of
// the names.
#include <optional>
#include <string>

#include "platform/ini_reader.h"
#include "platform/text.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

bool is_blank(char c) {
  return (c >= 0x09 && c <= 0x0D) || c == ' ' || c == 0x1A;
}

std::string lower_ascii(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

std::string utf16_file(std::string_view utf8, bool big_endian) {
  std::string bytes = big_endian ? "\xFE\xFF" : "\xFF\xFE";
  for (char16_t unit : setup::utf8_to_utf16(utf8)) {
    const char high = static_cast<char>(unit >> 8);
    const char low = static_cast<char>(unit & 0xFF);
    bytes += big_endian ? high : low;
    bytes += big_endian ? low : high;
  }
  return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fuzz::split_input<2> input(fuzz::as_text(data, size));
  const std::string_view section = input.parts[0];
  const std::string_view key = input.parts[1];
  const std::string_view file = input.parts[2];

  const std::string text = setup::decode_ini_text(file);
  FUZZ_CHECK(setup::is_valid_utf8(text));
  // Each byte or pair of bytes becomes at most three bytes of UTF-8 (U+FFFD included).
  FUZZ_CHECK(text.size() <= 3 * file.size());

  const std::optional<std::string> value = setup::find_ini_value(text, section, key);
  if (value) {
    FUZZ_CHECK(text.find(*value) != std::string::npos);
    FUZZ_CHECK(value->find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos);
    // (A NUL ends a value after its blanks were dropped, so blanks before a NUL stay: the reader's
    // order, left as it is.)
    if (text.find('\0') == std::string::npos) {
      FUZZ_CHECK(value->empty() || (!is_blank(value->front()) && !is_blank(value->back())));
    }
    FUZZ_CHECK(setup::is_valid_utf8(*value));
  }
  FUZZ_CHECK(setup::find_ini_value(text, setup::upper_ascii(section), lower_ascii(key)) == value);

  // The same text stored in the other encodings.
  for (const std::string& stored : {"\xEF\xBB\xBF" + text, utf16_file(text, false), utf16_file(text, true)}) {
    FUZZ_CHECK(setup::decode_ini_text(stored) == text);
  }

  const std::string read = setup::read_profile_string(file, section, key, "'fallback'  ");
  if (!value) {
    FUZZ_CHECK(read == "fallback");
  } else {
    // One pair of matching quotes goes, nothing else.
    FUZZ_CHECK(read == *value || (value->size() == read.size() + 2 && value->substr(1, read.size()) == read &&
                                  value->front() == value->back() &&
                                  (value->front() == '"' || value->front() == '\'')));
  }
  return 0;
}
