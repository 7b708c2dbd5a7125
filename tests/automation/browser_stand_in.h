// Stands in for the system browser while a test runs: the prefix's association of "https" addresses
// points at browser_recorder.exe, which writes each address it is asked to open to a log file named
// in its environment. The previous association comes back when the object goes.
//
// A program that opens an address through the shell (ShellExecute) thus leaves a line in the log
// instead of starting a browser; the program under test is unchanged and unaware.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/automation/automation.h"

namespace setup::automation {

// The environment variable that names the recorder's log; give it to the program under test.
inline constexpr const char* url_log_variable = "SETUP_TEST_URL_LOG";

class browser_stand_in {
 public:
  // `recorder` is the Windows path of browser_recorder.exe; `log` the file it writes.
  browser_stand_in(std::string recorder, std::string log);
  ~browser_stand_in();
  browser_stand_in(const browser_stand_in&) = delete;
  browser_stand_in& operator=(const browser_stand_in&) = delete;

  testing::AssertionResult installed() const;
  // The environment entry to start the program under test with.
  std::pair<std::string, std::string> environment() const { return {url_log_variable, log_}; }

  // The addresses recorded so far, in order. Every address a program asked for is here once the
  // program and everything it started have ended (program::wait_for_all_to_end).
  std::vector<std::string> addresses() const;

 private:
  std::string log_;
  std::wstring previous_command_;
  bool had_previous_ = false;
  bool installed_ = false;
  std::string error_;
};

}  // namespace setup::automation
