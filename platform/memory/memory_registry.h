// A registry in memory that keeps both views of a 64-bit machine (or the one view of a 32-bit
// machine), so tests can build any machine.
//
// The store is the machine's native view. On a 64-bit machine, a 32-bit view access to
// HKEY_LOCAL_MACHINE\SOFTWARE\X reaches HKEY_LOCAL_MACHINE\SOFTWARE\Wow6432Node\X, as the system's
// redirection does (a path that spells Wow6432Node is not redirected again); the set-up and inspection
// functions below always address the native view, so a test writes a 32-bit installation's keys with
// "Wow6432Node" spelled out.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry.h"

namespace setup {

class memory_registry final : public registry {
 public:
  explicit memory_registry(bool is_64bit_machine = true) : is_64bit_(is_64bit_machine) {}

  // Set-up, native view; keys are created as needed.
  void set_string(std::string_view key_path, std::string_view value_name, std::string_view text,
                  std::uint32_t type = reg_sz);
  void set_raw(std::string_view key_path, std::string_view value_name, std::uint32_t type, std::string bytes);
  void set_dword(std::string_view key_path, std::string_view value_name, std::uint32_t value) {
    set_raw(key_path, value_name, reg_dword, registry_dword(value).bytes);
  }
  void create_key(std::string_view key_path);
  // Writes under this key (and below it) fail, as without rights.
  void deny_writes(std::string_view key_path);

  // Inspection, native view.
  bool key_exists(std::string_view key_path) const;
  std::optional<raw_registry_value> raw_value(std::string_view key_path, std::string_view value_name) const;
  // The text of a string value; nullopt when absent or not a string.
  std::optional<std::string> string_value(std::string_view key_path, std::string_view value_name) const;
  // A DWORD value; nullopt when absent or of another type.
  std::optional<std::uint32_t> dword_value(std::string_view key_path, std::string_view value_name) const;

 protected:
  std::optional<raw_registry_value> read_value(key_view view, registry_root root, std::string_view subkey,
                                               std::string_view value_name) override;
  bool write_value(key_view view, registry_root root, std::string_view subkey, std::string_view value_name,
                   const raw_registry_value& value) override;
  std::optional<std::vector<std::string>> value_names(key_view view, registry_root root,
                                                      std::string_view subkey) override;
  bool has_key(key_view view, registry_root root, std::string_view subkey) override;

 private:
  struct value_entry {
    std::string name;
    raw_registry_value value;
  };
  struct key_entry {
    std::string path;                 // as first spelled
    std::vector<value_entry> values;  // in the order they were created
  };

  // Folded native path "ROOT\SUB\KEY" for a view access.
  std::string native_key(key_view view, registry_root root, std::string_view subkey) const;
  static std::string fold(std::string_view path);
  key_entry& ensure_key(const std::string& folded, std::string_view spelled);
  const key_entry* find_key(std::string_view key_path) const;
  void store(key_entry& key, std::string_view value_name, raw_registry_value value);

  bool is_64bit_;
  std::map<std::string, key_entry> keys_;  // by folded native path
  std::set<std::string> denied_;           // folded native key prefixes
};

}  // namespace setup
