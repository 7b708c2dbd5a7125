// of_delay(2000) on the real clock: at least 2000 ms of wall clock, and the processor left idle
// (target: under 40 ms of CPU time). Run with: ctest -L bench -V
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>

#include "platform/delay.h"

#ifdef _WIN32
#include "platform/win32/win32_api.h"
#include "platform/win32/win32_system.h"
#else
#include <sys/resource.h>

#include <thread>
#endif

namespace setup {
namespace {

#ifdef _WIN32
using real_clock = win32_clock;

double cpu_milliseconds() {
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  const auto ticks = [](FILETIME t) {
    return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
  };
  return static_cast<double>(ticks(kernel) + ticks(user)) / 10000.0;  // 100 ns units
}
#else
// The native build has no platform of its own; a steady clock stands in for the Windows one.
class real_clock final : public clock {
 public:
  std::int64_t MillisecondClock() override {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start_)
        .count();
  }
  void sleep_for(std::int64_t ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
  local_time local_now() override { return {}; }

 private:
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

double cpu_milliseconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec * 1000.0 + usage.ru_utime.tv_usec / 1000.0 + usage.ru_stime.tv_sec * 1000.0 +
         usage.ru_stime.tv_usec / 1000.0;
}
#endif

TEST(DelayBench, TwoSecondsOfWallClockWithTheProcessorIdle) {
  real_clock time;
  const double cpu_before = cpu_milliseconds();
  const auto wall_before = std::chrono::steady_clock::now();
  of_delay(waiting_in_place(), time, 2000);
  const double wall =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - wall_before).count();
  const double cpu = cpu_milliseconds() - cpu_before;
  std::printf("of_delay(2000): %.1f ms wall clock, %.1f ms CPU time\n", wall, cpu);
  EXPECT_GE(wall, 1990.0);  // the program's clock and this one tick at different instants
  EXPECT_LT(cpu, 40.0);
}

}  // namespace
}  // namespace setup
