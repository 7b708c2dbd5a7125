#include "sim/engine/sql_lexer.h"

#include "platform/text.h"

namespace sqlsim {
namespace {

constexpr std::size_t max_identifier_length = 128;

bool is_letter(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c >= 0x80;
}
bool is_digit(unsigned char c) {
  return c >= '0' && c <= '9';
}
bool is_word_char(unsigned char c) {
  return is_letter(c) || is_digit(c) || c == '@' || c == '#' || c == '$';
}
bool is_blank(unsigned char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}
int hex_value(unsigned char c) {
  if (is_digit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Everything up to `length` UTF-16 units of an over-long name, for the message.
std::string first_units(std::string_view text, std::size_t units) {
  std::u16string wide = setup::utf8_to_utf16(text);
  if (wide.size() > units) wide.resize(units);
  return setup::utf16_to_utf8(wide);
}

class lexer {
 public:
  lexer(std::string_view sql, std::vector<token>& tokens, lex_failure& failure)
      : sql_(sql), tokens_(tokens), failure_(failure) {}

  bool run() {
    while (true) {
      if (!skip_blanks_and_comments()) return false;
      if (pos_ >= sql_.size()) break;
      if (!next()) return false;
    }
    token end;
    end.kind = token_kind::end;
    end.offset = sql_.size();
    tokens_.push_back(end);
    return true;
  }

 private:
  unsigned char at(std::size_t i) const { return i < sql_.size() ? static_cast<unsigned char>(sql_[i]) : 0; }

  bool fail(long number, std::string argument) {
    failure_.number = number;
    failure_.argument = std::move(argument);
    return false;
  }

  bool skip_blanks_and_comments() {
    while (pos_ < sql_.size()) {
      if (is_blank(at(pos_))) {
        ++pos_;
      } else if (at(pos_) == '-' && at(pos_ + 1) == '-') {
        while (pos_ < sql_.size() && at(pos_) != '\n') ++pos_;
      } else if (at(pos_) == '/' && at(pos_ + 1) == '*') {
        // Block comments nest in Transact-SQL.
        int depth = 0;
        while (true) {
          if (pos_ >= sql_.size()) return fail(113, "");
          if (at(pos_) == '/' && at(pos_ + 1) == '*') {
            ++depth, pos_ += 2;
          } else if (at(pos_) == '*' && at(pos_ + 1) == '/') {
            pos_ += 2;
            if (--depth == 0) break;
          } else {
            ++pos_;
          }
        }
      } else {
        break;
      }
    }
    return true;
  }

  void push(token_kind kind, std::string value, std::size_t start, bool national = false) {
    token t;
    t.kind = kind;
    t.value = std::move(value);
    t.offset = start;
    t.length = pos_ - start;
    t.national = national;
    tokens_.push_back(std::move(t));
  }

  // Reads up to the closing delimiter; a doubled closer stands for one.
  bool delimited(char closer, std::string& value) {
    while (true) {
      if (pos_ >= sql_.size()) return fail(105, value);
      const char c = sql_[pos_++];
      if (c == closer) {
        if (at(pos_) == static_cast<unsigned char>(closer)) {
          value += closer;
          ++pos_;
          continue;
        }
        return true;
      }
      value += c;
    }
  }

  bool name_length_ok(const std::string& value) {
    if (setup::utf16_length(value) > max_identifier_length) {
      return fail(103, first_units(value, max_identifier_length));
    }
    return true;
  }

  bool next() {
    const std::size_t start = pos_;
    const unsigned char c = at(pos_);
    std::string value;
    if ((c == 'N' || c == 'n') && at(pos_ + 1) == '\'') {
      pos_ += 2;
      if (!delimited('\'', value)) return false;
      push(token_kind::string, std::move(value), start, true);
    } else if (c == '\'') {
      ++pos_;
      if (!delimited('\'', value)) return false;
      push(token_kind::string, std::move(value), start);
    } else if (c == '[' || c == '"') {
      ++pos_;
      if (!delimited(c == '[' ? ']' : '"', value)) return false;
      if (!name_length_ok(value)) return false;
      push(token_kind::quoted_name, std::move(value), start);
    } else if (c == '0' && (at(pos_ + 1) == 'x' || at(pos_ + 1) == 'X')) {
      pos_ += 2;
      std::string digits;
      while (hex_value(at(pos_)) >= 0) digits += sql_[pos_++];
      if (digits.size() % 2 == 1) digits.insert(digits.begin(), '0');
      for (std::size_t i = 0; i < digits.size(); i += 2) {
        value += static_cast<char>(hex_value(digits[i]) * 16 + hex_value(digits[i + 1]));
      }
      push(token_kind::binary, std::move(value), start);
    } else if (is_digit(c) || (c == '.' && is_digit(at(pos_ + 1)))) {
      while (is_digit(at(pos_)) || at(pos_) == '.') value += sql_[pos_++];
      push(token_kind::number, std::move(value), start);
    } else if (c == '@') {
      while (pos_ < sql_.size() && (at(pos_) == '@' || is_word_char(at(pos_)))) value += sql_[pos_++];
      if (!name_length_ok(value)) return false;
      push(token_kind::variable, std::move(value), start);
    } else if (is_letter(c) || c == '#') {
      while (pos_ < sql_.size() && is_word_char(at(pos_))) value += sql_[pos_++];
      if (!name_length_ok(value)) return false;
      push(token_kind::word, std::move(value), start);
    } else {
      static constexpr std::string_view pairs[] = {"<>", "!=", ">=", "<=", "!<", "!>"};
      for (std::string_view pair : pairs) {
        if (sql_.substr(pos_, 2) == pair) {
          pos_ += 2;
          push(token_kind::symbol, std::string(pair), start);
          return true;
        }
      }
      // One byte, or one whole UTF-8 sequence so that a message never quotes half a character.
      std::size_t length = 1;
      if (c >= 0xC0) {
        while (pos_ + length < sql_.size() && (at(pos_ + length) & 0xC0) == 0x80) ++length;
      }
      pos_ += length;
      push(token_kind::symbol, std::string(sql_.substr(start, length)), start);
    }
    return true;
  }

  std::string_view sql_;
  std::vector<token>& tokens_;
  lex_failure& failure_;
  std::size_t pos_ = 0;
};

}  // namespace

bool tokenize(std::string_view sql, std::vector<token>& tokens, lex_failure& failure) {
  tokens.clear();
  return lexer(sql, tokens, failure).run();
}

std::string number_parameter_markers(std::string_view sql, int& count) {
  count = 0;
  std::vector<token> tokens;
  lex_failure failure;
  if (!tokenize(sql, tokens, failure)) return std::string(sql);
  std::string out;
  std::size_t copied = 0;
  for (const token& t : tokens) {
    if (t.kind != token_kind::symbol || t.value != "?") continue;
    out.append(sql.substr(copied, t.offset - copied));
    out += "@P" + std::to_string(++count);
    copied = t.offset + 1;
  }
  out.append(sql.substr(copied));
  return out;
}

}  // namespace sqlsim
