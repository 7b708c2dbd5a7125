#include "platform/memory/memory_system.h"

#include "platform/text.h"

namespace setup {

bool memory_processes::StartProgram(std::string_view program_path) {
  started_.emplace_back(program_path);
  return !start_fails;
}

std::uint32_t memory_processes::RunWait(std::string_view command_line, int window_style) {
  runs_.push_back(run{std::string(command_line), window_style});
  if (exit_codes.empty()) return 0;
  const std::uint32_t code = exit_codes.front();
  exit_codes.pop_front();
  return code;
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
