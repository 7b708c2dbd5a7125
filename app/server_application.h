// The application object `server`: it creates the process-wide objects, opens the window w_server,
// and ends when the window closes. Nothing is kept between runs and the command line is not read.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/database.h"
#include "platform/platform.h"
#include "platform/ui.h"

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

  server_application(platform& sys, connection_factory make_sqlca, window_host& host)
      : sys_(sys), make_sqlca_(std::move(make_sqlca)), host_(host) {}

  // create, open, run until the window closes, destroy. 0 after a normal run; 1 when a process-wide
  // object cannot be created (the program does not start).
  int run();

  const std::string& appname() const { return appname_; }

 private:
  platform& sys_;
  connection_factory make_sqlca_;
  window_host& host_;
  std::string appname_;
  std::unique_ptr<transaction> sqlca_;
  std::unique_ptr<error_object> error_;
  std::unique_ptr<message_object> message_;
};

}  // namespace setup
