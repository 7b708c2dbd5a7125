// The database connection: the settings of a transaction object, connect and disconnect, a single-row
// select and immediate execution, and after every call its status, the server's error number and
// text, and the rows affected.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/text.h"

namespace setup {

// Status after a call.
inline constexpr long sql_ok = 0;
inline constexpr long sql_not_found = 100;
inline constexpr long sql_error = -1;

// Told of each informational message of the server (severity 10 or less) as it arrives while a
// statement runs: its number and text. A restore WITH STATS sends "10 percent processed." (3211) for
// each step, then 4035 per file and 3014 at the end.
using message_handler = std::function<void(long number, std::string_view text)>;

// The first result of a query: the names of its columns and its rows, each cell a text (nullopt: NULL).
struct result_set {
  std::vector<std::string> columns;
  std::vector<std::vector<std::optional<std::string>>> rows;

  // The position of the column of that name (ASCII letters compared without regard to case).
  std::optional<std::size_t> column(std::string_view name) const {
    for (std::size_t i = 0; i < columns.size(); ++i) {
      if (equals_ignore_case_ascii(columns[i], name)) return i;
    }
    return std::nullopt;
  }
};

class transaction {
 public:
  virtual ~transaction() = default;

  // Settings, read by connect().
  std::string dbms;  // the client interface's profile name; it selects nothing beyond SQL Server
  bool autocommit = false;
  std::string servername;
  std::string logid;
  std::string logpass;
  std::string database;
  std::string dbparm;

  // Results of the last call. sqldbcode and sqlerrtext are the server's error number and message
  // (without the client's prefixes such as "[FreeTDS][SQL Server]"); sqlnrows the rows affected.
  long sqlcode = sql_ok;
  long sqldbcode = 0;
  std::string sqlerrtext;
  long sqlnrows = 0;

  // Opens the connection with the settings; sqlcode 0 or -1. An open connection is closed first.
  virtual void connect() = 0;
  // Closes the connection; harmless when none is open.
  virtual void disconnect() = 0;
  virtual bool connected() const = 0;
  // Runs a select with one parameter marker (?) bound to `parameter` as text, and returns the first
  // column of its first row: sqlcode 0 with a row, 100 without one (nullopt), -1 on error.
  virtual std::optional<std::string> select_single(std::string_view sql, std::string_view parameter) = 0;
  // Runs a statement and reads every result and message it produces to the end; sqlcode 0 or -1.
  // `on_message`, when given, hears the statement's informational messages in the order they come.
  virtual void execute_immediate(std::string_view sql, const message_handler& on_message = {}) = 0;
  // As execute_immediate with one parameter marker bound to `parameter` as text.
  virtual void execute_bound(std::string_view sql, std::string_view parameter) = 0;
  // Runs a statement without parameters and returns its first result whole: sqlcode 0 (with no rows
  // too; sqlnrows is their count), or -1 and nullopt on error, also for a statement that returns none.
  virtual std::optional<result_set> select_rows(std::string_view sql) = 0;
};

}  // namespace setup
