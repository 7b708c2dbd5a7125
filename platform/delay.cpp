#include "platform/delay.h"

#include <algorithm>

namespace setup {
namespace {
// Short enough that the wait ends close to its time, long enough to keep the processor idle.
constexpr std::int64_t step_milliseconds = 10;

std::int64_t whole_seconds(std::int64_t milliseconds) {
  return (milliseconds + 999) / 1000;
}
}  // namespace

void of_delay(waiting& wait, clock& time, std::int64_t milliseconds, const delay_progress& progress) {
  if (milliseconds < 1) return;
  wait.run([&] {
    const std::int64_t start = time.MillisecondClock();
    std::int64_t seconds_told = 0;
    for (;;) {
      const std::int64_t left = milliseconds - (time.MillisecondClock() - start);
      if (left <= 0) return;
      if (progress && (seconds_told == 0 || whole_seconds(left) < seconds_told)) {
        seconds_told = whole_seconds(left);
        wait.tell([&] { progress(left); });
      }
      time.sleep_for(std::min(step_milliseconds, left));
    }
  });
}

}  // namespace setup
