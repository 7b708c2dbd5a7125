#include "platform/memory/memory_files.h"

#include <vector>

#include "platform/text.h"

namespace setup {
namespace {

bool is_drive_letter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Drive prefix ("C:") and the components of an absolute path, with "." and ".." applied.
std::string normalize(std::string_view drive, std::string_view rest) {
  std::vector<std::string> parts;
  std::string part;
  const auto flush = [&] {
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    part.clear();
  };
  for (char c : rest) {
    if (c == '\\' || c == '/') {
      flush();
    } else {
      part.push_back(c);
    }
  }
  flush();
  std::string out(drive);
  out += "\\";
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (i) out += "\\";
    out += parts[i];
  }
  return out;
}

}  // namespace

memory_files::memory_files() : current_directory_("C:\\setup"), system_directory_("C:\\Windows\\system32") {
  add_directory(current_directory_);
  add_directory(system_directory_);
}

std::string memory_files::absolute(std::string_view path) const {
  if (path.size() >= 2 && is_drive_letter(path[0]) && path[1] == ':') {
    const std::string_view rest = path.substr(2);
    if (!rest.empty() && (rest[0] == '\\' || rest[0] == '/')) return normalize(path.substr(0, 2), rest);
    // Drive-relative ("D:file") is taken from the drive's root.
    return normalize(path.substr(0, 2), rest);
  }
  const std::string_view drive = std::string_view(current_directory_).substr(0, 2);
  if (!path.empty() && (path[0] == '\\' || path[0] == '/')) return normalize(drive, path);
  return normalize(drive, current_directory_.substr(2) + "\\" + std::string(path));
}

std::string memory_files::key(std::string_view absolute_path) {
  return upper_ascii(absolute_path);
}

std::string memory_files::parent(std::string_view absolute_path) {
  const std::size_t slash = absolute_path.rfind('\\');
  if (slash == std::string_view::npos || slash <= 2) return std::string(absolute_path.substr(0, 3));
  return std::string(absolute_path.substr(0, slash));
}

memory_files::file_entry* memory_files::find(std::string_view path) {
  const auto it = files_.find(key(absolute(path)));
  return it == files_.end() ? nullptr : &it->second;
}

void memory_files::add_directory(std::string_view path) {
  std::string dir = absolute(path);
  while (true) {
    directories_.insert(key(dir));
    if (dir.size() <= 3) break;
    dir = parent(dir);
  }
}

void memory_files::add_file(std::string_view path, std::string content, std::uint32_t attributes) {
  const std::string abs = absolute(path);
  add_directory(parent(abs));
  files_[key(abs)] =
      file_entry{std::make_shared<const std::string>(std::move(content)), attributes, false, abs};
}

void memory_files::lock(std::string_view path) {
  if (file_entry* entry = find(path)) entry->locked = true;
}

void memory_files::set_system_directory(std::string_view path) {
  system_directory_ = absolute(path);
  add_directory(system_directory_);
}

std::optional<std::string> memory_files::content(std::string_view path) const {
  const auto it = files_.find(key(absolute(path)));
  if (it == files_.end()) return std::nullopt;
  return *it->second.content;
}

std::optional<std::uint32_t> memory_files::attributes(std::string_view path) const {
  const auto it = files_.find(key(absolute(path)));
  if (it == files_.end()) return std::nullopt;
  return it->second.attributes;
}

bool memory_files::FileExists(std::string_view path) {
  return !path.empty() && find(path) != nullptr;
}

bool memory_files::DirectoryExists(std::string_view path) {
  return !path.empty() && directories_.contains(key(absolute(path)));
}

bool memory_files::RemoveFile(std::string_view path) {
  file_entry* entry = find(path);
  // Windows refuses to delete a read-only file.
  if (entry == nullptr || entry->locked || (entry->attributes & file_attribute_readonly)) return false;
  files_.erase(key(absolute(path)));
  return true;
}

int memory_files::CopyFileReplacing(std::string_view source, std::string_view target,
                                    const copy_progress& progress) {
  const file_entry* from = find(source);
  if (from == nullptr) return 0;
  const std::string abs_target = absolute(target);
  if (!directories_.contains(key(parent(abs_target))) || directories_.contains(key(abs_target))) return 0;
  file_entry* existing = find(target);
  // Windows refuses to replace a read-only file.
  if (existing != nullptr && (existing->locked || (existing->attributes & file_attribute_readonly))) return 0;
  // The copy keeps the source's attributes, as CopyFile does.
  files_[key(abs_target)] = file_entry{from->content, from->attributes, false, abs_target};
  if (progress) progress(from->content->size(), from->content->size());
  return 1;
}

bool memory_files::SetFileAttributes(std::string_view path, std::uint32_t attributes) {
  file_entry* entry = find(path);
  if (entry == nullptr) return false;
  entry->attributes = attributes;
  return true;
}

std::string memory_files::GetCurrentDirectory() {
  return current_directory_;
}

bool memory_files::SetCurrentDirectory(std::string_view path) {
  if (!DirectoryExists(path)) return false;
  current_directory_ = absolute(path);
  return true;
}

std::string memory_files::GetSystemDirectory() {
  return system_directory_;
}

std::unique_ptr<byte_source> memory_files::OpenForReading(std::string_view path) {
  const file_entry* entry = find(path);
  if (entry == nullptr) return nullptr;
  // The reader shares the bytes: a 64 MiB program is not copied for every version read.
  return std::make_unique<memory_byte_source>(entry->content);
}

// Each write replaces the file's shared bytes by a longer copy: readers opened earlier keep theirs.
class memory_files::sink final : public byte_sink {
 public:
  sink(memory_files& fs, std::string key) : fs_(fs), key_(std::move(key)) {}
  bool write(std::string_view bytes) override {
    const auto it = fs_.files_.find(key_);
    if (it == fs_.files_.end() || it->second.locked) return false;
    it->second.content = std::make_shared<const std::string>(*it->second.content + std::string(bytes));
    return true;
  }

 private:
  memory_files& fs_;
  std::string key_;
};

std::unique_ptr<byte_sink> memory_files::CreateForWriting(std::string_view path, bool replace) {
  const std::string abs = absolute(path);
  if (path.empty() || !directories_.contains(key(parent(abs))) || directories_.contains(key(abs))) {
    return nullptr;
  }
  if (const file_entry* existing = find(path); existing != nullptr && (!replace || existing->locked)) {
    return nullptr;
  }
  files_[key(abs)] = file_entry{std::make_shared<const std::string>(), 0, false, abs};
  return std::make_unique<sink>(*this, key(abs));
}

namespace {

// Windows' wildcards: * any run of characters, ? one character; letters without regard to case.
bool matches(std::string_view name, std::string_view pattern) {
  if (pattern.empty()) return name.empty();
  if (pattern.front() == '*') {
    for (std::size_t skip = 0; skip <= name.size(); ++skip) {
      if (matches(name.substr(skip), pattern.substr(1))) return true;
    }
    return false;
  }
  if (name.empty()) return false;
  const bool same =
      pattern.front() == '?' || equals_ignore_case_ascii(name.substr(0, 1), pattern.substr(0, 1));
  return same && matches(name.substr(1), pattern.substr(1));
}

}  // namespace

std::optional<std::uint64_t> memory_files::FreeSpace(std::string_view folder) {
  if (!DirectoryExists(folder)) return std::nullopt;
  return free_space;
}

std::vector<std::string> memory_files::FindFiles(std::string_view folder, std::string_view pattern) {
  std::vector<std::string> names;
  const std::string inside = key(absolute(folder));
  for (const auto& [path, entry] : files_) {
    if (parent(path) != inside) continue;
    // The name as it was spelled when the file was made.
    const std::string& spelled = entry.spelling;
    const std::string name = spelled.substr(spelled.rfind('\\') + 1);
    if (matches(name, pattern)) names.push_back(name);
  }
  return names;
}

}  // namespace setup
