#include "platform/memory/memory_registry.h"

#include "platform/text.h"

namespace setup {
namespace {

std::string joined(registry_root root, std::string_view subkey) {
  std::string path(registry_root_name(root));
  if (!subkey.empty()) path += "\\" + std::string(subkey);
  return path;
}

std::string utf16le_bytes(std::string_view text) {
  return registry_string(text).bytes;
}

}  // namespace

std::string memory_registry::fold(std::string_view path) {
  std::string folded = upper_ascii(path);
  while (!folded.empty() && folded.back() == '\\') folded.pop_back();
  return folded;
}

std::string memory_registry::native_key(key_view view, registry_root root, std::string_view subkey) const {
  std::string path = fold(joined(root, subkey));
  if (view == key_view::view_32 && is_64bit_ && root == registry_root::local_machine) {
    const std::string software = "HKEY_LOCAL_MACHINE\\SOFTWARE";
    const bool under_software = path == software || path.starts_with(software + "\\");
    const bool already_32 = path.starts_with(software + "\\WOW6432NODE");
    if (under_software && !already_32) path.insert(software.size(), "\\WOW6432NODE");
  }
  return path;
}

memory_registry::key_entry& memory_registry::ensure_key(const std::string& folded, std::string_view spelled) {
  spelled = spelled.substr(0, folded.size());  // without a trailing backslash
  // Creating a key creates its parents, as in the real registry.
  for (std::size_t slash = folded.find('\\'); slash != std::string::npos;
       slash = folded.find('\\', slash + 1)) {
    if (!keys_.contains(folded.substr(0, slash))) {
      keys_.emplace(folded.substr(0, slash), key_entry{std::string(spelled.substr(0, slash)), {}});
    }
  }
  auto it = keys_.find(folded);
  if (it == keys_.end()) it = keys_.emplace(folded, key_entry{std::string(spelled), {}}).first;
  return it->second;
}

const memory_registry::key_entry* memory_registry::find_key(std::string_view key_path) const {
  const auto it = keys_.find(fold(key_path));
  return it == keys_.end() ? nullptr : &it->second;
}

void memory_registry::store(key_entry& key, std::string_view value_name, raw_registry_value value) {
  for (value_entry& entry : key.values) {
    if (equals_ignore_case_ascii(entry.name, value_name)) {
      entry.value = std::move(value);
      return;
    }
  }
  key.values.push_back(value_entry{std::string(value_name), std::move(value)});
}

void memory_registry::set_string(std::string_view key_path, std::string_view value_name,
                                 std::string_view text, std::uint32_t type) {
  set_raw(key_path, value_name, type, utf16le_bytes(text));
}

void memory_registry::set_raw(std::string_view key_path, std::string_view value_name, std::uint32_t type,
                              std::string bytes) {
  store(ensure_key(fold(key_path), key_path), value_name, raw_registry_value{type, std::move(bytes)});
}

void memory_registry::create_key(std::string_view key_path) {
  ensure_key(fold(key_path), key_path);
}

void memory_registry::deny_writes(std::string_view key_path) {
  denied_.insert(fold(key_path));
}

bool memory_registry::key_exists(std::string_view key_path) const {
  return find_key(key_path) != nullptr;
}

std::optional<raw_registry_value> memory_registry::raw_value(std::string_view key_path,
                                                             std::string_view value_name) const {
  const key_entry* key = find_key(key_path);
  if (key == nullptr) return std::nullopt;
  for (const value_entry& entry : key->values) {
    if (equals_ignore_case_ascii(entry.name, value_name)) return entry.value;
  }
  return std::nullopt;
}

std::optional<std::string> memory_registry::string_value(std::string_view key_path,
                                                         std::string_view value_name) const {
  const auto raw = raw_value(key_path, value_name);
  if (!raw || (raw->type != reg_sz && raw->type != reg_expand_sz)) return std::nullopt;
  return registry_text(*raw);
}

std::optional<std::uint32_t> memory_registry::dword_value(std::string_view key_path,
                                                          std::string_view value_name) const {
  const auto raw = raw_value(key_path, value_name);
  return raw ? registry_dword_of(*raw) : std::nullopt;
}

std::optional<raw_registry_value> memory_registry::read_value(key_view view, registry_root root,
                                                              std::string_view subkey,
                                                              std::string_view value_name) {
  return raw_value(native_key(view, root, subkey), value_name);
}

bool memory_registry::write_value(key_view view, registry_root root, std::string_view subkey,
                                  std::string_view value_name, const raw_registry_value& value) {
  const std::string folded = native_key(view, root, subkey);
  for (const std::string& denied : denied_) {
    if (folded == denied || folded.starts_with(denied + "\\")) return false;
  }
  // A key reached through redirection is spelled as the native view sees it.
  const std::string spelled = folded == fold(joined(root, subkey)) ? joined(root, subkey) : folded;
  store(ensure_key(folded, spelled), value_name, value);
  return true;
}

std::optional<std::vector<std::string>> memory_registry::value_names(key_view view, registry_root root,
                                                                     std::string_view subkey) {
  const key_entry* key = find_key(native_key(view, root, subkey));
  if (key == nullptr) return std::nullopt;
  std::vector<std::string> names;
  for (const value_entry& entry : key->values) names.push_back(entry.name);
  return names;
}

bool memory_registry::has_key(key_view view, registry_root root, std::string_view subkey) {
  return find_key(native_key(view, root, subkey)) != nullptr;
}

}  // namespace setup
