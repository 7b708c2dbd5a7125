// The Windows registry: string values, and the DWORD values SQL Server keeps its switches in.
//
// Views. On 64-bit Windows a path with "Wow6432Node" reaches the 32-bit view. A path without it means
// the key it spells in the view that holds it, whatever the bitness of this program: a 32-bit SQL
// Server (every SQL Server 2000, and 32-bit 2005 to 2012) keeps the same paths in the 32-bit view.
// - Reads (ReadRegistryString, ListRegistryValueNames) look in the 64-bit view first and, when the
//   key or the value is not there, in the 32-bit view.
// - A write goes to the view where the value already is (the 64-bit one when both hold it); when
//   neither holds the value, to the view where the key is (64-bit first); a key that neither holds is
//   created in the 64-bit view. So a write guarded by a read lands where the read found the value.
// - A write asked for with registry_view::wow64_32 lands where a 32-bit program's write lands (the
//   product's install mark, which the product's other 32-bit programs read).
// - GetRegStringValue and GetRegEnumKey stay in the 64-bit view, as their contract says.
// On 32-bit Windows both views are the same.
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
// One of the two views, as the implementations open keys: KEY_WOW64_64KEY or KEY_WOW64_32KEY.
enum class key_view { view_64, view_32 };
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
// REG_SZ data: the text in UTF-16LE with its terminating zero.
raw_registry_value registry_string(std::string_view text);
// REG_DWORD data: four bytes, little-endian; and back, nullopt for another type or size.
raw_registry_value registry_dword(std::uint32_t value);
std::optional<std::uint32_t> registry_dword_of(const raw_registry_value& value);

// True when a component of the sub-key is "Wow6432Node" (in any case): the path names the 32-bit view.
bool names_32bit_view(std::string_view subkey);

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
  // Status 1 and `value` when a REG_DWORD value was read; -1 when absent or of another type.
  int ReadRegistryDword(std::string_view key_path, std::string_view value_name, std::uint32_t& value);
  // Writes a REG_DWORD value in the view the string writes would take: 1, or -1 when it cannot.
  int WriteRegistryDword(std::string_view key_path, std::string_view value_name, std::uint32_t value);
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
  // The primitives, in one view; a sub-key that spells "Wow6432Node" is opened as spelled.
  virtual std::optional<raw_registry_value> read_value(key_view view, registry_root root,
                                                       std::string_view subkey,
                                                       std::string_view value_name) = 0;
  // Stores the value (its type and bytes as given), creating the key when absent.
  virtual bool write_value(key_view view, registry_root root, std::string_view subkey,
                           std::string_view value_name, const raw_registry_value& value) = 0;
  virtual std::optional<std::vector<std::string>> value_names(key_view view, registry_root root,
                                                              std::string_view subkey) = 0;
  // Whether the key exists in that view; a probe, not a failure when it does not.
  virtual bool has_key(key_view view, registry_root root, std::string_view subkey) = 0;

 private:
  // The journal passes each primitive on to the registry it stands for.
  friend class journal_registry;

  // The views a read looks in, in order: the 64-bit one, then (for a path that does not name a view)
  // the 32-bit one.
  static std::vector<key_view> read_order(std::string_view subkey);
  // The write rule of WriteRegistryString for any value.
  int write(std::string_view key_path, std::string_view value_name, const raw_registry_value& value,
            registry_view view);
};

}  // namespace setup
