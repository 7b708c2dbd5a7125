// The SQL lexer and parser on any text. Tokens cover the text in order without overlapping and end with
// one end token; parameter markers are numbered one for one; a batch parses (under every version) into
// statements in order inside the text, or fails with a syntax error that quotes UTF-8 from a UTF-8 text.
#include <algorithm>

#include "platform/text.h"
#include "sim/engine/sql_lexer.h"
#include "sim/engine/sql_parser.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

using namespace sqlsim;

bool is_marker(const token& t) {
  return t.kind == token_kind::symbol && t.value == "?";
}

void check_markers(std::string_view sql, const std::vector<token>& tokens) {
  int count = -1;
  const std::string numbered = number_parameter_markers(sql, count);
  const auto markers = std::count_if(tokens.begin(), tokens.end(), is_marker);
  FUZZ_CHECK(count == markers);
  std::vector<token> again;
  lex_failure failure;
  // @P1 glued to a name may make the name too long (103); otherwise the text still tokenizes, markerless.
  if (!tokenize(numbered, again, failure)) {
    FUZZ_CHECK(failure.number == 103);
    return;
  }
  FUZZ_CHECK(std::none_of(again.begin(), again.end(), is_marker));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view sql = fuzz::as_text(data, size);
  const bool utf8 = setup::is_valid_utf8(sql);
  std::vector<token> tokens;
  lex_failure lexing;
  if (!tokenize(sql, tokens, lexing)) {
    FUZZ_CHECK(lexing.number == 103 || lexing.number == 105 || lexing.number == 113);
    if (lexing.number == 103) FUZZ_CHECK(setup::utf16_length(lexing.argument) <= 128);
    if (utf8) FUZZ_CHECK(setup::is_valid_utf8(lexing.argument));
    int count = -1;
    FUZZ_CHECK(number_parameter_markers(sql, count) == sql && count == 0);
    return 0;
  }
  FUZZ_CHECK(!tokens.empty() && tokens.back().kind == token_kind::end && tokens.back().offset == size);
  std::size_t covered = 0;
  for (std::size_t i = 0; i + 1 < tokens.size(); ++i) {
    const token& t = tokens[i];
    FUZZ_CHECK(t.kind != token_kind::end);
    FUZZ_CHECK(t.length > 0 && t.offset >= covered && t.offset + t.length <= size);
    covered = t.offset + t.length;
    const std::string_view written = sql.substr(t.offset, t.length);
    switch (t.kind) {
      case token_kind::word:
      case token_kind::variable:
      case token_kind::number:
      case token_kind::symbol:
        FUZZ_CHECK(t.value == written);
        break;
      case token_kind::string:
      case token_kind::quoted_name:
        FUZZ_CHECK(t.value.size() + 2 <= t.length);
        if (utf8) FUZZ_CHECK(setup::is_valid_utf8(t.value));
        break;
      case token_kind::binary:
        FUZZ_CHECK(t.value.size() * 2 <= t.length);
        break;
      case token_kind::end:
        break;
    }
  }
  check_markers(sql, tokens);

  for (server_version version :
       {server_version::v2000, server_version::v2005, server_version::v2008, server_version::v2012}) {
    std::vector<statement> statements;
    parse_failure failure;
    if (!parse_batch(tokens, version, statements, failure)) {
      FUZZ_CHECK(failure.number == 102 || failure.number == 137 || failure.number == 195);
      if (utf8) FUZZ_CHECK(setup::is_valid_utf8(failure.argument));
      continue;
    }
    std::size_t end = 0;
    for (const statement& st : statements) {
      FUZZ_CHECK(st.begin >= end && st.begin < st.end && st.end <= size);
      end = st.end;
    }
  }
  return 0;
}
