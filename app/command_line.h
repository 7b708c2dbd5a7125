// server.exe's command line. Without arguments the program is the window; /answers=FILE makes it the
// unattended install; /? shows the usage. The words are compared without regard to case.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace setup {

struct command_line {
  bool usage = false;                  // /? (wins over everything else)
  std::optional<std::string> answers;  // /answers=FILE
  std::string log;                     // /log=FILE; empty: the program's own in %TEMP%
  std::string refusal;                 // why the command line cannot be run; empty when it can
};

command_line parse_command_line(const std::vector<std::string>& arguments);

// What /? shows: the forms of the command line, the answer file's keys and the exit codes.
std::string usage_text();

}  // namespace setup
