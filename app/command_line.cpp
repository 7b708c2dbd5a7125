#include "app/command_line.h"

#include <string_view>

#include "platform/text.h"

namespace setup {
namespace {

constexpr std::string_view usage_option = "/?";
constexpr std::string_view answers_option = "/answers=";
constexpr std::string_view log_option = "/log=";

}  // namespace

command_line parse_command_line(const std::vector<std::string>& arguments) {
  command_line c;
  for (const std::string& argument : arguments) {
    if (argument == usage_option) {
      c.usage = true;
    } else if (starts_with_ignore_case_ascii(argument, answers_option)) {
      const std::string file = argument.substr(answers_option.size());
      if (c.answers) {
        c.refusal = "/answers= is given twice";
      } else if (file.empty()) {
        c.refusal = "/answers= names no file";
      }
      c.answers = file;
    } else if (starts_with_ignore_case_ascii(argument, log_option)) {
      c.log = argument.substr(log_option.size());
    } else if (c.refusal.empty()) {
      c.refusal = "unknown argument \"" + argument + "\"";
    }
  }
  return c;
}

std::string usage_text() {
  return "server.exe                              the setup wizard\n"
         "server.exe /answers=FILE [/log=FILE]    the unattended install\n"
         "server.exe /?                           this text\n"
         "/log=FILE: the install log (otherwise %TEMP%\\server_setup_YYYYMMDD_HHMMSS.log)\n"
         "\n"
         "The answer file is an INI file with one section [install]:\n"
         "  edition=dd|zb|jmzb  sql_version=2000|2005|2008|2012  instance=NAME  server=NAME\n"
         "  sa_password=...  or  sa_password_env=VARIABLE  database=NAME  customer=NAME\n"
         "  special_password=...  replace_existing=yes|no  new_port=NNNN  open_firewall=yes|no\n"
         "  start_accessories=wcf,automess,auto_up\n"
         "A question the file does not answer is answered No.\n"
         "\n"
         "Exit codes:\n"
         "  0 installed\n"
         "  1 bad command line or answer file\n"
         "  2 no SQL Server of the chosen version found\n"
         "  3 a page check refused an entry\n"
         "  4 cannot connect\n"
         "  5 the database exists and may not be replaced\n"
         "  6 the backup copy failed\n"
         "  7 a SQL statement failed (its number in the log)\n"
         "  8 the port change failed\n"
         "  9 the medium's backup cannot be restored on this server\n"
         "  10 the data folder cannot take the database (a stranger's file, no room)\n"
         "\n"
         "cmd waits for the code only with start /wait (then echo %ERRORLEVEL%):\n"
         "  start /wait server.exe /answers=store.ini\n"
         "PowerShell: (Start-Process .\\server.exe '/answers=store.ini' -Wait -PassThru).ExitCode";
}

}  // namespace setup
