// A Windows machine with an install medium, built in memory, and the wizard's window on it.
#pragma once

#include <memory>
#include <string>

#include "platform/memory/memory_database.h"
#include "platform/memory/memory_dialogs.h"
#include "platform/memory/memory_files.h"
#include "platform/memory/memory_registry.h"
#include "platform/memory/memory_system.h"
#include "platform/platform.h"
#include "wizard/w_server.h"

namespace setup::test {

struct machine {
  memory_dialogs ui;
  memory_files fs;
  memory_registry reg{true};
  memory_processes proc;
  memory_clock time;
  memory_network net;
  memory_file_versions versions;
  ini_profile ini{fs};
  memory_trace log;
  memory_services services;
  platform sys{ui, fs, reg, proc, time, net, versions, ini, log, services};
  memory_transaction sqlca;

  // The install medium is the current directory, C:\setup.
  void setup_ini(const std::string& options) {
    fs.add_file("C:\\setup\\setup.ini", "[Options]\r\n" + options);
  }
  void setup_des(const std::string& oem) { fs.add_file("C:\\setup\\setup.des", "[oem]\r\n" + oem); }

  // The window after its open step.
  std::unique_ptr<w_server> open_window() {
    auto window = std::make_unique<w_server>(sys, sqlca);
    window->open();
    return window;
  }
};

}  // namespace setup::test
