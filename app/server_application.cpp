#include "app/server_application.h"

#include "wizard/w_server.h"

namespace setup {

int server_application::run() {
  // create
  sys_.log.line("server started");
  appname_ = std::string(application_name);
  sqlca_ = make_sqlca_ ? make_sqlca_() : nullptr;
  if (!sqlca_) return 1;
  error_ = std::make_unique<error_object>();
  message_ = std::make_unique<message_object>();

  // open: the window's open step, then the window is shown until it closes.
  {
    w_server window(sys_, *sqlca_);
    window.open();
    sys_.log.line("open step done: " + window.title());
    host_.run(window);
  }

  // destroy
  message_.reset();
  error_.reset();
  if (sqlca_->connected()) sqlca_->disconnect();
  sqlca_.reset();
  return 0;
}

}  // namespace setup
