// The answer file of an unattended install: an INI file (GBK, UTF-8 or UTF-16, read as setup.ini is)
// with one section [install] that holds what a technician types and answers on the window's pages.
//
//   edition            dd, zb or jmzb (page 1's edition; absent: as the window proposes)
//   sql_version        2000, 2005, 2008 or 2012 (required)
//   instance           the instance's name (absent: the one discovery selects)
//   server             the server's machine name (absent: as proposed)
//   sa_password        sa's password, or
//   sa_password_env    the name of an environment variable that holds it (neither: empty)
//   database           the database name (absent: as proposed)
//   customer           the customer name
//   special_password   the special operation password, for a database that exists
//   replace_existing   yes or no: the answer to the question before the old database is dropped
//   new_port           the port the instance moves to first, on the port page (TCP/IP enabled too)
//   open_firewall      yes or no: whether Windows Firewall lets other machines in on the new port
//   start_accessories  wcf, automess, auto_up, in the order they are started (commas or blanks)
//
// Reading checks what the file alone can tell; what depends on the product and the machine is
// checked by the window's own checks.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/environment.h"
#include "platform/files.h"

namespace setup {

inline constexpr std::string_view answers_section = "install";

// The accessories of the last page, by their names in the answer file.
inline constexpr std::string_view accessory_wcf = "wcf";
inline constexpr std::string_view accessory_automess = "automess";
inline constexpr std::string_view accessory_auto_up = "auto_up";

struct install_answers {
  std::string edition;  // "dd", "zb", "jmzb"; empty: not given
  std::string sql_version;
  std::string instance;
  std::optional<std::string> server;
  std::string sa_password;
  std::string sa_password_source;  // for the log: "the file", "variable NAME", "none (empty)"
  std::optional<std::string> database;
  std::optional<std::string> customer;
  std::string special_password;
  bool replace_existing = false;
  std::string new_port;
  bool open_firewall = false;
  std::vector<std::string> start_accessories;

  bool starts(std::string_view accessory) const;
};

struct answer_file_result {
  std::optional<install_answers> answers;
  // Why the file was refused, for the operator; empty when it was read.
  std::string refusal;
};

// Reads and checks the answer file at `path` (relative: to the current directory). The password
// named by sa_password_env is read from `env`.
answer_file_result read_answer_file(files& fs, environment& env, std::string_view path);

// The answers from the text of an answer file (any of the encodings), for `path` in the messages.
answer_file_result parse_answers(std::string_view file_bytes, environment& env, std::string_view path);

}  // namespace setup
