#include "sim/engine/engine_transaction.h"

#include "sim/engine/sql_lexer.h"

namespace sqlsim {
namespace {

// What a client reports itself, with no server error number.
constexpr std::string_view not_connected_text = "Transaction not connected";
constexpr std::string_view marker_count_text = "COUNT field incorrect or syntax error";

}  // namespace

engine_transaction::engine_transaction(engine& server) : server_(server) {}

void engine_transaction::connect() {
  if (connected_) disconnect();
  session_ = session{};
  messages_.clear();
  sqlnrows = 0;
  if (const auto refused = server_.login(session_, logid, logpass, database)) {
    set_error(refused->number, refused->text);
    return;
  }
  connected_ = true;
  sqlcode = setup::sql_ok;
  sqldbcode = 0;
  sqlerrtext.clear();
}

void engine_transaction::disconnect() {
  connected_ = false;
  session_ = session{};
  sqlcode = setup::sql_ok;
  sqldbcode = 0;
  sqlerrtext.clear();
}

bool engine_transaction::connected() const {
  return connected_;
}

std::optional<std::string> engine_transaction::select_single(std::string_view sql,
                                                             std::string_view parameter) {
  std::vector<statement_outcome> outcomes;
  if (!run(sql, parameter, outcomes)) return std::nullopt;
  set_status(outcomes);
  if (sqlcode == setup::sql_error) return std::nullopt;
  for (const statement_outcome& outcome : outcomes) {
    if (!outcome.rows) continue;
    if (outcome.rows->rows.empty() || outcome.rows->rows[0].empty()) break;
    // A NULL in the first column reads as an empty text.
    return outcome.rows->rows[0][0].value_or("");
  }
  sqlcode = setup::sql_not_found;
  return std::nullopt;
}

void engine_transaction::execute_immediate(std::string_view sql, const setup::message_handler& on_message) {
  std::vector<statement_outcome> outcomes;
  if (!run(sql, std::nullopt, outcomes)) return;
  set_status(outcomes);
  if (on_message) {
    for (const server_message& m : messages_) on_message(m.number, m.text);
  }
}

void engine_transaction::execute_bound(std::string_view sql, std::string_view parameter) {
  std::vector<statement_outcome> outcomes;
  if (run(sql, parameter, outcomes)) set_status(outcomes);
}

std::optional<setup::result_set> engine_transaction::select_rows(std::string_view sql) {
  std::vector<statement_outcome> outcomes;
  if (!run(sql, std::nullopt, outcomes)) return std::nullopt;
  set_status(outcomes);
  if (sqlcode == setup::sql_error) return std::nullopt;
  for (const statement_outcome& outcome : outcomes) {
    if (!outcome.rows) continue;
    sqlnrows = static_cast<long>(outcome.rows->rows.size());
    return setup::result_set{outcome.rows->columns, outcome.rows->rows};
  }
  set_error(0, "The statement returned no rows.");
  return std::nullopt;
}

bool engine_transaction::run(std::string_view sql, const std::optional<std::string_view>& bound,
                             std::vector<statement_outcome>& outcomes) {
  messages_.clear();
  sqlnrows = 0;
  if (!connected_) {
    set_error(0, std::string(not_connected_text));
    return false;
  }
  if (!bound) {
    outcomes = server_.execute(session_, sql);
    return true;
  }
  // As an ODBC driver does: the marker becomes @P1 and the value travels beside the text.
  int markers = 0;
  const std::string text = number_parameter_markers(sql, markers);
  if (markers != 1) {
    set_error(0, std::string(marker_count_text));
    return false;
  }
  outcomes = server_.execute(session_, text, {parameter{"@P1", std::string(*bound)}});
  return true;
}

void engine_transaction::set_error(long number, std::string text) {
  sqlcode = setup::sql_error;
  sqldbcode = number;
  sqlerrtext = std::move(text);
}

void engine_transaction::set_status(const std::vector<statement_outcome>& outcomes) {
  sqlcode = setup::sql_ok;
  sqldbcode = 0;
  sqlerrtext.clear();
  bool failed = false;
  for (const statement_outcome& outcome : outcomes) {
    for (const server_message& m : outcome.progress) messages_.push_back(m);
    for (const server_message& m : outcome.messages) {
      if (m.severity <= 10) {
        messages_.push_back(m);
      } else if (!failed) {
        failed = true;
        set_error(m.number, m.text);
      }
    }
    // The count of the last statement that reported one, as a client reads it after the last result.
    if (outcome.rows_affected) sqlnrows = *outcome.rows_affected;
  }
}

}  // namespace sqlsim
