// The wizard's waiting primitive.
#pragma once

#include <cstdint>

#include "platform/clock.h"

namespace setup {

// Returns once at least `milliseconds` of the clock have passed; 0 and negative values return at
// once. It sleeps in short steps rather than spinning, and processes no window messages.
void of_delay(clock& time, std::int64_t milliseconds);

}  // namespace setup
