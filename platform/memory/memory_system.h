// In-memory processes, clock, network and file versions for tests.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/environment.h"
#include "platform/file_versions.h"
#include "platform/network.h"
#include "platform/processes.h"
#include "platform/services.h"
#include "platform/trace.h"

namespace setup {

// Records the programs started; RunWait answers exit codes from a script (0 when none is left), or
// from `answer` when it is set.
class memory_processes final : public processes {
 public:
  struct run {
    std::string command_line;
    int window_style = 0;
  };
  std::deque<std::uint32_t> exit_codes;
  std::function<std::uint32_t(std::string_view command_line)> answer;
  bool start_fails = false;

  const std::vector<std::string>& started() const { return started_; }
  const std::vector<run>& runs() const { return runs_; }

  bool StartProgram(std::string_view program_path) override;
  std::uint32_t RunWait(std::string_view command_line, int window_style) override;

 private:
  std::vector<std::string> started_;
  std::vector<run> runs_;
};

// A clock that moves only when slept on (or advanced by the test), so waits take no real time.
class memory_clock final : public clock {
 public:
  std::int64_t now = 0;
  calendar_date today{2026, 12, 9};
  int hour = 10;
  int minute = 30;
  int second = 5;
  // Milliseconds added by every reading, to model a clock that runs while the program works.
  std::int64_t advance_per_reading = 0;

  std::int64_t slept() const { return slept_; }
  int sleeps() const { return sleeps_; }

  std::int64_t MillisecondClock() override {
    const std::int64_t reading = now;
    now += advance_per_reading;
    return reading;
  }
  void sleep_for(std::int64_t milliseconds) override;
  local_time local_now() override { return {today, hour, minute, second}; }

 private:
  std::int64_t slept_ = 0;
  int sleeps_ = 0;
};

class memory_network final : public network {
 public:
  struct connection_attempt {
    std::string address;
    std::uint16_t port = 0;
  };
  // Host names (compared without regard to case) and their addresses.
  std::map<std::string, std::vector<std::uint32_t>> hosts;
  // Number of start() calls that fail before one succeeds.
  int failing_starts = 0;
  // The ports that accept connections, each with the number of attempts it refuses first.
  std::map<std::uint16_t, int> listening;

  int starts() const { return starts_; }
  int running() const { return running_; }
  const std::vector<connection_attempt>& attempts() const { return attempts_; }

  int start() override;
  void stop() override;
  std::optional<std::vector<std::uint32_t>> host_addresses(std::string_view host_name) override;
  bool TcpConnects(std::string_view ipv4_address, std::uint16_t port,
                   std::int64_t timeout_milliseconds) override;

 private:
  int starts_ = 0;
  int running_ = 0;
  std::vector<connection_attempt> attempts_;
};

// The services of a machine as the Service Control Manager holds them, and what the net command does
// to them. Dependencies are direct only: no service here depends on a dependent of another.
class memory_services final : public services {
 public:
  struct service {
    std::string name;
    std::string account = "LocalSystem";  // as the manager holds it, apart from the registry
    bool running = false;
    std::string depends_on;
  };
  std::vector<service> installed;

  // Null when no such service is installed (names compare without regard to case).
  service* find(std::string_view name);
  // What "net stop NAME /y" and "net start NAME /y" do, the name quoted or not: a stop stops the
  // running dependents too. Exit code 0, or net's 2 for an unknown service, one already in that state,
  // or another command line.
  std::uint32_t net(std::string_view command_line);

  bool SetServiceAccount(std::string_view service_name, std::string_view account) override;
  std::optional<std::vector<std::string>> RunningDependentServices(std::string_view service_name) override;
};

// File versions by path (compared without regard to case); other files have none.
class memory_file_versions final : public file_versions {
 public:
  void set(std::string_view path, std::string version);
  std::string FileVersion(std::string_view path) override;

 private:
  std::map<std::string, std::string> versions_;
};

// A machine's facts, its temporary folder and its environment variables (names compared without
// regard to case), as the test sets them.
class memory_environment final : public environment {
 public:
  machine_facts facts{"10.0 build 19045", false, true, "technician", true};
  std::string temp = "C:\\Users\\technician\\AppData\\Local\\Temp";
  std::map<std::string, std::string> variables;

  machine_facts machine() override { return facts; }
  std::string temporary_folder() override { return temp; }
  std::optional<std::string> variable(std::string_view name) override;
};

// Keeps every line, secrets masked, for the test to read.
class memory_trace final : public trace {
 public:
  const std::vector<std::string>& lines() const { return lines_; }
  // True when some line contains `text`.
  bool contains(std::string_view text) const;

 protected:
  void write(std::string_view masked_line) override { lines_.emplace_back(masked_line); }

 private:
  std::vector<std::string> lines_;
};

}  // namespace setup
