// A Windows machine with an install medium, built in memory, and the wizard's window on it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/journal.h"
#include "platform/memory/memory_database.h"
#include "platform/memory/memory_platform.h"
#include "tests/discovery/sql_machine.h"
#include "wizard/w_server.h"

namespace setup::test {

// Every text a label attached to it is given, in order (a status line's stages and progress).
struct label_recorder final : ui::control_observer {
  std::vector<std::string> texts;
  void control_changed(ui::control& c, ui::change what) override {
    if (what == ui::change::text) texts.push_back(c.text());
  }
};

// 64-bit Windows unless asked otherwise; SQL Servers are added as in the discovery tests.
struct machine : sql_server_machine {
  explicit machine(bool windows_64bit = true) : sql_server_machine(windows_64bit) {}

  memory_transaction sqlca;
  // The window works through the journal, as in the program: the trace holds its log's lines.
  journaled_platform journal{sys};
  journal_transaction logged_sqlca{sqlca, log};

  // The install medium is the current directory, C:\setup.
  void setup_ini(const std::string& options) {
    fs.add_file("C:\\setup\\setup.ini", "[Options]\r\n" + options);
  }
  void setup_des(const std::string& oem) { fs.add_file("C:\\setup\\setup.des", "[oem]\r\n" + oem); }

  // The window after its open step.
  std::unique_ptr<w_server> open_window() {
    auto window = std::make_unique<w_server>(journal.sys, logged_sqlca);
    window->open();
    return window;
  }
};

}  // namespace setup::test
