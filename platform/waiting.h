// How the platform waits for a call that blocks for long: a statement on the server, the backup's copy,
// a command run to its end, a delay. The logic runs one step after another and never sees the difference:
// the Windows program keeps its window painting and answering the system while such a call runs
// (platform/win32/win32_waiting.h); the tests and the native tools run every call where it is made.
#pragma once

#include <functional>
#include <optional>
#include <utility>

namespace setup {

class waiting {
 public:
  virtual ~waiting() = default;

  // Runs `call` to its end and returns then, on the thread that called (an exception of the call comes
  // out here). The call may run elsewhere meanwhile, so it must leave the window's objects alone: what it
  // has to show goes through tell().
  virtual void run(const std::function<void()>& call) = 0;
  // From inside a call that run() runs: runs `note` on the thread that called run(), and returns once it
  // has run. Elsewhere it runs `note` at once.
  virtual void tell(const std::function<void()>& note) = 0;

  // run() for a call that returns a value.
  template <typename call_type>
  auto run_returning(call_type&& call) {
    std::optional<decltype(call())> result;
    run([&] { result.emplace(call()); });
    return std::move(*result);
  }
};

// Runs every call and note where it is made, on the calling thread.
waiting& waiting_in_place();

}  // namespace setup
