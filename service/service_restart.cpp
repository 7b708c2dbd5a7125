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
  if (instance_name == sql_registry::default_instance_name) return std::string(instance_name);
  return std::string(n::named_instance_service_prefix) + std::string(instance_name);
}

}  // namespace

void service_restart::command(const std::string& line, std::int64_t wait) {
  // A failed command changes nothing in the sequence; the journal keeps its exit code.
  w_.sys.proc.RunWait(line, window_hidden);
  of_delay(w_.sys.time, wait);
}

void service_restart::run() {
  registry& reg = w_.sys.reg;
  ui::control& status = w_.controls.st_disc;
  const std::string service = service_name_for(w_.state.is_ins_name);
  const std::string key = std::string(n::services_key) + service;
  std::string account;  // empty when it cannot be read
  reg.ReadRegistryString(key, n::logon_account, account);
  // Noted before anything stops: a stop of the service stops these with it.
  const std::vector<std::string> dependents =
      w_.sys.svc.RunningDependentServices(service).value_or(std::vector<std::string>());

  if (account != n::local_system) {
    w_.show(status, std::string(n::restarting_server));
    command(service_command(n::stop_service, service), n::wait_after_stop);
    // The manager keeps the account it started the service with; the registry alone would change it
    // only at the next boot. The registry is written too, but no key is made for a service not there.
    w_.sys.svc.SetServiceAccount(service, n::local_system);
    if (std::vector<std::string> names; reg.ListRegistryValueNames(key, names) == 1) {
      reg.WriteRegistryString(key, n::logon_account, n::local_system);
    }
    command(service_command(n::start_service, service), n::wait_after_logon_start);
  }

  w_.show(status, std::string(n::restarting_server));
  command(service_command(n::stop_service, service), n::wait_after_stop);
  command(std::string(n::stop_browser), n::wait_after_stop);
  command(service_command(n::start_service, service), n::wait_after_start);
  command(std::string(n::start_browser), n::wait_after_start);
  for (const std::string& dependent : dependents) {
    command(service_command(n::start_service, dependent), n::wait_after_start);
  }
}

}  // namespace setup
