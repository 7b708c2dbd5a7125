// The registry through advapi32: each primitive opens its key with KEY_WOW64_64KEY or
// KEY_WOW64_32KEY, and platform/registry.h applies the view rule on top. Every failure is traced with
// the key, the view, the value and the system's code.
#pragma once

#include "platform/registry.h"
#include "platform/trace.h"

namespace setup {

class win32_registry final : public registry {
 public:
  explicit win32_registry(trace& log) : log_(log) {}

 protected:
  std::optional<raw_registry_value> read_value(key_view view, registry_root root, std::string_view subkey,
                                               std::string_view value_name) override;
  bool write_value(key_view view, registry_root root, std::string_view subkey, std::string_view value_name,
                   const raw_registry_value& value) override;
  std::optional<std::vector<std::string>> value_names(key_view view, registry_root root,
                                                      std::string_view subkey) override;
  bool has_key(key_view view, registry_root root, std::string_view subkey) override;

 private:
  trace& log_;
};

}  // namespace setup
