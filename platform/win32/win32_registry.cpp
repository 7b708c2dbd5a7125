#include "platform/win32/win32_registry.h"

#include "platform/win32/win32_api.h"

namespace setup {
namespace {

using win32::unique_hkey;
using win32::wide;

// Values larger than this are not read; no string the wizard reads comes near it.
constexpr DWORD max_value_bytes = 1u << 20;
constexpr DWORD max_values_listed = 100000;

HKEY root_key(registry_root root) {
  switch (root) {
    case registry_root::classes_root:
      return HKEY_CLASSES_ROOT;
    case registry_root::current_user:
      return HKEY_CURRENT_USER;
    case registry_root::local_machine:
      return HKEY_LOCAL_MACHINE;
    case registry_root::users:
      return HKEY_USERS;
    case registry_root::current_config:
      return HKEY_CURRENT_CONFIG;
  }
  return HKEY_LOCAL_MACHINE;
}

REGSAM view_flag(key_view view) {
  return view == key_view::view_32 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
}

// "HKEY_LOCAL_MACHINE\SOFTWARE\X (32-bit view)", and the value's name when there is one.
std::string where(key_view view, registry_root root, std::string_view subkey,
                  std::string_view value_name = {}) {
  std::string text = std::string(registry_root_name(root)) + "\\" + std::string(subkey);
  text += view == key_view::view_32 ? " (32-bit view)" : " (64-bit view)";
  if (!value_name.empty()) text += " value \"" + std::string(value_name) + "\"";
  return text;
}

LONG open_key(key_view view, registry_root root, std::string_view subkey, REGSAM access, unique_hkey& key) {
  return RegOpenKeyExW(root_key(root), wide(subkey).c_str(), 0, access | view_flag(view), key.receive());
}

}  // namespace

std::optional<raw_registry_value> win32_registry::read_value(key_view view, registry_root root,
                                                             std::string_view subkey,
                                                             std::string_view value_name) {
  unique_hkey key;
  if (const LONG rc = open_key(view, root, subkey, KEY_QUERY_VALUE, key); rc != ERROR_SUCCESS) {
    log_.line(failure_line("registry read " + where(view, root, subkey, value_name), rc));
    return std::nullopt;
  }
  const std::wstring name = wide(value_name);
  std::string bytes(512, '\0');
  // The value may grow between the calls; a few rounds are enough for any real change.
  for (int round = 0; round < 4; ++round) {
    DWORD type = 0;
    DWORD size = static_cast<DWORD>(bytes.size());
    const LONG status = RegQueryValueExW(key.get(), name.c_str(), nullptr, &type,
                                         reinterpret_cast<BYTE*>(bytes.data()), &size);
    if (status == ERROR_SUCCESS) {
      bytes.resize(size);  // exactly the stored bytes: a missing terminator is registry_text's concern
      return raw_registry_value{type, std::move(bytes)};
    }
    if (status != ERROR_MORE_DATA || size > max_value_bytes) {
      log_.line(failure_line("registry read " + where(view, root, subkey, value_name), status));
      return std::nullopt;
    }
    bytes.assign(size, '\0');
  }
  log_.line(failure_line("registry read " + where(view, root, subkey, value_name), ERROR_MORE_DATA));
  return std::nullopt;
}

bool win32_registry::write_value(key_view view, registry_root root, std::string_view subkey,
                                 std::string_view value_name, const raw_registry_value& value) {
  unique_hkey key;
  if (const LONG rc =
          RegCreateKeyExW(root_key(root), wide(subkey).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                          KEY_SET_VALUE | view_flag(view), nullptr, key.receive(), nullptr);
      rc != ERROR_SUCCESS) {
    log_.line(failure_line("registry write " + where(view, root, subkey, value_name) + ": create key", rc));
    return false;
  }
  if (const LONG rc = RegSetValueExW(key.get(), wide(value_name).c_str(), 0, value.type,
                                     reinterpret_cast<const BYTE*>(value.bytes.data()),
                                     static_cast<DWORD>(value.bytes.size()));
      rc != ERROR_SUCCESS) {
    log_.line(failure_line("registry write " + where(view, root, subkey, value_name), rc));
    return false;
  }
  return true;
}

std::optional<std::vector<std::string>> win32_registry::value_names(key_view view, registry_root root,
                                                                    std::string_view subkey) {
  unique_hkey key;
  if (const LONG rc = open_key(view, root, subkey, KEY_QUERY_VALUE, key); rc != ERROR_SUCCESS) {
    log_.line(failure_line("registry list " + where(view, root, subkey), rc));
    return std::nullopt;
  }
  DWORD longest = 0;
  if (const LONG rc = RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                       nullptr, &longest, nullptr, nullptr, nullptr);
      rc != ERROR_SUCCESS) {
    log_.line(failure_line("registry list " + where(view, root, subkey), rc));
    return std::nullopt;
  }
  std::vector<std::string> names;
  std::wstring name(longest + 1, L'\0');
  for (DWORD index = 0; index < max_values_listed;) {
    DWORD length = static_cast<DWORD>(name.size());
    const LONG status =
        RegEnumValueW(key.get(), index, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_NO_MORE_ITEMS) break;
    if (status == ERROR_MORE_DATA && name.size() < 32768) {  // a value added meanwhile has a longer name
      name.assign(32768, L'\0');
      continue;
    }
    if (status != ERROR_SUCCESS) {
      log_.line(failure_line("registry list " + where(view, root, subkey), status));
      return std::nullopt;
    }
    names.push_back(win32::narrow(std::wstring_view(name.data(), length)));
    ++index;
  }
  return names;
}

bool win32_registry::has_key(key_view view, registry_root root, std::string_view subkey) {
  unique_hkey key;
  return open_key(view, root, subkey, KEY_QUERY_VALUE, key) == ERROR_SUCCESS;
}

}  // namespace setup
