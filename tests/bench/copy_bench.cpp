// CopyFileReplacing of the file named by SETUP_COPY_BENCH_SOURCE to SETUP_COPY_BENCH_TARGET (Windows
// paths), timed: copy_bench.sh runs it beside cp of the same file and prints the ratio.
#include <gtest/gtest.h>

#ifdef _WIN32
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "platform/memory/memory_system.h"
#include "platform/win32/win32_system.h"

namespace setup {
namespace {

TEST(CopyBench, CopyFileReplacingOfTheGivenFile) {
  const char* source = std::getenv("SETUP_COPY_BENCH_SOURCE");
  const char* target = std::getenv("SETUP_COPY_BENCH_TARGET");
  if (source == nullptr || target == nullptr) GTEST_SKIP() << "run by copy_bench.sh";
  memory_trace log;
  win32_files fs{log};
  const auto began = std::chrono::steady_clock::now();
  ASSERT_EQ(fs.CopyFileReplacing(source, target), 1) << (log.lines().empty() ? "" : log.lines().back());
  const auto elapsed = std::chrono::steady_clock::now() - began;
  std::printf("[ copy ] CopyFileReplacing: %lld ms\n",
              static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count()));
}

}  // namespace
}  // namespace setup
#endif
