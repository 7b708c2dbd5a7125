#include "app/server_application.h"

#include "app/command_line.h"
#include "app/program_version.h"
#include "platform/journal.h"
#include "platform/text.h"
#include "wizard/unattended_install.h"
#include "wizard/w_server.h"

namespace setup {
namespace {

constexpr std::string_view usage_title = "server.exe";
constexpr std::string_view log_file_stem = "\\server_setup_";
constexpr std::string_view log_file_time_picture = "yyyymmdd_hhnnss";
constexpr std::string_view log_file_extension = ".log";
// Runs started in the same second get numbered names rather than one another's log.
constexpr int same_second_names = 9;

}  // namespace

void server_application::start_log(const std::string& given) {
  std::string command_line;
  for (const std::string& argument : arguments_) command_line += (command_line.empty() ? "" : " ") + argument;
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
  const command_line words = parse_command_line(arguments_);
  start_log(words.log);
  if (words.usage) {
    sys_.log.line("usage shown");
    out_.write_line(usage_text());
    sys_.ui.ShowMessage(usage_title, usage_text());
    sys_.log.line("server ended");
    return 0;
  }
  if (!words.refusal.empty()) {
    sys_.log.line("command line refused: " + words.refusal);
    const std::string text = "server.exe: " + words.refusal + "\n\n" + usage_text();
    out_.write_line(text);
    // The unattended install never waits for a box.
    if (!words.answers) sys_.ui.ShowMessage(usage_title, text);
    sys_.log.line("server ended, exit code 1");
    return exit_status(exit_code::bad_command_line);
  }
  std::optional<install_answers> answers;
  if (words.answers) {
    answer_file_result read = read_answer_file(sys_.fs, sys_.env, *words.answers);
    if (!read.answers) {
      sys_.log.line(read.refusal);
      out_.write_line("server.exe: " + read.refusal);
      sys_.log.line("server ended, exit code 1");
      return exit_status(exit_code::bad_command_line);
    }
    answers = std::move(read.answers);
    sys_.log.add_secret(answers->sa_password);
  }

  // create
  appname_ = std::string(application_name);
  connection_ = make_sqlca_ ? make_sqlca_() : nullptr;
  if (!connection_) {
    sys_.log.line("server ended: the connection object cannot be created");
    out_.write_line("server.exe: the connection object cannot be created");
    return 1;
  }
  error_ = std::make_unique<error_object>();
  message_ = std::make_unique<message_object>();

  const int status = answers ? run_unattended(*answers) : (run_window(), 0);

  // destroy
  message_.reset();
  error_.reset();
  if (sqlca_->connected()) sqlca_->disconnect();
  sqlca_.reset();
  connection_.reset();
  sys_.log.line(answers ? "server ended, exit code " + std::to_string(status) : std::string("server ended"));
  return status;
}

void server_application::run_window() {
  // Everything the window does to the machine and the server goes through the journal.
  journaled_platform journal(sys_);
  sqlca_ = std::make_unique<journal_transaction>(*connection_, sys_.log);
  // open: the window's open step, then the window is shown until it closes.
  w_server window(journal.sys, *sqlca_);
  window.open();
  sys_.log.line("open step done: " + window.title());
  host_.run(window);
}

int server_application::run_unattended(const install_answers& answers) {
  // The same window and journal, with dialogs that show nothing and answer from the file.
  unattended_dialogs ui(answers, out_);
  platform headless{.ui = ui,
                    .fs = sys_.fs,
                    .reg = sys_.reg,
                    .proc = sys_.proc,
                    .time = sys_.time,
                    .net = sys_.net,
                    .versions = sys_.versions,
                    .ini = sys_.ini,
                    .log = sys_.log,
                    .svc = sys_.svc,
                    .env = sys_.env,
                    .wait = sys_.wait};
  journaled_platform journal(headless);
  sqlca_ = std::make_unique<journal_transaction>(*connection_, sys_.log);
  w_server window(journal.sys, *sqlca_);
  window.open();
  sys_.log.line("open step done: " + window.title());
  const unattended_outcome outcome = unattended_install(window, answers, ui, sys_.log).run();
  const int status = exit_status(outcome.code);
  out_.write_line("server.exe: exit code " + std::to_string(status) +
                  (outcome.reason.empty() ? std::string(", installed") : ", " + outcome.reason));
  if (const std::string log = sys_.log.log_path(); !log.empty()) out_.write_line("install log: " + log);
  return status;
}

}  // namespace setup
