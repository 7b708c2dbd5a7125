// The automation from the command line, for scripts:
//   automate.exe start <folder> <program> [timeout ms]
//       starts the program with the folder as its current directory, waits until its window is shown
//       and waits for input, and prints "<process id> <left> <top> <width> <height>" (the window on the
//       screen, in pixels). The program keeps running.
//   automate.exe end <process id>
//       closes the program's window, or ends the program by force when it does not close; prints
//       "closed" or "terminated".
// For the setup wizard's window (its controls by their IDs, model/control_ids.h):
//   automate.exe click <process id> <control id>      clicks the control (it must be shown and enabled)
//   automate.exe type <process id> <control id> <text> types into the control
//   automate.exe state <process id>                   prints the page shown: "name: text" per control on
//                                                      the screen, "(disabled)" after a disabled one
//   automate.exe box <process id> [timeout ms]        waits for a message box and prints
//                                                      "[caption] text" (line feeds as " / ")
//   automate.exe answer <process id> ok|yes|no         presses that button of the box shown
// Exit status 0 on success; otherwise 1 with the reason on stderr.
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "model/control_ids.h"
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

// The wizard's controls in declaration order, by name.
struct named_control {
  const char* name;
  int id;
  setup::ui::control_kind kind;
};
const named_control wizard_controls[] = {
#define SETUP_NAMED_CONTROL(n, pg, k, i, ...) {#n, i, setup::ui::control_kind::k},
    SETUP_W_SERVER_CONTROLS(SETUP_NAMED_CONTROL)
#undef SETUP_NAMED_CONTROL
};

int with_window(DWORD process_id, const std::function<int(program&)>& act) {
  program app;
  testing::AssertionResult attached = app.attach(process_id, /*keep_running=*/true);
  if (!attached) return fail(attached.message());
  if (testing::AssertionResult shown = app.wait_for_visible_window(milliseconds(10000)); !shown) {
    return fail(shown.message());
  }
  return act(app);
}

int click(DWORD process_id, int id) {
  return with_window(process_id, [id](program& app) {
    const setup::automation::window w = app.find_control(id);
    if (!w.shown() || !w.enabled())
      return fail("control " + std::to_string(id) + " is not shown and enabled");
    w.click();
    return 0;
  });
}

int type(DWORD process_id, int id, const std::string& text) {
  return with_window(process_id, [&](program& app) {
    const setup::automation::window w = app.find_control(id);
    if (!w.shown() || !w.enabled())
      return fail("control " + std::to_string(id) + " is not shown and enabled");
    w.type(text);
    return 0;
  });
}

std::string one_line(std::string text) {
  for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at))
    text.replace(at, 1, " / ");
  return text;
}

int state(DWORD process_id) {
  return with_window(process_id, [](program& app) {
    std::printf("[%s]\n", app.main_window().text().c_str());
    for (const named_control& c : wizard_controls) {
      const setup::automation::window w = app.find_control(c.id);
      if (!w.shown()) continue;
      const std::string text = one_line(w.text());
      // Pictures, lines and pages have no text; passwords are not shown.
      using setup::ui::control_kind;
      if (c.kind == control_kind::picture || c.kind == control_kind::line || c.kind == control_kind::page ||
          c.kind == control_kind::password_edit || (c.kind == control_kind::frame && text.empty())) {
        continue;
      }
      std::printf("  %s: %s%s\n", c.name, text.c_str(), w.enabled() ? "" : " (disabled)");
    }
    return 0;
  });
}

int box(DWORD process_id, milliseconds timeout) {
  return with_window(process_id, [timeout](program& app) {
    setup::automation::message_box shown;
    if (testing::AssertionResult there = app.wait_for_message_box(shown, timeout); !there) {
      return fail(there.message());
    }
    std::printf("[%s] %s\n", shown.caption().c_str(), one_line(shown.message()).c_str());
    return 0;
  });
}

int answer(DWORD process_id, const std::string& button) {
  const int id = button == "ok" ? IDOK : button == "yes" ? IDYES : button == "no" ? IDNO : 0;
  if (id == 0) return fail("answer ok, yes or no");
  return with_window(process_id, [id](program& app) {
    setup::automation::message_box shown;
    if (testing::AssertionResult there = app.wait_for_message_box(shown); !there)
      return fail(there.message());
    return shown.press(id) ? 0 : fail("the box has no such button");
  });
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(setup::win32::narrow(argv[i]));
  if ((args.size() == 3 || args.size() == 4) && args[0] == "start") {
    const long long timeout = args.size() == 4 ? number(args[3]) : 60000;
    if (timeout >= 0) return start(args[1], args[2], milliseconds(timeout));
  }
  const DWORD pid = args.size() >= 2 && number(args[1]) >= 0 ? static_cast<DWORD>(number(args[1])) : 0;
  if (args.size() == 2 && args[0] == "end" && pid != 0) return end(pid);
  if (args.size() == 3 && args[0] == "click" && pid != 0 && number(args[2]) > 0) {
    return click(pid, static_cast<int>(number(args[2])));
  }
  if (args.size() == 4 && args[0] == "type" && pid != 0 && number(args[2]) > 0) {
    return type(pid, static_cast<int>(number(args[2])), args[3]);
  }
  if (args.size() == 2 && args[0] == "state" && pid != 0) return state(pid);
  if ((args.size() == 2 || args.size() == 3) && args[0] == "box" && pid != 0) {
    const long long timeout = args.size() == 3 ? number(args[2]) : 60000;
    if (timeout >= 0) return box(pid, milliseconds(timeout));
  }
  if (args.size() == 3 && args[0] == "answer" && pid != 0) return answer(pid, args[2]);
  return fail(
      "usage: automate.exe start <folder> <program> [timeout ms] | end <pid> | click <pid> <id> | "
      "type <pid> <id> <text> | state <pid> | box <pid> [timeout ms] | answer <pid> ok|yes|no");
}
