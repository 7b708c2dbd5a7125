// The engine's data and the execution of each kind of statement. Internal to sim/engine.
#pragma once

#include <initializer_list>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "sim/engine/engine.h"
#include "sim/engine/messages.h"
#include "sim/engine/sql_parser.h"
#include "sim/engine/sql_text.h"

namespace sqlsim {

struct database_file {
  bool log = false;
  std::string logical_name;
  std::string path;  // normalized Windows path
};

// The pages (8 KiB) a file of the simulated server takes: a log 2, a data file 168 and one for each row
// of its database's product table. A restore reports them, the server's file lists show them.
inline long file_pages(bool log, std::size_t rows) {
  return log ? 2 : 168 + static_cast<long>(rows);
}

struct database_user {
  std::string name;
  std::optional<std::string> sid;  // raw bytes
};

struct system_row {
  std::optional<std::string> sys_var_id;
  std::optional<std::string> sys_var_name;
  std::optional<std::string> sys_var_value;
  std::optional<std::string> sys_ver_flag;
};

enum class database_state { online, restoring };

struct database {
  std::string name;
  int dbid = 0;
  bool system = false;
  database_state state = database_state::online;
  std::string origin;  // the database a restore took it from: a restore without REPLACE must match
  std::vector<database_file> files;
  std::vector<database_user> users;
  bool has_product_table = false;
  // t_sys_system by its primary key sys_var_id (compared as names are), which also orders it.
  std::map<std::string, system_row> rows;
  // The two options of sp_dboption; together they are the recovery model, as on SQL Server.
  bool trunc_log = false;  // 'trunc. log on chkpt.'
  bool bulkcopy = false;   // 'select into/bulkcopy'
  std::string recovery_model() const;
  void set_recovery_model(std::string_view model);
};

struct login_account {
  std::string name;
  std::optional<std::string> password;
  std::string sid;  // raw bytes
  std::string default_database;
  std::set<std::string> roles;  // lower case
};

struct configuration_option {
  std::string name;
  int minimum = 0;
  int maximum = 1;
  int config = 0;
  int run = 0;
};

struct pending_fault {
  std::optional<long> at_statement;  // the statement count that fails
  std::string pattern;               // else: the statement whose text holds this
  server_message error;
  int matches_left = 1;  // of the pattern, this one included
};

// A value while a statement runs: text or bytes, or NULL.
struct sql_value {
  std::optional<std::string> value;
  bool binary = false;
};

// What a statement runs with.
struct statement_context {
  session& s;
  const std::vector<parameter>& parameters;
  statement_outcome& out;
  execution_observer* observer = nullptr;
};

class engine::state {
 public:
  explicit state(const engine_options& options);

  server_version version;
  std::shared_ptr<disk> files;
  std::chrono::milliseconds restore_step_delay{0};
  std::map<std::string, database> databases;    // by fold(name)
  std::map<std::string, login_account> logins;  // by fold(name)
  std::vector<configuration_option> configuration;
  std::set<std::string> held;  // fold(name) of databases other connections use
  std::optional<server_message> refusal;
  std::vector<pending_fault> faults;
  long statements_run = 0;
  int next_dbid = 5;
  unsigned next_sid = 1;

  database* find_database(std::string_view name);
  login_account* find_login(std::string_view name);
  bool has_role(const session& s, std::string_view role);
  bool can_access(const login_account& login, const database& db) const;
  server_message message(long number, std::initializer_list<std::string_view> arguments = {}) const;
  // Adds an error (or information, by its severity) to the outcome; errors mark it failed.
  void report(statement_context& ctx, server_message m) const;
  void report(statement_context& ctx, long number,
              std::initializer_list<std::string_view> arguments = {}) const;
  std::string new_sid();
  // A value of a statement: literals as text, parameters looked up (137 when undeclared), a subquery
  // run. False after reporting an error.
  bool evaluate(const value_expr& expr, statement_context& ctx, sql_value& out);

  void run(const statement& st, statement_context& ctx);
  // Runs a select for a subquery or a statement: column names and rows. False after reporting an error.
  bool query(const select_statement& st, statement_context& ctx, std::vector<std::string>& columns,
             std::vector<std::vector<sql_value>>& rows);

  // The kinds of statement, each in the file named after it.
  void run_select(const select_statement& st, statement_context& ctx);  // tables.cpp
  void run_insert(const insert_statement& st, statement_context& ctx);
  void run_update(const update_statement& st, statement_context& ctx);
  void run_delete(const delete_statement& st, statement_context& ctx);
  void run_drop(const drop_database_statement& st, statement_context& ctx);  // databases.cpp
  void run_use(const use_statement& st, statement_context& ctx);
  void run_set(const set_statement& st, statement_context& ctx);
  void run_reconfigure(const reconfigure_statement& st, statement_context& ctx);
  void run_alter(const alter_recovery_statement& st, statement_context& ctx);
  void run_execute(const execute_statement& st, statement_context& ctx);  // procedures.cpp
  void run_restore(const restore_statement& st, statement_context& ctx);  // restore.cpp
  void run_backup(const backup_statement& st, statement_context& ctx);    // backup.cpp
  // "N percent processed." for each step up to 100, each told to the observer as it is made.
  void report_percent(statement_context& ctx, int step);

  std::string dump() const;  // dump.cpp
};

}  // namespace sqlsim
