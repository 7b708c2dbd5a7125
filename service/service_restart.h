// The restart that makes a new port take effect: the instance's service made to log on as the local
// system account where it does not, then the service and the SQL Server Browser stopped and started,
// then the services that depend on the instance's service and were running started again.
#pragma once

#include <cstdint>
#include <string>

#include "model/wizard_context.h"

namespace setup {

class service_restart {
 public:
  explicit service_restart(wizard_context& w) : w_(w) {}

  // The whole sequence for the instance is_ins_name, with its waits; each step runs whatever the one
  // before it did, and the progress is shown on the status line only.
  void run();

 private:
  // Runs a net command hidden, then waits.
  void command(const std::string& line, std::int64_t wait);

  wizard_context& w_;
};

}  // namespace setup
