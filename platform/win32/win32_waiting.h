// The Windows program's waiting: a long call runs on a worker thread of its own while the thread that
// called (the window's) goes on handling its messages, so that the window paints, answers the system and
// is never taken for one that hangs. The steps of the logic still run one after another: the calling
// thread returns to them only when the call has ended.
//
// While a call runs, no input reaches the windows of the calling thread: key and mouse messages of
// their client areas are dropped, so no click or key starts anything (the caption stays live: the
// window can be moved and minimised, and its close box reaches the view, which refuses it).
#pragma once

#include <atomic>

#include "platform/trace.h"
#include "platform/waiting.h"
#include "platform/win32/win32_api.h"

namespace setup {

class win32_waiting final : public waiting {
 public:
  explicit win32_waiting(trace& log) : log_(log) {}
  // Must go on the thread that waited (its window for the notes goes with it).
  ~win32_waiting() override;
  win32_waiting(const win32_waiting&) = delete;
  win32_waiting& operator=(const win32_waiting&) = delete;

  // A call made while one runs (from the worker, or from a note) runs where it is made; so does a call
  // when no thread can be started for it (traced).
  void run(const std::function<void()>& call) override;
  void tell(const std::function<void()>& note) override;

  // True while run() waits for a call on this thread: the window takes no input then.
  bool waiting_here() const;

 private:
  // The message-only window that runs the worker's notes on the waiting thread; made on first use.
  HWND notes_window();
  // Handles the calling thread's messages until `done` is signalled.
  void handle_messages_until(HANDLE done);

  trace& log_;
  HWND notes_ = nullptr;
  // The thread of the notes window, the one that waits, and the depth of its calls; read by the worker.
  std::atomic<DWORD> thread_{0};
  std::atomic<int> depth_{0};
};

}  // namespace setup
