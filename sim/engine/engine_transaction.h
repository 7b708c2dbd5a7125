// The wizard's connection object over an engine in the same process, for scenario tests: what the
// ODBC connection does against sqlsim, without a network or a driver. Server name, DBMS and connect
// parameters mean nothing here.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/database.h"
#include "sim/engine/engine.h"

namespace sqlsim {

class engine_transaction final : public setup::transaction {
 public:
  // The engine must outlive the connection.
  explicit engine_transaction(engine& server);

  void connect() override;
  void disconnect() override;
  bool connected() const override;
  std::optional<std::string> select_single(std::string_view sql, std::string_view parameter) override;
  void execute_immediate(std::string_view sql, const setup::message_handler& on_message = {}) override;
  void execute_bound(std::string_view sql, std::string_view parameter) override;
  std::optional<setup::result_set> select_rows(std::string_view sql) override;

  // The session as the engine sees it (current database, NOCOUNT).
  const session& current_session() const { return session_; }
  // Every informational message of the last call (progress included), in order.
  const std::vector<server_message>& last_messages() const { return messages_; }

 private:
  // Runs `sql` with at most one bound parameter; false (status set) when it did not run.
  bool run(std::string_view sql, const std::optional<std::string_view>& bound,
           std::vector<statement_outcome>& outcomes);
  void set_error(long number, std::string text);
  void set_status(const std::vector<statement_outcome>& outcomes);

  engine& server_;
  session session_;
  bool connected_ = false;
  std::vector<server_message> messages_;
};

}  // namespace sqlsim
