#include "platform/win32/win32_waiting.h"

#include <exception>

namespace setup {
namespace {

constexpr wchar_t notes_class[] = L"ServerSetupWaitingNotes";
// Sent by the worker to the notes window: lparam is the note_call to run.
constexpr UINT message_note = WM_APP + 1;

struct note_call {
  const std::function<void()>& note;
  std::exception_ptr failure;
};

struct job {
  const std::function<void()>& call;
  std::exception_ptr failure;
};

DWORD WINAPI run_job(LPVOID data) {
  auto& j = *static_cast<job*>(data);
  try {
    j.call();
  } catch (...) {
    j.failure = std::current_exception();
  }
  return 0;
}

LRESULT CALLBACK notes_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message != message_note) return DefWindowProcW(window, message, wparam, lparam);
  auto& n = *reinterpret_cast<note_call*>(lparam);
  // Nothing may unwind through the system's code: the failure goes back to the worker.
  try {
    n.note();
  } catch (...) {
    n.failure = std::current_exception();
  }
  return 0;
}

// Input that could start something: keys, and the mouse in client areas.
bool is_input(UINT message) {
  return (message >= WM_KEYFIRST && message <= WM_KEYLAST) ||
         (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) || message == WM_INPUT;
}

class depth_counted {
 public:
  explicit depth_counted(std::atomic<int>& depth) : depth_(depth) { ++depth_; }
  ~depth_counted() { --depth_; }
  depth_counted(const depth_counted&) = delete;
  depth_counted& operator=(const depth_counted&) = delete;

 private:
  std::atomic<int>& depth_;
};

}  // namespace

win32_waiting::~win32_waiting() {
  if (notes_ != nullptr) DestroyWindow(notes_);
}

bool win32_waiting::waiting_here() const {
  return depth_.load() > 0 && thread_.load() == GetCurrentThreadId();
}

HWND win32_waiting::notes_window() {
  if (notes_ != nullptr) return notes_;
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = notes_procedure;
  window_class.hInstance = instance;
  window_class.lpszClassName = notes_class;
  if (RegisterClassExW(&window_class) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    log_.line(failure_line("wait: register the notes window class", GetLastError()));
    return nullptr;
  }
  notes_ = CreateWindowExW(0, notes_class, nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr);
  if (notes_ == nullptr) {
    log_.line(failure_line("wait: make the notes window", GetLastError()));
    return nullptr;
  }
  thread_ = GetCurrentThreadId();
  return notes_;
}

void win32_waiting::run(const std::function<void()>& call) {
  // One call at a time, waited for by the thread of the notes window.
  if (depth_.load() > 0 || (notes_ != nullptr && thread_.load() != GetCurrentThreadId()) ||
      notes_window() == nullptr) {
    call();
    return;
  }
  const depth_counted counted(depth_);
  job j{call, nullptr};
  const HANDLE worker = CreateThread(nullptr, 0, run_job, &j, 0, nullptr);
  if (worker == nullptr) {
    log_.line(failure_line("wait: start a thread for a long call", GetLastError()));
    call();
    return;
  }
  handle_messages_until(worker);
  CloseHandle(worker);
  if (j.failure) std::rethrow_exception(j.failure);
}

void win32_waiting::tell(const std::function<void()>& note) {
  if (depth_.load() == 0 || thread_.load() == GetCurrentThreadId()) {
    note();
    return;
  }
  note_call n{note, nullptr};
  // Handled by the waiting thread in whatever message loop it is in, its own or a system one (a window
  // being moved).
  SendMessageW(notes_, message_note, 0, reinterpret_cast<LPARAM>(&n));
  if (n.failure) std::rethrow_exception(n.failure);
}

void win32_waiting::handle_messages_until(HANDLE done) {
  bool quit = false;
  WPARAM quit_code = 0;
  for (;;) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) {
        // For the loop the waiting handler returns to.
        quit = true;
        quit_code = message.wParam;
        continue;
      }
      if (is_input(message.message)) continue;
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    // The queue is looked at once more after the call has ended, so that what came during it is
    // handled (or dropped) as during it.
    if (WaitForSingleObject(done, 0) == WAIT_OBJECT_0) break;
    MsgWaitForMultipleObjectsEx(1, &done, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  }
  if (quit) PostQuitMessage(static_cast<int>(quit_code));
}

}  // namespace setup
