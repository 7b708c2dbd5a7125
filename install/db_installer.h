// The database install: from the settings the pages collected it (re)creates the product database
// on the chosen SQL Server, one step after another, each showing its stage in st_dis and its own
// message when it fails.
//
// An existing database is replaced only after the special operation password and the operator's Yes,
// and only once everything that can refuse has passed: the backup's temporary copy, the data folder,
// the logins and the product login's connect, the backup's logical files and its check, no stranger's
// file where the restore writes, the old database backed up into the data folder (the safety backup)
// and room for the new one. Every failure after that names the safety backup in its message, and every
// failure after the drop puts the old database back from it first.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "install/install_names.h"
#include "install/system_flags.h"
#include "model/wizard_context.h"

namespace setup {

class db_installer {
 public:
  explicit db_installer(wizard_context& w) : w_(w), flags_(w) {}

  // True after the success message; false after a message that says what failed. Sets is_dbname.
  // The connection is closed on every return but two: a first connect that failed (none is open)
  // and a failed connect to the new database, which is left as it is.
  bool of_install_db();

  // The safety backup this run made, empty when none.
  const std::string& safety_backup() const { return safety_backup_; }

 private:
  struct server_error {
    long number = 0;
    std::string text;
  };

  // The steps, in the order they run. Each returns false after its message.
  void start();
  void choose_database_name();
  bool database_name_usable();
  bool copy_client_libraries();
  bool connect_as_sa_to_master();
  // The password gate and the operator's Yes; nothing is changed yet.
  bool guard_existing_database();
  // No database of that name: an earlier run's safety backup of it, if any, is named in st_dis.
  void note_earlier_safety_backup();
  bool data_folder_usable();
  bool ensure_product_login();
  bool ensure_maintenance_login();
  bool reconnect_as_product_login();
  bool make_temporary_copy();
  // The temporary copy holds the product's logical files and reads whole on this server.
  bool backup_restorable();
  // No file the restore would write is in the data folder unless a database of the server has it.
  bool restore_targets_free();
  // The backup's files fit on the data folder's drive, with the room the drop frees.
  bool room_for_database();
  bool back_up_existing_database();
  bool drop_existing_database();
  bool restore_database();
  bool map_login_on_sql2000();
  bool reconnect_to_new_database();
  bool set_default_database();
  bool set_recovery_options();
  bool finish();
  // The end in the log, and the log's file named in the status line.
  void end(bool installed);
  // The dropped database restored from its safety backup, as sa; true when it is back.
  bool put_back();
  // The logical file names' stem the backup must have.
  std::string logical_stem() const;

  bool sql2005_or_later() const;
  bool sql2012() const;
  // Connects with these settings and the server name sqlca has.
  void connect(std::string_view login, std::string_view password, std::string_view database);
  // The server name from the machine name of the database page and the instance's port.
  void use_server_name_rule();
  // Runs a statement; true when its status is 0. The server's messages go to `on_message`.
  bool execute(std::string_view sql, const message_handler& on_message = {});
  // The single-row select with one bound value; its status.
  long select(std::string_view sql, std::string_view value);
  server_error last_error() const;
  void label(std::string_view text);
  // The text with the line that names an earlier run's safety backup, when there is one.
  std::string with_note(std::string_view text) const;
  // The stage's label and how far it has come, unless st_dis shows just that already.
  void label_percent(std::string_view text, int percent);
  // A message with the window's title; once there is a safety backup, its line is added; after the drop
  // the old database is put back first and the message says whether it is; the log's line when there
  // is a log.
  void tell(std::string text);
  // The common failure ending: the server's error in the message, the connection closed; false.
  // `before` opens the message: the common one, or that of a backup this server cannot restore.
  bool error_exit(const server_error& error, std::string_view before = install_failed_before);
  bool error_exit() { return error_exit(last_error()); }
  // Closes the connection and returns false: the ending of a refusal.
  bool stop();

  wizard_context& w_;
  system_flags flags_;
  // Per run.
  bool temporary_copy_made_ = false;
  bool replacing_ = false;                  // the operator's Yes to replacing the existing database
  bool dropped_ = false;                    // until it is put back
  bool default_database_deferred_ = false;  // the login's default database is set to master at the drop
  std::uint64_t backup_bytes_ = 0;          // the backup's files, as FILELISTONLY sizes them
  result_set server_files_;                 // every file of every database of the server
  std::string earlier_backup_;
  std::string safety_backup_;
  // Why the install ended without a database: the last message told, or the operator's No.
  std::string ending_;
};

}  // namespace setup
