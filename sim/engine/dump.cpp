// The whole state as text, in a fixed order (names sorted without regard to case) so that two
// dumps of the same state are equal. Passwords are not shown.
#include <cstdio>

#include "sim/engine/engine_state.h"

namespace sqlsim {
namespace {

std::string sid_text(const std::optional<std::string>& sid) {
  return sid ? hex_text(*sid) : "NULL";
}

const char* on_off(bool on) {
  return on ? "on" : "off";
}

}  // namespace

std::string engine::state::dump() const {
  const product_version v = product_version_of(version);
  char build[32];
  std::snprintf(build, sizeof build, "%d.%02d.%04d", v.major, v.minor, v.build);
  std::string out = "server version " + std::to_string(static_cast<int>(version)) + " (" + build + ")\n";
  for (const configuration_option& o : configuration) {
    out += "configuration " + quoted_literal(o.name) + " config " + std::to_string(o.config) + " run " +
           std::to_string(o.run) + "\n";
  }

  out += "\n";
  for (const auto& [key, db] : databases) {
    out += "database " + quoted_literal(db.name);
    if (held.count(key)) out += " held";
    if (db.system) {
      out += " system\n";
      continue;
    }
    out += db.state == database_state::online ? " ONLINE" : " RESTORING";
    out += " recovery " + db.recovery_model() + " 'trunc. log on chkpt.' " + on_off(db.trunc_log) +
           " 'select into/bulkcopy' " + on_off(db.bulkcopy) + "\n";
    for (const database_file& f : db.files) {
      out += std::string("  file ") + (f.log ? "log " : "data ") + quoted_literal(f.logical_name) + " " +
             quoted_literal(f.path) + "\n";
    }
    for (const database_user& u : db.users)
      out += "  user " + quoted_literal(u.name) + " " + sid_text(u.sid) + "\n";
    if (db.has_product_table) {
      if (db.rows.empty()) out += "  t_sys_system (no rows)\n";
      for (const auto& [id, row] : db.rows) {
        out += "  t_sys_system " + quoted_literal_or_null(row.sys_var_id) + " " +
               quoted_literal_or_null(row.sys_var_name) + " " + quoted_literal_or_null(row.sys_var_value) +
               " " + quoted_literal_or_null(row.sys_ver_flag) + "\n";
      }
    }
  }

  out += "\n";
  for (const auto& [key, login] : logins) {
    out += "login " + quoted_literal(login.name) + " sid " + hex_text(login.sid) + " default " +
           quoted_literal(login.default_database) + " roles";
    if (login.roles.empty()) out += " (none)";
    for (const std::string& role : login.roles) out += " " + role;
    out += "\n";
  }
  return out;
}

}  // namespace sqlsim
