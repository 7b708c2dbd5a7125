// UI automation of a Windows program under test, from another process: start it in a directory, find
// its window and the window's controls by their control IDs, read and drive them, read and answer its
// message boxes, and end it. Every wait is bounded and says what it waited for when it gives up; a
// started program is always ended, by its close box or else by force.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/win32/win32_api.h"

namespace setup::automation {

using std::chrono::milliseconds;

// Long enough for a cold wine process to show its window on a busy machine.
inline constexpr milliseconds default_timeout{20000};

// How often the waits look again.
inline constexpr milliseconds poll_interval{5};

// Polls `condition` every few milliseconds until it holds; fails with `what` after `timeout`.
testing::AssertionResult wait_until(const std::function<bool()>& condition, std::string_view what,
                                    milliseconds timeout = default_timeout);

// A window of the automated program: a control, a top-level window or a message box. A null handle
// (a control that was not found) reads as empty, hidden, disabled and unchecked.
class window {
 public:
  window() = default;
  explicit window(HWND hwnd) : hwnd_(hwnd) {}

  HWND hwnd() const { return hwnd_; }
  bool found() const { return hwnd_ != nullptr; }
  int id() const;
  std::string class_name() const;

  // The caption, or an edit's text.
  std::string text() const;
  // The window's own visible state, whatever its parents: a control on a page that is not shown keeps it.
  bool visible() const;
  // Visible on the screen: the window and every parent visible.
  bool shown() const;
  bool enabled() const;
  bool checked() const;
  // The push button that Enter presses.
  bool default_push_button() const;
  RECT screen_rect() const;
  // The window's rectangle in the client coordinates of `other` (its parent window, say).
  RECT rect_in(const window& other) const;
  // A picture control or a button shows a bitmap.
  bool has_image() const;
  // A drop-down's items, and the position of its selected one (from 1; 0: none).
  std::vector<std::string> items() const;
  int selection() const;

  // Clicks as the mouse would (BM_CLICK). Posted: a handler that opens a modal box cannot block us.
  void click() const;
  // Replaces the text as typing would: everything selected, then one character message per character.
  void type(std::string_view text) const;
  // Chooses a drop-down's item (from 1) as the mouse would, with the notice the list sends. Posted.
  void choose_item(int position) const;

 private:
  HWND hwnd_ = nullptr;
};

// A message box of the automated program (a system dialog).
class message_box : public window {
 public:
  message_box() = default;
  explicit message_box(HWND hwnd) : window(hwnd) {}

  std::string caption() const { return text(); }
  // The message, line feeds as the box shows them.
  std::string message() const;
  // The IDs of its buttons (IDOK, IDYES, IDNO...) in the order they appear.
  std::vector<int> buttons() const;
  // The ID of the button that Enter presses; 0 when there is none.
  int default_button() const;
  // Presses the button with that ID; false when the box has no such button.
  bool press(int button_id) const;
};

// A started program. Ending it (end() or the destructor) posts WM_CLOSE to its window, waits, and
// terminates it when it has not gone. The program and the programs it starts are in a job that ends
// them all when this object goes, or when the test process dies first.
class program {
 public:
  struct options {
    std::string executable;                                        // Windows path of the program
    std::string directory;                                         // its current directory
    std::vector<std::pair<std::string, std::string>> environment;  // added to ours
    std::string arguments;                                         // after the quoted program path
    bool keep_running = false;  // the program outlives this object: not ended, not in the job
  };

  program() = default;
  ~program() { end(); }
  program(const program&) = delete;
  program& operator=(const program&) = delete;

  // Starts the program; again once it has ended.
  testing::AssertionResult start(const options& how);
  // Follows a program that is already running, to wait for it and end it (or, with `keep_running`, to
  // drive it and leave it running).
  testing::AssertionResult attach(DWORD process_id, bool keep_running = false);
  bool running() const;
  DWORD process_id() const { return process_id_; }
  HANDLE process() const { return process_.get(); }

  // Waits until the program shows its main window (visible, top-level, owned by no other window)
  // and then until it waits for input, so that its open step has run.
  testing::AssertionResult wait_for_window(milliseconds timeout = default_timeout);
  // Only the first part of wait_for_window: the main window visible.
  testing::AssertionResult wait_for_visible_window(milliseconds timeout = default_timeout);
  window main_window() const { return window(main_window_); }

  // A control of the main window by its control ID, at any depth (the one nearest to the window when
  // several have it). A failure is recorded when there is none, and the result reads as a missing control.
  window control(int id) const;
  // As control(), without recording a failure.
  window find_control(int id) const;
  // Every top-level window of the program that is visible now.
  std::vector<HWND> visible_top_level_windows() const;

  // Clicks the main window's close box (the system command it sends), posted.
  void press_close_box() const;

  // Waits for a message box of the program.
  testing::AssertionResult wait_for_message_box(message_box& box, milliseconds timeout = default_timeout);
  // Waits for the program to end by itself; fails at once, naming it, if a message box shows first.
  testing::AssertionResult wait_for_exit(milliseconds timeout = default_timeout);
  DWORD exit_code() const;
  // Waits until the program and every program it started have ended.
  testing::AssertionResult wait_for_all_to_end(milliseconds timeout = default_timeout);
  // How many processes the program and the programs it started made, the program included; 0 when
  // that cannot be known.
  int processes_started() const;

  // Ends the program now: WM_CLOSE to its windows, then TerminateProcess after `grace`. True when it
  // closed on its own.
  bool end(milliseconds grace = milliseconds(5000));

 private:
  // The process ids and program files of what runs in the job.
  std::string programs_in_job() const;

  win32::unique_handle process_;
  win32::unique_handle job_;
  DWORD process_id_ = 0;
  HWND main_window_ = nullptr;
  bool keep_running_ = false;
};

}  // namespace setup::automation
