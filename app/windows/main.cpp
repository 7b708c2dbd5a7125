// server.exe: the setup wizard's Windows program. It puts the Windows implementations of the platform
// and the ODBC connection together and runs the application.
#include <memory>

#include "app/server_application.h"
#include "platform/odbc/odbc_transaction.h"
#include "platform/win32/view.h"
#include "platform/win32/win32_platform.h"

namespace {

// Shows the wizard's window through the Win32 view until it closes.
class view_host final : public setup::window_host {
 public:
  explicit view_host(setup::win32_dialogs& dialogs) : dialogs_(dialogs) {}
  void run(setup::ui::form& window) override { setup::run_window(window, dialogs_); }

 private:
  setup::win32_dialogs& dialogs_;
};

}  // namespace

int wmain() {
  setup::win32_platform system;
  view_host host(system.dialogs);
  setup::server_application app(
      system.sys, [] { return std::make_unique<setup::odbc_transaction>(); }, host);
  return app.run();
}
