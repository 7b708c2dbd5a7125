#include "install/sql_statements.h"

#include "install/install_names.h"

namespace setup {
namespace {

std::string doubled(std::string_view text, char special) {
  std::string out;
  out.reserve(text.size() + 2);
  for (const char c : text) {
    out += c;
    if (c == special) out += special;
  }
  return out;
}

}  // namespace

std::string data_folder_file(std::string_view data_folder, std::string_view database,
                             std::string_view suffix) {
  return std::string(data_folder) + "\\" + std::string(database) + std::string(suffix);
}

std::string quotes_doubled(std::string_view text) {
  return doubled(text, '\'');
}

std::string sql_identifier(std::string_view name) {
  return "[" + doubled(name, ']') + "]";
}

std::string sql_literal(std::string_view text) {
  return "N'" + quotes_doubled(text) + "'";
}

std::string drop_database_sql(std::string_view database) {
  return "Drop DATABASE " + sql_identifier(database);
}

std::string backup_database_sql(std::string_view database, std::string_view file) {
  return "BACKUP DATABASE " + sql_identifier(database) + " TO DISK = " + sql_literal(file) + " WITH INIT";
}

std::string add_login_sql(std::string_view login, std::string_view password) {
  return "sp_addlogin " + sql_literal(login) + "," + sql_literal(password);
}

std::string add_role_member_sql(std::string_view login, std::string_view role) {
  return "sp_addsrvrolemember " + sql_literal(login) + ", " + std::string(role);
}

std::string reset_password_sql(std::string_view login, std::string_view password) {
  return "exec sp_password null," + sql_literal(password) + "," + sql_literal(login);
}

std::string default_database_sql(std::string_view login, std::string_view database) {
  return "exec sp_defaultdb " + sql_literal(login) + ", " + sql_literal(database);
}

std::string restore_database_sql(std::string_view database, std::string_view backup_file,
                                 std::string_view logical_stem, std::string_view data_folder) {
  const std::string stem(logical_stem);
  return "RESTORE DATABASE " + sql_identifier(database) + " FROM  DISK = " + sql_literal(backup_file) +
         " WITH  FILE = 1,  NOUNLOAD ,  STATS = 10,  RECOVERY ,  REPLACE ," + "MOVE " +
         sql_literal(stem + std::string(logical_log_suffix)) + " TO " +
         sql_literal(data_folder_file(data_folder, database, log_file_suffix)) + "," + "MOVE " +
         sql_literal(stem + std::string(logical_data_suffix)) + " TO " +
         sql_literal(data_folder_file(data_folder, database, data_file_suffix));
}

std::string file_list_sql(std::string_view backup_file) {
  return "RESTORE FILELISTONLY FROM DISK = " + sql_literal(backup_file);
}

std::string verify_backup_sql(std::string_view backup_file) {
  return "RESTORE VERIFYONLY FROM DISK = " + sql_literal(backup_file);
}

std::string put_back_sql(std::string_view database, std::string_view safety_backup) {
  return "RESTORE DATABASE " + sql_identifier(database) + " FROM DISK = " + sql_literal(safety_backup) +
         " WITH REPLACE";
}

std::string map_login_user_sql(std::string_view database, std::string_view login) {
  return "update " + sql_identifier(database) +
         ".dbo.sysusers set sid=(select sid from master.dbo.syslogins where name=" + sql_literal(login) +
         ") where name=" + sql_literal(login);
}

std::string bulk_logged_recovery_sql(std::string_view database) {
  return "alter database " + sql_identifier(database) + " SET RECOVERY BULK_LOGGED";
}

std::string database_option_sql(std::string_view database, std::string_view option) {
  return "exec sp_dboption " + sql_literal(database) + ", " + sql_literal(option) + ", N'true'";
}

}  // namespace setup
