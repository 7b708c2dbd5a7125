// The application object `server`: it creates the process-wide objects, opens the window w_server,
// and ends when the window closes. Nothing the program reads is kept between runs; each run leaves a
// log for people (%TEMP%\server_setup_YYYYMMDD_HHMMSS.log, or the file of /log=FILE), never read back.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/console.h"
#include "platform/database.h"
#include "platform/platform.h"
#include "platform/ui.h"
#include "wizard/answer_file.h"

namespace setup {

inline constexpr std::string_view application_name = "server";

// The last run-time error; nothing in the program's own logic reads it.
struct error_object {
  long number = 0;
  std::string text;
};

// The carrier of an event's or a closed dialog's return value; nothing in the program's own logic reads it.
struct message_object {
  long number = 0;
  std::string string_parm;
};

// Shows a window and returns once it has closed (the Win32 view; in tests, a stand-in).
class window_host {
 public:
  virtual ~window_host() = default;
  virtual void run(ui::form& window) = 0;
};

class server_application {
 public:
  using connection_factory = std::function<std::unique_ptr<transaction>()>;

  // `arguments`: the command line's words after the program's name. `out`: the console the
  // unattended install and the usage write to (none: nowhere).
  server_application(platform& sys, connection_factory make_sqlca, window_host& host,
                     std::vector<std::string> arguments = {}, console* out = nullptr)
      : sys_(sys),
        make_sqlca_(std::move(make_sqlca)),
        host_(host),
        arguments_(std::move(arguments)),
        out_(out != nullptr ? *out : no_console_) {}

  // create, open, run until the window closes (or the unattended install ends), destroy. The exit
  // code: after the window 0; after /? 0; after the unattended install its exit_code
  // (wizard/unattended_install.h); 1 for a command line or an answer file that cannot be run, and when
  // a process-wide object cannot be created (the program does not start).
  int run();

  const std::string& appname() const { return appname_; }

 private:
  // Opens the run's log (`given`, or one of its own in %TEMP%) and writes what support asks first:
  // the program, its command line, the machine.
  void start_log(const std::string& given);
  // The unattended install of the answers: the window's open step and its pages, headless.
  int run_unattended(const install_answers& answers);
  void run_window();

  platform& sys_;
  connection_factory make_sqlca_;
  window_host& host_;
  std::vector<std::string> arguments_;
  no_console no_console_;
  console& out_;
  std::string appname_;
  std::unique_ptr<transaction> connection_;
  std::unique_ptr<transaction> sqlca_;  // the connection, journaled
  std::unique_ptr<error_object> error_;
  std::unique_ptr<message_object> message_;
};

}  // namespace setup
