// Every platform operation's Windows implementation, owned together for the program's run, on the thread
// of the window: the long calls keep that window answering while they run.
#pragma once

#include "platform/platform.h"
#include "platform/win32/win32_dialogs.h"
#include "platform/win32/win32_file_versions.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_system.h"
#include "platform/win32/win32_waiting.h"

namespace setup {

struct win32_platform {
  win32_trace log;
  win32_waiting waiting{log};
  win32_dialogs dialogs{log};
  win32_files files{log, waiting};
  win32_registry registry{log};
  win32_processes processes{log, waiting};
  win32_clock clock;
  win32_network network{log, waiting};
  win32_file_versions versions{log};
  ini_profile ini{files};
  win32_services services{log};
  win32_environment environment{log};
  platform sys{dialogs,  files, registry, processes, clock,       network,
               versions, ini,   log,      services,  environment, waiting};
};

}  // namespace setup
