// The automation from the command line, for scripts:
//   automate.exe start <folder> <program> [timeout ms]
//       starts the program with the folder as its current directory, waits until its window is shown
//       and waits for input, and prints "<process id> <left> <top> <width> <height>" (the window on the
//       screen, in pixels). The program keeps running.
//   automate.exe end <process id>
//       closes the program's window, or ends the program by force when it does not close; prints
//       "closed" or "terminated".
// Exit status 0 on success; otherwise 1 with the reason on stderr.
#include <cstdio>
#include <string>
#include <vector>

#include "tests/automation/automation.h"

namespace {

using setup::automation::milliseconds;
using setup::automation::program;

// A whole decimal number, or -1.
long long number(const std::string& text) {
  if (text.empty() || text.size() > 12 || text.find_first_not_of("0123456789") != std::string::npos)
    return -1;
  return std::stoll(text);
}

int fail(const std::string& reason) {
  std::fprintf(stderr, "automate: %s\n", reason.c_str());
  return 1;
}

int start(const std::string& folder, const std::string& executable, milliseconds timeout) {
  program app;
  program::options how;
  how.executable = executable;
  how.directory = folder;
  how.keep_running = true;
  testing::AssertionResult started = app.start(how);
  if (!started) return fail(started.message());
  testing::AssertionResult shown = app.wait_for_window(timeout);
  if (!shown) {
    program follow;
    if (follow.attach(app.process_id())) follow.end();
    return fail(shown.message());
  }
  const RECT r = app.main_window().screen_rect();
  std::printf("%lu %ld %ld %ld %ld\n", app.process_id(), r.left, r.top, r.right - r.left, r.bottom - r.top);
  return 0;
}

int end(DWORD process_id) {
  program app;
  testing::AssertionResult attached = app.attach(process_id);
  if (!attached) return fail(attached.message());
  // The window, if it has one, gets WM_CLOSE first.
  (void)app.wait_for_visible_window(milliseconds(2000));
  std::printf("%s\n", app.end() ? "closed" : "terminated");
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(setup::win32::narrow(argv[i]));
  if ((args.size() == 3 || args.size() == 4) && args[0] == "start") {
    const long long timeout = args.size() == 4 ? number(args[3]) : 60000;
    if (timeout >= 0) return start(args[1], args[2], milliseconds(timeout));
  }
  if (args.size() == 2 && args[0] == "end" && number(args[1]) >= 0) {
    return end(static_cast<DWORD>(number(args[1])));
  }
  return fail("usage: automate.exe start <folder> <program> [timeout ms] | end <process id>");
}
