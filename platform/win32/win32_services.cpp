#include <algorithm>

#include "platform/win32/win32_api.h"
#include "platform/win32/win32_system.h"

namespace setup {
namespace {

using win32::unique_service_handle;
using win32::wide;

// The service opened with `access`; invalid, and the failure traced as `what`, when it cannot be.
unique_service_handle open_service(trace& log, std::string_view what, std::string_view name, DWORD access) {
  const unique_service_handle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
  if (!manager.valid()) {
    log.line(failure_line(std::string(what) + " \"" + std::string(name) + "\": open the service manager",
                          GetLastError()));
    return unique_service_handle();
  }
  unique_service_handle service(OpenServiceW(manager.get(), wide(name).c_str(), access));
  if (!service.valid()) {
    log.line(
        failure_line(std::string(what) + " \"" + std::string(name) + "\": open the service", GetLastError()));
  }
  return service;
}

}  // namespace

bool win32_services::SetServiceAccount(std::string_view service_name, std::string_view account) {
  const unique_service_handle service =
      open_service(log_, "set account of", service_name, SERVICE_CHANGE_CONFIG);
  if (!service.valid()) return false;
  // An empty password: the accounts this takes have none.
  if (!ChangeServiceConfigW(service.get(), SERVICE_NO_CHANGE, SERVICE_NO_CHANGE, SERVICE_NO_CHANGE, nullptr,
                            nullptr, nullptr, nullptr, wide(account).c_str(), L"", nullptr)) {
    log_.line(failure_line("set account of \"" + std::string(service_name) + "\" to " + std::string(account),
                           GetLastError()));
    return false;
  }
  return true;
}

std::optional<std::vector<std::string>> win32_services::RunningDependentServices(
    std::string_view service_name) {
  const unique_service_handle service =
      open_service(log_, "list dependents of", service_name, SERVICE_ENUMERATE_DEPENDENTS);
  if (!service.valid()) return std::nullopt;
  // The list may grow between the calls; a few rounds are enough for any real change.
  std::vector<unsigned char> buffer(4096);
  for (int round = 0; round < 4; ++round) {
    DWORD needed = 0;
    DWORD count = 0;
    if (EnumDependentServicesW(service.get(), SERVICE_ACTIVE,
                               reinterpret_cast<ENUM_SERVICE_STATUSW*>(buffer.data()),
                               static_cast<DWORD>(buffer.size()), &needed, &count)) {
      const auto* entries = reinterpret_cast<const ENUM_SERVICE_STATUSW*>(buffer.data());
      std::vector<std::string> names;
      for (DWORD i = 0; i < count; ++i) names.push_back(win32::narrow(entries[i].lpServiceName));
      // The system lists them in the order to stop them in.
      std::reverse(names.begin(), names.end());
      return names;
    }
    const DWORD error = GetLastError();
    if (error != ERROR_MORE_DATA) {
      log_.line(failure_line("list dependents of \"" + std::string(service_name) + "\"", error));
      return std::nullopt;
    }
    buffer.assign(needed, 0);
  }
  log_.line(failure_line("list dependents of \"" + std::string(service_name) + "\"", ERROR_MORE_DATA));
  return std::nullopt;
}

}  // namespace setup
