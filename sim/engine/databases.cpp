// DROP DATABASE, USE, SET, RECONFIGURE and ALTER DATABASE ... SET RECOVERY.
#include <algorithm>

#include "sim/engine/engine_state.h"

namespace sqlsim {

void engine::state::run_drop(const drop_database_statement& st, statement_context& ctx) {
  // Each name is dropped or refused on its own, as SQL Server does.
  for (const std::string& name : st.names) {
    database* db = find_database(name);
    if (db && db->system) {
      report(ctx, msg_drop_system, {db->name});
      continue;
    }
    if (!db || !has_role(ctx.s, "dbcreator")) {
      report(ctx, msg_drop_failed, {name});
      continue;
    }
    if (same_name(ctx.s.database, db->name) || held.count(fold(db->name))) {
      report(ctx, msg_drop_in_use, {db->name});
      continue;
    }
    for (const database_file& file : db->files) {
      // A file that is already gone does not keep the database.
      files->remove_file(file.path);
      if (version == server_version::v2000) report(ctx, msg_deleting_file, {file.path});
    }
    databases.erase(fold(db->name));
  }
}

void engine::state::run_use(const use_statement& st, statement_context& ctx) {
  const database* db = find_database(st.database);
  if (!db) {
    report(ctx, msg_database_not_found, {st.database});
    return;
  }
  if (db->state == database_state::restoring) {
    report(ctx, msg_database_restoring, {db->name});
    return;
  }
  const login_account* login = find_login(ctx.s.login);
  if (!login || !can_access(*login, *db)) {
    report(ctx, msg_cannot_use_database, {ctx.s.login, db->name});
    return;
  }
  // The client hears of the change from database_changed: an ENVCHANGE with the "Changed database
  // context" message, as after a login.
  ctx.s.database = db->name;
  ctx.out.database_changed = db->name;
}

void engine::state::run_set(const set_statement& st, statement_context& ctx) {
  // Only NOCOUNT changes what this server answers; the other options are taken and have no effect.
  if (std::find(st.options.begin(), st.options.end(), "NOCOUNT") != st.options.end()) ctx.s.nocount = st.on;
}

void engine::state::run_reconfigure(const reconfigure_statement& st, statement_context& ctx) {
  if (!has_role(ctx.s, "serveradmin")) {
    report(ctx, msg_reconfigure_permission);
    return;
  }
  for (const configuration_option& option : configuration) {
    // From SQL Server 2005 on, system tables cannot be updated; RECONFIGURE refuses to install
    // 'allow updates' unless told to override its checks, and then it has no effect.
    if (option.name == "allow updates" && option.config == 1 && version != server_version::v2000 &&
        !st.override_checks) {
      report(ctx, msg_adhoc_update_not_supported);
      return;
    }
  }
  for (configuration_option& option : configuration) option.run = option.config;
}

void engine::state::run_alter(const alter_recovery_statement& st, statement_context& ctx) {
  database* db = find_database(st.database);
  if (!db || !has_role(ctx.s, "dbcreator") || db->state != database_state::online) {
    report(ctx, msg_alter_database_permission, {st.database});
    report(ctx, msg_alter_database_failed);
    return;
  }
  db->set_recovery_model(st.model);
}

}  // namespace sqlsim
