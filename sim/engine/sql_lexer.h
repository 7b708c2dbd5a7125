// Tokens of Transact-SQL as far as the simulated server reads it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace sqlsim {

enum class token_kind {
  word,         // regular identifier or keyword: letters, digits, _ @ # $, any non-ASCII character
  quoted_name,  // [name] or "name"; value without the delimiters, doubled closers undone
  string,       // 'text' or N'text'; value without quotes, '' undone
  number,       // 123, 1.5
  binary,       // 0x0A0B; value is the bytes
  variable,     // @name or @@name, value as written
  symbol,       // one of , ( ) = . ; * - + ? < > / % and the like; <> != >= <= as one token
  end,
};

struct token {
  token_kind kind = token_kind::end;
  std::string value;
  std::size_t offset = 0;  // in the source text
  std::size_t length = 0;
  bool national = false;  // N'...'
};

struct lex_failure {
  long number = 0;       // 105 unclosed quote, 113 unclosed comment, 103 identifier too long
  std::string argument;  // the text the message quotes
};

// Splits `sql` into tokens, comments and blanks dropped, ending with one token_kind::end. False (with
// `failure` filled) when the text cannot be tokenized.
bool tokenize(std::string_view sql, std::vector<token>& tokens, lex_failure& failure);

// `?` parameter markers outside literals, quoted names and comments numbered @P1, @P2... as an ODBC
// driver sends them. `count` receives the number of markers; a text that does not tokenize is
// returned unchanged with count 0.
std::string number_parameter_markers(std::string_view sql, int& count);

}  // namespace sqlsim
