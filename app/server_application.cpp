#include "app/server_application.h"

#include "app/program_version.h"
#include "platform/journal.h"
#include "platform/text.h"
#include "wizard/w_server.h"

namespace setup {
namespace {

constexpr std::string_view log_option = "/log=";
constexpr std::string_view log_file_stem = "\\server_setup_";
constexpr std::string_view log_file_time_picture = "yyyymmdd_hhnnss";
constexpr std::string_view log_file_extension = ".log";
// Runs started in the same second get numbered names rather than one another's log.
constexpr int same_second_names = 9;

}  // namespace

void server_application::start_log() {
  std::string given;
  std::string command_line;
  for (const std::string& argument : arguments_) {
    command_line += (command_line.empty() ? "" : " ") + argument;
    if (starts_with_ignore_case_ascii(argument, log_option)) given = argument.substr(log_option.size());
  }
  if (!given.empty()) {
    sys_.log.keep_in(given, sys_.fs.CreateForWriting(given, true), sys_.time);
  } else if (const std::string folder = sys_.env.temporary_folder(); !folder.empty()) {
    const std::string stem =
        folder + std::string(log_file_stem) + format_local_time(sys_.time.local_now(), log_file_time_picture);
    for (int n = 1; n <= same_second_names && sys_.log.log_path().empty(); ++n) {
      const std::string path =
          stem + (n == 1 ? "" : "_" + std::to_string(n)) + std::string(log_file_extension);
      sys_.log.keep_in(path, sys_.fs.CreateForWriting(path, false), sys_.time);
    }
  }
  if (sys_.log.log_path().empty())
    sys_.log.line("log file: none could be made; the program goes on without it");

  sys_.log.line("server.exe " SETUP_PROGRAM_VERSION_TEXT " started" +
                (command_line.empty() ? std::string() : ", command line: " + command_line));
  sys_.log.line("machine: " + describe(sys_.env.machine()));
}

int server_application::run() {
  // create
  start_log();
  appname_ = std::string(application_name);
  connection_ = make_sqlca_ ? make_sqlca_() : nullptr;
  if (!connection_) {
    sys_.log.line("server ended: the connection object cannot be created");
    return 1;
  }
  // Everything the window does to the machine and the server goes through the journal.
  journaled_platform journal(sys_);
  sqlca_ = std::make_unique<journal_transaction>(*connection_, sys_.log);
  error_ = std::make_unique<error_object>();
  message_ = std::make_unique<message_object>();

  // open: the window's open step, then the window is shown until it closes.
  {
    w_server window(journal.sys, *sqlca_);
    window.open();
    sys_.log.line("open step done: " + window.title());
    host_.run(window);
  }

  // destroy
  message_.reset();
  error_.reset();
  if (sqlca_->connected()) sqlca_->disconnect();
  sqlca_.reset();
  connection_.reset();
  sys_.log.line("server ended");
  return 0;
}

}  // namespace setup
