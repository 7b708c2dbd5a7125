// Every platform operation's in-memory double, owned together, as the Windows program owns the Win32
// ones (win32_platform.h): a machine for a test to lay out and inspect.
#pragma once

#include "platform/memory/memory_dialogs.h"
#include "platform/memory/memory_files.h"
#include "platform/memory/memory_registry.h"
#include "platform/memory/memory_system.h"
#include "platform/platform.h"

namespace setup {

struct memory_platform {
  explicit memory_platform(bool is_64bit_machine = true) : reg(is_64bit_machine) {}
  memory_platform(const memory_platform&) = delete;
  memory_platform& operator=(const memory_platform&) = delete;

  memory_dialogs ui;
  memory_files fs;
  memory_registry reg;
  memory_processes proc;
  memory_clock time;
  memory_network net;
  memory_file_versions versions;
  ini_profile ini{fs};
  memory_trace log;
  memory_services services;
  memory_environment env;
  platform sys{ui, fs, reg, proc, time, net, versions, ini, log, services, env, waiting_in_place()};
};

}  // namespace setup
