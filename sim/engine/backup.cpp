// BACKUP DATABASE ... TO DISK = ... [WITH INIT | NOINIT, STATS]: the database as a file in this server's
// backup format (backup_format.h), which RESTORE reads back. A backup file holds one backup: with or
// without INIT the file is written anew.
#include <cstdio>

#include "sim/engine/backup_format.h"
#include "sim/engine/engine_state.h"

namespace sqlsim {
namespace {

constexpr std::string_view path_not_found = "3(The system cannot find the path specified.)";
constexpr std::string_view access_denied = "5(Access is denied.)";
// Backups take this long on the simulated server; fixed, so that messages repeat exactly.
constexpr int backup_milliseconds = 42;

// 3013 and 3014 as BACKUP words them.
server_message for_backup(server_message m) {
  const std::string restore = "RESTORE DATABASE";
  if (const auto at = m.text.find(restore); at != std::string::npos)
    m.text.replace(at, restore.size(), "BACKUP DATABASE");
  return m;
}

backup_image image_of(const database& db, server_version version) {
  backup_image image;
  image.database = db.name;
  image.server = version;
  image.recovery = db.recovery_model();
  for (const database_file& f : db.files) image.files.push_back({f.log, f.logical_name, f.path});
  for (const database_user& u : db.users) image.users.push_back({u.name, u.sid});
  image.has_product_table = db.has_product_table;
  for (const auto& [key, row] : db.rows) {
    image.rows.push_back({row.sys_var_id, row.sys_var_name, row.sys_var_value, row.sys_ver_flag});
  }
  return image;
}

}  // namespace

void engine::state::run_backup(const backup_statement& st, statement_context& ctx) {
  const auto terminate = [&](long number, std::initializer_list<std::string_view> arguments) {
    report(ctx, number, arguments);
    report(ctx, message(msg_restore_terminating, {"BACKUP DATABASE"}));
  };
  sql_value name;
  sql_value device;
  if (!evaluate(st.database, ctx, name) || !evaluate(st.disk, ctx, device)) return;
  const std::string target = name.value.value_or("");
  const std::string path = device.value.value_or("");
  const database* db = find_database(target);
  if (!db) return terminate(msg_database_not_found, {target});
  if (same_name(db->name, "tempdb")) return terminate(msg_restore_tempdb, {});
  if (db->state == database_state::restoring) return terminate(msg_database_restoring, {db->name});
  if (!has_role(ctx.s, "sysadmin")) return terminate(msg_backup_permission, {db->name});
  const auto normalized = normalize_windows_path(path);
  if (!normalized || !files->directory_exists(windows_directory_of(*normalized))) {
    return terminate(msg_cannot_open_backup, {path, path_not_found});
  }
  const backup_image image = image_of(*db, version);
  if (!files->write_file(*normalized, format_backup(image))) {
    return terminate(msg_cannot_open_backup, {path, access_denied});
  }

  if (st.stats) report_percent(ctx, *st.stats);
  long total = 0;
  for (const backup_file& file : image.files) {
    const long pages = file.log ? 2 : 168 + static_cast<long>(image.rows.size());
    total += pages;
    report(ctx, msg_processed_pages, {std::to_string(pages), db->name, file.logical_name, "1"});
  }
  const long long thousandths = total * 8192LL * 1000000LL / (1048576LL * backup_milliseconds);
  char seconds[32];
  char rate[32];
  std::snprintf(seconds, sizeof seconds, "%d.%03d", backup_milliseconds / 1000, backup_milliseconds % 1000);
  std::snprintf(rate, sizeof rate, "%lld.%03lld", thousandths / 1000, thousandths % 1000);
  report(ctx, for_backup(message(msg_restore_succeeded, {std::to_string(total), seconds, rate})));
}

}  // namespace sqlsim
