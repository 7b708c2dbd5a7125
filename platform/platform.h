// The operations the logic needs from the system, gathered. The Windows program passes the Win32
// implementations; tests pass the in-memory ones.
#pragma once

#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/environment.h"
#include "platform/file_versions.h"
#include "platform/files.h"
#include "platform/network.h"
#include "platform/processes.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "platform/services.h"
#include "platform/trace.h"
#include "platform/waiting.h"

namespace setup {

struct platform {
  dialogs& ui;
  files& fs;
  registry& reg;
  processes& proc;
  clock& time;
  network& net;
  file_versions& versions;
  profile& ini;
  trace& log;
  services& svc;
  environment& env;
  // How the long calls are waited for (the delay runs through it too).
  waiting& wait;
};

}  // namespace setup
