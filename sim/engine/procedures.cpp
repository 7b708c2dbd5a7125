// The system procedures the wizard calls: sp_addlogin, sp_addsrvrolemember, sp_password,
// sp_defaultdb, sp_dboption and sp_configure, with SQL Server's argument binding.
#include <algorithm>
#include <cstdlib>

#include "platform/text.h"
#include "sim/engine/engine_state.h"

namespace sqlsim {
namespace {

struct procedure_parameter {
  std::string_view name;
  bool required = false;
};

struct procedure_definition {
  std::string_view name;
  std::vector<procedure_parameter> parameters;
};

const std::vector<procedure_definition>& procedures() {
  static const std::vector<procedure_definition> list = {
      {"sp_addlogin",
       {{"@loginame", true}, {"@passwd"}, {"@defdb"}, {"@deflanguage"}, {"@sid"}, {"@encryptopt"}}},
      {"sp_addsrvrolemember", {{"@loginame", true}, {"@rolename", true}}},
      {"sp_password", {{"@old"}, {"@new", true}, {"@loginame"}}},
      {"sp_defaultdb", {{"@loginame", true}, {"@defdb", true}}},
      {"sp_dboption", {{"@dbname"}, {"@optname"}, {"@optvalue"}}},
      {"sp_configure", {{"@configname"}, {"@configvalue"}}},
  };
  return list;
}

constexpr std::string_view fixed_server_roles[] = {"sysadmin",   "securityadmin", "serveradmin",
                                                   "setupadmin", "processadmin",  "diskadmin",
                                                   "dbcreator",  "bulkadmin"};
constexpr std::string_view database_options[] = {"trunc. log on chkpt.", "select into/bulkcopy"};

struct argument {
  bool supplied = false;
  sql_value value;
  const std::optional<std::string>& text() const { return value.value; }
};

// Whole numbers as sp_configure takes them; nullopt for anything else.
std::optional<int> whole_number(std::string_view text) {
  std::string t = setup::trim_spaces(text);
  if (t.empty() || t.size() > 10) return std::nullopt;
  std::size_t start = (t[0] == '-' || t[0] == '+') ? 1 : 0;
  if (start == t.size()) return std::nullopt;
  for (std::size_t i = start; i < t.size(); ++i) {
    if (t[i] < '0' || t[i] > '9') return std::nullopt;
  }
  const long long n = std::strtoll(t.c_str(), nullptr, 10);
  if (n < -2147483648LL || n > 2147483647LL) return std::nullopt;
  return static_cast<int>(n);
}

class procedure_call {
 public:
  procedure_call(engine::state& state, statement_context& ctx, const procedure_definition& definition)
      : state_(state), ctx_(ctx), definition_(definition) {}

  bool bind(const std::vector<procedure_argument>& given) {
    args_.assign(definition_.parameters.size(), argument{});
    bool named_seen = false;
    std::size_t position = 0;
    for (std::size_t i = 0; i < given.size(); ++i) {
      std::size_t index = 0;
      if (given[i].name.empty()) {
        if (named_seen) return fail(msg_named_parameters_after, {std::to_string(i + 1)});
        if (position >= definition_.parameters.size())
          return fail(msg_too_many_arguments, {definition_.name});
        index = position++;
      } else {
        named_seen = true;
        const auto& ps = definition_.parameters;
        const auto it = std::find_if(ps.begin(), ps.end(), [&](const procedure_parameter& p) {
          return setup::equals_ignore_case_ascii(p.name, given[i].name);
        });
        if (it == ps.end()) return fail(msg_not_a_parameter, {given[i].name, definition_.name});
        index = static_cast<std::size_t>(it - ps.begin());
      }
      if (given[i].value.type == value_expr::kind::default_value) continue;
      if (!state_.evaluate(given[i].value, ctx_, args_[index].value)) return false;
      args_[index].supplied = true;
    }
    for (std::size_t i = 0; i < definition_.parameters.size(); ++i) {
      if (definition_.parameters[i].required && !args_[i].supplied) {
        return fail(msg_parameter_not_supplied, {definition_.name, definition_.parameters[i].name});
      }
    }
    return true;
  }

  void run() {
    const std::string_view name = definition_.name;
    if (name == "sp_addlogin") add_login();
    if (name == "sp_addsrvrolemember") add_role_member();
    if (name == "sp_password") change_password();
    if (name == "sp_defaultdb") set_default_database();
    if (name == "sp_dboption") set_database_option();
    if (name == "sp_configure") configure();
  }

 private:
  const argument& arg(std::size_t i) const { return args_[i]; }
  std::string text(std::size_t i) const { return arg(i).text().value_or(""); }

  bool fail(long number, std::initializer_list<std::string_view> arguments) {
    say(number, arguments);
    return false;
  }
  void say(long number, std::initializer_list<std::string_view> arguments) {
    server_message m = state_.message(number, arguments);
    m.procedure = std::string(definition_.name);
    state_.report(ctx_, std::move(m));
  }
  // Messages that only SQL Server 2000's procedures print on success.
  void say_2000(long number, std::initializer_list<std::string_view> arguments = {}) {
    if (state_.version == server_version::v2000) say(number, arguments);
  }
  bool may_manage_logins() { return state_.has_role(ctx_.s, "securityadmin"); }

  void add_login() {
    const std::string name = text(0);
    if (!may_manage_logins()) return say(msg_no_permission, {});
    if (setup::trim_spaces(name).empty() || name.find('\\') != std::string::npos) {
      return say(msg_invalid_name, {name});
    }
    if (state_.find_login(name)) return say(msg_login_exists, {name});
    login_account login;
    login.name = name;
    login.password = arg(1).text();
    login.default_database = "master";
    if (arg(2).text()) {
      const database* db = state_.find_database(*arg(2).text());
      if (!db) return say(msg_database_does_not_exist, {*arg(2).text()});
      login.default_database = db->name;
    }
    if (arg(4).text()) {
      const std::string& sid = *arg(4).text();
      const bool in_use = std::any_of(state_.logins.begin(), state_.logins.end(),
                                      [&](const auto& entry) { return entry.second.sid == sid; });
      if (in_use) return say(msg_sid_in_use, {});
      login.sid = sid;
    } else {
      login.sid = state_.new_sid();
    }
    state_.logins.emplace(fold(name), std::move(login));
    say_2000(msg_new_login_created);
  }

  void add_role_member() {
    const std::string name = text(0);
    const std::string role = setup::trim_spaces(text(1));
    login_account* login = state_.find_login(name);
    if (!login) return say(msg_not_valid_login, {name});
    const auto known =
        std::find_if(std::begin(fixed_server_roles), std::end(fixed_server_roles),
                     [&](std::string_view r) { return setup::equals_ignore_case_ascii(r, role); });
    if (known == std::end(fixed_server_roles)) return say(msg_not_fixed_server_role, {role});
    // Only a member of a role (or a system administrator) may add others to it.
    if (!state_.has_role(ctx_.s, *known)) return say(msg_no_permission, {});
    login->roles.insert(std::string(*known));
    say_2000(msg_added_to_role, {login->name, *known});
  }

  void change_password() {
    // Without a login name (or with NULL) the caller changes its own password.
    login_account* login = state_.find_login(arg(2).text() ? text(2) : ctx_.s.login);
    if (!login) return say(msg_not_valid_login, {text(2)});
    const bool own = same_name(login->name, ctx_.s.login);
    if (!may_manage_logins()) {
      if (!own) return say(msg_no_permission, {});
      if (arg(0).text().value_or("") != login->password.value_or(""))
        return say(msg_old_password_incorrect, {});
    }
    login->password = arg(1).text();
    say_2000(msg_password_changed);
  }

  void set_default_database() {
    login_account* login = state_.find_login(text(0));
    if (!login) return say(msg_not_valid_login, {text(0)});
    if (!same_name(login->name, ctx_.s.login) && !may_manage_logins()) return say(msg_no_permission, {});
    const database* db = state_.find_database(text(1));
    if (!db) return say(msg_database_does_not_exist, {text(1)});
    login->default_database = db->name;
    say_2000(msg_default_database_changed);
  }

  void set_database_option() {
    // Only the three-argument form, which sets an option, is understood here.
    if (!arg(0).text() || !arg(1).text() || !arg(2).text()) return say(msg_dboption_usage, {});
    database* db = state_.find_database(text(0));
    if (!db) return say(msg_database_does_not_exist, {text(0)});
    const std::string wanted = setup::trim_spaces(text(1));
    std::vector<std::string_view> found;
    for (std::string_view option : database_options) {
      if (setup::equals_ignore_case_ascii(option, wanted)) {
        found = {option};
        break;
      }
      if (setup::find_ignore_case_ascii(option, wanted) != std::string::npos) found.push_back(option);
    }
    if (found.empty() || wanted.empty()) return say(msg_dboption_not_found, {wanted});
    if (found.size() > 1) return say(msg_dboption_not_unique, {wanted});
    const std::string value = setup::upper_ascii(setup::trim_spaces(text(2)));
    if (value != "TRUE" && value != "ON" && value != "FALSE" && value != "OFF")
      return say(msg_dboption_usage, {});
    if (!state_.has_role(ctx_.s, "dbcreator")) return say(msg_no_permission, {});
    const bool on = value == "TRUE" || value == "ON";
    (found[0] == database_options[0] ? db->trunc_log : db->bulkcopy) = on;
  }

  // Options are found by their whole name or else by a part of it that names only one.
  void configure() {
    if (!arg(0).text()) return list_configuration(nullptr);
    const std::string wanted = setup::trim_spaces(text(0));
    configuration_option* option = nullptr;
    int candidates = 0;
    for (configuration_option& o : state_.configuration) {
      if (setup::equals_ignore_case_ascii(o.name, wanted)) {
        option = &o;
        candidates = 1;
        break;
      }
      if (!wanted.empty() && setup::find_ignore_case_ascii(o.name, wanted) != std::string::npos) {
        option = &o;
        ++candidates;
      }
    }
    if (candidates != 1) return say(msg_configure_option_not_found, {wanted});
    if (!arg(1).text()) return list_configuration(option);
    if (!state_.has_role(ctx_.s, "serveradmin")) return say(msg_no_permission, {});
    const auto value = whole_number(text(1));
    if (!value) return say(msg_conversion_failed, {text(1)});
    if (*value < option->minimum || *value > option->maximum) {
      return say(msg_configure_bad_value, {std::to_string(*value), option->name});
    }
    const int before = option->config;
    option->config = *value;
    say(msg_configuration_changed, {option->name, std::to_string(before), std::to_string(*value)});
  }

  void list_configuration(const configuration_option* only) {
    row_set set;
    set.columns = {"name", "minimum", "maximum", "config_value", "run_value"};
    for (const configuration_option& o : state_.configuration) {
      if (only && &o != only) continue;
      set.rows.push_back({o.name, std::to_string(o.minimum), std::to_string(o.maximum),
                          std::to_string(o.config), std::to_string(o.run)});
    }
    if (!ctx_.s.nocount) ctx_.out.rows_affected = static_cast<long>(set.rows.size());
    ctx_.out.rows = std::move(set);
  }

  engine::state& state_;
  statement_context& ctx_;
  const procedure_definition& definition_;
  std::vector<argument> args_;
};

}  // namespace

void engine::state::run_execute(const execute_statement& st, statement_context& ctx) {
  const auto& parts = st.procedure.parts;
  const std::string& name = parts.back();
  const std::string schema = parts.size() >= 2 ? parts[parts.size() - 2] : "";
  const bool schema_ok = schema.empty() || same_name(schema, "dbo") || same_name(schema, "sys");
  const auto& list = procedures();
  const auto definition = std::find_if(
      list.begin(), list.end(), [&](const procedure_definition& p) { return same_name(p.name, name); });
  // sp_dboption was removed in SQL Server 2012.
  const bool removed =
      definition != list.end() && definition->name == "sp_dboption" && version >= server_version::v2012;
  if (!schema_ok || definition == list.end() || removed) {
    report(ctx, msg_procedure_not_found, {st.procedure.written()});
    return;
  }
  procedure_call call(*this, ctx, *definition);
  if (call.bind(st.arguments)) call.run();
}

}  // namespace sqlsim
