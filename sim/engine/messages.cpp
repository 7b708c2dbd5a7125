#include "sim/engine/messages.h"

#include <cstdlib>
#include <string>
#include <vector>

namespace sqlsim {
namespace {

struct message_template {
  long number;
  int severity;
  int state;
  const char* text;
  const char* text_2000;  // nullptr: SQL Server 2000 says the same
};

// clang-format off
constexpr message_template templates[] = {
  {msg_incorrect_syntax, 15, 1, "Incorrect syntax near '%1'.", nullptr},
  {msg_identifier_too_long, 15, 4, "The identifier that starts with '%1' is too long. Maximum length is 128.", nullptr},
  {msg_unclosed_quote, 15, 1, "Unclosed quotation mark after the character string '%1'.", nullptr},
  {msg_insert_more_columns, 15, 1, "There are more columns in the INSERT statement than values specified in the VALUES clause. The number of values in the VALUES clause must match the number of columns specified in the INSERT statement.", nullptr},
  {msg_insert_fewer_columns, 15, 1, "There are fewer columns in the INSERT statement than values specified in the VALUES clause. The number of values in the VALUES clause must match the number of columns specified in the INSERT statement.", nullptr},
  {msg_missing_end_comment, 15, 1, "Missing end comment mark '*/'.", nullptr},
  {msg_subquery_columns, 16, 1, "Only one expression can be specified in the select list when the subquery is not introduced with EXISTS.", nullptr},
  {msg_named_parameters_after, 15, 1, "Must pass parameter number %1 and subsequent parameters as '@name = value'. After the form '@name = value' has been used, all subsequent parameters must be passed in the form '@name = value'.", nullptr},
  {msg_must_declare_variable, 15, 2, "Must declare the scalar variable \"%1\".", "Must declare the variable '%1'."},
  {msg_not_a_set_option, 15, 1, "'%1' is not a recognized SET option.", nullptr},
  {msg_parameter_not_supplied, 16, 4, "Procedure or function '%1' expects parameter '%2', which was not supplied.", "Procedure '%1' expects parameter '%2', which was not supplied."},
  {msg_invalid_column, 16, 1, "Invalid column name '%1'.", nullptr},
  {msg_invalid_object, 16, 1, "Invalid object name '%1'.", nullptr},
  {msg_conversion_failed, 16, 1, "Conversion failed when converting the varchar value '%1' to data type int.", "Syntax error converting the varchar value '%1' to a column of data type int."},
  {msg_implicit_conversion, 16, 1, "Implicit conversion from data type varchar to varbinary is not allowed. Use the CONVERT function to run this query.", nullptr},
  {msg_adhoc_updates, 16, 1, "Ad hoc updates to system catalogs are not allowed.", "Ad hoc updates to system catalogs are not enabled. The system administrator must reconfigure SQL Server to allow this."},
  {msg_backup_permission, 14, 1, "BACKUP DATABASE permission denied in database '%1'.", nullptr},
  {msg_column_twice, 16, 1, "The column name '%1' is specified more than once in the SET clause or column list of an INSERT. A column cannot be assigned more than one value in the same clause.", nullptr},
  {msg_subquery_rows, 16, 1, "Subquery returned more than 1 value. This is not permitted when the subquery follows =, !=, <, <= , >, >= or when the subquery is used as an expression.", nullptr},
  {msg_null_not_allowed, 16, 2, "Cannot insert the value NULL into column '%1', table '%2'; column does not allow nulls. %3 fails.", nullptr},
  {msg_database_not_found, 16, 1, "Database '%1' does not exist. Make sure that the name is entered correctly.", "Could not locate entry in sysdatabases for database '%1'. No entry found with that name. Make sure that the name is entered correctly."},
  {msg_cannot_use_database, 14, 1, "The server principal \"%1\" is not able to access the database \"%2\" under the current security context.", "Server user '%1' is not a valid user in database '%2'."},
  {msg_database_restoring, 14, 6, "Database '%1' cannot be opened. It is in the middle of a restore.", nullptr},
  {msg_file_in_use_by_database, 16, 1, "The file '%1' cannot be overwritten.  It is being used by database '%2'.", nullptr},
  {msg_duplicate_key, 14, 1, "Violation of PRIMARY KEY constraint '%1'. Cannot insert duplicate key in object '%2'.", nullptr},
  {msg_procedure_not_found, 16, 62, "Could not find stored procedure '%1'.", nullptr},
  {msg_restore_terminating, 16, 1, "%1 is terminating abnormally.", nullptr},
  {msg_backup_set_valid, 10, 1, "The backup set on file %1 is valid.", nullptr},
  {msg_restore_succeeded, 0, 1, "RESTORE DATABASE successfully processed %1 pages in %2 seconds (%3 MB/sec).", nullptr},
  {msg_restore_in_use, 16, 1, "Exclusive access could not be obtained because the database is in use.", nullptr},
  {msg_restore_in_use_by_session, 16, 1, "RESTORE cannot process database '%1' because it is in use by this session. It is recommended that the master database be used when performing this operation.", nullptr},
  {msg_restore_master, 16, 1, "To restore the master database, the server must be running in single-user mode.", nullptr},
  {msg_restore_permission, 14, 1, "User does not have permission to RESTORE database '%1'.", nullptr},
  {msg_restore_planning, 16, 1, "Problems were identified while planning for the RESTORE statement. Previous messages provide details.", nullptr},
  {msg_restore_over_existing, 16, 1, "File '%1' cannot be restored over the existing '%2'. Reissue the RESTORE statement using WITH REPLACE to overwrite pre-existing files, or WITH MOVE to identify an alternate location.", nullptr},
  {msg_restore_tempdb, 16, 1, "Backup and restore operations are not allowed on database tempdb.", nullptr},
  {msg_restore_other_database, 16, 4, "The backup set holds a backup of a database other than the existing '%1' database.", nullptr},
  {msg_file_cannot_be_restored, 16, 3, "File '%1' cannot be restored to '%2'. Use WITH MOVE to identify a valid location for the file.", nullptr},
  {msg_backup_incompatible, 16, 1, "The database was backed up on a server running version %1. That version is incompatible with this server, which is running version %2. Either restore the database on a server that supports the backup, or use a backup that is compatible with this server.", nullptr},
  {msg_file_claimed_twice, 16, 1, "File '%1' is claimed by '%2' and '%3'. The WITH MOVE clause can be used to relocate one or more files.", nullptr},
  {msg_cannot_open_backup, 16, 2, "Cannot open backup device '%1'. Operating system error %2.", "Cannot open backup device '%1'. Device error or device off-line. See the SQL Server error log for more details."},
  {msg_percent_processed, 10, 1, "%1 percent processed.", nullptr},
  {msg_logical_file_not_in_backup, 16, 1, "Logical file '%1' is not part of database '%2'. Use RESTORE FILELISTONLY to list the logical file names.", nullptr},
  {msg_media_incorrectly_formed, 16, 1, "The media family on device '%1' is incorrectly formed. SQL Server cannot process this media family.", nullptr},
  {msg_drop_failed, 11, 1, "Cannot drop the database '%1', because it does not exist or you do not have permission.", "Cannot drop the database '%1' because it does not exist in the system catalog."},
  {msg_drop_in_use, 16, 3, "Cannot drop database \"%1\" because it is currently in use.", nullptr},
  {msg_drop_system, 16, 1, "Cannot drop the database '%1' because it is a system database.", nullptr},
  {msg_deleting_file, 10, 1, "Deleting database file '%1'.", nullptr},
  {msg_processed_pages, 0, 1, "Processed %1 pages for database '%2', file '%3' on file %4.", nullptr},
  {msg_file_id_not_found, 16, 1, "Cannot find file ID %1 on device '%2'.", nullptr},
  {msg_cannot_open_login_database, 11, 1, "Cannot open database \"%1\" requested by the login. The login failed.", "Cannot open database requested in login '%1'. Login fails."},
  {msg_cannot_open_default_database, 11, 1, "Cannot open user default database. Login failed.", nullptr},
  {msg_alter_database_permission, 14, 7, "User does not have permission to alter database '%1', the database does not exist, or the database is not in a state that allows access checks.", nullptr},
  {msg_alter_database_failed, 16, 1, "ALTER DATABASE statement failed.", nullptr},
  {msg_create_file_failed, 16, 1, "CREATE FILE encountered operating system error %1 while attempting to open or create the physical file '%2'.", nullptr},
  {msg_directory_lookup_failed, 16, 1, "Directory lookup for the file \"%1\" failed with the operating system error %2.", nullptr},
  {msg_adhoc_update_not_supported, 16, 1, "Ad hoc update to system catalogs is not supported.", nullptr},
  {msg_reconfigure_permission, 14, 1, "You do not have permission to run the RECONFIGURE statement.", nullptr},
  {msg_too_many_arguments, 16, 2, "Procedure or function %1 has too many arguments specified.", nullptr},
  {msg_not_a_parameter, 16, 2, "%1 is not a parameter for procedure %2.", nullptr},
  {msg_invalid_name, 16, 1, "'%1' is not a valid name because it contains invalid characters.", nullptr},
  {msg_not_valid_login, 16, 1, "'%1' is not a valid login or you do not have permission.", "The login '%1' does not exist."},
  {msg_database_does_not_exist, 16, 1, "The database '%1' does not exist. Supply a valid database name. To see available databases, use sys.databases.", "The database '%1' does not exist. Use sp_helpdb to show available databases."},
  {msg_dboption_not_found, 16, 1, "Database option '%1' does not exist. Specify a valid database option.", nullptr},
  {msg_login_exists, 16, 1, "The server principal '%1' already exists.", "The login '%1' already exists."},
  {msg_configure_option_not_found, 16, 1, "The configuration option '%1' does not exist, or it may be an advanced option.", nullptr},
  {msg_configure_bad_value, 16, 1, "'%1' is not a valid value for configuration option '%2'.", nullptr},
  {msg_old_password_incorrect, 16, 1, "Old (current) password incorrect for user. The password was not changed.", nullptr},
  {msg_dboption_usage, 16, 1, "Usage: sp_dboption [dbname [,optname [,'true' | 'false']]]", nullptr},
  {msg_dboption_not_unique, 16, 1, "Database option '%1' is not unique.", nullptr},
  {msg_no_permission, 16, 1, "User does not have permission to perform this action.", nullptr},
  {msg_new_login_created, 0, 1, "New login created.", nullptr},
  {msg_default_database_changed, 0, 1, "Default database changed.", nullptr},
  {msg_not_fixed_server_role, 16, 1, "'%1' is not a fixed server role.", nullptr},
  {msg_sid_in_use, 16, 1, "Supplied parameter sid is in use.", nullptr},
  {msg_configuration_changed, 0, 1, "Configuration option '%1' changed from %2 to %3. Run the RECONFIGURE statement to install.", nullptr},
  {msg_password_changed, 0, 1, "Password changed.", nullptr},
  {msg_added_to_role, 0, 1, "'%1' added to role '%2'.", nullptr},
  {msg_login_failed, 14, 1, "Login failed for user '%1'.", nullptr},
};
// clang-format on

std::string substitute(std::string_view pattern, std::initializer_list<std::string_view> arguments) {
  const std::vector<std::string_view> args(arguments);
  std::string out;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] >= '1' && pattern[i + 1] <= '9') {
      const std::size_t index = static_cast<std::size_t>(pattern[i + 1] - '1');
      if (index < args.size()) out += args[index];
      ++i;
    } else {
      out += pattern[i];
    }
  }
  return out;
}

}  // namespace

server_message make_message(server_version version, long number,
                            std::initializer_list<std::string_view> arguments) {
  for (const message_template& t : templates) {
    if (t.number != number) continue;
    server_message m;
    m.number = number;
    m.severity = t.severity;
    m.state = t.state;
    const char* text = version == server_version::v2000 && t.text_2000 ? t.text_2000 : t.text;
    m.text = substitute(text, arguments);
    return m;
  }
  std::abort();  // a number missing from the table is a programming error
}

server_message message_of(server_version version, long number) {
  for (const message_template& t : templates) {
    if (t.number == number) return make_message(version, number, {});
  }
  return server_message{number, 1, 16, "Error " + std::to_string(number) + " injected by sqlsim.", {}, 1};
}

}  // namespace sqlsim
