// How the server compares and writes names and values.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace sqlsim {

// The comparison key of names and texts under the server's case-insensitive collation: ASCII letters
// folded, trailing blanks ignored.
std::string fold(std::string_view text);
bool same_name(std::string_view a, std::string_view b);
// Bytes as SQL Server writes a binary value: 0x and upper-case hex digits.
std::string hex_text(std::string_view bytes);
// A text as a quoted literal ('' for each '); NULL for none.
std::string quoted_literal(std::string_view text);
std::string quoted_literal_or_null(const std::optional<std::string>& text);

}  // namespace sqlsim
