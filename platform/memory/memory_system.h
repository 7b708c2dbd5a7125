// In-memory processes, clock, network and file versions for tests.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/file_versions.h"
#include "platform/network.h"
#include "platform/processes.h"
#include "platform/trace.h"

namespace setup {

// Records the programs started; RunWait answers exit codes from a script (0 when none is left).
class memory_processes final : public processes {
 public:
  struct run {
    std::string command_line;
    int window_style = 0;
  };
  std::deque<std::uint32_t> exit_codes;
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
  // Host names (compared without regard to case) and their addresses.
  std::map<std::string, std::vector<std::uint32_t>> hosts;
  // Number of start() calls that fail before one succeeds.
  int failing_starts = 0;

  int starts() const { return starts_; }
  int running() const { return running_; }

  int start() override;
  void stop() override;
  std::optional<std::vector<std::uint32_t>> host_addresses(std::string_view host_name) override;

 private:
  int starts_ = 0;
  int running_ = 0;
};

// File versions by path (compared without regard to case); other files have none.
class memory_file_versions final : public file_versions {
 public:
  void set(std::string_view path, std::string version);
  std::string FileVersion(std::string_view path) override;

 private:
  std::map<std::string, std::string> versions_;
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
