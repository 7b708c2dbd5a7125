#include "sim/engine/engine.h"

#include <algorithm>
#include <thread>
#include <type_traits>

#include "platform/text.h"
#include "sim/engine/engine_state.h"
#include "sim/engine/sql_lexer.h"

namespace sqlsim {
namespace {

struct system_database {
  const char* name;
  const char* data_logical;
  const char* data_file;
  const char* log_logical;
  const char* log_file;
};
constexpr system_database system_databases[] = {
    {"master", "master", "master.mdf", "mastlog", "mastlog.ldf"},
    {"tempdb", "tempdev", "tempdb.mdf", "templog", "templog.ldf"},
    {"model", "modeldev", "model.mdf", "modellog", "modellog.ldf"},
    {"msdb", "MSDBData", "MSDBData.mdf", "MSDBLog", "MSDBLog.ldf"},
};

// Where each version's setup puts the system databases of the default instance.
std::string system_data_directory(server_version version) {
  switch (version) {
    case server_version::v2000:
      return "C:\\Program Files\\Microsoft SQL Server\\MSSQL\\Data\\";
    case server_version::v2005:
      return "C:\\Program Files\\Microsoft SQL Server\\MSSQL.1\\MSSQL\\Data\\";
    case server_version::v2008:
      return "C:\\Program Files\\Microsoft SQL Server\\MSSQL10.MSSQLSERVER\\MSSQL\\DATA\\";
    case server_version::v2012:
      return "C:\\Program Files\\Microsoft SQL Server\\MSSQL11.MSSQLSERVER\\MSSQL\\DATA\\";
    case server_version::v2014:
      return "C:\\Program Files\\Microsoft SQL Server\\MSSQL12.MSSQLSERVER\\MSSQL\\DATA\\";
    case server_version::v2016:
      return "C:\\Program Files\\Microsoft SQL Server\\MSSQL13.MSSQLSERVER\\MSSQL\\DATA\\";
    case server_version::v2017:
      return "C:\\Program Files\\Microsoft SQL Server\\MSSQL14.MSSQLSERVER\\MSSQL\\DATA\\";
    case server_version::v2019:
      return "C:\\Program Files\\Microsoft SQL Server\\MSSQL15.MSSQLSERVER\\MSSQL\\DATA\\";
    case server_version::v2022:
      return "C:\\Program Files\\Microsoft SQL Server\\MSSQL16.MSSQLSERVER\\MSSQL\\DATA\\";
  }
  return {};
}

bool passwords_match(server_version version, const std::optional<std::string>& stored,
                     std::string_view given) {
  const std::string_view expected = stored ? std::string_view(*stored) : std::string_view();
  // SQL Server 2000 compares passwords by the server's sort order, case-insensitive by default.
  if (version == server_version::v2000) return setup::equals_ignore_case_ascii(expected, given);
  return expected == given;
}

// Parses a batch: its statements, or the messages of a batch that does not compile.
std::vector<server_message> compile(const engine::state& state, std::string_view batch,
                                    std::vector<statement>& statements) {
  std::vector<server_message> errors;
  std::vector<token> tokens;
  lex_failure lexing;
  parse_failure parsing;
  if (!tokenize(batch, tokens, lexing)) {
    errors.push_back(state.message(lexing.number, {lexing.argument}));
    if (lexing.number == msg_unclosed_quote)
      errors.push_back(state.message(msg_incorrect_syntax, {lexing.argument}));
  } else if (!parse_batch(tokens, state.version, statements, parsing)) {
    errors.push_back(state.message(parsing.number, {parsing.argument}));
  }
  return errors;
}

}  // namespace

product_version product_version_of(server_version version) {
  switch (version) {
    case server_version::v2000:
      return {8, 0, 2039};
    case server_version::v2005:
      return {9, 0, 5000};
    case server_version::v2008:
      return {10, 0, 5500};
    case server_version::v2012:
      return {11, 0, 5058};
    case server_version::v2014:
      return {12, 0, 6024};
    case server_version::v2016:
      return {13, 0, 5026};
    case server_version::v2017:
      return {14, 0, 3045};
    case server_version::v2019:
      return {15, 0, 2000};
    case server_version::v2022:
      return {16, 0, 1000};
  }
  return {};
}

std::optional<server_version> server_version_of_year(long year) {
  for (const server_version v : server_versions) {
    if (static_cast<long>(v) == year) return v;
  }
  return std::nullopt;
}

std::string database::recovery_model() const {
  if (trunc_log) return "SIMPLE";
  return bulkcopy ? "BULK_LOGGED" : "FULL";
}

void database::set_recovery_model(std::string_view model) {
  if (model == "SIMPLE") {
    trunc_log = true;
  } else {
    trunc_log = false;
    bulkcopy = model == "BULK_LOGGED";
  }
}

engine::state::state(const engine_options& options)
    : version(options.version),
      files(options.files ? options.files : make_c_drive_disk(options.c_drive)),
      restore_step_delay(options.restore_step_delay) {
  const std::string directory = system_data_directory(version);
  int dbid = 1;
  for (const system_database& s : system_databases) {
    database db;
    db.name = s.name;
    db.dbid = dbid++;
    db.system = true;
    db.origin = s.name;
    db.files.push_back({false, s.data_logical, directory + s.data_file});
    db.files.push_back({true, s.log_logical, directory + s.log_file});
    db.users.push_back({"dbo", std::string(1, '\x01')});
    if (db.name != "model") db.users.push_back({"guest", std::string(1, '\x00')});
    db.trunc_log = db.name == "master" || db.name == "tempdb";
    databases.emplace(fold(db.name), std::move(db));
  }
  login_account sa;
  sa.name = "sa";
  sa.password = options.sa_password;
  sa.sid = std::string(1, '\x01');
  sa.default_database = "master";
  sa.roles.insert("sysadmin");
  logins.emplace(fold(sa.name), std::move(sa));
  configuration.push_back({"allow updates", 0, 1, 0, 0});
  configuration.push_back({"show advanced options", 0, 1, 0, 0});
}

database* engine::state::find_database(std::string_view name) {
  const auto it = databases.find(fold(name));
  return it == databases.end() ? nullptr : &it->second;
}

login_account* engine::state::find_login(std::string_view name) {
  const auto it = logins.find(fold(name));
  return it == logins.end() ? nullptr : &it->second;
}

bool engine::state::has_role(const session& s, std::string_view role) {
  const login_account* login = find_login(s.login);
  if (!login) return false;
  return login->roles.count("sysadmin") > 0 || login->roles.count(std::string(role)) > 0;
}

bool engine::state::can_access(const login_account& login, const database& db) const {
  if (login.roles.count("sysadmin") > 0) return true;
  return std::any_of(db.users.begin(), db.users.end(), [&](const database_user& user) {
    return (user.sid && *user.sid == login.sid) || same_name(user.name, "guest");
  });
}

server_message engine::state::message(long number, std::initializer_list<std::string_view> arguments) const {
  return make_message(version, number, arguments);
}

void engine::state::report(statement_context& ctx, server_message m) const {
  if (m.severity > 10) ctx.out.failed = true;
  ctx.out.messages.push_back(std::move(m));
}

void engine::state::report(statement_context& ctx, long number,
                           std::initializer_list<std::string_view> arguments) const {
  report(ctx, message(number, arguments));
}

void engine::state::report_percent(statement_context& ctx, int step) {
  int percent = 0;
  while (percent < 100) {
    if (restore_step_delay.count() > 0) std::this_thread::sleep_for(restore_step_delay);
    percent = std::min(100, percent + step);
    server_message m = message(msg_percent_processed, {std::to_string(percent)});
    if (ctx.observer) ctx.observer->progress(m);
    ctx.out.progress.push_back(std::move(m));
  }
}

std::string engine::state::new_sid() {
  // Sixteen bytes like a SQL login's SID; numbered so that a run is repeatable.
  std::string sid = "SQLSIM-LOGIN";
  const unsigned n = next_sid++;
  for (int shift = 24; shift >= 0; shift -= 8) sid += static_cast<char>((n >> shift) & 0xFF);
  return sid;
}

bool engine::state::evaluate(const value_expr& expr, statement_context& ctx, sql_value& out) {
  out = sql_value{};
  switch (expr.type) {
    case value_expr::kind::text:
    case value_expr::kind::number:
    case value_expr::kind::name:
      out.value = expr.text;
      return true;
    case value_expr::kind::binary:
      out.value = expr.text;
      out.binary = true;
      return true;
    case value_expr::kind::null:
    case value_expr::kind::default_value:
      return true;
    case value_expr::kind::parameter: {
      const auto it = std::find_if(ctx.parameters.begin(), ctx.parameters.end(),
                                   [&](const parameter& p) { return same_name(p.name, expr.text); });
      if (it == ctx.parameters.end()) {
        report(ctx, msg_must_declare_variable, {expr.text});
        return false;
      }
      out.value = it->value;
      return true;
    }
    case value_expr::kind::subquery: {
      std::vector<std::string> columns;
      std::vector<std::vector<sql_value>> rows;
      if (!query(*expr.subquery, ctx, columns, rows)) return false;
      if (columns.size() != 1) {
        report(ctx, msg_subquery_columns);
        return false;
      }
      if (rows.size() > 1) {
        report(ctx, msg_subquery_rows);
        return false;
      }
      if (!rows.empty()) out = rows[0][0];
      return true;
    }
  }
  return false;
}

void engine::state::run(const statement& st, statement_context& ctx) {
  std::visit(
      [&](const auto& body) {
        using kind = std::decay_t<decltype(body)>;
        if constexpr (std::is_same_v<kind, select_statement>) run_select(body, ctx);
        if constexpr (std::is_same_v<kind, insert_statement>) run_insert(body, ctx);
        if constexpr (std::is_same_v<kind, update_statement>) run_update(body, ctx);
        if constexpr (std::is_same_v<kind, delete_statement>) run_delete(body, ctx);
        if constexpr (std::is_same_v<kind, drop_database_statement>) run_drop(body, ctx);
        if constexpr (std::is_same_v<kind, use_statement>) run_use(body, ctx);
        if constexpr (std::is_same_v<kind, set_statement>) run_set(body, ctx);
        if constexpr (std::is_same_v<kind, execute_statement>) run_execute(body, ctx);
        if constexpr (std::is_same_v<kind, restore_statement>) run_restore(body, ctx);
        if constexpr (std::is_same_v<kind, reconfigure_statement>) run_reconfigure(body, ctx);
        if constexpr (std::is_same_v<kind, alter_recovery_statement>) run_alter(body, ctx);
        if constexpr (std::is_same_v<kind, backup_statement>) run_backup(body, ctx);
      },
      st.body);
}

engine::engine(engine_options options)
    : options_(std::move(options)), state_(std::make_unique<state>(options_)) {}

engine::~engine() = default;

server_version engine::version() const {
  return options_.version;
}

std::optional<server_message> engine::login(session& s, std::string_view user, std::string_view password,
                                            std::string_view database) {
  if (state_->refusal) return state_->refusal;
  const login_account* account = state_->find_login(user);
  if (!account || !passwords_match(state_->version, account->password, password)) {
    return state_->message(msg_login_failed, {user});
  }
  const std::string wanted = database.empty() ? account->default_database : std::string(database);
  const sqlsim::database* db = state_->find_database(wanted);
  if (!db || db->state != database_state::online || !state_->can_access(*account, *db)) {
    if (database.empty()) return state_->message(msg_cannot_open_default_database);
    return state_->message(msg_cannot_open_login_database, {database});
  }
  s.login = account->name;
  s.database = db->name;
  s.nocount = false;
  return std::nullopt;
}

std::vector<statement_outcome> engine::execute(session& s, std::string_view batch,
                                               const std::vector<parameter>& parameters,
                                               execution_observer* observer) {
  // A fault due for the statement just counted, if any, taken off the list.
  const auto due_fault = [&](std::string_view text) -> std::optional<server_message> {
    ++state_->statements_run;
    auto& faults = state_->faults;
    for (auto it = faults.begin(); it != faults.end(); ++it) {
      const bool due = it->at_statement
                           ? *it->at_statement == state_->statements_run
                           : setup::find_ignore_case_ascii(text, it->pattern) != std::string::npos &&
                                 --it->matches_left == 0;
      if (due) {
        server_message error = it->error;
        faults.erase(it);
        return error;
      }
    }
    return std::nullopt;
  };

  std::vector<statement_outcome> outcomes;
  std::vector<statement> statements;
  const std::vector<server_message> syntax_errors = compile(*state_, batch, statements);
  if (!syntax_errors.empty()) {
    // A batch that does not compile runs none of its statements.
    statement_outcome outcome;
    const auto fault = due_fault(batch);
    outcome.messages = fault ? std::vector<server_message>{*fault} : syntax_errors;
    outcome.failed = std::any_of(outcome.messages.begin(), outcome.messages.end(),
                                 [](const server_message& m) { return m.severity > 10; });
    if (observer) observer->statement_done(outcome);
    outcomes.push_back(std::move(outcome));
    return outcomes;
  }

  for (const statement& st : statements) {
    statement_outcome outcome;
    statement_context ctx{s, parameters, outcome, observer};
    const auto fault = due_fault(batch.substr(st.begin, st.end - st.begin));
    if (fault && fault->severity > 10) {
      state_->report(ctx, *fault);
    } else {
      state_->run(st, ctx);
      if (fault) state_->report(ctx, *fault);
    }
    if (observer) observer->statement_done(outcome);
    outcomes.push_back(std::move(outcome));
  }
  return outcomes;
}

std::vector<server_message> engine::syntax_errors(std::string_view batch) const {
  std::vector<statement> statements;
  return compile(*state_, batch, statements);
}

std::optional<std::vector<std::string>> engine::describe(session& s, std::string_view batch,
                                                         const std::vector<parameter>& parameters) {
  std::vector<statement> statements;
  if (!compile(*state_, batch, statements).empty() || statements.size() != 1) return std::nullopt;
  const auto* select = std::get_if<select_statement>(&statements[0].body);
  if (select == nullptr) return std::nullopt;
  // A query reads and changes nothing; its rows are dropped.
  statement_outcome scratch;
  statement_context ctx{s, parameters, scratch};
  std::vector<std::string> columns;
  std::vector<std::vector<sql_value>> rows;
  if (!state_->query(*select, ctx, columns, rows)) return std::nullopt;
  return columns;
}

std::string engine::dump() const {
  return state_->dump();
}

void engine::fail_statement(int nth, server_message error) {
  state_->faults.push_back({state_->statements_run + std::max(nth, 1), {}, std::move(error)});
}

void engine::fail_matching(std::string pattern, server_message error, int occurrence) {
  state_->faults.push_back({std::nullopt, std::move(pattern), std::move(error), std::max(occurrence, 1)});
}

void engine::refuse_connections(std::optional<server_message> error) {
  state_->refusal = std::move(error);
}

void engine::hold_database(std::string name, bool held) {
  if (held) {
    state_->held.insert(fold(name));
  } else {
    state_->held.erase(fold(name));
  }
}

}  // namespace sqlsim
