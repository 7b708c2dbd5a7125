// The simulated server's backup file: a small text manifest of what a restore puts in place (the
// database's logical files, its users and the rows of t_sys_system). sim/README.md describes it.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/engine/engine.h"

namespace sqlsim {

struct backup_file {
  bool log = false;
  std::string logical_name;
  std::string path;  // where the file was on the server that made the backup
};

struct backup_user {
  std::string name;
  std::optional<std::string> sid;  // raw bytes
};

struct backup_row {
  std::optional<std::string> sys_var_id;
  std::optional<std::string> sys_var_name;
  std::optional<std::string> sys_var_value;
  std::optional<std::string> sys_ver_flag;
};

struct backup_image {
  std::string database;
  // The server that made the backup; an older server cannot restore it. None: any server can.
  std::optional<server_version> server;
  std::string recovery = "FULL";  // FULL, BULK_LOGGED or SIMPLE
  std::vector<backup_file> files;
  std::vector<backup_user> users;
  bool has_product_table = false;
  std::vector<backup_row> rows;
};

// The manifest text of `image`.
std::string format_backup(const backup_image& image);

// Reads a manifest. False, with `error` saying what and on which line, when the text is not a
// well-formed backup (then `image` is unspecified).
bool parse_backup(std::string_view text, backup_image& image, std::string& error);

// A product database backup as the install medium carries one: files "<stem>_Data" and "<stem>_Log"
// in SQL Server's default data directory, the user dbo (SID 0x01, sa) and an empty t_sys_system.
backup_image make_product_backup(std::string database, std::string logical_stem);

}  // namespace sqlsim
