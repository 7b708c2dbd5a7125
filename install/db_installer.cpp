#include "install/db_installer.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <vector>

#include "install/install_names.h"
#include "install/password_gate.h"
#include "install/server_name.h"
#include "install/sql_statements.h"
#include "model/database_name.h"
#include "platform/text.h"

namespace setup {
namespace {

std::string with(std::string_view before, std::string_view middle, std::string_view after) {
  return std::string(before) + std::string(middle) + std::string(after);
}

}  // namespace

bool db_installer::of_install_db() {
  start();
  choose_database_name();
  // Everything that can refuse runs before the existing database is dropped; every failure after the
  // drop puts it back from its safety backup (see tell).
  const bool ready =
      database_name_usable() && copy_client_libraries() && connect_as_sa_to_master() &&
      guard_existing_database() && (!replacing_ || (make_temporary_copy() && data_folder_usable())) &&
      ensure_product_login() && ensure_maintenance_login() && reconnect_as_product_login() &&
      make_temporary_copy() && backup_restorable() && restore_targets_free() &&
      (replacing_ ? back_up_existing_database() && room_for_database() && drop_existing_database()
                  : room_for_database());
  const bool installed = ready && restore_database() && map_login_on_sql2000() &&
                         reconnect_to_new_database() && set_default_database() && set_recovery_options() &&
                         finish();
  end(installed);
  return installed;
}

void db_installer::start() {
  temporary_copy_made_ = false;
  replacing_ = false;
  dropped_ = false;
  default_database_deferred_ = false;
  safety_backup_.clear();
  earlier_backup_.clear();
  ending_.clear();
  backup_bytes_ = 0;
  server_files_ = result_set{};
  w_.sys.ui.ShowWaitCursor();
  // The passwords, and their forms inside a statement's literals, never reach the trace: sa's, the
  // product login's and the maintenance login's. The special operation password is today's date and
  // is sent nowhere; the gate writes only whether it passed, so the dates in the log stay readable.
  const w_server_controls& c = w_.controls;
  for (const std::string& secret :
       {c.sle_pass.text(), w_.state.gs_logpass, std::string(maintenance_password)}) {
    w_.sys.log.add_secret(secret);
    w_.sys.log.add_secret(quotes_doubled(secret));
  }
  w_.sys.log.line("install: " +
                  std::string(c.rb_sql2000.checked()   ? "SQL Server 2000"
                              : c.rb_sql2005.checked() ? "SQL Server 2005"
                              : c.rb_sql2008.checked() ? "SQL Server 2008"
                                                       : "SQL Server 2012") +
                  ", server " + c.sle_servername.text() + ", backup " + c.sle_backupdata.text() +
                  ", data folder " + w_.state.is_datapath + ", customer " + c.sle_custname.text());
}

void db_installer::end(bool installed) {
  w_.sys.log.line(installed ? "install ended: database " + w_.state.is_dbname + " installed"
                            : "install ended without a new database: " +
                                  (ending_.empty() ? std::string("(no message)") : ending_));
  if (const std::string log = w_.sys.log.log_path(); !log.empty()) {
    w_.show(w_.controls.st_dis, w_.controls.st_dis.text() + std::string(label_log_before) + log);
  }
}

void db_installer::choose_database_name() {
  w_server_state& s = w_.state;
  const w_server_controls& c = w_.controls;
  if (c.rb_zb.checked() || c.rb_dd.checked()) {
    s.is_dbname = s.gs_database;
  } else if (s.gs_product == product_qvxtekprov3) {
    // A name that already carries the suffix keeps the value is_dbname has.
    if (s.gs_database.find(join_suffix) == std::string::npos)
      s.is_dbname = s.gs_database + std::string(join_suffix);
  } else {
    s.is_dbname = s.gs_database + std::string(branch_suffix);
  }
}

bool db_installer::database_name_usable() {
  const std::string_view refusal = database_name_refusal(w_.state.is_dbname);
  if (refusal.empty()) return true;
  tell(std::string(refusal));
  return false;
}

bool db_installer::copy_client_libraries() {
  // The client libraries of the product's other programs; a failed copy only warns.
  files& fs = w_.sys.fs;
  const std::string system_directory = fs.GetSystemDirectory();
  const std::string medium = fs.GetCurrentDirectory();
  for (const std::string_view library : client_libraries) {
    const std::string target = system_directory + "\\" + std::string(library);
    if (fs.FileExists(target)) continue;
    if (fs.CopyFileReplacing(medium + "\\" + std::string(library), target) != 1) {
      w_.sys.ui.ShowMessage(hint_caption, copy_failed_text);
    }
  }
  return true;
}

bool db_installer::connect_as_sa_to_master() {
  transaction& sqlca = w_.sqlca;
  sqlca.dbms = install_dbms;
  sqlca.autocommit = true;
  sqlca.dbparm.clear();
  label(label_connecting);
  use_server_name_rule();
  connect(admin_login, w_.controls.sle_pass.text(), master_database);
  if (sqlca.sqlcode == sql_ok) return true;
  tell(std::string(cannot_connect_text) + sqlca.sqlerrtext);
  return false;
}

bool db_installer::guard_existing_database() {
  const w_server_state& s = w_.state;
  const long found = select(database_exists_sql, s.is_dbname);
  if (found == sql_error) return error_exit();
  if (found == sql_not_found) {
    note_earlier_safety_backup();
    return true;
  }
  const bool accepted = special_password_accepted(w_.controls.sle_pass1.text(), w_.sys.time);
  w_.sys.log.line(std::string("special operation password ***: ") + (accepted ? "accepted" : "refused"));
  if (!accepted) {
    tell(special_password_refusal(s.is_dbname));
    return stop();
  }
  if (w_.sys.ui.AskYesNo(s.is_apptitle, with(confirm_drop_before, s.is_dbname, confirm_drop_after)) !=
      answer_yes) {
    ending_ = "the operator kept the existing database " + s.is_dbname;
    return stop();
  }
  // Nothing is dropped before the replacement is ready and the old database is kept in a backup.
  replacing_ = true;
  return true;
}

void db_installer::note_earlier_safety_backup() {
  const w_server_state& s = w_.state;
  if (s.is_datapath.empty()) return;
  std::vector<std::string> found =
      w_.sys.fs.FindFiles(s.is_datapath, s.is_dbname + std::string(safety_backup_infix) + "*" +
                                             std::string(safety_backup_extension));
  if (found.empty()) return;
  // The time in the name sorts as the names do, whatever the case of the rest.
  std::sort(found.begin(), found.end(),
            [](const std::string& a, const std::string& b) { return upper_ascii(a) < upper_ascii(b); });
  earlier_backup_ = s.is_datapath + "\\" + found.back();
  w_.sys.log.line("install: no database " + s.is_dbname +
                  ", but an earlier run's safety backup of it: " + earlier_backup_);
}

std::string db_installer::logical_stem() const {
  const w_server_state& s = w_.state;
  // The backup's logical files are named after the product's own database, whatever name the
  // operator gave the new one.
  if (!s.gs_logicdbname.empty()) return s.gs_logicdbname;
  return sql2012() ? s.gs_database_2012 : s.gs_product;
}

bool db_installer::backup_restorable() {
  label(label_checking_backup);
  const std::optional<result_set> files = w_.sqlca.select_rows(file_list_sql(temporary_backup_file));
  if (!files) return error_exit(last_error(), backup_unusable_before);
  const std::optional<std::size_t> name_column = files->column(backup_logical_name_column);
  const std::optional<std::size_t> size_column = files->column(backup_size_column);
  const std::string stem = logical_stem();
  const std::string data = stem + std::string(logical_data_suffix);
  const std::string log = stem + std::string(logical_log_suffix);
  bool data_found = false;
  bool log_found = false;
  std::string held;
  for (const auto& row : files->rows) {
    const std::string name = name_column && *name_column < row.size() ? row[*name_column].value_or("") : "";
    held += (held.empty() ? "" : ", ") + name;
    data_found = data_found || equals_ignore_case_ascii(name, data);
    log_found = log_found || equals_ignore_case_ascii(name, log);
    std::uint64_t bytes = 0;
    if (size_column && *size_column < row.size() && row[*size_column]) {
      const std::string& text = *row[*size_column];
      std::from_chars(text.data(), text.data() + text.size(), bytes);
    }
    backup_bytes_ += bytes;
  }
  if (!data_found || !log_found) {
    tell(with(logical_names_before, data, logical_names_between) + log + std::string(logical_names_held) +
         held + std::string(logical_names_after));
    return stop();
  }
  if (!execute(verify_backup_sql(temporary_backup_file)))
    return error_exit(last_error(), backup_unusable_before);
  return true;
}

bool db_installer::restore_targets_free() {
  const w_server_state& s = w_.state;
  const std::optional<result_set> files =
      w_.sqlca.select_rows(sql2005_or_later() ? server_files_sql : server_files_sql_2000);
  if (!files) return error_exit();
  server_files_ = *files;
  for (const std::string_view suffix : {data_file_suffix, log_file_suffix}) {
    const std::string target = data_folder_file(s.is_datapath, s.is_dbname, suffix);
    if (!w_.sys.fs.FileExists(target)) continue;
    const bool owned =
        std::any_of(server_files_.rows.begin(), server_files_.rows.end(), [&](const auto& row) {
          return row.size() > 1 && row[1] && equals_ignore_case_ascii(*row[1], target);
        });
    if (owned) continue;
    // A restore WITH REPLACE would write over it: a detached database's data is never overwritten.
    tell(with(file_in_the_way_before, target, file_in_the_way_after));
    return stop();
  }
  return true;
}

bool db_installer::room_for_database() {
  const w_server_state& s = w_.state;
  const std::optional<std::uint64_t> free = w_.sys.fs.FreeSpace(s.is_datapath);
  if (!free) return true;  // the restore itself tells when the disk is full
  // The old database's files go with the drop.
  std::uint64_t freed = 0;
  if (replacing_) {
    const std::optional<std::string> id = w_.sqlca.select_single(database_id_sql, s.is_dbname);
    if (w_.sqlca.sqlcode == sql_error) return error_exit();
    for (const auto& row : server_files_.rows) {
      if (!id || row.size() < 3 || row[0] != id || !row[2]) continue;
      std::uint64_t pages = 0;
      std::from_chars(row[2]->data(), row[2]->data() + row[2]->size(), pages);
      freed += pages * page_bytes;
    }
  }
  if (backup_bytes_ <= *free + freed) return true;
  constexpr std::uint64_t mib = 1024 * 1024;
  tell(std::string(no_room_before) + std::to_string((backup_bytes_ + mib - 1) / mib) +
       std::string(no_room_between) + std::to_string((*free + freed) / mib) + std::string(no_room_after));
  return stop();
}

bool db_installer::data_folder_usable() {
  const std::string& folder = w_.state.is_datapath;
  if (!folder.empty() && w_.sys.fs.DirectoryExists(folder)) return true;
  tell(std::string(message_choose_data_folder));
  return stop();
}

bool db_installer::back_up_existing_database() {
  const w_server_state& s = w_.state;
  const std::string file = s.is_datapath + "\\" + s.is_dbname + std::string(safety_backup_infix) +
                           w_.sys.time.NowText(safety_backup_time_picture) +
                           std::string(safety_backup_extension);
  label(with(label_safety_backup_before, file, label_safety_backup_after));
  if (!execute(backup_database_sql(s.is_dbname, file))) return error_exit();
  safety_backup_ = file;
  w_.sys.log.line("install: " + s.is_dbname + " backed up to " + file);
  return true;
}

bool db_installer::drop_existing_database() {
  const w_server_state& s = w_.state;
  // Only now: a refusal before the drop leaves the login's default database as it was.
  if (default_database_deferred_ && !execute(default_database_sql(s.gs_log, master_database)))
    return error_exit();
  label(label_dropping);
  if (!execute(drop_database_sql(s.is_dbname))) return error_exit();
  dropped_ = true;
  w_.sys.log.line("install: " + s.is_dbname + " dropped; a failure from now on puts it back from " +
                  safety_backup_);
  return true;
}

bool db_installer::put_back() {
  const w_server_state& s = w_.state;
  transaction& sqlca = w_.sqlca;
  label(label_putting_back);
  sqlca.disconnect();
  // As sa: the product login may be what failed.
  connect(admin_login, w_.controls.sle_pass.text(), master_database);
  bool back = sqlca.sqlcode == sql_ok && execute(put_back_sql(s.is_dbname, safety_backup_));
  // The product login's default database as it was before the drop.
  if (back && default_database_deferred_) execute(default_database_sql(s.gs_log, s.is_dbname));
  sqlca.disconnect();
  w_.sys.log.line(back ? "install: " + s.is_dbname + " put back from " + safety_backup_
                       : "install: " + s.is_dbname + " could not be put back from " + safety_backup_);
  return back;
}

bool db_installer::ensure_product_login() {
  const w_server_state& s = w_.state;
  const long found = select(login_exists_sql, s.gs_log);
  if (found == sql_error) return error_exit();
  if (found == sql_not_found) {
    label(label_new_login);
    // Not examined: a failure shows up in a later step.
    execute(add_login_sql(s.gs_log, s.gs_logpass));
    for (const std::string_view role : product_login_roles) execute(add_role_member_sql(s.gs_log, role));
    return true;
  }
  // SQL Server 2000 keeps a present login as it is.
  if (!sql2005_or_later()) return true;
  if (!execute(reset_password_sql(s.gs_log, s.gs_logpass))) return error_exit();
  // Over an existing database, just before the drop.
  if (replacing_) {
    default_database_deferred_ = true;
    return true;
  }
  if (!execute(default_database_sql(s.gs_log, master_database))) return error_exit();
  return true;
}

bool db_installer::ensure_maintenance_login() {
  const long found = select(login_exists_sql, maintenance_login);
  if (found == sql_error) return error_exit();
  if (found == sql_not_found) {
    execute(add_login_sql(maintenance_login, maintenance_password));
    execute(add_role_member_sql(maintenance_login, product_login_roles.front()));
  }
  return true;
}

bool db_installer::reconnect_as_product_login() {
  w_.sqlca.disconnect();
  label(label_reconnecting);
  use_server_name_rule();
  connect(w_.state.gs_log, w_.state.gs_logpass, master_database);
  if (w_.sqlca.sqlcode != sql_ok) return error_exit();
  return true;
}

bool db_installer::make_temporary_copy() {
  if (temporary_copy_made_) return true;
  files& fs = w_.sys.fs;
  const std::string temporary(temporary_backup_file);
  if (fs.FileExists(temporary) && !fs.RemoveFile(temporary)) {
    tell(with(temporary_delete_failed_before, temporary, temporary_delete_failed_after));
    return stop();
  }
  label_percent(label_copying_backup, 0);
  const auto copied = [this](std::uint64_t done, std::uint64_t total) {
    label_percent(label_copying_backup, total == 0 ? 100 : static_cast<int>(done * 100 / total));
  };
  if (fs.CopyFileReplacing(w_.controls.sle_backupdata.text(), temporary, copied) != 1) {
    tell(with(temporary_copy_failed_before, temporary, temporary_copy_failed_after));
    return stop();
  }
  // A copy from a CD is read-only; the server and the next run must be able to remove it.
  fs.SetFileAttributes(temporary, 0);
  temporary_copy_made_ = true;
  return true;
}

bool db_installer::restore_database() {
  const w_server_state& s = w_.state;
  label(label_restoring);
  const std::string stem = logical_stem();
  // The server tells each step of STATS while the restore goes on.
  const auto progress = [this](long number, std::string_view text) {
    if (number != restore_progress_message) return;
    int percent = 0;
    if (std::from_chars(text.data(), text.data() + text.size(), percent).ec == std::errc())
      label_percent(label_restoring, percent);
  };
  if (!execute(restore_database_sql(s.is_dbname, temporary_backup_file, stem, s.is_datapath), progress)) {
    // The temporary copy stays; the next run removes it.
    return error_exit();
  }
  w_.sys.fs.RemoveFile(temporary_backup_file);
  return true;
}

bool db_installer::map_login_on_sql2000() {
  if (sql2005_or_later()) return true;
  label(label_configuring);
  if (!execute(allow_updates_on_sql)) return error_exit();
  const std::string map_user = map_login_user_sql(w_.state.is_dbname, w_.state.gs_log);
  for (const std::string_view sql :
       {reconfigure_sql, std::string_view(map_user), allow_updates_off_sql, reconfigure_sql}) {
    if (execute(sql)) continue;
    // The server's catalog must not stay writable: updates are switched off again before the
    // failure is reported.
    const server_error error = last_error();
    execute(allow_updates_off_sql);
    execute(reconfigure_sql);
    return error_exit(error);
  }
  return true;
}

bool db_installer::reconnect_to_new_database() {
  w_.sqlca.disconnect();
  label(label_reconnecting_to_database);
  // The server name stays as the second connect had it.
  connect(admin_login, w_.controls.sle_pass.text(), w_.state.is_dbname);
  if (w_.sqlca.sqlcode == sql_ok) return true;
  tell(std::string(cannot_connect_text) + w_.sqlca.sqlerrtext);
  return false;
}

bool db_installer::set_default_database() {
  label(label_default_database);
  if (!execute(default_database_sql(w_.state.gs_log, w_.state.is_dbname))) return error_exit();
  return true;
}

bool db_installer::set_recovery_options() {
  const std::string& db = w_.state.is_dbname;
  label(label_database_options);
  if (sql2012()) {
    if (!execute(bulk_logged_recovery_sql(db))) return error_exit();
    return true;
  }
  for (const std::string_view option : database_options) {
    if (!execute(database_option_sql(db, option))) return error_exit();
  }
  return true;
}

bool db_installer::finish() {
  flags_.wf_mark_dbflag();
  if (flags_.of_init_db() == 0) return error_exit();
  w_.sqlca.disconnect();
  label(label_done);
  w_.sys.ui.ShowMessage(w_.state.is_apptitle, install_succeeded_text);
  return true;
}

bool db_installer::sql2005_or_later() const {
  const w_server_controls& c = w_.controls;
  return c.rb_sql2005.checked() || c.rb_sql2008.checked() || c.rb_sql2012.checked();
}

bool db_installer::sql2012() const {
  return w_.controls.rb_sql2012.checked();
}

void db_installer::connect(std::string_view login, std::string_view password, std::string_view database) {
  transaction& sqlca = w_.sqlca;
  sqlca.database = database;
  sqlca.logpass = password;
  sqlca.logid = login;
  sqlca.connect();
}

void db_installer::use_server_name_rule() {
  w_.sqlca.servername = server_name_for(w_.controls.sle_servername.text(), w_.state.is_port);
}

bool db_installer::execute(std::string_view sql, const message_handler& on_message) {
  transaction& sqlca = w_.sqlca;
  sqlca.execute_immediate(sql, on_message);
  return sqlca.sqlcode == sql_ok;
}

long db_installer::select(std::string_view sql, std::string_view value) {
  transaction& sqlca = w_.sqlca;
  sqlca.select_single(sql, value);
  return sqlca.sqlcode;
}

db_installer::server_error db_installer::last_error() const {
  return server_error{w_.sqlca.sqldbcode, w_.sqlca.sqlerrtext};
}

void db_installer::label(std::string_view text) {
  w_.show(w_.controls.st_dis, with_note(text));
}

std::string db_installer::with_note(std::string_view text) const {
  // An earlier run's safety backup stays named below each stage.
  if (earlier_backup_.empty()) return std::string(text);
  return std::string(text) + "\n" + with(earlier_backup_before, earlier_backup_, earlier_backup_after);
}

void db_installer::label_percent(std::string_view text, int percent) {
  const std::string shown = with_note(std::string(text) + std::string(percent_before) +
                                      std::to_string(percent) + std::string(percent_after));
  ui::control& status = w_.controls.st_dis;
  if (status.text() == shown) return;
  // The log has the stage once; its percentages are the server's messages or the copy's pace.
  if (status.text().starts_with(text)) {
    status.set_text(shown);
  } else {
    w_.show(status, shown);
  }
}

void db_installer::tell(std::string text) {
  ending_ = text;
  if (!safety_backup_.empty())
    text += with(safety_backup_note_before, safety_backup_, safety_backup_note_after);
  if (dropped_) {
    // The customer's database is back before the operator reads why the install failed.
    dropped_ = false;
    text += put_back()
                ? std::string(put_back_note)
                : std::string(put_back_failed_before) + put_back_sql(w_.state.is_dbname, safety_backup_);
  }
  if (const std::string log = w_.sys.log.log_path(); !log.empty())
    text += with(log_note_before, log, log_note_after);
  w_.sys.ui.ShowMessage(w_.state.is_apptitle, text);
}

bool db_installer::error_exit(const server_error& error, std::string_view before) {
  w_.sqlca.disconnect();
  // Both texts close the number with install_failed_after.
  tell(std::string(before) + std::to_string(error.number) + std::string(install_failed_after) + error.text);
  return false;
}

bool db_installer::stop() {
  w_.sqlca.disconnect();
  return false;
}

}  // namespace setup
