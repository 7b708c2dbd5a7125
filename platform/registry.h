// The Windows registry, string values only.
//
// Views. Every key path means the key it spells: on 64-bit Windows a path without "Wow6432Node"
// reaches the 64-bit view and a path with it the 32-bit view, whichever the program is. The one
// exception is a write asked for with registry_view::wow64_32, which lands where a 32-bit program's
// write lands (the product's install mark, which the product's other 32-bit programs read). On
// 32-bit Windows both views are the same.
//
// Key paths are one text beginning with the root written out ("HKEY_LOCAL_MACHINE\SOFTWARE\...");
// a trailing backslash is ignored. Key and value names compare without regard to case.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace setup {

enum class registry_view { as_spelled, wow64_32 };
enum class registry_root { classes_root, current_user, local_machine, users, current_config };

// Registry value types, with the values Windows gives them.
inline constexpr std::uint32_t reg_sz = 1;
inline constexpr std::uint32_t reg_expand_sz = 2;
inline constexpr std::uint32_t reg_binary = 3;
inline constexpr std::uint32_t reg_dword = 4;
inline constexpr std::uint32_t reg_multi_sz = 7;

// A value as stored: its type and its data bytes, exactly as many as the registry holds.
struct raw_registry_value {
  std::uint32_t type = 0;
  std::string bytes;
};

// The text of REG_SZ / REG_EXPAND_SZ data: UTF-16LE up to the first zero character, or to the end
// when the data holds none (data need not be terminated); an odd last byte is dropped.
std::string registry_text(const raw_registry_value& value);

// Splits "HKEY_LOCAL_MACHINE\sub\key" into its root and sub-key; nullopt for an unknown root.
struct registry_key_path {
  registry_root root;
  std::string subkey;
};
std::optional<registry_key_path> parse_registry_key_path(std::string_view key_path);
std::optional<registry_root> parse_registry_root(std::string_view root_name);
// The root written out, as key paths begin: "HKEY_LOCAL_MACHINE".
std::string_view registry_root_name(registry_root root);

class registry {
 public:
  virtual ~registry() = default;

  // Status 1 and `value` when a REG_SZ or REG_EXPAND_SZ value (unexpanded) was read; -1 when the key
  // or the value is absent or of another type, `value` left untouched.
  int ReadRegistryString(std::string_view key_path, std::string_view value_name, std::string& value);
  // Writes a REG_SZ value, creating the key when absent: 1, or -1 when it cannot.
  int WriteRegistryString(std::string_view key_path, std::string_view value_name, std::string_view text,
                          registry_view view = registry_view::as_spelled);
  // Status 1 and the names of the key's values in the order the registry returns them; -1 when the key
  // cannot be read, `names` left untouched.
  int ListRegistryValueNames(std::string_view key_path, std::vector<std::string>& names);

  // The contracts of the registry support library used by the 64-bit discovery: the root is passed
  // by name ("HKEY_LOCAL_MACHINE") and the sub-key without it; `size` is the caller's buffer in
  // characters, terminating zero included.
  //
  // True when the string value exists and fits the buffer (at most size - 1 characters); `value`
  // then holds it. A longer value is not cut: the call answers false and leaves `value` untouched,
  // so the caller takes its fallback rather than a truncated path.
  bool GetRegStringValue(std::string_view root, std::string_view subkey, std::string_view value_name,
                         std::string& value, std::uint32_t size);
  // True when the key exists; `names` then holds the names of the key's values (the instance names
  // of "Instance Names\SQL" are value names) separated by line feeds, none after the last. Names
  // that would overflow the buffer are left out whole: only complete names are listed.
  bool GetRegEnumKey(std::string_view root, std::string_view subkey, std::string& names, std::uint32_t size);

 protected:
  virtual std::optional<raw_registry_value> read_value(registry_view view, registry_root root,
                                                       std::string_view subkey,
                                                       std::string_view value_name) = 0;
  // Stores `text` as REG_SZ with its terminating zero, creating the key when absent.
  virtual bool write_string(registry_view view, registry_root root, std::string_view subkey,
                            std::string_view value_name, std::string_view text) = 0;
  virtual std::optional<std::vector<std::string>> value_names(registry_view view, registry_root root,
                                                              std::string_view subkey) = 0;
};

}  // namespace setup
