#include "sim/engine/disk.h"

#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

#include "platform/text.h"

namespace sqlsim {
namespace {

bool is_separator(char c) {
  return c == '\\' || c == '/';
}

bool forbidden_in_name(unsigned char c) {
  return c < 32 || c == '<' || c == '>' || c == ':' || c == '"' || c == '|' || c == '?' || c == '*';
}

std::vector<std::string> split_components(std::string_view normalized) {
  std::vector<std::string> parts;
  std::size_t start = 3;  // after "C:\"
  while (start < normalized.size()) {
    std::size_t end = normalized.find('\\', start);
    if (end == std::string_view::npos) end = normalized.size();
    parts.emplace_back(normalized.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

class c_drive_disk final : public disk {
 public:
  explicit c_drive_disk(std::filesystem::path root) : root_(std::move(root)) {}

  std::optional<std::string> read_file(std::string_view path) override {
    const auto host = map(path);
    std::error_code ec;
    if (!host || !std::filesystem::is_regular_file(*host, ec)) return std::nullopt;
    std::ifstream in(*host, std::ios::binary);
    if (!in) return std::nullopt;
    std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return std::nullopt;
    return content;
  }

  bool file_exists(std::string_view path) override {
    const auto host = map(path);
    std::error_code ec;
    return host && std::filesystem::is_regular_file(*host, ec);
  }

  bool directory_exists(std::string_view path) override {
    const auto host = map(path);
    std::error_code ec;
    return host && std::filesystem::is_directory(*host, ec);
  }

  bool write_file(std::string_view path, std::string_view content) override {
    const auto host = map(path);
    std::error_code ec;
    if (!host || !std::filesystem::is_directory(host->parent_path(), ec)) return false;
    if (std::filesystem::is_directory(*host, ec)) return false;
    std::ofstream out(*host, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    out.close();
    return static_cast<bool>(out);
  }

  bool remove_file(std::string_view path) override {
    const auto host = map(path);
    std::error_code ec;
    if (!host || !std::filesystem::is_regular_file(*host, ec)) return false;
    return std::filesystem::remove(*host, ec) && !ec;
  }

 private:
  // The host path of a Windows path on drive C:, each existing name matched without regard to case;
  // names that do not exist keep their spelling (so that files can be created).
  std::optional<std::filesystem::path> map(std::string_view windows_path) const {
    if (root_.empty()) return std::nullopt;
    const auto normalized = normalize_windows_path(windows_path);
    if (!normalized || (*normalized)[0] != 'C') return std::nullopt;
    std::filesystem::path host = root_;
    for (const std::string& name : split_components(*normalized)) {
      host /= matching_entry(host, name);
    }
    return host;
  }

  static std::string matching_entry(const std::filesystem::path& directory, const std::string& name) {
    std::error_code ec;
    if (std::filesystem::exists(directory / name, ec)) return name;
    std::filesystem::directory_iterator it(directory, ec);
    if (ec) return name;
    for (const auto& entry : it) {
      const std::string candidate = entry.path().filename().string();
      if (setup::equals_ignore_case_ascii(candidate, name)) return candidate;
    }
    return name;
  }

  std::filesystem::path root_;
};

}  // namespace

std::shared_ptr<disk> make_c_drive_disk(std::filesystem::path root) {
  return std::make_shared<c_drive_disk>(std::move(root));
}

std::optional<std::string> normalize_windows_path(std::string_view path) {
  if (path.size() < 3 || path[1] != ':' || !is_separator(path[2])) return std::nullopt;
  const char drive = setup::upper_ascii(path.substr(0, 1))[0];
  if (drive < 'A' || drive > 'Z') return std::nullopt;
  std::vector<std::string_view> names;
  std::size_t start = 3;
  while (start <= path.size()) {
    std::size_t end = start;
    while (end < path.size() && !is_separator(path[end])) ++end;
    const std::string_view name = path.substr(start, end - start);
    if (name == "..") {
      if (!names.empty()) names.pop_back();
    } else if (!name.empty() && name != ".") {
      for (unsigned char c : name) {
        if (forbidden_in_name(c)) return std::nullopt;
      }
      names.push_back(name);
    }
    start = end + 1;
  }
  std::string result{drive, ':', '\\'};
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i > 0) result += '\\';
    result += names[i];
  }
  return result;
}

std::string windows_directory_of(std::string_view normalized_path) {
  const std::size_t last = normalized_path.rfind('\\');
  if (last == std::string_view::npos || last <= 2) return std::string(normalized_path.substr(0, 3));
  return std::string(normalized_path.substr(0, last));
}

std::string windows_path_key(std::string_view path) {
  const auto normalized = normalize_windows_path(path);
  return setup::upper_ascii(normalized ? *normalized : path);
}

}  // namespace sqlsim
