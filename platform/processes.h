// Starting other programs.
#pragma once

#include <cstdint>
#include <string_view>

namespace setup {

// Window styles of a started program (the values of SW_HIDE and SW_SHOWNORMAL).
inline constexpr int window_hidden = 0;
inline constexpr int window_normal = 1;

// RunWait's result when the command could not be started at all.
inline constexpr std::uint32_t run_failed = 0xFFFFFFFFu;

class processes {
 public:
  virtual ~processes() = default;

  // Starts the program file in a normal window and returns at once. The path (relative to the
  // current directory unless absolute) names the program and nothing else: it is quoted, so a path
  // with spaces cannot start another program. True when the process was created.
  virtual bool StartProgram(std::string_view program_path) = 0;
  // Runs a whole command line with the given window style and returns the exit code once the process
  // has ended, or run_failed. A bare program name at the start of the line (such as net) is taken
  // from the system directory, never from the current directory.
  virtual std::uint32_t RunWait(std::string_view command_line, int window_style) = 0;
};

}  // namespace setup
