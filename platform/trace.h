// The program's trace: one line per event, with its context (what was done, on which key, file or
// statement, and the system's code when it failed). The Windows program hands the lines to the
// debugger's output (OutputDebugStringW); the in-memory trace keeps them for tests to read. The lines
// can also be kept in a log file for people: time-stamped, UTF-8, never read back by the program.
//
// Secrets registered with the trace (passwords) are written as "***" wherever they stand in a line.
// Lines may come from any thread.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/byte_source.h"
#include "platform/clock.h"

namespace setup {

class trace {
 public:
  virtual ~trace() = default;

  // Writes one line for one event, its secrets masked and its line breaks written as " | ".
  void line(std::string_view text);
  // A text that must never appear in a line from now on; an empty one is ignored.
  void add_secret(std::string_view secret);

  // From now on every line is also written to `file` (named `path`, for the messages that point to
  // it), after the local time of `time`. The file starts with UTF-8's byte order mark, so that Notepad
  // reads it as UTF-8; lines end with CR LF; where a line names the file, the file reads "(this log)".
  // When a write fails the file is given up, and the program goes on without it.
  void keep_in(std::string path, std::unique_ptr<byte_sink> file, clock& time);
  // The log file's path; empty when there is none (never kept, or given up).
  std::string log_path() const;

 protected:
  virtual void write(std::string_view masked_line) = 0;

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> secrets_;
  std::string log_path_;
  std::unique_ptr<byte_sink> log_file_;
  clock* log_clock_ = nullptr;
};

// `text` with every occurrence of each secret replaced by "***", longer secrets first where two start
// at the same place.
std::string mask_secrets(std::string_view text, const std::vector<std::string>& secrets);

// A failure with its context, as the Windows wrappers trace it: "<what>: error <code>".
std::string failure_line(std::string_view what, unsigned long system_code);

// "2026-12-10 13:40:01.123", the time stamp of a log line.
std::string log_time_stamp(const local_time& time);

}  // namespace setup
