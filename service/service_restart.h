// The restart that makes a new port take effect: the instance's service made to log on as the local
// system account where it does not, then the service and the SQL Server Browser stopped and started,
// then the services that depend on the instance's service and were running started again.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "model/wizard_context.h"

namespace setup {

// A status line's text while a stage waits: the stage's own text and the seconds left, rounded up.
std::string with_seconds_left(std::string_view text, std::int64_t milliseconds);

class service_restart {
 public:
  explicit service_restart(wizard_context& w) : w_(w) {}

  // The whole sequence for the instance is_ins_name, with its waits; each step runs whatever the one
  // before it did, and the progress is shown on the status line only: the stage's text and the seconds
  // its waits still take.
  void run();

 private:
  // The status line with the seconds left, unless it shows them already.
  void show(std::int64_t milliseconds_left);

  wizard_context& w_;
};

}  // namespace setup
