// The wizard's waiting primitive.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/clock.h"
#include "platform/waiting.h"

namespace setup {

// Told how long a delay still lasts, in milliseconds (more than 0), on the thread that waits.
using delay_progress = std::function<void(std::int64_t milliseconds_left)>;

// Returns once at least `milliseconds` of the clock have passed; 0 and negative values return at
// once. It sleeps in short steps rather than spinning, through `wait` (so that the Windows program's
// window goes on answering meanwhile). `progress`, when given, hears the time left at the start and
// each time its whole seconds (rounded up) go down.
void of_delay(waiting& wait, clock& time, std::int64_t milliseconds, const delay_progress& progress = {});

}  // namespace setup
