// Drive C: in memory for the engine targets: files by path key, every directory on C: present (so that
// restores reach their writes), nothing on other drives.
#pragma once

#include <map>
#include <string>

#include "sim/engine/disk.h"

namespace fuzz {

class memory_disk final : public sqlsim::disk {
 public:
  std::map<std::string, std::string> files;  // by windows_path_key

  std::optional<std::string> read_file(std::string_view path) override {
    const auto it = files.find(key(path));
    if (it == files.end()) return std::nullopt;
    return it->second;
  }
  bool file_exists(std::string_view path) override { return files.count(key(path)) > 0; }
  bool directory_exists(std::string_view path) override {
    const auto normalized = sqlsim::normalize_windows_path(path);
    return normalized && (*normalized)[0] == 'C' && files.count(sqlsim::windows_path_key(*normalized)) == 0;
  }
  bool write_file(std::string_view path, std::string_view content) override {
    const auto normalized = sqlsim::normalize_windows_path(path);
    if (!normalized || (*normalized)[0] != 'C' || normalized->size() <= 3) return false;
    files[sqlsim::windows_path_key(*normalized)] = std::string(content);
    return true;
  }
  bool remove_file(std::string_view path) override { return files.erase(key(path)) > 0; }

 private:
  static std::string key(std::string_view path) {
    const auto normalized = sqlsim::normalize_windows_path(path);
    return normalized && (*normalized)[0] == 'C' ? sqlsim::windows_path_key(*normalized) : std::string();
  }
};

}  // namespace fuzz
