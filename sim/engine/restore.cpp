// RESTORE DATABASE ... FROM DISK = ... WITH FILE, STATS, RECOVERY | NORECOVERY, REPLACE, MOVE.
// Everything is checked before anything changes: a failed restore leaves the server and its disk as
// they were.
#include <algorithm>
#include <cstdio>
#include <map>

#include "sim/engine/backup_format.h"
#include "sim/engine/engine_state.h"

namespace sqlsim {
namespace {

constexpr std::string_view file_not_found = "2(The system cannot find the file specified.)";
constexpr std::string_view path_not_found = "3(The system cannot find the path specified.)";
constexpr std::string_view access_denied = "5(Access is denied.)";
// Restores take this long on the simulated server; fixed, so that messages repeat exactly.
constexpr int restore_milliseconds = 42;
constexpr long page_bytes = 8192;

std::string version_text(server_version version) {
  const product_version v = product_version_of(version);
  char text[32];
  std::snprintf(text, sizeof text, "%d.%02d.%04d", v.major, v.minor, v.build);
  return text;
}

std::string database_file_content(std::string_view database, const backup_file& file) {
  return "sqlsim " + std::string(file.log ? "log" : "data") + " file of database '" + std::string(database) +
         "', logical name '" + file.logical_name + "'\r\n";
}

long pages_of(const backup_file& file, const backup_image& image) {
  return file_pages(file.log, image.rows.size());
}

// What 3013 says for each kind of RESTORE.
std::string_view statement_name(restore_statement::what kind) {
  switch (kind) {
    case restore_statement::what::filelistonly:
      return "RESTORE FILELIST";
    case restore_statement::what::verifyonly:
      return "VERIFY DATABASE";
    case restore_statement::what::headeronly:
      return "RESTORE HEADERONLY";
    case restore_statement::what::database:
      break;
  }
  return "RESTORE DATABASE";
}

class restore_run {
 public:
  restore_run(engine::state& state, const restore_statement& st, statement_context& ctx)
      : state_(state), st_(st), ctx_(ctx) {}

  void run() {
    if (st_.kind != restore_statement::what::database) return read_only();
    sql_value name;
    sql_value device;
    if (!state_.evaluate(st_.database, ctx_, name) || !state_.evaluate(st_.disk, ctx_, device)) return;
    target_ = name.value.value_or("");
    device_ = device.value.value_or("");
    if (target_.empty()) return terminate(msg_invalid_name, {target_});
    if (!state_.has_role(ctx_.s, "dbcreator")) return terminate(msg_restore_permission, {target_});
    if (same_name(target_, "master")) return terminate(msg_restore_master, {});
    if (same_name(target_, "tempdb")) return terminate(msg_restore_tempdb, {});
    existing_ = state_.find_database(target_);
    if (same_name(ctx_.s.database, target_)) return terminate(msg_restore_in_use_by_session, {target_});
    // The remaining system databases are always open on a running server.
    if (state_.held.count(fold(target_)) || (existing_ && existing_->system)) {
      return terminate(msg_restore_in_use, {});
    }
    if (!read_backup()) return;
    if (existing_ && !st_.replace && !same_name(existing_->origin, image_.database)) {
      return terminate(msg_restore_other_database, {existing_->name});
    }
    std::vector<std::string> targets;
    if (!plan(targets) || !write_files(targets)) return;
    // The data goes into the files made: its progress is reported before the database is in place.
    if (st_.stats) state_.report_percent(ctx_, *st_.stats);
    install(targets);
    report_pages();
  }

 private:
  // RESTORE FILELISTONLY, VERIFYONLY and HEADERONLY: the backup read and checked as a restore reads
  // it, nothing changed.
  void read_only() {
    sql_value device;
    if (!state_.evaluate(st_.disk, ctx_, device)) return;
    device_ = device.value.value_or("");
    if (!state_.has_role(ctx_.s, "dbcreator")) return terminate(msg_restore_permission, {"master"});
    if (!read_backup()) return;
    row_set set;
    const auto text = [](std::string value) { return std::optional<std::string>(std::move(value)); };
    switch (st_.kind) {
      case restore_statement::what::filelistonly:
        set.columns = {"LogicalName", "PhysicalName", "Type", "FileGroupName", "Size", "MaxSize", "FileId"};
        for (std::size_t i = 0; i < image_.files.size(); ++i) {
          const backup_file& f = image_.files[i];
          set.rows.push_back({text(f.logical_name), text(f.path), text(f.log ? "L" : "D"),
                              f.log ? std::nullopt : text("PRIMARY"),
                              text(std::to_string(pages_of(f, image_) * page_bytes)), text("35184372080640"),
                              text(std::to_string(i + 1))});
        }
        break;
      case restore_statement::what::headeronly: {
        const product_version v = product_version_of(image_.server.value_or(state_.version));
        set.columns = {"BackupType",           "DatabaseName",         "Position",     "SoftwareVersionMajor",
                       "SoftwareVersionMinor", "SoftwareVersionBuild", "RecoveryModel"};
        set.rows.push_back({text("1"), text(image_.database), text("1"), text(std::to_string(v.major)),
                            text(std::to_string(v.minor)), text(std::to_string(v.build)),
                            text(image_.recovery)});
        break;
      }
      case restore_statement::what::verifyonly:
      case restore_statement::what::database:
        state_.report(ctx_, msg_backup_set_valid, {"1"});
        return;
    }
    if (!ctx_.s.nocount) ctx_.out.rows_affected = static_cast<long>(set.rows.size());
    ctx_.out.rows = std::move(set);
  }

  void terminate(long number, std::initializer_list<std::string_view> arguments) {
    state_.report(ctx_, number, arguments);
    state_.report(ctx_, msg_restore_terminating, {statement_name(st_.kind)});
  }

  bool read_backup() {
    const auto content = state_.files->read_file(device_);
    if (!content) {
      const auto normalized = normalize_windows_path(device_);
      const bool directory = normalized && state_.files->directory_exists(windows_directory_of(*normalized));
      terminate(msg_cannot_open_backup, {device_, directory ? file_not_found : path_not_found});
      return false;
    }
    std::string error;
    if (!parse_backup(*content, image_, error)) {
      terminate(msg_media_incorrectly_formed, {device_});
      return false;
    }
    if (st_.file != 1) {
      terminate(msg_file_id_not_found, {std::to_string(st_.file), device_});
      return false;
    }
    // A backup of a newer server, and one of SQL Server 2000 on 2012 and later, cannot be restored.
    if (image_.server && (*image_.server > state_.version || (*image_.server == server_version::v2000 &&
                                                              state_.version >= server_version::v2012))) {
      terminate(msg_backup_incompatible, {version_text(*image_.server), version_text(state_.version)});
      return false;
    }
    return true;
  }

  // The path of each file of the backup (MOVE target, else where it was), checked.
  bool plan(std::vector<std::string>& targets) {
    std::map<std::string, std::string> moves;  // fold(logical name) -> physical name
    bool unknown = false;
    for (const restore_move& move : st_.moves) {
      sql_value logical;
      sql_value physical;
      if (!state_.evaluate(move.logical_name, ctx_, logical) ||
          !state_.evaluate(move.physical_name, ctx_, physical)) {
        return false;
      }
      const std::string name = logical.value.value_or("");
      const bool known = std::any_of(image_.files.begin(), image_.files.end(),
                                     [&](const backup_file& f) { return same_name(f.logical_name, name); });
      if (!known) {
        state_.report(ctx_, msg_logical_file_not_in_backup, {name, image_.database});
        unknown = true;
      }
      moves[fold(name)] = physical.value.value_or("");
    }
    if (unknown) {
      state_.report(ctx_, msg_restore_terminating, {statement_name(st_.kind)});
      return false;
    }

    bool problems = false;
    std::map<std::string, std::string> claimed;  // path key -> logical name
    for (const backup_file& file : image_.files) {
      const auto moved = moves.find(fold(file.logical_name));
      const std::string target = moved != moves.end() ? moved->second : file.path;
      const auto normalized = normalize_windows_path(target);
      targets.push_back(normalized.value_or(target));
      if (!normalized || !state_.files->directory_exists(windows_directory_of(*normalized))) {
        state_.report(ctx_, msg_directory_lookup_failed, {target, path_not_found});
        state_.report(ctx_, msg_file_cannot_be_restored, {file.logical_name, target});
        problems = true;
        continue;
      }
      const std::string key = windows_path_key(*normalized);
      if (const auto other = claimed.find(key); other != claimed.end()) {
        state_.report(ctx_, msg_file_claimed_twice, {target, other->second, file.logical_name});
        problems = true;
        continue;
      }
      claimed[key] = file.logical_name;
      if (const database* owner = owner_of(key)) {
        state_.report(ctx_, msg_file_in_use_by_database, {target, owner->name});
        state_.report(ctx_, msg_file_cannot_be_restored, {file.logical_name, target});
        problems = true;
      } else if (!st_.replace && state_.files->file_exists(*normalized) && !owned_by_target(key)) {
        state_.report(ctx_, msg_restore_over_existing, {file.logical_name, target});
        problems = true;
      }
    }
    if (problems) {
      state_.report(ctx_, msg_restore_planning);
      state_.report(ctx_, msg_restore_terminating, {statement_name(st_.kind)});
      return false;
    }
    return true;
  }

  const database* owner_of(const std::string& path_key) const {
    for (const auto& [key, db] : state_.databases) {
      if (&db == existing_) continue;
      for (const database_file& f : db.files) {
        if (windows_path_key(f.path) == path_key) return &db;
      }
    }
    return nullptr;
  }

  bool owned_by_target(const std::string& path_key) const {
    if (!existing_) return false;
    return std::any_of(existing_->files.begin(), existing_->files.end(),
                       [&](const database_file& f) { return windows_path_key(f.path) == path_key; });
  }

  bool write_files(const std::vector<std::string>& targets) {
    for (std::size_t i = 0; i < targets.size(); ++i) {
      if (state_.files->write_file(targets[i], database_file_content(target_, image_.files[i]))) continue;
      // Files this restore wrote go again; files of the database being replaced were overwritten
      // and stay, as on a server where the restore failed half-way.
      for (std::size_t k = 0; k < i; ++k) {
        if (!owned_by_target(windows_path_key(targets[k]))) state_.files->remove_file(targets[k]);
      }
      terminate(msg_create_file_failed, {access_denied, targets[i]});
      return false;
    }
    return true;
  }

  void install(const std::vector<std::string>& targets) {
    database db;
    if (existing_) {
      db.name = existing_->name;
      db.dbid = existing_->dbid;
      for (const database_file& old : existing_->files) {
        const std::string key = windows_path_key(old.path);
        const bool reused = std::any_of(targets.begin(), targets.end(),
                                        [&](const std::string& t) { return windows_path_key(t) == key; });
        if (!reused) state_.files->remove_file(old.path);
      }
      state_.databases.erase(fold(existing_->name));
      existing_ = nullptr;
    } else {
      db.name = target_;
      db.dbid = state_.next_dbid++;
    }
    db.state = st_.recovery ? database_state::online : database_state::restoring;
    db.origin = image_.database;
    for (std::size_t i = 0; i < targets.size(); ++i) {
      db.files.push_back({image_.files[i].log, image_.files[i].logical_name, targets[i]});
    }
    for (const backup_user& user : image_.users) db.users.push_back({user.name, user.sid});
    db.has_product_table = image_.has_product_table;
    for (const backup_row& row : image_.rows) {
      db.rows.emplace(fold(row.sys_var_id.value_or("")),
                      system_row{row.sys_var_id, row.sys_var_name, row.sys_var_value, row.sys_ver_flag});
    }
    db.set_recovery_model(image_.recovery);
    state_.databases.emplace(fold(db.name), std::move(db));
  }

  void report_pages() {
    const database* db = state_.find_database(target_);
    long total = 0;
    for (const backup_file& file : image_.files) {
      const long pages = pages_of(file, image_);
      total += pages;
      state_.report(ctx_, msg_processed_pages, {std::to_string(pages), db->name, file.logical_name, "1"});
    }
    // MB/sec in thousandths: pages of 8 KB over the fixed duration.
    const long long thousandths = total * 8192LL * 1000000LL / (1048576LL * restore_milliseconds);
    char seconds[32];
    char rate[32];
    std::snprintf(seconds, sizeof seconds, "%d.%03d", restore_milliseconds / 1000,
                  restore_milliseconds % 1000);
    std::snprintf(rate, sizeof rate, "%lld.%03lld", thousandths / 1000, thousandths % 1000);
    state_.report(ctx_, msg_restore_succeeded, {std::to_string(total), seconds, rate});
  }

  engine::state& state_;
  const restore_statement& st_;
  statement_context& ctx_;
  std::string target_;
  std::string device_;
  database* existing_ = nullptr;
  backup_image image_;
};

}  // namespace

void engine::state::run_restore(const restore_statement& st, statement_context& ctx) {
  restore_run(*this, st, ctx).run();
}

}  // namespace sqlsim
