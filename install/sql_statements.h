// The statements of the install that carry input, each built in one function. Input reaches a
// statement only through sql_identifier and sql_literal, so no name, password or path can end a
// name or a literal early and change what the statement does.
#pragma once

#include <string>
#include <string_view>

namespace setup {

// `text` with every single quote doubled: the inside of a literal.
std::string quotes_doubled(std::string_view text);
// A name in brackets, "]" doubled: [x]]y] for x]y.
std::string sql_identifier(std::string_view name);
// A Unicode literal, quotes doubled: N'it''s'.
std::string sql_literal(std::string_view text);

std::string drop_database_sql(std::string_view database);
std::string backup_database_sql(std::string_view database, std::string_view file);
std::string add_login_sql(std::string_view login, std::string_view password);
std::string add_role_member_sql(std::string_view login, std::string_view role);
std::string reset_password_sql(std::string_view login, std::string_view password);
std::string default_database_sql(std::string_view login, std::string_view database);
// Restores `database` from `backup_file`, moving the logical files <stem>_Log and <stem>_Data to
// <data folder>\<database>_Log.LDF and _Data.MDF.
std::string restore_database_sql(std::string_view database, std::string_view backup_file,
                                 std::string_view logical_stem, std::string_view data_folder);
// <data folder>\<database><suffix>: a file the restore writes.
std::string data_folder_file(std::string_view data_folder, std::string_view database,
                             std::string_view suffix);
// The backup's files (logical and physical names, type, size in bytes), and its check, reading it whole.
std::string file_list_sql(std::string_view backup_file);
std::string verify_backup_sql(std::string_view backup_file);
// The database back from its safety backup, its files where they were.
std::string put_back_sql(std::string_view database, std::string_view safety_backup);
// SQL Server 2000: the restored database's user of `login` takes the SID of this server's login.
std::string map_login_user_sql(std::string_view database, std::string_view login);
std::string bulk_logged_recovery_sql(std::string_view database);
std::string database_option_sql(std::string_view database, std::string_view option);

}  // namespace setup
