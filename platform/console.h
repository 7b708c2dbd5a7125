// The console the program was started from, for the runs that report in text (the unattended install,
// the usage). The window never writes to it.
#pragma once

#include <string_view>

namespace setup {

class console {
 public:
  virtual ~console() = default;
  // Writes one line of UTF-8 text; a line feed inside it starts a new line. Nothing happens when the
  // program has no console and no redirected output.
  virtual void write_line(std::string_view text) = 0;
};

// Writes nowhere: the program started with no console to report to.
class no_console final : public console {
 public:
  void write_line(std::string_view) override {}
};

}  // namespace setup
