#include "platform/delay.h"

#include <algorithm>

namespace setup {
namespace {
// Short enough that the wait ends close to its time, long enough to keep the processor idle.
constexpr std::int64_t step_milliseconds = 10;
}  // namespace

void of_delay(clock& time, std::int64_t milliseconds) {
  if (milliseconds < 1) return;
  const std::int64_t start = time.MillisecondClock();
  for (;;) {
    const std::int64_t elapsed = time.MillisecondClock() - start;
    if (elapsed >= milliseconds) return;
    time.sleep_for(std::min(step_milliseconds, milliseconds - elapsed));
  }
}

}  // namespace setup
