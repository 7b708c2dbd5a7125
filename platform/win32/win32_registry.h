// The registry through advapi32, with the view rule of platform/registry.h: KEY_WOW64_64KEY on every
// open, KEY_WOW64_32KEY for the writes asked for in the 32-bit view. Every failure is traced with the
// key, the value and the system's code.
#pragma once

#include "platform/registry.h"
#include "platform/trace.h"

namespace setup {

class win32_registry final : public registry {
 public:
  explicit win32_registry(trace& log) : log_(log) {}

 protected:
  std::optional<raw_registry_value> read_value(registry_view view, registry_root root,
                                               std::string_view subkey, std::string_view value_name) override;
  bool write_string(registry_view view, registry_root root, std::string_view subkey,
                    std::string_view value_name, std::string_view text) override;
  std::optional<std::vector<std::string>> value_names(registry_view view, registry_root root,
                                                      std::string_view subkey) override;

 private:
  trace& log_;
};

}  // namespace setup
