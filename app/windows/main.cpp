// server.exe: the setup wizard's Windows program. It puts the Windows implementations of the platform
// and the ODBC connection together and runs the application.
#include <memory>
#include <string>
#include <vector>

#include "app/server_application.h"
#include "platform/odbc/odbc_transaction.h"
#include "platform/win32/view.h"
#include "platform/win32/win32_api.h"
#include "platform/win32/win32_console.h"
#include "platform/win32/win32_platform.h"

namespace {

// Shows the wizard's window through the Win32 view until it closes.
class view_host final : public setup::window_host {
 public:
  explicit view_host(setup::win32_platform& system) : system_(system) {}
  void run(setup::ui::form& window) override {
    setup::run_window(window, system_.dialogs, &system_.log, &system_.waiting);
  }

 private:
  setup::win32_platform& system_;
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> arguments;
  for (int i = 1; i < argc; ++i) arguments.push_back(setup::win32::narrow(argv[i]));
  setup::win32_platform system;
  view_host host(system);
  // Attached only when written to: the window alone never touches a console.
  setup::win32_console console;
  setup::server_application app(
      system.sys, [&system] { return std::make_unique<setup::odbc_transaction>(system.waiting); }, host,
      std::move(arguments), &console);
  return app.run();
}
