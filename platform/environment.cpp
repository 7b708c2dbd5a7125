#include "platform/environment.h"

namespace setup {

std::string describe(const machine_facts& facts) {
  std::string text =
      "Windows " + (facts.windows_version.empty() ? "(version unknown)" : facts.windows_version);
  text += facts.windows_server ? " (server), " : " (workstation), ";
  text += facts.windows_64bit ? "64-bit" : "32-bit";
  text += ", user " + (facts.user.empty() ? "(unknown)" : facts.user);
  if (!facts.elevated) return text + ", elevation unknown";
  return text + (*facts.elevated ? ", elevated" : ", not elevated");
}

}  // namespace setup
