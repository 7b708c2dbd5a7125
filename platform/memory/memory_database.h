// A connection double that answers from a script and records every call, for tests that need to say
// exactly what the server answers (the simulated server in sim/ is the other way to test against a
// database).
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/database.h"

namespace setup {

class memory_transaction final : public transaction {
 public:
  struct reply {
    long sqlcode = sql_ok;
    long sqldbcode = 0;
    std::string sqlerrtext;
    long sqlnrows = 0;
    std::optional<std::string> value;  // the first column a select returns
    std::optional<result_set> rows;    // what a select of rows returns; without it, none
    // Informational messages (number, text) an execute_immediate hands to its handler, in order.
    std::vector<std::pair<long, std::string>> messages;
  };
  struct call {
    std::string kind;  // "connect", "disconnect", "select", "rows", "execute"
    std::string sql;
    std::optional<std::string> parameter;
    // The settings at a connect.
    std::string servername, logid, logpass, database;
  };

  // The next connects answer these in order; without one a connect succeeds.
  std::deque<reply> connect_replies;
  // Statements containing `pattern` (compared without regard to case) get `answer`; the first rule that
  // matches wins. A rule with `times` > 0 is used that many times and then dropped.
  void on(std::string pattern, reply answer, int times = 0);

  const std::vector<call>& calls() const { return calls_; }
  // The statement texts executed or selected, in order.
  std::vector<std::string> statements() const;

  void connect() override;
  void disconnect() override;
  bool connected() const override { return connected_; }
  std::optional<std::string> select_single(std::string_view sql, std::string_view parameter) override;
  void execute_immediate(std::string_view sql, const message_handler& on_message = {}) override;
  void execute_bound(std::string_view sql, std::string_view parameter) override;
  // Without a rule that gives rows, an empty result.
  std::optional<result_set> select_rows(std::string_view sql) override;

 private:
  struct rule {
    std::string pattern;
    reply answer;
    int times;
  };
  // The scripted reply for a statement; nullopt when no rule matches.
  std::optional<reply> answer_for(std::string_view sql);
  void apply(const reply& r);
  void run(std::string_view sql, std::optional<std::string> parameter, const message_handler& on_message);

  std::vector<rule> rules_;
  std::vector<call> calls_;
  bool connected_ = false;
};

}  // namespace setup
