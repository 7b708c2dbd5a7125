// Text helpers shared by every layer. Text is UTF-8 inside the program; UTF-16 appears only at the
// system's W calls and in files that are stored that way.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace setup {

// Invalid sequences become U+FFFD; the conversion never fails.
std::u16string utf8_to_utf16(std::string_view text);
// Unpaired surrogates become U+FFFD.
std::string utf16_to_utf8(std::u16string_view text);
bool is_valid_utf8(std::string_view text);
// Appends the UTF-8 form of one code point (U+FFFD for values that are not scalar values).
void append_utf8(std::string& out, char32_t code_point);
// Length in UTF-16 code units, which is what Windows counts as characters.
std::size_t utf16_length(std::string_view utf8);

// Removes leading and trailing blanks (code 32 only), as the wizard's Trim does.
std::string trim_spaces(std::string_view text);
std::string upper_ascii(std::string_view text);
bool equals_ignore_case_ascii(std::string_view a, std::string_view b);
// Case-insensitive search of `needle` in `haystack` (ASCII letters folded); npos when absent.
std::size_t find_ignore_case_ascii(std::string_view haystack, std::string_view needle, std::size_t from = 0);
bool starts_with_ignore_case_ascii(std::string_view text, std::string_view prefix);
bool ends_with_ignore_case_ascii(std::string_view text, std::string_view suffix);

}  // namespace setup
