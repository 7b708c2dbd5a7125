#include "sim/engine/sql_text.h"

#include "platform/text.h"

namespace sqlsim {

std::string fold(std::string_view text) {
  std::string key = setup::upper_ascii(text);
  while (!key.empty() && key.back() == ' ') key.pop_back();
  return key;
}

bool same_name(std::string_view a, std::string_view b) {
  return fold(a) == fold(b);
}

std::string hex_text(std::string_view bytes) {
  static constexpr char digits[] = "0123456789ABCDEF";
  std::string out = "0x";
  for (unsigned char c : bytes) {
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

std::string quoted_literal(std::string_view text) {
  std::string out = "'";
  for (char c : text) {
    out += c;
    if (c == '\'') out += '\'';
  }
  return out + "'";
}

std::string quoted_literal_or_null(const std::optional<std::string>& text) {
  return text ? quoted_literal(*text) : "NULL";
}

}  // namespace sqlsim
