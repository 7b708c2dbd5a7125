#include "platform/memory/memory_system.h"

#include <regex>

#include "platform/text.h"

namespace setup {

bool memory_processes::StartProgram(std::string_view program_path) {
  started_.emplace_back(program_path);
  return !start_fails;
}

std::uint32_t memory_processes::RunWait(std::string_view command_line, int window_style) {
  runs_.push_back(run{std::string(command_line), window_style});
  if (answer) return answer(command_line);
  if (exit_codes.empty()) return 0;
  const std::uint32_t code = exit_codes.front();
  exit_codes.pop_front();
  return code;
}

std::optional<std::string> memory_environment::variable(std::string_view name) {
  for (const auto& [known, value] : variables) {
    if (equals_ignore_case_ascii(known, name)) return value;
  }
  return std::nullopt;
}

void memory_clock::sleep_for(std::int64_t milliseconds) {
  ++sleeps_;
  if (milliseconds > 0) {
    now += milliseconds;
    slept_ += milliseconds;
  }
}

int memory_network::start() {
  ++starts_;
  if (failing_starts > 0) {
    --failing_starts;
    return 10091;  // WSASYSNOTREADY
  }
  ++running_;
  return 0;
}

void memory_network::stop() {
  if (running_ > 0) --running_;
}

std::optional<std::vector<std::uint32_t>> memory_network::host_addresses(std::string_view host_name) {
  for (const auto& [name, addresses] : hosts) {
    if (equals_ignore_case_ascii(name, host_name)) return addresses;
  }
  return std::nullopt;
}

bool memory_network::TcpConnects(std::string_view ipv4_address, std::uint16_t port,
                                 std::int64_t timeout_milliseconds) {
  attempts_.push_back(connection_attempt{std::string(ipv4_address), port});
  const auto it = listening.find(port);
  if (it == listening.end()) return false;
  if (it->second == 0) return true;
  --it->second;
  return false;
}

memory_services::service* memory_services::find(std::string_view name) {
  for (service& s : installed) {
    if (equals_ignore_case_ascii(s.name, name)) return &s;
  }
  return nullptr;
}

std::uint32_t memory_services::net(std::string_view command_line) {
  static const std::regex command(R"re(net (stop|start) ("([^"]*)"|([^" ]+)) /y)re", std::regex::icase);
  std::match_results<std::string_view::const_iterator> m;
  if (!std::regex_match(command_line.begin(), command_line.end(), m, command)) return 2;
  service* s = find(m[3].matched ? m[3].str() : m[4].str());
  const bool stop = equals_ignore_case_ascii(m[1].str(), "stop");
  if (s == nullptr || s->running != stop) return 2;
  for (service& other : installed) {
    if (stop && equals_ignore_case_ascii(other.depends_on, s->name)) other.running = false;
  }
  s->running = !stop;
  return 0;
}

bool memory_services::SetServiceAccount(std::string_view service_name, std::string_view account) {
  service* s = find(service_name);
  if (s != nullptr) s->account = std::string(account);
  return s != nullptr;
}

std::optional<std::vector<std::string>> memory_services::RunningDependentServices(
    std::string_view service_name) {
  if (find(service_name) == nullptr) return std::nullopt;
  std::vector<std::string> names;
  for (const service& s : installed) {
    if (s.running && equals_ignore_case_ascii(s.depends_on, service_name)) names.push_back(s.name);
  }
  return names;
}

void memory_file_versions::set(std::string_view path, std::string version) {
  versions_[upper_ascii(path)] = std::move(version);
}

std::string memory_file_versions::FileVersion(std::string_view path) {
  const auto it = versions_.find(upper_ascii(path));
  return it == versions_.end() ? std::string() : it->second;
}

bool memory_trace::contains(std::string_view text) const {
  for (const std::string& line : lines_) {
    if (line.find(text) != std::string::npos) return true;
  }
  return false;
}

}  // namespace setup
