// Windows services, through the Service Control Manager.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace setup {

class services {
 public:
  virtual ~services() = default;

  // Makes the service log on as `account`, an account that takes no password (a built-in one such as
  // "LocalSystem"), from its next start on. The Service Control Manager keeps the account in memory:
  // this is the change it uses, where a change of the registry alone waits for the next boot. True
  // when the change was made.
  virtual bool SetServiceAccount(std::string_view service_name, std::string_view account) = 0;
  // The running services that depend on the service, directly or through others, in an order they can
  // be started in (each after the ones it depends on); nullopt when the service cannot be asked.
  virtual std::optional<std::vector<std::string>> RunningDependentServices(std::string_view service_name) = 0;
};

}  // namespace setup
