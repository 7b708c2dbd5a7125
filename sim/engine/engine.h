// The simulated SQL Server's engine: the state a SQL Server keeps for the setup wizard (databases and
// their files, logins, users, the product table, options) and the statements the wizard sends.
// It is used in process by tests and behind the TDS listener by sqlsim. Not thread-safe: one caller
// at a time.
#pragma once

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/engine/disk.h"

namespace sqlsim {

enum class server_version {
  v2000 = 2000,
  v2005 = 2005,
  v2008 = 2008,
  v2012 = 2012,
  v2014 = 2014,
  v2016 = 2016,
  v2017 = 2017,
  v2019 = 2019,
  v2022 = 2022,
};
// Every version, oldest first; each one's number is its year.
inline constexpr server_version server_versions[] = {
    server_version::v2000, server_version::v2005, server_version::v2008,
    server_version::v2012, server_version::v2014, server_version::v2016,
    server_version::v2017, server_version::v2019, server_version::v2022};
// The version of a year, if there is one.
std::optional<server_version> server_version_of_year(long year);

// The product version a server of this version reports (LOGINACK, backup headers, @@VERSION): 2000 is
// 8.0.2039, 2005 9.0.5000, 2008 10.0.5500, 2012 11.0.5058, 2014 12.0.6024, 2016 13.0.5026, 2017
// 14.0.3045, 2019 15.0.2000, 2022 16.0.1000.
struct product_version {
  int major = 0;
  int minor = 0;
  int build = 0;
};
product_version product_version_of(server_version version);

// An error or informational message as SQL Server sends it. Severity (class) above 10 is an error.
struct server_message {
  long number = 0;
  int state = 1;
  int severity = 16;
  std::string text;
  std::string procedure;
  int line = 1;
};

struct row_set {
  std::vector<std::string> columns;
  std::vector<std::vector<std::optional<std::string>>> rows;
};

// What one statement of a batch produced, in the order a server reports it.
struct statement_outcome {
  // Informational messages sent while the statement runs, each one followed by its own DONE with the
  // MORE bit (a RESTORE ... WITH STATS reports "N percent processed." this way).
  std::vector<server_message> progress;
  std::optional<row_set> rows;
  // Messages at the end of the statement, errors included.
  std::vector<server_message> messages;
  // Row count for the DONE token, when the statement has one (DML, SELECT).
  std::optional<long> rows_affected;
  bool failed = false;
  // Set when the statement changed the session's database (USE): the new name. The engine adds no
  // message for it; the client is told with an ENVCHANGE and message 5701, as after a login.
  std::optional<std::string> database_changed;
};

// A text parameter of an RPC call (sp_executesql): name as declared ("@P1") and value (nullopt: NULL).
struct parameter {
  std::string name;
  std::optional<std::string> value;
};

// One client connection's state.
struct session {
  std::string login;
  std::string database;
  // SET NOCOUNT ON: statements report no row count.
  bool nocount = false;
};

// Told what a batch produces while it runs, in order: each progress message as the statement makes it
// (RESTORE ... WITH STATS), and each statement's outcome when it ends. Called inside execute().
class execution_observer {
 public:
  virtual ~execution_observer() = default;
  virtual void progress(const server_message& message) = 0;
  virtual void statement_done(const statement_outcome& outcome) = 0;
};

struct engine_options {
  server_version version = server_version::v2008;
  std::string sa_password;
  // Windows paths on drive C: are files under this directory; empty: no file access at all.
  std::filesystem::path c_drive;
  // When set, the server's files live here instead and c_drive is not used (tests in memory).
  std::shared_ptr<disk> files;
  // A fault on demand: a restore WITH STATS waits this long before each "N percent processed.".
  std::chrono::milliseconds restore_step_delay{0};
};

// An error with this number as the server of that version words it (its arguments left empty), for a
// fault on demand; a number the server does not know gets a text that names it.
server_message message_of(server_version version, long number);

class engine {
 public:
  explicit engine(engine_options options);
  ~engine();
  engine(const engine&) = delete;
  engine& operator=(const engine&) = delete;

  // Checks the login (18456) and access to the database (4060; empty means the login's default, and
  // 4064 when that cannot be opened). On success fills `s` and returns nullopt; otherwise the error to
  // send, and `s` is unchanged.
  std::optional<server_message> login(session& s, std::string_view user, std::string_view password,
                                      std::string_view database);
  // Runs a batch of one or more statements with the given parameters: one outcome per statement, in
  // order; a failing statement does not stop the ones after it. A batch that does not compile (102,
  // 105...) runs nothing and gives one failed outcome; a batch of only blanks and comments gives none.
  // sim/README.md lists the statements understood.
  // An observer, when given, hears of progress and outcomes as they come (the listener sends them on).
  std::vector<statement_outcome> execute(session& s, std::string_view batch,
                                         const std::vector<parameter>& parameters = {},
                                         execution_observer* observer = nullptr);

  // What execute() would report for a batch that does not compile (102, 105...), without running
  // anything; empty when the batch compiles. Prepared statements are checked so.
  std::vector<server_message> syntax_errors(std::string_view batch) const;

  // The columns of the result of a batch of one SELECT, found without running it, as sp_prepare
  // describes a statement; nothing for any other batch, or one that would fail.
  std::optional<std::vector<std::string>> describe(session& s, std::string_view batch,
                                                   const std::vector<parameter>& parameters);

  // The whole state as readable text, the same text for the same state (sim/README.md shows it).
  std::string dump() const;

  // Faults on demand.
  // The nth statement executed from now (1 = the next one) fails with this message instead of running.
  // A message of severity 10 or less is added to what the statement does instead. A batch that does
  // not compile counts as one statement.
  void fail_statement(int nth, server_message error);
  // The first statement from now whose text contains `pattern` (compared without regard to case) fails;
  // with `occurrence` n, the nth such statement.
  void fail_matching(std::string pattern, server_message error, int occurrence = 1);
  // Logins are refused with this message while set.
  void refuse_connections(std::optional<server_message> error);
  // Another connection has the database open: DROP DATABASE fails with 3702 and RESTORE with 3101
  // while held. The name need not exist yet.
  void hold_database(std::string name, bool held);

  server_version version() const;

  class state;  // the engine's data, defined in its own source files

 private:
  engine_options options_;
  std::unique_ptr<state> state_;
};

}  // namespace sqlsim
