#include "service/service_restart.h"

#include <vector>

#include "model/sql_server_registry.h"
#include "platform/delay.h"
#include "service/service_names.h"

namespace setup {
namespace {

namespace n = service_names;

std::string service_command(std::string_view verb, std::string_view service) {
  return std::string(verb) + std::string(service) + std::string(n::service_command_end);
}

// The default instance's service has its name; a named one's, the prefix before the name (the
// comparison is exact: "mssqlserver" is a named instance).
std::string service_name_for(std::string_view instance_name) {
  // No name: the instance whose keys were read without one, the default instance.
  if (instance_name.empty()) return std::string(sql_registry::default_instance_name);
  if (instance_name == sql_registry::default_instance_name) return std::string(instance_name);
  return std::string(n::named_instance_service_prefix) + std::string(instance_name);
}

}  // namespace

std::string with_seconds_left(std::string_view text, std::int64_t milliseconds) {
  return std::string(text) + std::string(n::seconds_left_before) +
         std::to_string((milliseconds + 999) / 1000) + std::string(n::seconds_left_after);
}

void service_restart::show(std::int64_t milliseconds_left) {
  std::string text = with_seconds_left(n::restarting_server, milliseconds_left);
  if (w_.controls.st_disc.text() != text) w_.controls.st_disc.set_text(std::move(text));
}

void service_restart::run() {
  registry& reg = w_.sys.reg;
  const std::string service = service_name_for(w_.state.is_ins_name);
  const std::string key = std::string(n::services_key) + service;
  std::string account;  // empty when it cannot be read
  reg.ReadRegistryString(key, n::logon_account, account);
  // Noted before anything stops: a stop of the service stops these with it.
  const std::vector<std::string> dependents =
      w_.sys.svc.RunningDependentServices(service).value_or(std::vector<std::string>());

  // Each step: a net command run hidden, then its wait.
  struct step {
    std::string command;
    std::int64_t wait;
    bool logon_fixed_first = false;
  };
  std::vector<step> steps;
  if (account != n::local_system) {
    steps.push_back({service_command(n::stop_service, service), n::wait_after_stop});
    steps.push_back({service_command(n::start_service, service), n::wait_after_logon_start, true});
  }
  steps.push_back({service_command(n::stop_service, service), n::wait_after_stop});
  steps.push_back({std::string(n::stop_browser), n::wait_after_stop});
  steps.push_back({service_command(n::start_service, service), n::wait_after_start});
  steps.push_back({std::string(n::start_browser), n::wait_after_start});
  for (const std::string& dependent : dependents) {
    steps.push_back({service_command(n::start_service, dependent), n::wait_after_start});
  }

  std::int64_t left = 0;
  for (const step& s : steps) left += s.wait;
  for (const step& s : steps) {
    if (s.logon_fixed_first) {
      // The manager keeps the account it started the service with; the registry alone would change it
      // only at the next boot. The registry is written too, but no key is made for a service not there.
      w_.sys.svc.SetServiceAccount(service, n::local_system);
      if (std::vector<std::string> names; reg.ListRegistryValueNames(key, names) == 1) {
        reg.WriteRegistryString(key, n::logon_account, n::local_system);
      }
    }
    // Each command's stage goes to the log; the seconds counted down do not.
    w_.show(w_.controls.st_disc, with_seconds_left(n::restarting_server, left));
    // A failed command changes nothing in the sequence; the journal keeps its exit code.
    w_.sys.proc.RunWait(s.command, window_hidden);
    left -= s.wait;
    of_delay(w_.sys.wait, w_.sys.time, s.wait, [&](std::int64_t wait_left) { show(left + wait_left); });
  }
}

}  // namespace setup
