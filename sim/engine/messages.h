// The messages the simulated server sends, with SQL Server's numbers, severities and texts (the
// SQL Server 2000 wording where it differs).
#pragma once

#include <initializer_list>
#include <string_view>

#include "sim/engine/engine.h"

namespace sqlsim {

enum message_number : long {
  msg_incorrect_syntax = 102,
  msg_identifier_too_long = 103,
  msg_unclosed_quote = 105,
  msg_insert_more_columns = 109,
  msg_insert_fewer_columns = 110,
  msg_missing_end_comment = 113,
  msg_subquery_columns = 116,
  msg_named_parameters_after = 119,
  msg_must_declare_variable = 137,
  msg_not_a_set_option = 195,
  msg_parameter_not_supplied = 201,
  msg_invalid_column = 207,
  msg_invalid_object = 208,
  msg_conversion_failed = 245,
  msg_implicit_conversion = 257,
  msg_adhoc_updates = 259,
  msg_backup_permission = 262,
  msg_column_twice = 264,
  msg_subquery_rows = 512,
  msg_null_not_allowed = 515,
  msg_database_not_found = 911,
  msg_cannot_use_database = 916,
  msg_database_restoring = 927,
  msg_file_in_use_by_database = 1834,
  msg_duplicate_key = 2627,
  msg_procedure_not_found = 2812,
  msg_restore_terminating = 3013,
  msg_restore_succeeded = 3014,
  msg_backup_set_valid = 3262,
  msg_restore_in_use = 3101,
  msg_restore_in_use_by_session = 3102,
  msg_restore_master = 3108,
  msg_restore_permission = 3110,
  msg_restore_planning = 3119,
  msg_restore_over_existing = 3142,
  msg_restore_tempdb = 3147,
  msg_restore_other_database = 3154,
  msg_file_cannot_be_restored = 3156,
  msg_backup_incompatible = 3169,
  msg_file_claimed_twice = 3176,
  msg_cannot_open_backup = 3201,
  msg_percent_processed = 3211,
  msg_logical_file_not_in_backup = 3234,
  msg_media_incorrectly_formed = 3241,
  msg_drop_failed = 3701,
  msg_drop_in_use = 3702,
  msg_drop_system = 3708,
  msg_deleting_file = 3738,
  msg_processed_pages = 4035,
  msg_file_id_not_found = 4038,
  msg_cannot_open_login_database = 4060,
  msg_cannot_open_default_database = 4064,
  msg_alter_database_permission = 5011,
  msg_alter_database_failed = 5069,
  msg_create_file_failed = 5123,
  msg_directory_lookup_failed = 5133,
  msg_adhoc_update_not_supported = 5808,
  msg_reconfigure_permission = 5812,
  msg_too_many_arguments = 8144,
  msg_not_a_parameter = 8145,
  msg_invalid_name = 15006,
  msg_not_valid_login = 15007,
  msg_database_does_not_exist = 15010,
  msg_dboption_not_found = 15011,
  msg_login_exists = 15025,
  msg_configure_option_not_found = 15123,
  msg_configure_bad_value = 15129,
  msg_old_password_incorrect = 15211,
  msg_dboption_usage = 15241,
  msg_dboption_not_unique = 15242,
  msg_no_permission = 15247,
  msg_new_login_created = 15298,
  msg_default_database_changed = 15341,
  msg_not_fixed_server_role = 15402,
  msg_sid_in_use = 15433,
  msg_configuration_changed = 15457,
  msg_password_changed = 15478,
  msg_added_to_role = 15488,
  msg_login_failed = 18456,
};

// The message `number` as a server of `version` words it, "%1", "%2"... replaced by the arguments.
// `number` must be one of message_number.
server_message make_message(server_version version, long number,
                            std::initializer_list<std::string_view> arguments = {});

}  // namespace sqlsim
