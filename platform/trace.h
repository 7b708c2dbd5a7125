// The program's trace: one line per event, with its context (what was done, on which key, file or
// statement, and the system's code when it failed). The Windows program hands the lines to the
// debugger's output (OutputDebugStringW); the in-memory trace keeps them for tests to read.
//
// Secrets registered with the trace (passwords) are written as "***" wherever they stand in a line.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace setup {

class trace {
 public:
  virtual ~trace() = default;

  // Writes one line for one event, its secrets masked.
  void line(std::string_view text);
  // A text that must never appear in a line from now on; an empty one is ignored.
  void add_secret(std::string_view secret);

 protected:
  virtual void write(std::string_view masked_line) = 0;

 private:
  std::vector<std::string> secrets_;
};

// `text` with every occurrence of each secret replaced by "***", longer secrets first where two start
// at the same place.
std::string mask_secrets(std::string_view text, const std::vector<std::string>& secrets);

// A failure with its context, as the Windows wrappers trace it: "<what>: error <code>".
std::string failure_line(std::string_view what, unsigned long system_code);

}  // namespace setup
