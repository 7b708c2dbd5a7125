#include "platform/registry.h"

#include <array>
#include <utility>

#include "platform/text.h"

namespace setup {
namespace {

constexpr std::array<std::pair<std::string_view, registry_root>, 5> root_names{{
    {"HKEY_CLASSES_ROOT", registry_root::classes_root},
    {"HKEY_CURRENT_USER", registry_root::current_user},
    {"HKEY_LOCAL_MACHINE", registry_root::local_machine},
    {"HKEY_USERS", registry_root::users},
    {"HKEY_CURRENT_CONFIG", registry_root::current_config},
}};

bool is_string_type(std::uint32_t type) {
  return type == reg_sz || type == reg_expand_sz;
}

std::string without_trailing_backslashes(std::string_view subkey) {
  while (!subkey.empty() && subkey.back() == '\\') subkey.remove_suffix(1);
  return std::string(subkey);
}

}  // namespace

bool names_32bit_view(std::string_view subkey) {
  std::size_t start = 0;
  while (start <= subkey.size()) {
    const std::size_t slash = subkey.find('\\', start);
    const std::string_view part =
        subkey.substr(start, slash == std::string_view::npos ? std::string_view::npos : slash - start);
    if (equals_ignore_case_ascii(part, "Wow6432Node")) return true;
    if (slash == std::string_view::npos) break;
    start = slash + 1;
  }
  return false;
}

std::vector<key_view> registry::read_order(std::string_view subkey) {
  if (names_32bit_view(subkey)) return {key_view::view_64};
  return {key_view::view_64, key_view::view_32};
}

std::string registry_text(const raw_registry_value& value) {
  std::u16string units;
  units.reserve(value.bytes.size() / 2);
  for (std::size_t i = 0; i + 1 < value.bytes.size(); i += 2) {
    const char16_t unit = static_cast<char16_t>(static_cast<unsigned char>(value.bytes[i]) |
                                                (static_cast<unsigned char>(value.bytes[i + 1]) << 8));
    if (unit == 0) break;
    units.push_back(unit);
  }
  return utf16_to_utf8(units);
}

raw_registry_value registry_string(std::string_view text) {
  std::string bytes;
  for (const char16_t unit : utf8_to_utf16(text)) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
  bytes.append(2, '\0');
  return {reg_sz, std::move(bytes)};
}

raw_registry_value registry_dword(std::uint32_t value) {
  std::string bytes;
  for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
  return {reg_dword, std::move(bytes)};
}

std::optional<std::uint32_t> registry_dword_of(const raw_registry_value& value) {
  if (value.type != reg_dword || value.bytes.size() != 4) return std::nullopt;
  std::uint32_t number = 0;
  for (int i = 3; i >= 0; --i)
    number = number << 8 | static_cast<unsigned char>(value.bytes[static_cast<std::size_t>(i)]);
  return number;
}

std::string_view registry_root_name(registry_root root) {
  for (const auto& [name, value] : root_names) {
    if (value == root) return name;
  }
  return {};
}

std::optional<registry_root> parse_registry_root(std::string_view root_name) {
  for (const auto& [name, root] : root_names) {
    if (equals_ignore_case_ascii(root_name, name)) return root;
  }
  return std::nullopt;
}

std::optional<registry_key_path> parse_registry_key_path(std::string_view key_path) {
  const std::size_t slash = key_path.find('\\');
  const auto root = parse_registry_root(key_path.substr(0, slash));
  if (!root) return std::nullopt;
  const std::string_view subkey =
      slash == std::string_view::npos ? std::string_view{} : key_path.substr(slash + 1);
  return registry_key_path{*root, without_trailing_backslashes(subkey)};
}

int registry::ReadRegistryString(std::string_view key_path, std::string_view value_name, std::string& value) {
  const auto path = parse_registry_key_path(key_path);
  if (!path) return -1;
  for (const key_view view : read_order(path->subkey)) {
    const auto raw = read_value(view, path->root, path->subkey, value_name);
    if (!raw) continue;
    if (!is_string_type(raw->type)) return -1;  // the value is there, of another type
    value = registry_text(*raw);
    return 1;
  }
  return -1;
}

int registry::WriteRegistryString(std::string_view key_path, std::string_view value_name,
                                  std::string_view text, registry_view view) {
  return write(key_path, value_name, registry_string(text), view);
}

int registry::ReadRegistryDword(std::string_view key_path, std::string_view value_name,
                                std::uint32_t& value) {
  const auto path = parse_registry_key_path(key_path);
  if (!path) return -1;
  for (const key_view view : read_order(path->subkey)) {
    const auto raw = read_value(view, path->root, path->subkey, value_name);
    if (!raw) continue;
    const std::optional<std::uint32_t> number = registry_dword_of(*raw);
    if (!number) return -1;  // the value is there, of another type
    value = *number;
    return 1;
  }
  return -1;
}

int registry::WriteRegistryDword(std::string_view key_path, std::string_view value_name,
                                 std::uint32_t value) {
  return write(key_path, value_name, registry_dword(value), registry_view::as_spelled);
}

int registry::write(std::string_view key_path, std::string_view value_name, const raw_registry_value& value,
                    registry_view view) {
  const auto path = parse_registry_key_path(key_path);
  if (!path || path->subkey.empty()) return -1;
  const auto write = [&](key_view in) {
    return write_value(in, path->root, path->subkey, value_name, value) ? 1 : -1;
  };
  if (view == registry_view::wow64_32) return write(key_view::view_32);
  const std::vector<key_view> views = read_order(path->subkey);
  for (const key_view in : views) {
    if (read_value(in, path->root, path->subkey, value_name)) return write(in);
  }
  for (const key_view in : views) {
    if (has_key(in, path->root, path->subkey)) return write(in);
  }
  return write(key_view::view_64);
}

int registry::ListRegistryValueNames(std::string_view key_path, std::vector<std::string>& names) {
  const auto path = parse_registry_key_path(key_path);
  if (!path) return -1;
  for (const key_view view : read_order(path->subkey)) {
    auto listed = value_names(view, path->root, path->subkey);
    if (!listed) continue;
    names = std::move(*listed);
    return 1;
  }
  return -1;
}

bool registry::GetRegStringValue(std::string_view root, std::string_view subkey, std::string_view value_name,
                                 std::string& value, std::uint32_t size) {
  const auto parsed_root = parse_registry_root(root);
  if (!parsed_root || size == 0) return false;
  const auto raw =
      read_value(key_view::view_64, *parsed_root, without_trailing_backslashes(subkey), value_name);
  if (!raw || !is_string_type(raw->type)) return false;
  std::string text = registry_text(*raw);
  if (utf16_length(text) > size - 1) return false;
  value = std::move(text);
  return true;
}

bool registry::GetRegEnumKey(std::string_view root, std::string_view subkey, std::string& names,
                             std::uint32_t size) {
  const auto parsed_root = parse_registry_root(root);
  if (!parsed_root || size == 0) return false;
  const auto listed = value_names(key_view::view_64, *parsed_root, without_trailing_backslashes(subkey));
  if (!listed) return false;
  std::string joined;
  std::size_t used = 0;  // characters in `joined`
  for (const std::string& name : *listed) {
    const std::size_t needed = utf16_length(name) + (joined.empty() ? 0 : 1);
    if (used + needed > size - 1) break;
    if (!joined.empty()) joined.push_back('\n');
    joined += name;
    used += needed;
  }
  names = std::move(joined);
  return true;
}

}  // namespace setup
