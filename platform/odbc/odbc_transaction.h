// The connection over ODBC, one code base for both targets: odbc32 on Windows, unixODBC on Linux
// (where the tests register FreeTDS under the driver name "SQL Server"). Wide (W) calls only.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/database.h"
#include "platform/waiting.h"

namespace setup {

// A connection-string value in braces, '}' doubled, so that ; = { } and blanks stay part of the value.
std::string odbc_braced(std::string_view value);
// DRIVER={SQL Server};SERVER=...;UID=...;PWD=...;DATABASE=...; with every value braced (DATABASE
// only when set) and every attribute ended by ';'; `dbparm` is appended as further attributes.
std::string odbc_connection_string(const transaction& settings);
// A diagnostic text without the bracketed tags that drivers and driver managers put before the
// server's message ("[FreeTDS][SQL Server]", "[Microsoft][ODBC SQL Server Driver][SQL Server]").
std::string without_driver_prefixes(std::string_view text);

// Every call that reaches the server runs through the waiting given; the messages reach the handler on
// the thread that made the call.
class odbc_transaction final : public transaction {
 public:
  explicit odbc_transaction(waiting& wait = waiting_in_place());
  ~odbc_transaction() override;
  odbc_transaction(const odbc_transaction&) = delete;
  odbc_transaction& operator=(const odbc_transaction&) = delete;

  void connect() override;
  void disconnect() override;
  bool connected() const override;
  // sqlnrows is 1 when a row was found, else 0.
  std::optional<std::string> select_single(std::string_view sql, std::string_view parameter) override;
  // sqlnrows is the last row count the statement reported (SQLRowCount), 0 when it reported none.
  // Informational messages reach `on_message` after each result that carries them, while the
  // statement is still running on the server.
  void execute_immediate(std::string_view sql, const message_handler& on_message = {}) override;
  void execute_bound(std::string_view sql, std::string_view parameter) override;
  std::optional<result_set> select_rows(std::string_view sql) override;

  struct session;  // the open environment and connection handles

 private:
  void reset_results();
  void open();
  // Runs `sql` (with the parameter bound when given), reads every result and message to the end, and
  // sets the results. Returns the first row set with at most `rows_wanted` of its rows, nullopt when
  // the statement returned none.
  std::optional<result_set> run(std::string_view sql, std::optional<std::string_view> parameter,
                                const message_handler& on_message = {}, std::size_t rows_wanted = 0);
  std::optional<result_set> run_here(std::string_view sql, std::optional<std::string_view> parameter,
                                     const message_handler& on_message, std::size_t rows_wanted);

  waiting& wait_;
  std::unique_ptr<session> session_;
};

}  // namespace setup
