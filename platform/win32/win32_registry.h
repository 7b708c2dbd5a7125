// The registry through advapi32, with the view rule of platform/registry.h: KEY_WOW64_64KEY on every
// open, KEY_WOW64_32KEY for the writes asked for in the 32-bit view.
#pragma once

#include "platform/registry.h"

namespace setup {

class win32_registry final : public registry {
 protected:
  std::optional<raw_registry_value> read_value(registry_view view, registry_root root,
                                               std::string_view subkey, std::string_view value_name) override;
  bool write_string(registry_view view, registry_root root, std::string_view subkey,
                    std::string_view value_name, std::string_view text) override;
  std::optional<std::vector<std::string>> value_names(registry_view view, registry_root root,
                                                      std::string_view subkey) override;
};

}  // namespace setup
