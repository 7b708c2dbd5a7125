// The Windows program's waiting: a long call runs on a worker while the calling thread goes on with its
// messages (a window of its own answers, a key is dropped), its notes come back to the calling thread,
// its exception comes out of run(), and calls made inside a call run in place.
#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/memory/memory_system.h"
#include "platform/win32/win32_waiting.h"

namespace setup {
namespace {

TEST(Win32Waiting, ACallRunsElsewhereWhileTheThreadHandlesItsMessages) {
  memory_trace log;
  win32_waiting wait(log);
  const DWORD caller = GetCurrentThreadId();
  DWORD call_thread = 0;
  DWORD note_thread = 0;
  bool inner_in_place = false;
  bool waiting_seen = false;

  // A key that comes while the call runs starts nothing: it is dropped.
  PostThreadMessageW(caller, WM_KEYDOWN, VK_RETURN, 0);
  wait.run([&] {
    call_thread = GetCurrentThreadId();
    wait.tell([&] {
      note_thread = GetCurrentThreadId();
      waiting_seen = wait.waiting_here();
    });
    wait.run([&] { inner_in_place = GetCurrentThreadId() == call_thread; });
    Sleep(300);
  });
  MSG left{};
  EXPECT_FALSE(PeekMessageW(&left, nullptr, WM_KEYDOWN, WM_KEYDOWN, PM_REMOVE)) << "the key was kept";

  EXPECT_NE(call_thread, caller);
  EXPECT_EQ(note_thread, caller);
  EXPECT_TRUE(waiting_seen);
  EXPECT_TRUE(inner_in_place);
  EXPECT_FALSE(wait.waiting_here());
  EXPECT_EQ(wait.run_returning([] { return 42; }), 42);
  EXPECT_THROW(wait.run([] { throw std::runtime_error("the call failed"); }), std::runtime_error);
  EXPECT_TRUE(log.lines().empty());
}

TEST(Win32Waiting, TheWindowAnswersWhileACallRuns) {
  memory_trace log;
  win32_waiting wait(log);
  const HWND window = CreateWindowExW(0, L"STATIC", L"waiting", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                                      nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(window, nullptr);
  int answered = 0;
  wait.run([&] {
    for (int i = 0; i < 5; ++i) {
      DWORD_PTR result = 0;
      // Sent from the worker: only a thread that handles its messages answers.
      if (SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 100, &result) != 0) ++answered;
      Sleep(50);
    }
  });
  DestroyWindow(window);
  EXPECT_EQ(answered, 5);
}

}  // namespace
}  // namespace setup
